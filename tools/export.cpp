// brivora-export <database> <file>: every profile into a delimited file, as "Export
// Profile" writes it (".CSV" added to a name without an extension).
#include "base/Errors.h"
#include "contacts/CsvExport.h"
#include "data/Database.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        err << "usage: brivora-export <database> <file>\n";
        return 2;
    }
    try {
        Database database(args.at(1));
        const QString file = CsvExport::withDefaultExtension(args.at(2));
        const int written = CsvExport::exportProfiles(database, file);
        out << "wrote " << written << " profiles to " << file << '\n';
    } catch (const BrivoraError &error) {
        err << "brivora-export: " << withFullStop(error.text()) << '\n';
        return 1;
    }
    return 0;
}
