// brivora-newdb <file>|<server>: makes a fresh Brivora database, ready for a first start.
#include "base/CommandLine.h"
#include "base/Errors.h"
#include "data/Database.h"
#include "data/Dataset.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    CommandLine commandLine({
        .program = QStringLiteral("brivora-newdb"),
        .synopsis = QStringLiteral("<file>|<server>"),
        .description = QStringLiteral("Makes a fresh Brivora database: the twelve tables, empty but for the two\n"
                                      "preferred languages, ENGLISH and MALAY. It never overwrites a file, nor\n"
                                      "a server database that holds the tables already."),
        .example = QStringLiteral("brivora-newdb ~/Brivora/Dovrel.mdb"),
    });
    commandLine.addArgument(QStringLiteral("file"),
                            QStringLiteral("The database file to make, which must not exist yet; or a PostgreSQL\n"
                                           "server's database, as postgresql://user@host/database, to make the\n"
                                           "tables in."));
    if (const auto done = commandLine.process(app.arguments()))
        return *done;
    const QString file = commandLine.arguments().at(0);
    QTextStream err(stderr);
    try {
        Database::create(file);
        // The two languages the templates are written in, until the user names others.
        Database database(file);
        Dataset languages(database, QStringLiteral("languages"), QStringLiteral("select * from languages;"));
        languages.open();
        languages.append();
        languages.setValue(QStringLiteral("lang1"), QStringLiteral("ENGLISH"));
        languages.setValue(QStringLiteral("lang2"), QStringLiteral("MALAY"));
        languages.post();
    } catch (const BrivoraError &error) {
        err << "brivora-newdb: " << error.text() << '\n';
        return 1;
    }
    return 0;
}
