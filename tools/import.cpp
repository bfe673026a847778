// brivora-import <database> <workbook> --replace|--add: the workbook's "Sheet1" into the
// profiles, as "Import Profile" stores it (Yes: replace them all; No: add).
#include "base/Errors.h"
#include "contacts/ProfileImport.h"
#include "data/Database.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    const QString mode = args.value(3);
    const bool replace = mode == QStringLiteral("--replace");
    if (args.size() != 4 || (!replace && mode != QStringLiteral("--add"))) {
        err << "usage: brivora-import <database> <workbook> --replace|--add\n";
        return 2;
    }
    try {
        Database database(args.at(1));
        database.connection(); // a missing database is said before the workbook is read
        ProfileSheet sheet;
        if (const auto failure = sheet.display(args.at(2))) {
            err << "brivora-import: " << withFullStop(failure->message) << ' ' << withFullStop(failure->reason) << '\n';
            return 1;
        }
        out << "read " << sheet.rows().recordCount() << " rows from " << args.at(2) << '\n';
        const int stored = sheet.importInto(database, replace);
        out << "stored " << stored << " profiles" << (replace ? " in place of the old ones" : "") << '\n';
    } catch (const BrivoraError &error) {
        err << "brivora-import: " << withFullStop(error.text()) << '\n';
        return 1;
    }
    return 0;
}
