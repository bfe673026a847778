// brivora-export <database> <file>: every profile into a delimited file, as "Export
// Profile" writes it (".CSV" added to a name without an extension).
#include "base/CommandLine.h"
#include "base/Errors.h"
#include "contacts/CsvExport.h"
#include "data/Database.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    CommandLine commandLine({
        .program = QStringLiteral("brivora-export"),
        .synopsis = QStringLiteral("<database> <file>"),
        .description =
            QStringLiteral("Writes every profile of a Brivora database as \"Export Profile\" does: \"text\"|\n"
                           "fields, CR LF line ends, UTF-8; \".CSV\" is added to a name without an extension."),
        .example = QStringLiteral("brivora-export ~/Brivora/Dovrel.mdb clients"),
    });
    commandLine.addArgument(QStringLiteral("database"),
                            QStringLiteral("The Brivora database to read: a file (Dovrel.mdb), or a server's\n"
                                           "postgresql:// address."));
    commandLine.addArgument(QStringLiteral("file"), QStringLiteral("The file to write; an existing one is replaced."));
    if (const auto done = commandLine.process(app.arguments()))
        return *done;
    const QStringList args = commandLine.arguments();
    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        Database database(args.at(0));
        const QString file = CsvExport::withDefaultExtension(args.at(1));
        const int written = CsvExport::exportProfiles(database, file);
        out << "wrote " << written << " profiles to " << file << '\n';
    } catch (const BrivoraError &error) {
        err << "brivora-export: " << withFullStop(error.text()) << '\n';
        return 1;
    }
    return 0;
}
