// brivora-import <database> <workbook> --replace|--add: the workbook's "Sheet1" into the
// profiles, as "Import Profile" stores it (Yes: replace them all; No: add).
#include "base/CommandLine.h"
#include "base/Errors.h"
#include "contacts/ProfileImport.h"
#include "data/Database.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    CommandLine commandLine({
        .program = QStringLiteral("brivora-import"),
        .synopsis = QStringLiteral("<database> <workbook> --replace|--add"),
        .description =
            QStringLiteral("Copies the sheet \"Sheet1\" of an Excel workbook (.xls or .xlsx) into the profiles of a\n"
                           "Brivora database, as \"Import Profile\" does. All or nothing: it prints the rows read and\n"
                           "stored, and exits with 1 and the program's message when anything fails."),
        .example = QStringLiteral("brivora-import ~/Brivora/Dovrel.mdb clients.xlsx --add"),
    });
    commandLine.addArgument(QStringLiteral("database"),
                            QStringLiteral("The Brivora database to fill: a file (Dovrel.mdb), or a server's\n"
                                           "postgresql:// address."));
    commandLine.addArgument(QStringLiteral("workbook"), QStringLiteral("The .xls or .xlsx workbook to read."));
    commandLine.addArgument(QStringLiteral("mode"),
                            QStringLiteral("--replace: in place of every profile; --add: beside them."));
    if (const auto done = commandLine.process(app.arguments()))
        return *done;
    const QStringList args = commandLine.arguments();
    const QString mode = args.at(2);
    const bool replace = mode == QStringLiteral("--replace");
    if (!replace && mode != QStringLiteral("--add"))
        return commandLine.wrongArguments();
    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        Database database(args.at(0));
        database.connection(); // a missing database is said before the workbook is read
        ProfileSheet sheet;
        if (const auto failure = sheet.display(args.at(1))) {
            err << "brivora-import: " << withFullStop(failure->message) << ' ' << withFullStop(failure->reason) << '\n';
            return 1;
        }
        out << "read " << sheet.rows().recordCount() << " rows from " << args.at(1) << '\n';
        const int stored = sheet.importInto(database, replace);
        out << "stored " << stored << " profiles" << (replace ? " in place of the old ones" : "") << '\n';
    } catch (const BrivoraError &error) {
        err << "brivora-import: " << withFullStop(error.text()) << '\n';
        return 1;
    }
    return 0;
}
