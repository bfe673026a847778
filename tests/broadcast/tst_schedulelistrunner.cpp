// "Start Broadcasting" on the schedule list: every row of the loaded recipient list goes
// out whatever it was marked before, split, each row marked once and each SMS logged
// before the progress moves, and nothing is done after the last row.
#include "broadcast/ProjectStore.h"
#include "broadcast/ScheduleListRunner.h"
#include "support/ErrorText.h"
#include "support/SendBench.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Every progress update with the log rows written by then and the message it counts.
class ProgressLog : public ProgressDisplay {
public:
    ProgressLog(const TestWorkspace &ws, const RunState &state)
        : m_ws(ws)
        , m_state(state)
    {
    }
    int showProgress(bool) override
    {
        ++shows;
        return 0;
    }
    void holdEnded() override { }
    void updateProgress() override
    {
        steps << u"%1 logged at %2"_s.arg(m_ws.value(u"select count(*) from transaction_log"_s))
                     .arg(m_state.progressCurrent);
    }
    void showPause(int) override { steps << u"pause"_s; }
    void endPause() override { }
    QStringList steps;
    int shows = 0;

private:
    const TestWorkspace &m_ws;
    const RunState &m_state;
};

struct Bench : SendBench {
    Bench()
        : SendBench(QDateTime(QDate(2026, 12, 9), QTime(10, 30)))
        , display(ws, runState)
        , runner(engine, dm)
    {
        runState.setDisplay(&display);
        ws.exec(u"insert into project(project_name, schedule, project_broadcast__date) values "
                "('RAYA', 'YES', '2026-12-20 09:00:00')"_s);
    }

    void load(const QStringList &messages)
    {
        addRecipients(messages);
        list.repoint(ProjectStore::recipientsSql(u"RAYA"_s));
    }

    QList<QStringList> details() const
    {
        return ws.rows(u"select mobile_number, ifnull(date_send, ''), status from project_detail order by id"_s);
    }
    QList<QStringList> log() const
    {
        return ws.rows(u"select mobile_number, msg_send, status, date_send from transaction_log order by id"_s);
    }
    // Each row as the list on screen shows it.
    QStringList shown() const
    {
        QStringList rows;
        for (int row = 0; row < list.recordCount(); ++row)
            rows << list.valueAt(row, list.fieldIndex(u"date_send"_s)).toDateTime().toString(u"HH:mm"_s) + u' '
                    + list.valueAt(row, list.fieldIndex(u"status"_s)).toString();
        return rows;
    }

    Dataset &list = dm.q_prj_dtl_schedule;
    ProgressLog display;
    ScheduleListRunner runner;
};

} // namespace

class TestScheduleListRunner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyRowGoesOutMarkedOnceAndLoggedThenNothingMore();
    void errorAnswerFailsItsRowAndTheRunGoesOn();
    void closedListSendsAndShowsNothing();
};

void TestScheduleListRunner::everyRowGoesOutMarkedOnceAndLoggedThenNothingMore()
{
    Bench bench;
    bench.load({u"one"_s, twoPartText(), u"three"_s});
    // Rows already sent or failed go out again: this list has no status filter.
    bench.ws.exec(u"update project_detail set status = 'SEND', date_send = '2026-12-01 08:00:00' where id = 1"_s);
    bench.ws.exec(u"update project_detail set status = 'FAIL' where id = 2"_s);
    bench.list.refresh();
    bench.dm.q_prj_dtl.open(); // the composer's list is not this runner's
    // Each wait takes a minute, so every mark and log row tells when it was written.
    QStringList waits;
    QList<int> rowsOnScreen;
    bench.clock.setWaitListener([&](int milliseconds, bool examinesAnswers) {
        if (waits.size() % 3 == 0)
            rowsOnScreen << bench.list.currentRow();
        waits << u"%1 %2"_s.arg(milliseconds).arg(examinesAnswers ? u"examining"_s : u"holding"_s);
        bench.clock.setFixedNow(bench.clock.now().addSecs(60));
    });

    bench.runner.start();

    QVERIFY(bench.waitForRunEnd());

    QCOMPARE(bench.modem->destinations(), (QStringList{u"601"_s, u"602"_s, u"602"_s, u"603"_s}));
    const QStringList texts = bench.modem->texts();
    QCOMPARE(texts.at(0), u"one "_s);
    QCOMPARE(texts.mid(1, 2).join(QString()).split(u' ', Qt::SkipEmptyParts), twoPartText().split(u' '));
    QCOMPARE(texts.at(3), u"three "_s);
    // The schedule list's waits, the same for every part.
    QStringList eachPart;
    for (int sms = 0; sms < 4; ++sms)
        eachPart << u"800 holding"_s << u"1000 holding"_s << u"3000 examining"_s;
    QCOMPARE(waits, eachPart);
    QCOMPARE(rowsOnScreen, (QList<int>{0, 1, 1, 2}));
    // Each row is marked right after its first PDU, and only then.
    QCOMPARE(bench.details(),
             (QList<QStringList>{{u"601"_s, u"2026-12-09 10:32:00"_s, u"SEND"_s},
                                 {u"602"_s, u"2026-12-09 10:35:00"_s, u"SEND"_s},
                                 {u"603"_s, u"2026-12-09 10:41:00"_s, u"SEND"_s}}));
    QCOMPARE(bench.log(),
             (QList<QStringList>{{u"601"_s, texts.at(0), u"SEND"_s, u"2026-12-09 10:33:00"_s},
                                 {u"602"_s, texts.at(1), u"SEND"_s, u"2026-12-09 10:36:00"_s},
                                 {u"602"_s, texts.at(2), u"SEND"_s, u"2026-12-09 10:39:00"_s},
                                 {u"603"_s, texts.at(3), u"SEND"_s, u"2026-12-09 10:42:00"_s}}));
    QCOMPARE(bench.display.steps,
             (QStringList{u"1 logged at 1"_s, u"2 logged at 2"_s, u"3 logged at 2"_s, u"4 logged at 3"_s}));

    // Nothing of the end but the progress window closing: no stamp, and the list stays
    // open showing each row's mark.
    QCOMPARE(bench.ws.rows(u"select schedule, project_broadcast__date, ifnull(date_send, '') from project"_s),
             (QList<QStringList>{{u"YES"_s, u"2026-12-20 09:00:00"_s, QString()}}));
    QVERIFY(bench.list.isOpen());
    QCOMPARE(bench.shown(), (QStringList{u"10:32 SEND"_s, u"10:35 SEND"_s, u"10:41 SEND"_s}));
    QVERIFY(bench.dm.q_prj_dtl.isOpen());
    QCOMPARE(bench.display.shows, 1);
    QCOMPARE(bench.runState.progressCurrent, 0);
    QVERIFY(!bench.runState.isSending());
    QVERIFY(bench.dialogs.shown().isEmpty());
}

void TestScheduleListRunner::errorAnswerFailsItsRowAndTheRunGoesOn()
{
    Bench bench;
    bench.load({u"one"_s, u"two"_s, u"three"_s});
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 500", 2);
    // The answer to the second PDU is taken during that part's last wait, the 6th.
    bench.holdWaitUntilFailLogged(6);

    bench.runner.start();

    QVERIFY(bench.waitForRunEnd());

    const QString sent = u"2026-12-09 10:30:00"_s;
    QCOMPARE(
        bench.details(),
        (QList<QStringList>{{u"601"_s, sent, u"SEND"_s}, {u"602"_s, sent, u"FAIL"_s}, {u"603"_s, sent, u"SEND"_s}}));
    QCOMPARE(bench.log(),
             (QList<QStringList>{{u"601"_s, u"one "_s, u"SEND"_s, sent},
                                 {u"602"_s, u"two"_s, u"FAIL"_s, sent},
                                 {u"602"_s, u"two "_s, u"SEND"_s, sent},
                                 {u"603"_s, u"three "_s, u"SEND"_s, sent}}));
    QCOMPARE(bench.shown(), (QStringList{u"10:30 SEND"_s, u"10:30 FAIL"_s, u"10:30 SEND"_s}));
    QCOMPARE(bench.modem->pdus().size(), 3);
}

void TestScheduleListRunner::closedListSendsAndShowsNothing()
{
    Bench bench;
    bench.load({u"one"_s});
    bench.list.close();

    QCOMPARE(errorOf([&] { bench.runner.start(); }), u"Cannot perform this operation on a closed dataset"_s);

    QCOMPARE(bench.display.shows, 0);
    QCOMPARE(bench.runState.progressTotal, 0);
    QVERIFY(!bench.runState.isSending());
    QVERIFY(bench.modem->inputs().isEmpty());
    QCOMPARE(bench.details(), (QList<QStringList>{{u"601"_s, QString(), QString()}}));
}

QTEST_GUILESS_MAIN(TestScheduleListRunner)
#include "tst_schedulelistrunner.moc"
