// "Start Broadcasting" over a loaded recipient list: what goes out in which order, the
// pauses between, the rows marked and logged, the stamp at the end, and how it stops.
#include "base/Errors.h"
#include "broadcast/BroadcastRunner.h"
#include "support/ErrorText.h"
#include "support/SendBench.h"

#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// The pauses as the progress window is told of them, with the log rows written by then
// and the message the window counts (the one after the pause).
class PauseDisplay : public ProgressDisplay {
public:
    PauseDisplay(const TestWorkspace &ws, const RunState &state)
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
    void updateProgress() override { }
    void showPause(int minutes) override
    {
        steps << u"pause %1 after %2 at %3"_s.arg(minutes).arg(logRows()).arg(m_state.progressCurrent);
    }
    void endPause() override { steps << u"over"_s; }
    QStringList steps;
    int shows = 0;

private:
    QString logRows() const { return m_ws.value(u"select count(*) from transaction_log"_s); }
    const TestWorkspace &m_ws;
    const RunState &m_state;
};

struct Bench : SendBench {
    Bench()
        : SendBench(QDateTime(QDate(2026, 12, 9), QTime(10, 30)))
        , display(ws, runState)
        , runner(engine, dm,
                 {[this] { return name; }, [this] { return every; }, [this] { return minutes; }, [this] { ++clears; }})
    {
        runState.setDisplay(&display);
        ws.exec(u"insert into project(project_name) values ('RAYA'), ('OTHER')"_s);
    }

    void load(const QStringList &messages)
    {
        addRecipients(messages);
        dm.q_prj_dtl.repoint(u"select * from project_detail where project_name = \"RAYA\""_s);
    }

    QList<QStringList> details() const
    {
        return ws.rows(u"select mobile_number, ifnull(date_send, ''), status from project_detail order by id"_s);
    }
    QList<QStringList> log() const
    {
        return ws.rows(u"select mobile_number, msg_send, status from transaction_log order by id"_s);
    }
    QList<QStringList> projects() const
    {
        return ws.rows(u"select project_name, ifnull(date_send, '') from project order by id"_s);
    }

    PauseDisplay display;
    BroadcastRunner runner;
    QString name = u"RAYA"_s;
    int every = 0;
    int minutes = 0;
    int clears = 0;
};

QStringList numbered(int count)
{
    QStringList items;
    for (int i = 1; i <= count; ++i)
        items << u"60%1"_s.arg(i);
    return items;
}

const QString Sent = u"2026-12-09 10:30:00"_s;

} // namespace

class TestBroadcastRunner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pausesAfterEveryNthMessageButNotTheLast_data();
    void pausesAfterEveryNthMessageButNotTheLast();
    void pauseValuesAreReadBeforeEachMessage();
    void emptyListSendsNothingButEndsAsAnyRun();
    void longMessagesGoWholeInAsManyPartsAsTheyNeed();
    void errorAnswerFailsItsRowAndTheRunGoesOn();
    void closedPortStopsTheRunBeforeAnyMark();
    void stampGoesToTheProjectThatWasSent();
    void clickOnTheListDuringAWaitChangesNothingSent();
    void closedListSendsAndShowsNothing();
    void stopDuringAPauseEndsTheRunAtOnce();
    void theListShowsTheLastRowAsTheSilentModemLeftIt();
    void estimateCountsThePausesToComeAndThePaceMeasured();
};

void TestBroadcastRunner::pausesAfterEveryNthMessageButNotTheLast_data()
{
    QTest::addColumn<int>("every");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("every 3 for 2") << 3 << 2
                                   << QStringList{u"pause 2 after 3 at 4"_s, u"over"_s, u"pause 2 after 6 at 7"_s,
                                                  u"over"_s};
    QTest::newRow("every 5 for 0") << 5 << 0 << QStringList{u"pause 0 after 5 at 6"_s, u"over"_s};
    QTest::newRow("every 0: for is ignored") << 0 << 2 << QStringList{};
    QTest::newRow("every 7: none after the last") << 7 << 2 << QStringList{};
}

void TestBroadcastRunner::pausesAfterEveryNthMessageButNotTheLast()
{
    QFETCH(int, every);
    QFETCH(int, minutes);
    QFETCH(QStringList, steps);
    Bench bench;
    bench.clock.setScale(0.001);
    bench.every = every;
    bench.minutes = minutes;
    bench.load(QStringList(7, u"Selamat Hari Raya"_s));
    int pauseWaits = 0;
    bench.clock.setWaitListener([&](int milliseconds, bool examinesAnswers) {
        if (examinesAnswers && milliseconds == minutes * 60000)
            ++pauseWaits;
    });

    bench.runner.start();

    QVERIFY(bench.waitForRunEnd());

    QCOMPARE(bench.display.steps, steps);
    if (minutes != 0)
        QCOMPARE(pauseWaits, static_cast<int>(steps.size() / 2));
    QCOMPARE(bench.display.shows, 1);
    QCOMPARE(bench.modem->destinations(), numbered(7));
    for (const QStringList &row : bench.details())
        QCOMPARE(row.mid(1), (QStringList{Sent, u"SEND"_s}));
    QCOMPARE(bench.log().size(), 7);
    QCOMPARE(bench.projects(), (QList<QStringList>{{u"RAYA"_s, Sent}, {u"OTHER"_s, QString()}}));
    QCOMPARE(bench.clears, 1);
    QVERIFY(!bench.dm.q_prj_dtl.isOpen());
    QCOMPARE(bench.runState.progressCurrent, 0);
    QVERIFY(!bench.runState.isSending());
}

void TestBroadcastRunner::pauseValuesAreReadBeforeEachMessage()
{
    Bench bench;
    bench.load(QStringList(5, u"Salam"_s));
    // Set while the first message is on its way: they count from the start of the run.
    bench.clock.setWaitListener([&](int, bool) {
        bench.every = 2;
        bench.minutes = 1;
    });
    bench.runner.start();
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.display.steps,
             (QStringList{u"pause 1 after 2 at 3"_s, u"over"_s, u"pause 1 after 4 at 5"_s, u"over"_s}));
}

void TestBroadcastRunner::emptyListSendsNothingButEndsAsAnyRun()
{
    Bench bench;
    bench.load({});
    bench.runner.start();
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->inputs().isEmpty());
    QCOMPARE(bench.display.shows, 1);
    QCOMPARE(bench.projects().first(), (QStringList{u"RAYA"_s, Sent}));
    QCOMPARE(bench.clears, 1);
    QVERIFY(!bench.dm.q_prj_dtl.isOpen());
    QCOMPARE(bench.runState.progressCurrent, 0);
}

void TestBroadcastRunner::longMessagesGoWholeInAsManyPartsAsTheyNeed()
{
    Bench bench;
    // 399 characters: sixteen more words than the two-part text.
    const QString three = twoPartText() + QLatin1Char(' ') + twoPartText().left(118);
    bench.load({twoPartText(), three});

    bench.runner.start();

    QVERIFY(bench.waitForRunEnd());

    QCOMPARE(bench.modem->destinations(), (QStringList{u"601"_s, u"601"_s, u"602"_s, u"602"_s, u"602"_s}));
    const QStringList texts = bench.modem->texts();
    // What the phone puts together holds every word, in order.
    const auto words = [](const QStringList &parts) { return parts.join(QString()).split(u' ', Qt::SkipEmptyParts); };
    QCOMPARE(words(texts.mid(0, 2)), twoPartText().split(u' '));
    QCOMPARE(words(texts.mid(2)), three.split(u' '));
    QCOMPARE(bench.details(), (QList<QStringList>{{u"601"_s, Sent, u"SEND"_s}, {u"602"_s, Sent, u"SEND"_s}}));
    QList<QStringList> log;
    for (int i = 0; i < texts.size(); ++i)
        log << QStringList{bench.modem->destinations().at(i), texts.at(i), u"SEND"_s};
    QCOMPARE(bench.log(), log);
    // The rows keep their whole message.
    QCOMPARE(bench.ws.value(u"select msg_send from project_detail where mobile_number = '602'"_s), three);
}

void TestBroadcastRunner::errorAnswerFailsItsRowAndTheRunGoesOn()
{
    Bench bench;
    bench.load({u"one"_s, u"two"_s, u"three"_s});
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 500", 2);
    // The answer to the second PDU is taken during that part's last wait, the 6th.
    bench.holdWaitUntilFailLogged(6);

    bench.runner.start();

    QVERIFY(bench.waitForRunEnd());

    QCOMPARE(
        bench.details(),
        (QList<QStringList>{{u"601"_s, Sent, u"SEND"_s}, {u"602"_s, Sent, u"FAIL"_s}, {u"603"_s, Sent, u"SEND"_s}}));
    QCOMPARE(bench.log(),
             (QList<QStringList>{{u"601"_s, u"one "_s, u"SEND"_s},
                                 {u"602"_s, u"two"_s, u"FAIL"_s},
                                 {u"602"_s, u"two "_s, u"SEND"_s},
                                 {u"603"_s, u"three "_s, u"SEND"_s}}));
    QCOMPARE(bench.projects().first(), (QStringList{u"RAYA"_s, Sent}));
}

void TestBroadcastRunner::closedPortStopsTheRunBeforeAnyMark()
{
    Bench bench;
    bench.load({u"one"_s, u"two"_s});
    bench.link.close();

    bench.runner.start();
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.dialogs.errors().size(), 1);
    QVERIFY(bench.dialogs.errors().first().startsWith(u"WriteFile function failed (win error code: "_s));

    QCOMPARE(bench.details(), (QList<QStringList>{{u"601"_s, QString(), QString()}, {u"602"_s, QString(), QString()}}));
    QVERIFY(bench.log().isEmpty());
    // Nothing of the end: no stamp, no Clear, the list still loaded, the window left open.
    QCOMPARE(bench.projects().first(), (QStringList{u"RAYA"_s, QString()}));
    QCOMPARE(bench.clears, 0);
    QVERIFY(bench.dm.q_prj_dtl.isOpen());
    QCOMPARE(bench.runState.progressCurrent, 1);
    QVERIFY(!bench.runState.isSending());
}

void TestBroadcastRunner::stampGoesToTheProjectThatWasSent()
{
    Bench bench;
    bench.load({u"one"_s});
    // The operator types another project's name while the first SMS is on its way.
    bench.clock.setWaitListener([&](int, bool) { bench.name = u"OTHER"_s; });
    bench.runner.start();
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.projects(), (QList<QStringList>{{u"RAYA"_s, Sent}, {u"OTHER"_s, QString()}}));

    // A project deleted before its run ends gets no row made up of a date alone.
    bench.ws.exec(u"delete from project where project_name = 'RAYA'"_s);
    bench.name = u"RAYA"_s;
    bench.dm.q_prj_dtl.refresh();
    bench.runner.start();
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.projects(), (QList<QStringList>{{u"OTHER"_s, QString()}}));
    QCOMPARE(bench.log().size(), 2);
}

void TestBroadcastRunner::clickOnTheListDuringAWaitChangesNothingSent()
{
    Bench bench;
    bench.load({u"one"_s, u"two"_s, u"three"_s, u"four"_s});
    Dataset &list = bench.dm.q_prj_dtl;
    QStringList seen;
    int waits = 0;
    bench.clock.setWaitListener([&](int, bool examinesAnswers) {
        if (!examinesAnswers || ++waits % 2 == 0)
            return;
        // At the first wait of each message: the row being sent is current, the row
        // before it already shows its send date.
        const int row = list.currentRow();
        seen << u"%1 %2"_s.arg(list.valueAt(row, list.fieldIndex(u"mobile_number"_s)).toString(),
                               row == 0 ? u"-"_s : list.valueAt(row - 1, list.fieldIndex(u"status"_s)).toString());
        // The operator clicks another row of the list.
        list.setCurrentRow((row + 2) % list.recordCount());
    });

    bench.runner.start();

    QVERIFY(bench.waitForRunEnd());

    QCOMPARE(seen, (QStringList{u"601 -"_s, u"602 SEND"_s, u"603 SEND"_s, u"604 SEND"_s}));
    QCOMPARE(bench.modem->destinations(), numbered(4));
    QCOMPARE(bench.log().size(), 4);
}

void TestBroadcastRunner::closedListSendsAndShowsNothing()
{
    Bench bench;
    bench.load({u"one"_s});
    bench.dm.q_prj_dtl.close();

    QCOMPARE(errorOf([&] { bench.runner.start(); }), u"Cannot perform this operation on a closed dataset"_s);

    QCOMPARE(bench.display.shows, 0);
    QCOMPARE(bench.runState.progressTotal, 0);
    QVERIFY(!bench.runState.isSending());
    QVERIFY(bench.modem->inputs().isEmpty());
    QCOMPARE(bench.projects().first(), (QStringList{u"RAYA"_s, QString()}));
}

void TestBroadcastRunner::stopDuringAPauseEndsTheRunAtOnce()
{
    Bench bench;
    bench.load({u"one"_s, u"two"_s, u"three"_s});
    // A pause of an hour after the first message; the operator stops the run in it.
    bench.every = 1;
    bench.minutes = 60;
    bench.clock.setWaitListener([&](int milliseconds, bool) {
        if (milliseconds == 60 * 60000)
            QTimer::singleShot(0, &bench.runState, [&] { bench.runState.requestStop(); });
    });
    bench.runner.start();
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.ended.first().end, RunReport::End::Stopped);
    QCOMPARE(bench.display.steps, (QStringList{u"pause 60 after 1 at 2"_s, u"over"_s}));
    // What went out is marked; nothing of the end is done and nothing is shown.
    QCOMPARE(bench.details(),
             (QList<QStringList>{
                 {u"601"_s, Sent, u"SEND"_s}, {u"602"_s, QString(), QString()}, {u"603"_s, QString(), QString()}}));
    QCOMPARE(bench.modem->destinations(), QStringList{u"601"_s});
    QCOMPARE(bench.projects().first(), (QStringList{u"RAYA"_s, QString()}));
    QCOMPARE(bench.clears, 0);
    QVERIFY(bench.dm.q_prj_dtl.isOpen());
    // The progress window may close, as after a finished run.
    QCOMPARE(bench.runState.progressCurrent, 0);
    QVERIFY(bench.dialogs.shown().isEmpty());
}

void TestBroadcastRunner::theListShowsTheLastRowAsTheSilentModemLeftIt()
{
    Bench bench;
    bench.settings.set(Settings::Field::AwaitAnswers, true);
    bench.modem->setSilent(true);
    bench.clock.setTimeoutScale(0.01);
    bench.load({u"one"_s, u"two"_s, u"three"_s, u"four"_s});
    bench.ws.exec(u"update project_detail set date_send = '2026-01-01 08:00:00', status = 'SEND'"_s);
    Dataset &list = bench.dm.q_prj_dtl;
    list.refresh();
    bench.runner.start();
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.ended.first().end, RunReport::End::Failed);
    // The third message ended the run: its row on screen holds what the database holds.
    const int sendDate = list.fieldIndex(u"date_send"_s);
    const int status = list.fieldIndex(u"status"_s);
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(Database::storedDateTime(list.valueAt(row, sendDate).toDateTime()).toString(),
                 u"2026-12-09 10:30:00"_s);
        QCOMPARE(list.valueAt(row, status).toString(), u"FAIL"_s);
    }
    QCOMPARE(list.valueAt(3, status).toString(), u"SEND"_s);
    QCOMPARE(list.currentRow(), 2);
}

void TestBroadcastRunner::estimateCountsThePausesToComeAndThePaceMeasured()
{
    Bench bench;
    bench.load(QStringList(7, u"Salam"_s));
    bench.every = 3;
    bench.minutes = 2;
    // The time still to go, in seconds, at each progress update (once a message is out).
    QList<int> secondsToGo;
    bench.clock.setWaitListener([&](int milliseconds, bool) {
        if (milliseconds == 5000) // each message's last wait: the estimate of its start
            secondsToGo << bench.runState.secondsToGo;
    });
    bench.runner.start();
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(secondsToGo.size(), 7);
    // Before any pace is measured: six seconds a message and the two pauses to come
    // (before the 4th and the 7th message), then one pause fewer.
    QCOMPARE(secondsToGo.at(0), 7 * 6 + 2 * 120);
    QCOMPARE(secondsToGo.at(1), 6 * 6 + 2 * 120);
    QCOMPARE(secondsToGo.at(2), 5 * 6 + 2 * 120);
    // Once three messages went out the pace measured counts: each took at least its
    // 6.8 seconds of waits, so four messages and a pause take at least this long.
    QVERIFY2(secondsToGo.at(3) >= static_cast<int>(4 * 6.8) + 120, qPrintable(QString::number(secondsToGo.at(3))));
    QVERIFY(secondsToGo.at(6) >= 6 && secondsToGo.at(6) < secondsToGo.at(3));
}

QTEST_GUILESS_MAIN(TestBroadcastRunner)
#include "tst_broadcastrunner.moc"
