// brivora-report <database> <entry 1-12> <out.pdf>: one report of "List of Report"
// written as PDF, page for page as the preview and the printer show it.
#include "base/Clock.h"
#include "base/Errors.h"
#include "data/Database.h"
#include "data/Dataset.h"
#include "reports/PageDrawing.h"
#include "reports/ReportLayouts.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    // Fonts need a GUI application, but a script has no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Clock::readTimeZoneOnce();
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    bool isNumber = false;
    const int number = args.value(2).toInt(&isNumber);
    if (args.size() != 4 || !isNumber) {
        err << "usage: brivora-report <database> <entry 1-12> <out.pdf>\n";
        return 2;
    }
    try {
        const Reports::ReportEntry &entry = Reports::reportEntry(number);
        Database database(args.at(1));
        database.connection(); // a missing database is said as such
        Dataset rows(database, entry.queryObject, entry.statement);
        rows.open();
        const auto report = Reports::layOut(entry, rows, Clock().now().date());
        Reports::writePdf(*report, args.at(3));
        out << "wrote " << report->pageCount() << " pages of \"" << entry.listText << "\" (" << rows.recordCount()
            << " rows) to " << args.at(3) << '\n';
    } catch (const BrivoraError &error) {
        err << "brivora-report: " << withFullStop(error.text()) << '\n';
        return 1;
    }
    return 0;
}
