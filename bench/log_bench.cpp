// Prints what the "Transaction Log" tab and the failed-message queue cost at their
// largest: the log view filled with 50 000 lines, and the queue reopened with 100 000
// "FAIL" rows among 1 000 000 recipient rows.
#include "base/Clock.h"
#include "BenchSupport.h"
#include "data/DataModule.h"
#include "reports/TransactionLogTab.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Clock::readTimeZoneOnce(); // as the program does
    QApplication app(argc, argv);
    constexpr int LogRows = 50000;
    constexpr int DetailRows = 1000000;

    QTemporaryDir folder;
    const QString file = freshWorkingDatabase(folder.path());
    const QString rows = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "SELECT 'RAYA ' || (i % 50), datetime('2026-01-01 10:00:00', '+' || i || ' seconds'), '6012' || i, "
        "'Contact ' || i, 'Nick', 'GROUP ' || (i % 20), "
        "'Selamat Hari Raya, Encik Contact ' || i || '. Semoga dirahmati selalu.', "
        "CASE WHEN i % 10 = 0 THEN 'FAIL' ELSE 'SEND' END FROM n;\n");
    const QString columns =
        QStringLiteral("(project_name, date_send, mobile_number, name, nickname, group_name, msg_send, status) ");
    shellSeconds(file,
                 QStringLiteral("BEGIN;\nINSERT INTO transaction_log ") + columns + rows.arg(LogRows)
                     + QStringLiteral("INSERT INTO project_detail ") + columns + rows.arg(DetailRows)
                     + QStringLiteral("COMMIT;\n"));

    SilentDialogs dialogs;
    DataModule dm;
    TransactionLogTab tab(dm, dialogs);
    tab.resize(940, 500);
    tab.show();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    tab.suiComboBox1->setCurrentText(QStringLiteral("50000"));
    tab.suiComboBox1Click();
    QScrollBar *scroll = tab.suiMemo1->verticalScrollBar();
    scroll->setValue(scroll->maximum()); // the last line shown
    QCoreApplication::processEvents();
    const double fill = timer.nsecsElapsed() / 1e6;
    timer.restart();
    constexpr int Steps = 100;
    for (int step = 0; step < Steps; ++step) {
        scroll->setValue(scroll->maximum() * step / Steps);
        tab.suiMemo1->viewport()->repaint();
    }
    const double scrolling = timer.nsecsElapsed() / 1e6 / Steps;
    std::printf("log view, %d lines: %.0f ms from the choice to the last line shown (target < 1000 ms); "
                "%.1f ms a scroll step with repaint (smooth below 16 ms)\n",
                tab.suiMemo1->blockCount(), fill, scrolling);

    dm.q_pd_que.open();
    timer.restart();
    dm.q_pd_que.refresh();
    std::printf("queue reopened, %d FAIL rows among %d: %.0f ms (target < 500 ms)\n", dm.q_pd_que.recordCount(),
                DetailRows, timer.nsecsElapsed() / 1e6);
    return 0;
}
