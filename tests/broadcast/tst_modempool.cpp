// One run over several modems: each takes the next message when it is free, a message
// stays on the modem that sent its first part, a refusal goes once to another modem, a
// modem pulled out leaves the run, and a pause or a stop holds them all.
#include "broadcast/BroadcastRunner.h"
#include "broadcast/ModemLane.h"
#include "support/SendBench.h"

#include <QSet>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Records the pauses as the progress window is told of them.
class PauseDisplay : public ProgressDisplay {
public:
    int showProgress(bool) override { return 0; }
    void holdEnded() override { }
    void updateProgress() override { }
    void showPause(int minutes) override { pauses << minutes; }
    void endPause() override { }
    QList<int> pauses;
};

// Three modems, the announcement runner over the recipient list of "RAYA".
struct Pool : SendBench {
    explicit Pool(bool awaitAnswers)
        : SendBench(QDateTime(QDate(2026, 12, 9), QTime(10, 30)))
        , runner(engine, dm, {[] { return u"RAYA"_s; }, [this] { return every; }, [this] { return minutes; }, [] {}})
    {
        runState.setDisplay(&display);
        settings.set(Settings::Field::AwaitAnswers, awaitAnswers);
        ws.exec(u"insert into project(project_name) values ('RAYA')"_s);
        QVERIFY(addModems(2));
        modems = {modem.get(), others[0].get(), others[1].get()};
    }

    void load(const QStringList &messages)
    {
        addRecipients(messages);
        dm.q_prj_dtl.repoint(u"select * from project_detail where project_name = \"RAYA\""_s);
    }
    // The numbers each modem was handed, as the phones got them.
    QList<QStringList> numbersByModem() const
    {
        QList<QStringList> numbers;
        for (const TestModem *each : modems)
            numbers << each->destinations();
        return numbers;
    }
    QStringList allNumbers() const
    {
        QStringList all;
        for (const QStringList &numbers : numbersByModem())
            all += numbers;
        all.sort();
        return all;
    }
    QStringList statuses() const
    {
        QStringList result;
        for (const QStringList &row : ws.rows(u"select status from project_detail order by id"_s))
            result << row.first();
        return result;
    }
    // The modem of each SMS the log records, from sms_part.
    QStringList partModems() const
    {
        QStringList result;
        for (const QStringList &row : ws.rows(u"select modem from sms_part order by id"_s))
            result << row.first();
        return result;
    }

    PauseDisplay display;
    BroadcastRunner runner;
    int every = 0;
    int minutes = 0;
    QList<TestModem *> modems;
};

QStringList numbered(int from, int to)
{
    QStringList numbers;
    for (int i = from; i <= to; ++i)
        numbers << u"60%1"_s.arg(i);
    numbers.sort();
    return numbers;
}

} // namespace

class TestModemPool : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyModemTakesTheNextMessage_data();
    void everyModemTakesTheNextMessage();
    void aRefusalGoesOnceToAnotherModem();
    void aModemPulledOutLeavesTheRunAndNothingGoesTwice();
    void aConcatenatedMessageStaysOnOneModemAndAStopCutsNone();
    void aPauseCountsTheMessagesOfEveryModem();
    void aModemWithoutNetworkTakesNoMessage();
};

void TestModemPool::everyModemTakesTheNextMessage_data()
{
    QTest::addColumn<bool>("awaitAnswers");
    QTest::newRow("fixed pace") << false;
    QTest::newRow("answers") << true;
}

void TestModemPool::everyModemTakesTheNextMessage()
{
    QFETCH(bool, awaitAnswers);
    Pool pool(awaitAnswers);
    pool.load(QStringList(9, u"Salam"_s));
    pool.runner.start();
    QVERIFY(pool.waitForRunEnd());
    QCOMPARE(pool.ended.first().end, RunReport::End::Completed);
    QCOMPARE(pool.ended.first().messagesSent, 9);
    // Every message once, and every modem sent some.
    QCOMPARE(pool.allNumbers(), numbered(1, 9));
    for (const QStringList &numbers : pool.numbersByModem())
        QVERIFY(!numbers.isEmpty());
    QCOMPARE(pool.statuses(), QStringList(9, u"SEND"_s));
    // Each SMS's log row says which modem sent it.
    const QStringList ports{pool.modem->devicePath(), pool.others[0]->devicePath(), pool.others[1]->devicePath()};
    QCOMPARE(pool.partModems().size(), 9);
    for (const QString &port : pool.partModems())
        QVERIFY(ports.contains(port));
    // At the fixed pace each modem's bytes are as one modem's: nothing of another's between.
    if (awaitAnswers)
        return;
    for (const TestModem *each : pool.modems)
        for (qsizetype i = 0; i + 2 < each->inputs().size(); i += 3) {
            QCOMPARE(each->inputs().at(i), u"AT+CMGF=0"_s);
            QVERIFY(each->inputs().at(i + 1).startsWith(u"AT+CMGS="_s));
        }
}

void TestModemPool::aRefusalGoesOnceToAnotherModem()
{
    Pool pool(true);
    // The second modem's SIM may not send to anybody; the others may.
    pool.others[0]->answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 38");
    pool.load(QStringList(6, u"Salam"_s));
    pool.runner.start();
    QVERIFY(pool.waitForRunEnd());
    // Every message reached a phone through another modem: none is FAIL.
    QCOMPARE(pool.statuses(), QStringList(6, u"SEND"_s));
    QStringList confirmed = pool.modem->destinations() + pool.others[1]->destinations();
    confirmed.sort();
    QCOMPARE(confirmed, numbered(1, 6));
    QVERIFY(!pool.others[0]->destinations().isEmpty());
    QCOMPARE(pool.ended.first().messagesRefused, 0);
    QCOMPARE(pool.ws.value(u"select count(*) from transaction_log where status = 'SEND'"_s), u"6"_s);

    // With every modem refusing, a message is tried on one other and then is FAIL.
    Pool refusing(true);
    for (TestModem *each : refusing.modems)
        each->answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 38");
    refusing.load({u"one"_s});
    refusing.runner.start();
    QVERIFY(refusing.waitForRunEnd());
    QCOMPARE(refusing.statuses(), QStringList{u"FAIL"_s});
    QCOMPARE(refusing.allNumbers(), (QStringList{u"601"_s, u"601"_s}));
    QCOMPARE(refusing.ended.first().messagesRefused, 1);
}

void TestModemPool::aModemPulledOutLeavesTheRunAndNothingGoesTwice()
{
    Pool pool(true);
    TestModem *third = pool.others[1].get();
    const QString port = third->devicePath();
    connect(third, &ModemSimulator::inputReceived, this, [&](const QString &) {
        if (third->pdus().size() == 2)
            QTimer::singleShot(0, third, [third] { third->pullOut(); });
    });
    pool.load(QStringList(12, u"Salam"_s));
    pool.runner.start();
    QVERIFY(pool.waitForRunEnd());
    QCOMPARE(pool.ended.first().end, RunReport::End::Completed);
    QCOMPARE(pool.ended.first().modemsLeft, QStringList{u"The modem on %1 was disconnected."_s.arg(port)});
    QVERIFY(pool.ended.first().resultText().endsWith(u" The modem on %1 was disconnected."_s.arg(port)));
    // Every row once; a message in flight on the modem pulled out is FAIL, the rest SEND.
    QCOMPARE(pool.ws.value(u"select count(*) from project_detail"_s), u"12"_s);
    QVERIFY(pool.statuses().count(u"FAIL"_s) <= 1);
    QCOMPARE(pool.statuses().count(u"SEND"_s) + pool.statuses().count(u"FAIL"_s), 12);
    QStringList reached = pool.modem->destinations() + pool.others[0]->destinations() + third->destinations();
    QCOMPARE(QSet<QString>(reached.begin(), reached.end()).size(), reached.size());
    QVERIFY(!pool.engine.lanes().at(2)->session().isOpen());
}

void TestModemPool::aConcatenatedMessageStaysOnOneModemAndAStopCutsNone()
{
    Pool pool(false);
    pool.load(QStringList(9, twoPartText()));
    // Once the run is under way the operator stops it.
    int waits = 0;
    pool.clock.setWaitListener([&](int, bool) {
        if (++waits == 8)
            pool.runState.requestStop();
    });
    pool.runner.start();
    QVERIFY(pool.waitForRunEnd());
    QCOMPARE(pool.ended.first().end, RunReport::End::Stopped);
    int started = 0;
    for (const TestModem *each : pool.modems) {
        // Each message's two parts reached one phone through one modem, whole.
        QCOMPARE(each->pdus().size(), 2 * each->messages().size());
        for (const ModemSimulator::ShownMessage &message : each->messages()) {
            QCOMPARE(message.parts, 2);
            QCOMPARE(message.text, twoPartText() + u' ');
        }
        started += static_cast<int>(each->messages().size());
    }
    QVERIFY(started > 0 && started < 9);
    QCOMPARE(pool.statuses().count(u"SEND"_s), started);
    QCOMPARE(pool.ended.first().messagesSent, started);
}

void TestModemPool::aPauseCountsTheMessagesOfEveryModem()
{
    Pool pool(false);
    pool.every = 3;
    pool.minutes = 1;
    pool.load(QStringList(7, u"Salam"_s));
    pool.runner.start();
    QVERIFY(pool.waitForRunEnd());
    // Before the 4th and the 7th message of the run, whichever modems send them.
    QCOMPARE(pool.display.pauses, (QList<int>{1, 1}));
    QCOMPARE(pool.allNumbers(), numbered(1, 7));
}

void TestModemPool::aModemWithoutNetworkTakesNoMessage()
{
    Pool pool(true);
    pool.others[0]->setRegistration(2);
    ModemSession &searching = pool.engine.lanes().at(1)->session();
    searching.checkHealth();
    QTRY_VERIFY(!searching.health().takesMessages());
    pool.load(QStringList(4, u"Salam"_s));
    pool.runner.start();
    QVERIFY(pool.waitForRunEnd());
    QVERIFY(pool.others[0]->destinations().isEmpty());
    QCOMPARE(pool.allNumbers(), numbered(1, 4));
}

QTEST_GUILESS_MAIN(TestModemPool)
#include "tst_modempool.moc"
