// Prints what recording one Individual SMS (its project_detail row and its log row)
// costs on a database that already holds a million rows in each of the two tables:
// the time of the two recording steps and how much the program's resident memory grows.
#include "app/MainWindow.h"
#include "base/Clock.h"
#include "BenchSupport.h"
#include "broadcast/Records.h"
#include "data/Database.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Clock::readTimeZoneOnce(); // as the program does
    QApplication app(argc, argv);
    constexpr int Rows = 1000000;

    QTemporaryDir folder;
    const QString file = freshWorkingDatabase(folder.path());
    std::printf("Filling project_detail and transaction_log with %d rows each...\n", Rows);
    const QString fill = QStringLiteral(
        "INSERT INTO %1 (project_name, date_send, mobile_number, name, nickname, group_name, msg_send, status) "
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
        "SELECT 'RAYA ' || (i % 50), '2026-01-01 10:00:00', '6012' || i, 'Contact ' || i, 'Nick', 'GROUP ' || (i % "
        "20), "
        "'Selamat Hari Raya, Encik Contact ' || i || '. Semoga dirahmati selalu.', 'SEND' FROM n;\n");
    shellSeconds(file,
                 QStringLiteral("BEGIN;\n") + fill.arg(QStringLiteral("project_detail")).arg(Rows)
                     + fill.arg(QStringLiteral("transaction_log")).arg(Rows) + QStringLiteral("COMMIT;\n"));

    SilentDialogs dialogs;
    Clock clock;
    MainWindow window(dialogs, clock);
    window.FormShow(); // the program as it stands after start-up
    Records &records = window.records();

    auto recordOne = [&](int number) { return recordIndividualSms(records, window.engine().firstLane(), number); };

    const long before = residentKilobytes();
    const double first = recordOne(0);
    const long after = residentKilobytes();
    std::vector<double> later;
    for (int i = 1; i <= 200; ++i)
        later.push_back(recordOne(i));
    std::sort(later.begin(), later.end());
    const long afterMany = residentKilobytes();

    std::printf("recording one Individual SMS (detail row + log row) with %d rows in each table:\n", Rows);
    std::printf("  first of the session: %.2f ms (target < 20 ms)\n", first);
    std::printf("  next 200: median %.2f ms, slowest %.2f ms\n", later[later.size() / 2], later.back());
    std::printf("  resident memory growth: %.2f MB for the first (target < 10 MB), %.2f MB after 201\n",
                (after - before) / 1024.0, (afterMany - before) / 1024.0);
    return 0;
}
