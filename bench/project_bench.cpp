// Prints what the announcement composer and the broadcast runner cost at an office's
// largest sizes: Save && Populate Recipient over 100 000 contacts in 20 groups and the
// memory held afterwards, loading a project of 100 000 recipients from the project list,
// and the runner's own work per message over 10 000 recipients, its waits scaled to zero.
#include "base/Clock.h"
#include "BenchSupport.h"
#include "broadcast/AnnouncementTab.h"
#include "broadcast/BroadcastRunner.h"
#include "data/Database.h"
#include "data/DataModule.h"
#include "data/Settings.h"
#include "support/SendBench.h"
#include "widgets/DatasetGrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int Contacts = 100000;
constexpr int Groups = 20;
constexpr int Recipients = 10000;

// Says Yes to the composer's questions; any other box ends the run.
class YesDialogs : public SilentDialogs {
public:
    Answer confirm(const QString &, Buttons) override { return Answer::Yes; }
};

double milliseconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

void composerFigures()
{
    QTemporaryDir folder;
    const QString file = freshWorkingDatabase(folder.path());
    shellSeconds(
        file,
        QStringLiteral("BEGIN;\n"
                       "INSERT INTO grouping(group_name) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                       "FROM n WHERE i < %2) SELECT 'GROUP ' || i FROM n;\n"
                       "INSERT INTO text_replacement(geeting, nickname, name) VALUES ('<greeting>', '<nickname>', "
                       "'<name>');\n"
                       "INSERT INTO profile(name, nickname, mobile_number, group_name, festive, languages, greeting) "
                       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                       "SELECT 'Contact ' || i, 'Nick ' || i, '6012' || (1000000 + i), 'GROUP ' || (i % %2 + 1), "
                       "'ISLAM', CASE i % 2 WHEN 0 THEN 'MALAY' ELSE 'ENGLISH' END, 'Encik' FROM n;\n"
                       "COMMIT;\n")
            .arg(Contacts)
            .arg(Groups));

    YesDialogs dialogs;
    Clock clock;
    DataModule dm;
    Settings settings(dm);
    AnnouncementTab tab(dm, settings, dialogs, clock);
    dm.q_group.open();
    dm.q_prj.open();
    tab.fillTargetGroups();
    tab.resize(900, 500);
    tab.show();
    QCoreApplication::processEvents();
    const long before = residentKilobytes();

    tab.Edit12->setText(QStringLiteral("RAYA"));
    tab.RichEdit2->setPlainText(QStringLiteral("Salam <greeting> <name>, selamat Hari Raya dari kami semua."));
    tab.RichEdit3->setPlainText(QStringLiteral("Dear <greeting> <nickname>, happy Hari Raya from all of us."));
    for (int row = 0; row < tab.CheckListBox1->count(); ++row)
        tab.CheckListBox1->item(row)->setCheckState(Qt::Checked);
    QElapsedTimer timer;
    timer.start();
    tab.suitempBitBtn8Click();
    QCoreApplication::processEvents();
    const double save = milliseconds(timer);
    const long after = residentKilobytes();

    tab.suitempBitBtn9Click();
    dm.q_prj.first();
    timer.restart();
    tab.suitempDBGrid4CellClick();
    QCoreApplication::processEvents(); // the recipient list drawn
    const double load = milliseconds(timer);

    std::printf("Save && Populate Recipient, %d contacts in %d groups: %.0f ms (target < 2000 ms); %d recipients\n",
                Contacts, Groups, save, dm.q_prj_dtl.recordCount());
    std::printf("  memory held afterwards: %.0f MB resident, %.0f MB of it added by the save (target < 150 MB)\n",
                after / 1024.0, (after - before) / 1024.0);
    std::printf("load a project of %d recipients from the project list: %.0f ms (target < 500 ms)\n",
                tab.DBGrid3->model()->rowCount(), load);
}

void runnerFigures()
{
    SendBench bench(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    bench.clock.setScale(0);
    bench.ws.exec(QStringLiteral("INSERT INTO project(project_name) VALUES ('RAYA')"));
    bench.ws.exec(QStringLiteral("INSERT INTO project_detail(project_name, mobile_number, name, nickname, group_name, "
                                 "msg_send) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                                 "%1) SELECT 'RAYA', '6012' || (1000000 + i), 'Contact ' || i, 'Nick', 'STAFF', "
                                 "'Selamat Hari Raya, Encik Contact ' || i || '. Semoga dirahmati selalu.' FROM n")
                      .arg(Recipients));
    bench.dm.q_prj_dtl.repoint(QStringLiteral("select * from project_detail where project_name = \"RAYA\""));
    BroadcastRunner runner(bench.engine, bench.dm,
                           {[] { return QStringLiteral("RAYA"); }, [] { return 0; }, [] { return 0; }, [] {}});
    QElapsedTimer timer;
    timer.start();
    runner.start();
    if (!bench.waitForRunEnd(10 * 60000) || bench.modem->pdus().size() != Recipients) {
        std::fprintf(stderr, "the test modem did not receive every message\n");
        std::exit(1);
    }
    const double total = milliseconds(timer);
    std::printf("broadcast runner, %d recipients against the test modem, waits scaled to zero: %.3f ms a message "
                "(target < 2 ms), the test modem's own work included\n",
                Recipients, total / Recipients);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Clock::readTimeZoneOnce(); // as the program does
    QApplication app(argc, argv);
    composerFigures();
    runnerFigures();
    return 0;
}
