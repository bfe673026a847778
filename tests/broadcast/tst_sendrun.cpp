// The one send loop under every sender: its order of steps, the rows it marks or adds,
// and how it ends when the operator, the database or the device stops it.
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
    void showProgress(bool resetBar) override { steps << step(resetBar ? "show, bar 0" : "show"); }
    void updateProgress() override { steps << step("update"); }
    void showPause(int minutes) override { steps << QStringLiteral("pause %1").arg(minutes); }
    void endPause() override { steps << QStringLiteral("pause over"); }
    QStringList steps;

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
        , sms(services, dm)
    {
        runState.setDisplay(&display);
        ws.exec(QStringLiteral("insert into profile(name, nickname, mobile_number, group_name) values "
                               "('Ali bin Abu', 'Ali', '60123456789', 'STAFF'), ('Siti', 'Ti', '60198765432', 'VIP')"));
        dm.q_profile.refresh();
    }

    Outgoing recipient(qint64 id) const
    {
        const QStringList row = ws.rows(QStringLiteral("select project_name, mobile_number, name, msg_send from "
                                                       "project_detail where id = %1")
                                            .arg(id))
                                    .first();
        Outgoing message;
        message.record.projectName = row[0];
        message.record.mobileNumber = row[1];
        message.record.name = row[2];
        message.record.message = row[3];
        message.detailId = id;
        return message;
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
};

} // namespace

class TestSendRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runnerMarksItsRowsAndLogsEveryPart_data();
    void runnerMarksItsRowsAndLogsEveryPart();
    void errorAnswerMarksTheRowOfItsPart();
    void modemRefusingEveryPartLogsFailThenSendForEach();
    void repeatedErrorGivesOneFailPerPart();
    void pauseIsShownAndPumps();
    void stopRequestEndsTheSendAtAPartBoundary();
    void recordRefusedByALockedDatabaseIsWrittenOnceTheLockGoes();
    void failMarkRefusedByALockedDatabaseIsWrittenOnceTheLockGoes();
    void vanishedDeviceGivesTheNumberOfTheFailedCall_data();
    void vanishedDeviceGivesTheNumberOfTheFailedCall();
};

void TestSendRun::runnerMarksItsRowsAndLogsEveryPart_data()
{
    QTest::addColumn<int>("progress");
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("progress before the log row")
        << static_cast<int>(SendPolicy::Progress::BeforeLog)
        << QStringList{u"show, bar 0 0/2 after 0 log rows"_s, u"update 1/2 after 0 log rows"_s,
                       u"update 2/2 after 1 log rows"_s, u"update 2/2 after 2 log rows"_s};
    QTest::newRow("progress after the log row")
        << static_cast<int>(SendPolicy::Progress::AfterLog)
        << QStringList{u"show, bar 0 0/2 after 0 log rows"_s, u"update 1/2 after 1 log rows"_s,
                       u"update 2/2 after 2 log rows"_s, u"update 2/2 after 3 log rows"_s};
}

void TestSendRun::runnerMarksItsRowsAndLogsEveryPart()
{
    QFETCH(int, progress);
    QFETCH(QStringList, steps);
    Bench bench;
    const qint64 first = bench.addRecipient(QStringLiteral("Ali"), QStringLiteral("6011"), QStringLiteral("short"));
    const qint64 second = bench.addRecipient(QStringLiteral("Siti"), QStringLiteral("6022"), twoPartText());
    // The rows are captured before the run; the sender walks what it captured.
    const QList<Outgoing> messages{bench.recipient(first), bench.recipient(second)};

    auto run =
        SendRun::begin(bench.services, {Sender::Announcement, true, static_cast<SendPolicy::Progress>(progress)}, 2);
    QVERIFY(run);
    QVERIFY(bench.runState.isSending());
    for (const Outgoing &message : messages)
        run->send(message);
    QCOMPARE(bench.runState.progressCurrent, 2);
    run->finish();
    QCOMPARE(bench.runState.progressCurrent, 0);

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
    QCOMPARE(bench.runState.currentDetailId, QString::number(second));
    QCOMPARE(bench.display.steps, steps);
}

void TestSendRun::errorAnswerMarksTheRowOfItsPart()
{
    Bench bench;
    const qint64 first = bench.addRecipient(QStringLiteral("Ali"), QStringLiteral("6011"), QStringLiteral("one"));
    const qint64 second = bench.addRecipient(QStringLiteral("Siti"), QStringLiteral("6022"), QStringLiteral("two"));
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 500", 2);
    // The answer to the second PDU is taken during that part's last wait (the 6th).
    bench.beforeWait(5, [&] { QVERIFY(QTest::qWaitFor([&] { return bench.failRows() == 1; })); });
    auto run = SendRun::begin(bench.services, {Sender::FailQueue}, 2);
    run->send(bench.recipient(first));
    run->send(bench.recipient(second));
    run->finish();
    QCOMPARE(bench.details().at(0).at(4), QStringLiteral("SEND"));
    QCOMPARE(bench.details().at(1).at(4), QStringLiteral("FAIL"));
    // The failed part has its "FAIL" row, with the whole stored message, then its "SEND" row.
    QCOMPARE(bench.log(),
             (QList<QStringList>{{u"RAYA"_s, u"Ali"_s, u"one "_s, u"SEND"_s},
                                 {u"RAYA"_s, u"Siti"_s, u"two"_s, u"FAIL"_s},
                                 {u"RAYA"_s, u"Siti"_s, u"two "_s, u"SEND"_s}}));
}

void TestSendRun::modemRefusingEveryPartLogsFailThenSendForEach()
{
    Bench bench;
    const qint64 first = bench.addRecipient(u"Ali"_s, u"6011"_s, u"one"_s);
    const qint64 second = bench.addRecipient(u"Siti"_s, u"6022"_s, twoPartText());
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 500");
    // Each part's answer is taken during that part's last wait, the third wait of its own.
    int waits = 0;
    bench.clock.setWaitListener([&](int, bool) {
        if (++waits % 3 == 0)
            QVERIFY(QTest::qWaitFor([&] { return bench.failRows() == waits / 3; }));
    });
    auto run = SendRun::begin(bench.services, {Sender::Announcement}, 2);
    run->send(bench.recipient(first));
    run->send(bench.recipient(second));
    run->finish();
    const QStringList texts = bench.modem->texts();
    QCOMPARE(texts.size(), 3);
    // The "FAIL" row holds the whole stored message, the "SEND" row the part sent.
    QCOMPARE(bench.log(),
             (QList<QStringList>{{u"RAYA"_s, u"Ali"_s, u"one"_s, u"FAIL"_s},
                                 {u"RAYA"_s, u"Ali"_s, texts[0], u"SEND"_s},
                                 {u"RAYA"_s, u"Siti"_s, twoPartText(), u"FAIL"_s},
                                 {u"RAYA"_s, u"Siti"_s, texts[1], u"SEND"_s},
                                 {u"RAYA"_s, u"Siti"_s, twoPartText(), u"FAIL"_s},
                                 {u"RAYA"_s, u"Siti"_s, texts[2], u"SEND"_s}}));
    QCOMPARE(bench.details().at(0).at(4), u"FAIL"_s);
    QCOMPARE(bench.details().at(1).at(4), u"FAIL"_s);
}

void TestSendRun::repeatedErrorGivesOneFailPerPart()
{
    Bench bench;
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "ERROR");
    bench.sms.send(QStringLiteral("hi"));
    QVERIFY(QTest::qWaitFor([&] { return bench.failRows() == 1; }));
    // The modem goes on repeating its error for the same part.
    for (int i = 0; i < 5; ++i) {
        bench.modem->send("ERROR\r\n");
        QVERIFY(bench.modem->waitUntilIdle());
        bench.clock.Delay(1000);
    }
    QCOMPARE(bench.failRows(), 1);

    // The next part is another matter.
    bench.sms.send(QStringLiteral("again"));
    QVERIFY(QTest::qWaitFor([&] { return bench.failRows() == 2; }));
    QCOMPARE(bench.ws.value(QStringLiteral("select count(*) from project_detail where status = 'FAIL'")),
             QStringLiteral("2"));
    QVERIFY(bench.dialogs.shown().isEmpty());
}

void TestSendRun::pauseIsShownAndPumps()
{
    Bench bench;
    QStringList waits;
    bench.clock.setWaitListener([&](int milliseconds, bool pumping) {
        waits << QStringLiteral("%1 %2").arg(milliseconds).arg(pumping ? 'P' : 'B');
    });
    bench.clock.setScale(0.0001);
    auto run = SendRun::begin(bench.services, {Sender::Announcement}, 0);
    run->pause(2);
    QCOMPARE(waits, QStringList{QStringLiteral("120000 P")});
    QCOMPARE(bench.display.steps.mid(1), (QStringList{QStringLiteral("pause 2"), QStringLiteral("pause over")}));
}

void TestSendRun::stopRequestEndsTheSendAtAPartBoundary()
{
    Bench bench;
    bool idle = false;
    // During the last wait of the first part the operator asks to stop.
    bench.beforeWait(2, [&] {
        bench.runState.requestStop();
        bench.runState.whenIdle([&] { idle = true; });
    });
    QVERIFY_THROWS_EXCEPTION(ActionStopped, bench.sms.send(twoPartText()));
    QVERIFY(!bench.runState.isSending());
    QVERIFY(idle);
    QVERIFY(!bench.runState.stopRequested());
    // The part written to the modem has both its rows; the second never went out.
    QVERIFY(bench.modem->waitForPdus(1));
    bench.clock.Delay(1000);
    QCOMPARE(bench.modem->pdus().size(), 1);
    QCOMPARE(bench.details().size(), 1);
    QCOMPARE(bench.log().size(), 1);
    QCOMPARE(bench.details().first().at(3), bench.modem->texts().first());

    // A stop asked while nothing runs is no stop for the next send.
    bench.clock.setWaitListener({});
    bench.runState.requestStop();
    bench.sms.send(QStringLiteral("next"));
    QVERIFY(bench.modem->waitForPdus(2));
}

void TestSendRun::recordRefusedByALockedDatabaseIsWrittenOnceTheLockGoes()
{
    Bench bench;
    SqliteShell other(bench.ws.databasePath());
    other.run(QStringLiteral("begin exclusive;"));
    const QString text = twoPartText();
    // The first SMS goes out, its records are refused; the second part is not sent.
    QCOMPARE(errorOf([&] { bench.sms.send(text); }), QStringLiteral("database is locked"));
    QVERIFY(bench.modem->waitForPdus(1));
    bench.clock.Delay(1000);
    QCOMPARE(bench.modem->pdus().size(), 1);
    QCOMPARE(bench.records.pendingCount(), 2);
    QVERIFY(!bench.runState.isSending());
    QCOMPARE(bench.runState.progressCurrent, 1); // the window stays open, as after any error

    // While the database still refuses, the next send sends nothing.
    QCOMPARE(errorOf([&] { bench.sms.send(QStringLiteral("next")); }), QStringLiteral("database is locked"));
    QCOMPARE(bench.modem->pdus().size(), 1);

    other.run(QStringLiteral("rollback;"));
    bench.sms.send(QStringLiteral("next"));
    QVERIFY(bench.modem->waitForPdus(2));
    QCOMPARE(bench.records.pendingCount(), 0);
    const QString firstPart = bench.modem->texts().first();
    QCOMPARE(bench.details(),
             (QList<QStringList>{{u"1"_s, u"2026-12-09 10:30:00"_s, u"Ali bin Abu"_s, firstPart, u"SEND"_s},
                                 {u"2"_s, u"2026-12-09 10:30:00"_s, u"Ali bin Abu"_s, u"next "_s, u"SEND"_s}}));
    QCOMPARE(bench.log(),
             (QList<QStringList>{{u"INDIVIDUAL"_s, u"Ali bin Abu"_s, firstPart, u"SEND"_s},
                                 {u"INDIVIDUAL"_s, u"Ali bin Abu"_s, u"next "_s, u"SEND"_s}}));
    QCOMPARE(bench.runState.currentDetailId, QStringLiteral("2"));
}

void TestSendRun::failMarkRefusedByALockedDatabaseIsWrittenOnceTheLockGoes()
{
    Bench bench;
    bench.sms.send(QStringLiteral("hi"));
    QCOMPARE(bench.runState.currentDetailId, QStringLiteral("1"));
    {
        SqliteShell other(bench.ws.databasePath());
        other.run(QStringLiteral("begin exclusive;"));
        bench.modem->send("+CMS ERROR: 500\r\n");
        // With no send running, the refusal is shown at once.
        QVERIFY(QTest::qWaitFor([&] { return !bench.dialogs.errors().isEmpty(); }));
        QCOMPARE(bench.dialogs.errors(), QStringList{QStringLiteral("database is locked.")});
        QCOMPARE(bench.records.pendingCount(), 1);
    }
    bench.records.flush();
    QCOMPARE(bench.details().first().at(4), QStringLiteral("FAIL"));
    QCOMPARE(bench.log(),
             (QList<QStringList>{{u"INDIVIDUAL"_s, u"Ali bin Abu"_s, u"hi "_s, u"SEND"_s},
                                 {u"INDIVIDUAL"_s, u"Ali bin Abu"_s, u"hi "_s, u"FAIL"_s}}));
}

void TestSendRun::vanishedDeviceGivesTheNumberOfTheFailedCall_data()
{
    QTest::addColumn<int>("wait");
    QTest::newRow("during the last wait of the first part") << 2;
    QTest::newRow("before AT+CMGS of the second part") << 3;
    QTest::newRow("before the PDU of the second part") << 4;
}

void TestSendRun::vanishedDeviceGivesTheNumberOfTheFailedCall()
{
    QFETCH(int, wait);
    Bench bench;
    bench.beforeWait(wait, [&] { bench.modem.reset(); });
    QCOMPARE(errorOf([&] { bench.sms.send(twoPartText()); }),
             QStringLiteral("WriteFile function failed (win error code: 5)"));
    // The first part went out and keeps its rows.
    QCOMPARE(bench.details().size(), 1);
    QCOMPARE(bench.log().size(), 1);
}

QTEST_GUILESS_MAIN(TestSendRun)
#include "tst_sendrun.moc"
