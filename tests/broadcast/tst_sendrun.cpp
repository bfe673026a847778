// The one send engine under every sender: its order of steps, the rows it marks or adds,
// the answers pace, and how it ends when the operator, the database, the modem or the
// device stops it.
#include "base/Errors.h"
#include "broadcast/IndividualSms.h"
#include "support/ErrorText.h"
#include "support/SendBench.h"
#include "support/SqliteShell.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Records each step of the progress window with the log rows written by then.
class RecordingDisplay : public ProgressDisplay {
public:
    RecordingDisplay(RunState &state, const TestWorkspace &ws)
        : m_state(state)
        , m_ws(ws)
    {
    }
    int showProgress(bool resetBar) override
    {
        steps << step(resetBar ? "show, bar 0" : "show");
        return hold;
    }
    void holdEnded() override { steps << QStringLiteral("hold over"); }
    void updateProgress() override { steps << step("update"); }
    void showPause(int minutes) override { steps << QStringLiteral("pause %1").arg(minutes); }
    void endPause() override { steps << QStringLiteral("pause over"); }
    QStringList steps;
    int hold = 0;

private:
    QString step(const char *what) const
    {
        return QStringLiteral("%1 %2/%3 after %4 log rows")
            .arg(QLatin1String(what))
            .arg(m_state.progressCurrent)
            .arg(m_state.progressTotal)
            .arg(m_ws.value(QStringLiteral("select count(*) from transaction_log")));
    }
    RunState &m_state;
    const TestWorkspace &m_ws;
};

struct Bench : SendBench {
    Bench()
        : SendBench(QDateTime(QDate(2026, 12, 9), QTime(10, 30)))
        , display(runState, ws)
        , sms(engine, dm)
    {
        runState.setDisplay(&display);
        ws.exec(QStringLiteral("insert into profile(name, nickname, mobile_number, group_name) values "
                               "('Ali bin Abu', 'Ali', '60123456789', 'STAFF'), ('Siti', 'Ti', '60198765432', 'VIP')"));
        dm.q_profile.refresh();
    }



    // A run over messages, as a runner starts one; completed counts its end steps.
    SendRun *start(const SendPolicy &policy, const QList<Outgoing> &messages)
    {
        SendPlan plan;
        plan.total = static_cast<int>(messages.size());
        plan.message = [messages](int index) { return messages.at(index); };
        plan.completed = [this] {
            ++completed;
            runState.finishProgress();
        };
        return SendRun::start(engine, policy, std::move(plan));
    }

    // Runs `step` before the n-th wait (from 0) of the sends to come.
    void beforeWait(int n, std::function<void()> step)
    {
        auto count = std::make_shared<int>(0);
        clock.setWaitListener([count, n, step](int, bool) {
            if ((*count)++ == n)
                step();
        });
    }

    QList<QStringList> details() const
    {
        return ws.rows(QStringLiteral("select id, date_send, name, msg_send, status from project_detail order by id"));
    }
    QStringList statuses() const
    {
        QStringList result;
        for (const QStringList &row : ws.rows(QStringLiteral("select status from project_detail order by id")))
            result << row.first();
        return result;
    }
    QList<QStringList> log() const
    {
        return ws.rows(QStringLiteral("select project_name, name, msg_send, status from transaction_log order by id"));
    }
    int failRows() const
    {
        return ws.value(QStringLiteral("select count(*) from transaction_log where status = 'FAIL'")).toInt();
    }

    RecordingDisplay display;
    IndividualSms sms;
    int completed = 0;
};

} // namespace

class TestSendRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runnerMarksItsRowsAndLogsEveryPart_data();
    void runnerMarksItsRowsAndLogsEveryPart();
    void runStartsFromTheEventLoopAfterTheHold();
    void errorAnswerMarksTheRowOfItsPart();
    void modemRefusingEveryPartLogsFailThenSendForEach();
    void repeatedErrorGivesOneFailPerPart();
    void stopBetweenThePartsOfAMessageKeepsWhatWentOut();
    void stopDuringTheHoldSendsNothing();
    void aModalBoxOpenDuringARunHoldsNothingUp();
    void theWindowsLoopTurnsThroughoutARun();
    void answersModeMarksTheRowOfItsOwnLateAnswer_data();
    void answersModeMarksTheRowOfItsOwnLateAnswer();
    void answersModeIgnoresLinesTheModemSendsOnItsOwn();
    void silentModemStopsTheRunAfterThreeUnansweredParts();
    void recordRefusedByALockedDatabaseIsWrittenOnceTheLockGoes();
    void failMarkRefusedByALockedDatabaseIsWrittenOnceTheLockGoes();
    void errorAnswerWhileItsNewRowWaitsForTheDatabaseMarksThatRow();
    void aModemPulledOutIsNoticedAtOnce_data();
    void aModemPulledOutIsNoticedAtOnce();
};

void TestSendRun::runnerMarksItsRowsAndLogsEveryPart_data()
{
    QTest::addColumn<int>("progress");
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("progress before the log row")
        << static_cast<int>(SendPolicy::Progress::BeforeLog)
        << QStringList{u"show, bar 0 0/2 after 0 log rows"_s, u"hold over"_s, u"update 1/2 after 0 log rows"_s,
                       u"update 2/2 after 1 log rows"_s, u"update 2/2 after 2 log rows"_s};
    QTest::newRow("progress after the log row")
        << static_cast<int>(SendPolicy::Progress::AfterLog)
        << QStringList{u"show, bar 0 0/2 after 0 log rows"_s, u"hold over"_s, u"update 1/2 after 1 log rows"_s,
                       u"update 2/2 after 2 log rows"_s, u"update 2/2 after 3 log rows"_s};
}

void TestSendRun::runnerMarksItsRowsAndLogsEveryPart()
{
    QFETCH(int, progress);
    QFETCH(QStringList, steps);
    Bench bench;
    const qint64 first = bench.addRecipient(QStringLiteral("Ali"), QStringLiteral("6011"), QStringLiteral("short"));
    const qint64 second = bench.addRecipient(QStringLiteral("Siti"), QStringLiteral("6022"), twoPartText());

    QVERIFY(bench.start({Sender::Announcement, SendPolicy::Parts::Split, static_cast<SendPolicy::Progress>(progress)},
                        bench.recipients()));
    QVERIFY(bench.runState.isSending());
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.completed, 1);
    QCOMPARE(bench.runState.progressCurrent, 0);
    QVERIFY(!bench.runState.isSending());

    QVERIFY(bench.modem->waitForPdus(3));
    const QStringList texts = bench.modem->texts();
    QCOMPARE(bench.modem->pdus().at(2).message.destination, QStringLiteral("6022"));
    // Each row is marked once; a second part leaves it as its first part did.
    QCOMPARE(
        bench.details(),
        (QList<QStringList>{{QString::number(first), u"2026-12-09 10:30:00"_s, u"Ali"_s, u"short"_s, u"SEND"_s},
                            {QString::number(second), u"2026-12-09 10:30:00"_s, u"Siti"_s, twoPartText(), u"SEND"_s}}));
    QCOMPARE(bench.log(),
             (QList<QStringList>{{u"RAYA"_s, u"Ali"_s, texts[0], u"SEND"_s},
                                 {u"RAYA"_s, u"Siti"_s, texts[1], u"SEND"_s},
                                 {u"RAYA"_s, u"Siti"_s, texts[2], u"SEND"_s}}));
    QCOMPARE(*bench.lane.currentRow(), second);
    QCOMPARE(bench.display.steps, steps);
    const RunReport &report = bench.ended.first();
    QCOMPARE(report.end, RunReport::End::Completed);
    QCOMPARE(report.total, 2);
    QCOMPARE(report.messagesSent, 2);
    QCOMPARE(report.partsWritten, 3);
    QCOMPARE(report.messagesRefused, 0);
    // Told in messages, with the SMS they took.
    QCOMPARE(report.resultText(), u" finished: 2 messages sent (3 SMS), 0 refused by the modem."_s);
}

void TestSendRun::runStartsFromTheEventLoopAfterTheHold()
{
    Bench bench;
    bench.addRecipients({u"one"_s});
    bench.display.hold = 6800;
    QStringList waits;
    bench.clock.setWaitListener([&](int milliseconds, bool) { waits << QString::number(milliseconds); });
    QVERIFY(bench.start({Sender::Announcement}, bench.recipients()));
    // Nothing is written before the caller has the run and the window has been read.
    QCOMPARE(waits, QStringList{u"6800"_s});
    QCOMPARE(bench.exchange.partsWritten(), 0u);
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(waits, (QStringList{u"6800"_s, u"800"_s, u"1000"_s, u"5000"_s}));
    QCOMPARE(bench.display.steps.mid(0, 2), (QStringList{u"show, bar 0 0/1 after 0 log rows"_s, u"hold over"_s}));
}

void TestSendRun::errorAnswerMarksTheRowOfItsPart()
{
    Bench bench;
    bench.addRecipients({u"one"_s, u"two"_s});
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 500", 2);
    // The answer to the second PDU is taken during that part's last wait (the 6th).
    bench.beforeWait(5, [&] { QVERIFY(QTest::qWaitFor([&] { return bench.failRows() == 1; })); });
    bench.start({Sender::FailQueue}, bench.recipients());
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.statuses(), (QStringList{u"SEND"_s, u"FAIL"_s}));
    // The failed part has its "FAIL" row, with the whole stored message, then its "SEND" row.
    QCOMPARE(bench.log(),
             (QList<QStringList>{{u"RAYA"_s, u"Client 1"_s, u"one "_s, u"SEND"_s},
                                 {u"RAYA"_s, u"Client 2"_s, u"two"_s, u"FAIL"_s},
                                 {u"RAYA"_s, u"Client 2"_s, u"two "_s, u"SEND"_s}}));
}

void TestSendRun::modemRefusingEveryPartLogsFailThenSendForEach()
{
    Bench bench;
    bench.addRecipients({u"one"_s, twoPartText()});
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 500");
    // Each part's answer is taken during that part's last wait, the third wait of its own.
    int waits = 0;
    bench.clock.setWaitListener([&](int, bool) {
        if (++waits % 3 == 0)
            QVERIFY(QTest::qWaitFor([&] { return bench.failRows() == waits / 3; }));
    });
    bench.start({Sender::Announcement}, bench.recipients());
    QVERIFY(bench.waitForRunEnd());
    const QStringList texts = bench.modem->texts();
    QCOMPARE(texts.size(), 3);
    // The "FAIL" row holds the whole stored message, the "SEND" row the part sent.
    QCOMPARE(bench.log(),
             (QList<QStringList>{{u"RAYA"_s, u"Client 1"_s, u"one"_s, u"FAIL"_s},
                                 {u"RAYA"_s, u"Client 1"_s, texts[0], u"SEND"_s},
                                 {u"RAYA"_s, u"Client 2"_s, twoPartText(), u"FAIL"_s},
                                 {u"RAYA"_s, u"Client 2"_s, texts[1], u"SEND"_s},
                                 {u"RAYA"_s, u"Client 2"_s, twoPartText(), u"FAIL"_s},
                                 {u"RAYA"_s, u"Client 2"_s, texts[2], u"SEND"_s}}));
    QCOMPARE(bench.statuses(), (QStringList{u"FAIL"_s, u"FAIL"_s}));
}

void TestSendRun::repeatedErrorGivesOneFailPerPart()
{
    Bench bench;
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "ERROR");
    bench.sms.send(QStringLiteral("hi"));
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(QTest::qWaitFor([&] { return bench.failRows() == 1; }));
    // The modem goes on repeating its error for the same part.
    for (int i = 0; i < 5; ++i) {
        bench.modem->send("ERROR\r\n");
        QVERIFY(bench.modem->waitUntilRead());
    }
    QCOMPARE(bench.failRows(), 1);

    // The next part is another matter.
    bench.sms.send(QStringLiteral("again"));
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(QTest::qWaitFor([&] { return bench.failRows() == 2; }));
    QCOMPARE(bench.statuses(), (QStringList{u"FAIL"_s, u"FAIL"_s}));
    QVERIFY(bench.dialogs.shown().isEmpty());
}

void TestSendRun::stopBetweenThePartsOfAMessageKeepsWhatWentOut()
{
    Bench bench;
    bench.addRecipients({twoPartText(), u"second"_s});
    bool idle = false;
    // During the last wait of the first part the operator asks to stop.
    bench.beforeWait(2, [&] {
        bench.runState.requestStop();
        bench.runState.whenIdle([&] { idle = true; });
    });
    bench.start({Sender::Announcement}, bench.recipients());
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.ended.first().end, RunReport::End::Stopped);
    QVERIFY(!bench.runState.isSending());
    QVERIFY(idle);
    QVERIFY(!bench.runState.stopRequested());
    // The message in flight goes out whole: the phone holds no fragment, and its row is
    // sent; the next message never went. A stop shows nothing and does none of the
    // sender's end; the progress window may close.
    QVERIFY(bench.modem->waitUntilRead());
    QCOMPARE(bench.modem->shownTexts(), QStringList{twoPartText() + u' '});
    QCOMPARE(bench.statuses(), (QStringList{u"SEND"_s, QString()}));
    QCOMPARE(bench.log().size(), 2);
    QCOMPARE(bench.ended.first().messagesSent, 1);
    QVERIFY(bench.dialogs.shown().isEmpty());
    QCOMPARE(bench.runState.progressCurrent, 0);
    QCOMPARE(bench.completed, 0);

    // A stop asked while nothing runs is no stop for the next send.
    bench.clock.setWaitListener({});
    bench.runState.requestStop();
    bench.sms.send(QStringLiteral("next"));
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.ended.last().end, RunReport::End::Completed);
    QVERIFY(bench.modem->waitForPdus(3));
}

void TestSendRun::stopDuringTheHoldSendsNothing()
{
    Bench bench;
    bench.addRecipients({u"one"_s, u"two"_s});
    // A hold of ten minutes, cut short by the stop.
    bench.display.hold = 600000;
    bench.start({Sender::Announcement}, bench.recipients());
    bench.runState.requestStop();
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.ended.first().end, RunReport::End::Stopped);
    QCOMPARE(bench.completed, 0);
    QVERIFY(bench.modem->inputs().isEmpty());
    QCOMPARE(bench.statuses(), (QStringList{QString(), QString()}));
}

void TestSendRun::aModalBoxOpenDuringARunHoldsNothingUp()
{
    Bench bench;
    bench.addRecipients({u"one"_s, u"two"_s, u"three"_s, u"four"_s, u"five"_s});
    bench.start({Sender::Announcement}, bench.recipients());
    // A second click meets the busy warning; the operator walks away from it, and the
    // box stays open until the five messages are out.
    bench.dialogs.keepBoxesOpenUntil([&] { return !bench.runState.isSending(); });
    bench.sms.send(u"second"_s);
    QCOMPARE(bench.dialogs.warnings(), QStringList{QString::fromLatin1(RunState::BusyText)});
    QCOMPARE(bench.ended.size(), 1);
    QCOMPARE(bench.ended.first().end, RunReport::End::Completed);
    QCOMPARE(bench.modem->destinations(), (QStringList{u"601"_s, u"602"_s, u"603"_s, u"604"_s, u"605"_s}));
    QCOMPARE(bench.completed, 1);
}

void TestSendRun::theWindowsLoopTurnsThroughoutARun()
{
    Bench bench;
    // A timer of no interval runs at every turn of the event loop.
    int turns = 0;
    QTimer loop;
    QObject::connect(&loop, &QTimer::timeout, &loop, [&] { ++turns; });
    loop.start(0);
    QList<int> turnsAtWaits;
    bench.clock.setWaitListener([&](int, bool) { turnsAtWaits << turns; });
    bench.sms.send(twoPartText());
    QVERIFY(bench.waitForRunEnd());
    // Between every two waits of the Individual SMS (which once held the window still for
    // all of them) the loop has turned: no step of the send keeps it.
    QCOMPARE(turnsAtWaits.size(), 6);
    for (int i = 1; i < turnsAtWaits.size(); ++i)
        QVERIFY2(turnsAtWaits.at(i) > turnsAtWaits.at(i - 1), qPrintable(QString::number(i)));
}

void TestSendRun::answersModeMarksTheRowOfItsOwnLateAnswer_data()
{
    QTest::addColumn<bool>("awaitAnswers");
    QTest::addColumn<QStringList>("statuses");
    // At the fixed pace the answer comes while the next row is current; waiting for the
    // answers, each belongs to its own part.
    QTest::newRow("fixed pace") << false << QStringList{u"SEND"_s, u"FAIL"_s};
    QTest::newRow("answers") << true << QStringList{u"FAIL"_s, u"SEND"_s};
}

void TestSendRun::answersModeMarksTheRowOfItsOwnLateAnswer()
{
    QFETCH(bool, awaitAnswers);
    QFETCH(QStringList, statuses);
    Bench bench;
    bench.settings.set(Settings::Field::AwaitAnswers, awaitAnswers);
    bench.addRecipients({u"one"_s, u"two"_s});
    // The network takes 4 s to refuse the first message: longer than its last wait.
    int waits = 0;
    if (awaitAnswers) {
        // Waiting for answers, the waits are only the longest a modem may take.
        bench.clock.setTimeoutScale(1);
        bench.modem->answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 500", 1);
        bench.modem->setMessageLatency(bench.clock.scaled(4000));
    } else {
        // The refusal comes as the second message begins, however busy the machine, and
        // is taken before the second row's last wait (the 6th) ends.
        bench.modem->answerWith(ModemSimulator::Input::Pdu, QByteArray(), 1);
        bench.clock.setWaitListener([&](int, bool) {
            if (++waits == 4)
                bench.modem->send("+CMS ERROR: 500\r\n");
            if (waits == 6)
                QVERIFY(QTest::qWaitFor([&] { return bench.failRows() == 1; }));
        });
    }
    bench.start({Sender::Greeting}, bench.recipients());
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitUntilRead());
    QCOMPARE(bench.statuses(), statuses);
    QCOMPARE(bench.failRows(), 1);
    QCOMPARE(bench.ended.first().messagesRefused, 1);
    if (awaitAnswers)
        QCOMPARE(bench.log(),
                 (QList<QStringList>{{u"RAYA"_s, u"Client 1"_s, u"one"_s, u"FAIL"_s},
                                     {u"RAYA"_s, u"Client 1"_s, u"one "_s, u"SEND"_s},
                                     {u"RAYA"_s, u"Client 2"_s, u"two "_s, u"SEND"_s}}));
}

void TestSendRun::answersModeIgnoresLinesTheModemSendsOnItsOwn()
{
    Bench bench;
    bench.settings.set(Settings::Field::AwaitAnswers, true);
    bench.clock.setTimeoutScale(1);
    bench.modem->setEcho(true);
    bench.modem->setUnsolicitedLines({"^RSSI: 14", "RING", "+CMTI: \"SM\",3", "+CREG: 1", "+CDS: 25"});
    bench.addRecipients({u"one"_s, twoPartText(), u"three"_s});
    bench.start({Sender::ScheduleList}, bench.recipients());
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.statuses(), (QStringList{u"SEND"_s, u"SEND"_s, u"SEND"_s}));
    QCOMPARE(bench.failRows(), 0);
    QCOMPARE(bench.modem->pdus().size(), 4);
    QCOMPARE(bench.ended.first().end, RunReport::End::Completed);
}

void TestSendRun::silentModemStopsTheRunAfterThreeUnansweredParts()
{
    Bench bench;
    bench.settings.set(Settings::Field::AwaitAnswers, true);
    bench.modem->setSilent(true);
    bench.addRecipients({u"one"_s, u"two"_s, u"three"_s, u"four"_s, u"five"_s});
    bench.start({Sender::Announcement}, bench.recipients());
    QVERIFY(bench.waitForRunEnd());
    const QString stopped =
        u"The modem stopped answering. 3 messages were not confirmed and are in the failed-message queue."_s;
    QCOMPARE(bench.dialogs.errors(), QStringList{stopped});
    QCOMPARE(bench.ended.first().end, RunReport::End::Failed);
    QCOMPARE(bench.ended.first().error, stopped);
    QCOMPARE(bench.statuses(), (QStringList{u"FAIL"_s, u"FAIL"_s, u"FAIL"_s, QString(), QString()}));
    QCOMPARE(bench.failRows(), 3);
    QCOMPARE(bench.completed, 0);
}

void TestSendRun::recordRefusedByALockedDatabaseIsWrittenOnceTheLockGoes()
{
    SKIP_ON_SERVER("a lock on the file; the server's counterpart is a lost connection");
    Bench bench;
    SqliteShell other(bench.ws.databasePath());
    other.run(QStringLiteral("begin exclusive;"));
    const QString text = twoPartText();
    // The first SMS goes out, its records are refused; the second part is not sent, and
    // the message, cut in its middle, is marked "FAIL" for the failed-message queue.
    bench.sms.send(text);
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.dialogs.errors(), QStringList{u"database is locked."_s});
    QVERIFY(bench.modem->waitUntilRead());
    QCOMPARE(bench.modem->pdus().size(), 1);
    QCOMPARE(bench.records.pendingCount(), 4);
    QVERIFY(!bench.runState.isSending());
    QCOMPARE(bench.runState.progressCurrent, 1); // the window stays open, as after any error

    // While the database still refuses, the next send sends nothing.
    QCOMPARE(errorOf([&] { bench.sms.send(QStringLiteral("next")); }), QStringLiteral("database is locked"));
    QVERIFY(!bench.runState.isSending());
    QCOMPARE(bench.modem->pdus().size(), 1);

    other.run(QStringLiteral("rollback;"));
    bench.sms.send(QStringLiteral("next"));
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(2));
    QCOMPARE(bench.records.pendingCount(), 0);
    const QString firstPart = bench.modem->texts().first();
    const QString secondPart = planSms(text).parts.at(1);
    QCOMPARE(bench.details(),
             (QList<QStringList>{{u"1"_s, u"2026-12-09 10:30:00"_s, u"Ali bin Abu"_s, firstPart, u"FAIL"_s},
                                 {u"2"_s, u"2026-12-09 10:30:00"_s, u"Ali bin Abu"_s, secondPart, u"FAIL"_s},
                                 {u"3"_s, u"2026-12-09 10:30:00"_s, u"Ali bin Abu"_s, u"next "_s, u"SEND"_s}}));
    QCOMPARE(bench.log(),
             (QList<QStringList>{{u"INDIVIDUAL"_s, u"Ali bin Abu"_s, firstPart, u"SEND"_s},
                                 {u"INDIVIDUAL"_s, u"Ali bin Abu"_s, firstPart, u"FAIL"_s},
                                 {u"INDIVIDUAL"_s, u"Ali bin Abu"_s, u"next "_s, u"SEND"_s}}));
    QCOMPARE(*bench.lane.currentRow(), 3);
}

void TestSendRun::failMarkRefusedByALockedDatabaseIsWrittenOnceTheLockGoes()
{
    SKIP_ON_SERVER("a lock on the file; the server's counterpart is a lost connection");
    Bench bench;
    bench.sms.send(QStringLiteral("hi"));
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(*bench.lane.currentRow(), 1);
    {
        SqliteShell other(bench.ws.databasePath());
        other.run(QStringLiteral("begin exclusive;"));
        bench.modem->send("+CMS ERROR: 500\r\n");
        // With no send running, the refusal is shown at once.
        QVERIFY(QTest::qWaitFor([&] { return !bench.dialogs.errors().isEmpty(); }));
        QCOMPARE(bench.dialogs.errors(), QStringList{QStringLiteral("database is locked.")});
        QCOMPARE(bench.records.pendingCount(), 1);
    }
    // Once the lock has gone the mark reaches the file by itself, no send needed.
    QTRY_COMPARE(bench.statuses(), QStringList{u"FAIL"_s});
    QCOMPARE(bench.log(),
             (QList<QStringList>{{u"INDIVIDUAL"_s, u"Ali bin Abu"_s, u"hi "_s, u"SEND"_s},
                                 {u"INDIVIDUAL"_s, u"Ali bin Abu"_s, u"hi "_s, u"FAIL"_s}}));
}

void TestSendRun::errorAnswerWhileItsNewRowWaitsForTheDatabaseMarksThatRow()
{
    SKIP_ON_SERVER("a lock on the file; the server's counterpart is a lost connection");
    Bench bench;
    bench.sms.send(QStringLiteral("earlier"));
    QVERIFY(bench.waitForRunEnd());
    {
        SqliteShell other(bench.ws.databasePath());
        other.run(QStringLiteral("begin exclusive;"));
        // The new row of the message waits for the database when the modem refuses it.
        bench.modem->answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 500", 2);
        bench.sms.send(QStringLiteral("hi"));
        QVERIFY(bench.waitForRunEnd());
        QCOMPARE(bench.dialogs.errors(), QStringList{u"database is locked."_s});
        QVERIFY(bench.modem->waitUntilRead());
    }
    // It is that row that is marked, not the earlier one, once the database takes them.
    QTRY_COMPARE(bench.statuses(), (QStringList{u"SEND"_s, u"FAIL"_s}));
    QCOMPARE(bench.log(),
             (QList<QStringList>{{u"INDIVIDUAL"_s, u"Ali bin Abu"_s, u"earlier "_s, u"SEND"_s},
                                 {u"INDIVIDUAL"_s, u"Ali bin Abu"_s, u"hi "_s, u"SEND"_s},
                                 {u"INDIVIDUAL"_s, u"Ali bin Abu"_s, u"hi "_s, u"FAIL"_s}}));
}

void TestSendRun::aModemPulledOutIsNoticedAtOnce_data()
{
    QTest::addColumn<int>("wait");
    QTest::newRow("during the last wait of the first part") << 2;
    QTest::newRow("before AT+CMGS of the second part") << 3;
    QTest::newRow("before the PDU of the second part") << 4;
}

void TestSendRun::aModemPulledOutIsNoticedAtOnce()
{
    QFETCH(int, wait);
    Bench bench;
    bench.beforeWait(wait, [&] {
        bench.modem.reset();
        // The port learns of it from the event loop, before the next write.
        QVERIFY(QTest::qWaitFor([&] {
            try {
                bench.link.write({});
                return false;
            } catch (const BrivoraError &) {
                return true;
            }
        }));
    });
    const QString port = bench.lane.port();
    bench.sms.send(twoPartText());
    QVERIFY(bench.waitForRunEnd());
    // The session notices at once: the light is off, and the run, with no modem left, says so.
    QCOMPARE(bench.dialogs.errors(), QStringList{u"The modem on %1 was disconnected."_s.arg(port)});
    QVERIFY(!bench.link.isOpen());
    // The first part went out and keeps its rows; the message, not all of which went out,
    // is "FAIL" for the failed-message queue, each of its parts with a row.
    QCOMPARE(bench.details().size(), 2);
    QCOMPARE(bench.details().last().at(4), u"FAIL"_s);
    QCOMPARE(bench.log().count({u"INDIVIDUAL"_s, u"Ali bin Abu"_s, bench.details().first().at(3), u"SEND"_s}), 1);
}

QTEST_GUILESS_MAIN(TestSendRun)
#include "tst_sendrun.moc"
