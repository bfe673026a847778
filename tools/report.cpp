// brivora-report <database> <entry 1-13> <out.pdf>: one report of "List of Report"
// written as PDF, page for page as the preview and the printer show it.
#include "base/Clock.h"
#include "base/CommandLine.h"
#include "base/Errors.h"
#include "data/Database.h"
#include "data/Dataset.h"
#include "reports/PageDrawing.h"
#include "reports/ReportLayouts.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    CommandLine commandLine({
        .program = QStringLiteral("brivora-report"),
        .synopsis = QStringLiteral("[--project <name>] <database> <entry 1-13> <out.pdf>"),
        .description =
            QStringLiteral("Writes one report of the \"Reports\" tab's list as PDF, page for page as the preview\n"
                           "and the printer show it; it needs no screen. It prints the pages written, and exits\n"
                           "with 1 and the program's message when anything fails."),
        .example = QStringLiteral("brivora-report ~/Brivora/Dovrel.mdb 1 clients.pdf"),
    });
    commandLine.addArgument(QStringLiteral("database"),
                            QStringLiteral("The Brivora database to read: a file (Dovrel.mdb), or a server's\n"
                                           "postgresql:// address."));
    commandLine.addArgument(QStringLiteral("entry"),
                            QStringLiteral("The report's place in the list, from 1 to 13 (13: the delivery of\n"
                                           "a project)."));
    commandLine.addArgument(QStringLiteral("out.pdf"), QStringLiteral("The PDF file to write."));
    const QCommandLineOption project(QStringLiteral("project"),
                                     QStringLiteral("The project of a report of one project (13)."),
                                     QStringLiteral("name"));
    commandLine.parser().addOption(project);
    // Read before the application is made, which would only add its own warnings.
    if (const auto done = commandLine.processBeforeApplication(argc, argv))
        return *done;
    // Fonts need a GUI application, but a script has no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    CommandLine::quietenQtStartup();
    Clock::readTimeZoneOnce();
    QGuiApplication app(argc, argv);
    const QStringList args = commandLine.arguments();
    bool isNumber = false;
    const int number = args.at(1).toInt(&isNumber);
    if (!isNumber)
        return commandLine.wrongArguments();
    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        const Reports::ReportEntry &entry = Reports::reportEntry(number);
        Database database(args.at(0));
        database.connection(); // a missing database is said as such
        const QString projectName = commandLine.parser().value(project);
        if (entry.isOfAProject() && projectName.isEmpty())
            throw BrivoraError(
                QStringLiteral("The report \"%1\" is of one project: name it with --project").arg(entry.listText));
        Dataset rows(database, entry.queryObject, entry.statementFor(projectName));
        rows.open();
        const QDate today = Clock().now().date();
        const auto report = entry.isOfAProject() ? Reports::layOutDelivery(entry, projectName, rows,
                                                                           deliveriesOf(database, projectName), today)
                                                 : Reports::layOut(entry, rows, today);
        Reports::writePdf(*report, args.at(2));
        out << "wrote " << report->pageCount() << " pages of \"" << entry.listText << "\" (" << rows.recordCount()
            << " rows) to " << args.at(2) << '\n';
    } catch (const BrivoraError &error) {
        err << "brivora-report: " << withFullStop(error.text()) << '\n';
        return 1;
    }
    return 0;
}
