// Prints what the reports cost at their largest: "Broadcast by Name (10k)" over 10 000
// sent messages (laid out, then written as PDF) and "List of Client by Name" over
// 100 000 profiles (laid out, and the memory that takes).
#include "base/Clock.h"
#include "BenchSupport.h"
#include "data/Database.h"
#include "data/DataModule.h"
#include "reports/PageDrawing.h"
#include "reports/ReportLayouts.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Runs the report and builds every page, as printing it does; returns the pages.
std::unique_ptr<Reports::PagedReport> layOutEveryPage(DataModule &dm, int entry, double &seconds)
{
    QElapsedTimer timer;
    timer.start();
    auto report = Reports::runReport(dm, Reports::reportEntry(entry), QDate(2026, 12, 9));
    qsizetype items = 0;
    for (int page = 0; page < report->pageCount(); ++page)
        items += report->page(page).items.size();
    seconds = timer.nsecsElapsed() / 1e9;
    std::printf("  %d pages, %lld items\n", report->pageCount(), static_cast<long long>(items));
    return report;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Clock::readTimeZoneOnce(); // as the program does
    QGuiApplication app(argc, argv);

    QTemporaryDir folder;
    const QString file = freshWorkingDatabase(folder.path());
    shellSeconds(
        file,
        QStringLiteral(
            "BEGIN;\n"
            "INSERT INTO project_detail (project_name, date_send, mobile_number, name, nickname, group_name, "
            "msg_send, status, festive) "
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000) "
            "SELECT 'RAYA ' || (i % 50), datetime('2026-01-01 10:00:00', '+' || i || ' minutes'), '6012' || i, "
            "'Contact ' || (i % 2500), 'Nick', 'GROUP ' || (i % 20), "
            "'Selamat Hari Raya, Encik Contact ' || i || '. Kedai kami dibuka dari pukul sembilan pagi hingga "
            "sepuluh malam sepanjang minggu perayaan. Semoga dirahmati selalu.', 'SEND', 'HARI RAYA' FROM n;\n"
            "INSERT INTO profile (name, nickname, mobile_number, email, group_name, income, maritial_status) "
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
            "SELECT 'Contact Name ' || i, 'Nick ' || i, '60123' || i, 'contact' || i || '@example.com', "
            "'GROUP ' || (i % 20), (i % 9000), 'MARRIED' FROM n;\n"
            "COMMIT;\n"));

    DataModule dm;
    std::printf("Entry 7, \"Broadcast by Name (10k)\", 10 000 messages:\n");
    double seconds = 0;
    const auto messages = layOutEveryPage(dm, 7, seconds);
    std::printf("  laying out every page: %.2f s (target < 1.5 s)\n", seconds);
    QElapsedTimer timer;
    timer.start();
    Reports::writePdf(*messages, folder.filePath(QStringLiteral("messages.pdf")));
    std::printf("  writing the PDF: %.2f s (target < 5 s), %lld kB\n", timer.nsecsElapsed() / 1e9,
                static_cast<long long>(QFileInfo(folder.filePath(QStringLiteral("messages.pdf"))).size() / 1024));

    std::printf("Entry 1, \"List of Client by Name\", 100 000 profiles:\n");
    const long before = residentKilobytes();
    const auto contacts = layOutEveryPage(dm, 1, seconds);
    std::printf("  laying out every page: %.2f s (target < 3 s)\n", seconds);
    std::printf(
        "  resident memory: %ld MB, at most %ld MB (%ld MB added by the report and its rows; target < 300 MB)\n",
        residentKilobytes() / 1024, peakResidentKilobytes() / 1024, (residentKilobytes() - before) / 1024);
    timer.start();
    const auto shown = Reports::runReport(dm, Reports::reportEntry(1), QDate(2026, 12, 9));
    const Reports::Page first = shown->page(0);
    std::printf("  from the choice to the first page the preview shows: %.2f s\n", timer.nsecsElapsed() / 1e9);
    return 0;
}
