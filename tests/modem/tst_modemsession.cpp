// One modem's session: the lines it cuts whatever comes, the answers it ties to their
// commands while the modem talks on its own, how it gets a modem that fell silent back in
// step, and what it learns of the modem's health.
#include "broadcast/IndividualSms.h"
#include "modem/AtLineReader.h"
#include "modem/ModemHealth.h"
#include "support/SendBench.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <random>

using namespace Qt::StringLiterals;

namespace {

// One part through the exchange waiting for the modem's answers.
struct Bench : SendBench {
    Bench()
        : SendBench(QDateTime(QDate(2026, 12, 9), QTime(10, 30)))
    {
        exchange.setPace(Pace::Answers);
        clock.setTimeoutScale(1);
    }

    PartResult send(const QString &text, const std::function<void()> &record = {})
    {
        return sendPart({u"+60120000000"_s, u"60123456789"_s, gsm(text), waitsFor(Sender::Greeting, 0, 1)}, record);
    }
};

QStringList linesOf(const QList<QByteArray> &lines)
{
    QStringList texts;
    for (const QByteArray &line : lines)
        texts << QString::fromLatin1(line);
    return texts;
}

} // namespace

class TestModemSession : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void linesAreCutWhereverTheBytesBreak();
    void aLineWithoutEndIsKeptShort();
    void healthIsReadFromEachAnswer();
    void openingAsksWhetherAModemAnswersAndAfterItsHealth();
    void aSimThatWantsItsPinIsToldOnceAndTakesIt();
    void noNetworkAndRoamingAreTold();
    void linesOfItsOwnAtEveryPointOfAnExchangeAreNoAnswer();
    void answersSplitAtEveryByteStillBelongToTheirPart();
    void aLateAnswerChangesNoRowAndTheModemIsBackInStep();
    void anAnswerThatCameWhileTheThreadWasBusyWinsOverTheTimeOut();
    void aModemThatStopsAnsweringIsShownSoAfterThreeTries();
};

void TestModemSession::linesAreCutWhereverTheBytesBreak()
{
    const QByteArray said = "\r\nOK\r\n+CMGS: 12\r\n\r\nERROR\n+CMS ERROR: 500\r\n^RSSI: 14\r\n";
    const QStringList whole{u"OK"_s, u"+CMGS: 12"_s, u"ERROR"_s, u"+CMS ERROR: 500"_s, u"^RSSI: 14"_s};
    // Cut once at every byte, and in random pieces.
    for (int at = 0; at <= said.size(); ++at) {
        AtLineReader reader;
        QList<QByteArray> lines = reader.feed(said.left(at));
        lines += reader.feed(said.mid(at));
        QCOMPARE(linesOf(lines), whole);
        QVERIFY(reader.unfinished().isEmpty());
    }
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        AtLineReader reader;
        QList<QByteArray> lines;
        for (qsizetype at = 0; at < said.size();) {
            const qsizetype piece = 1 + random() % 5;
            lines += reader.feed(said.mid(at, piece));
            at += piece;
        }
        QCOMPARE(linesOf(lines), whole);
    }
    // The prompt comes without a line end, and only a prompt is one.
    AtLineReader reader;
    QVERIFY(reader.feed("\r\n> ").isEmpty());
    QVERIFY(reader.takePrompt());
    QVERIFY(!reader.takePrompt());
    reader.feed("ERR");
    QVERIFY(!reader.takePrompt());
    QCOMPARE(reader.feed("OR\r\n"), QList<QByteArray>{"ERROR"});
    // A prompt that came late, the next answer behind it.
    QCOMPARE(reader.feed("> OK\r\n"), (QList<QByteArray>{">", "OK"}));
}

void TestModemSession::aLineWithoutEndIsKeptShort()
{
    // What the network sends is never trusted to end its lines.
    AtLineReader reader;
    for (int i = 0; i < 1000; ++i)
        QVERIFY(reader.feed(QByteArray(1000, 'A')).isEmpty());
    QCOMPARE(reader.unfinished().size(), AtLineReader::LongestLine);
    QCOMPARE(reader.feed("B\r\n"), QList<QByteArray>{QByteArray(AtLineReader::LongestLine - 1, 'A') + 'B'});
    // Any bytes at all, line ends or not, give lines no longer than that.
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        QByteArray noise(1 + random() % 6000, Qt::Uninitialized);
        for (char &c : noise)
            c = static_cast<char>(random());
        for (const QByteArray &line : reader.feed(noise))
            QVERIFY(line.size() <= AtLineReader::LongestLine);
    }
}

void TestModemSession::healthIsReadFromEachAnswer()
{
    ModemHealth health;
    QCOMPARE(health.describe(u"ttyUSB2"_s), u"ttyUSB2"_s);
    QVERIFY(health.takesMessages());
    health.readPin("+CPIN: READY");
    health.readSignal("+CSQ: 21,99");
    health.readRegistration("+CREG: 0,1", true);
    health.readOperator("+COPS: 0,0,\"CelcomDigi\",7");
    QCOMPARE(health.describe(u"ttyUSB2"_s), u"ttyUSB2: CelcomDigi, signal 3 of 5 (-71 dBm), home network"_s);
    // The signal: dBm = -113 + 2 * the value; 99 is not known.
    health.readSignal("+CSQ: 31,99");
    QCOMPARE(health.bars(), 5);
    QCOMPARE(health.dBm(), -51);
    health.readSignal("+CSQ: 0,99");
    QCOMPARE(health.bars(), 0);
    health.readSignal("+CSQ: 99,99");
    QCOMPARE(health.bars(), -1);
    // The modem's own report of its network has no <n> before the state.
    health.readRegistration("+CREG: 5,\"00A1\",\"1B2C\"", false);
    QCOMPARE(health.networkText(), u"roaming"_s);
    QVERIFY(health.takesMessages());
    health.readRegistration("+CREG: 2", false);
    QCOMPARE(health.networkText(), u"searching"_s);
    QVERIFY(!health.takesMessages());
    health.readRegistration("+CREG: 0,3", true);
    QCOMPARE(health.networkText(), u"registration denied"_s);
    health.readRegistration("+CREG: 1,0", true);
    QCOMPARE(health.networkText(), u"no network"_s);
    health.readRegistration("+CREG: 0,1", true);
    // A SIM that asks for its PIN, or none at all.
    health.readPin("+CPIN: SIM PIN");
    QVERIFY(!health.takesMessages());
    health.readPin("+CME ERROR: 10");
    QCOMPARE(health.sim, ModemHealth::Sim::Missing);
    // Lines that say nothing readable change nothing.
    const ModemHealth before = health;
    for (const QByteArray &line : {QByteArray("+CSQ:"), QByteArray("+CSQ: x,y"), QByteArray("+CSQ: 77,0"),
                                   QByteArray(":::"), QByteArray()})
        health.readSignal(line);
    for (const QByteArray &line : {QByteArray("+CREG:"), QByteArray("+CREG: 0,\"\""), QByteArray("+CREG: 0,9"),
                                   QByteArray(":::"), QByteArray()})
        health.readRegistration(line, true);
    QCOMPARE(health.signal, before.signal);
    QCOMPARE(health.network, before.network);
    health.readOperator("+COPS: 0");
    QVERIFY(health.operatorName.isEmpty());
}

void TestModemSession::openingAsksWhetherAModemAnswersAndAfterItsHealth()
{
    TestModem modem;
    modem.setSignal(18);
    Clock clock;
    ModemSession session(clock);
    QSignalSpy warnings(&session, &ModemSession::warning);
    modem.watch(session.link());
    session.open(modem.settings());
    QTRY_VERIFY(!session.isBusy());
    QCOMPARE(modem.inputs(), (QStringList{u"AT"_s, u"AT+CPIN?"_s, u"AT+CSQ"_s, u"AT+CREG?"_s, u"AT+COPS?"_s}));
    QCOMPARE(session.health().describe(session.port()),
             session.port() + u": Brivora Mobile, signal 3 of 5 (-77 dBm), home network"_s);
    QVERIFY(warnings.isEmpty());

    // Nothing behind the port: said once, and the modem is shown as not answering.
    TestModem silent;
    silent.setSilent(true);
    clock.setTimeoutScale(0.01);
    session.open(silent.settings());
    QTRY_COMPARE(warnings.size(), 1);
    QCOMPARE(warnings.first().at(0).toString(),
             u"No modem answers on %1. Check the cable, the power and the port settings."_s.arg(session.port()));
    QVERIFY(!session.health().answering);
    QCOMPARE(session.health().describe(u"ttyS0"_s), u"ttyS0: not answering"_s);
    QVERIFY(silent.waitForInputs(1));
    QCOMPARE(silent.inputs(), QStringList{u"AT"_s});
}

void TestModemSession::aSimThatWantsItsPinIsToldOnceAndTakesIt()
{
    TestModem modem;
    modem.setPinWanted(u"4321"_s);
    Clock clock;
    ModemSession session(clock);
    QSignalSpy warnings(&session, &ModemSession::warning);
    QVERIFY(modem.plugInto(session));
    QCOMPARE(warnings.size(), 1);
    QCOMPARE(warnings.first().at(0).toString(), u"The SIM card in %1 asks for its PIN."_s.arg(session.port()));
    QVERIFY(warnings.first().at(1).toBool());
    QVERIFY(!session.health().takesMessages());
    // Asked again, it does not say so again.
    session.checkHealth();
    QTRY_VERIFY(!session.isBusy());
    QCOMPARE(warnings.size(), 1);

    // Nothing but a PIN is sent; the right one makes the SIM ready.
    QVERIFY(modem.forgetTheRecordWhenRead());
    session.enterPin(u"12; AT+CMGD=1"_s);
    session.enterPin(u"4321"_s);
    QTRY_VERIFY(session.health().sim == ModemHealth::Sim::Ready);
    QVERIFY(session.health().takesMessages());
    QVERIFY(!modem.inputs().contains(u"AT+CMGD=1"_s));
    QCOMPARE(modem.inputs().first(), u"AT+CPIN=\"4321\""_s);
}

void TestModemSession::noNetworkAndRoamingAreTold()
{
    TestModem modem;
    modem.setRegistration(5);
    Clock clock;
    ModemSession session(clock);
    QSignalSpy warnings(&session, &ModemSession::warning);
    QVERIFY(modem.plugInto(session));
    QVERIFY(session.health().describe(u"p"_s).endsWith(u", roaming"_s));
    QVERIFY(session.health().takesMessages());
    // The network goes: a warning, once; the modem says so on its own too.
    modem.setRegistration(2);
    session.checkHealth();
    QTRY_COMPARE(warnings.size(), 1);
    QCOMPARE(warnings.first().at(0).toString(), u"%1 has no network: searching."_s.arg(session.port()));
    QVERIFY(!session.health().takesMessages());
    modem.send("\r\n+CREG: 1\r\n");
    QTRY_COMPARE(session.health().networkText(), u"home network"_s);
    modem.send("\r\n+CREG: 3\r\n");
    QTRY_COMPARE(warnings.size(), 2);
    QCOMPARE(warnings.last().at(0).toString(), u"%1 has no network: registration denied."_s.arg(session.port()));
}

void TestModemSession::linesOfItsOwnAtEveryPointOfAnExchangeAreNoAnswer()
{
    Bench bench;
    QList<QByteArray> reports;
    bench.session.subscribe("+CDS:", [&](const QByteArray &, const QByteArray &pdu) { reports << pdu; }, true);
    // Before every answer the modem reports its signal, its network, a call, a message and
    // a delivery report with its PDU line; and between the prompt and the PDU, and
    // between "+CMGS:" and "OK", lines of its own as well.
    bench.modem->setUnsolicitedLines({"^RSSI: 14", "+CREG: 1", "RING", "+CMTI: \"SM\",3",
                                      "+CDS: 25\r\n0791061020000000060C91061032547698"});
    bench.modem->answerWith(ModemSimulator::Input::LengthCommand, "> \r\n+CMTI: \"SM\",4", 1);
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "+CMGS: 42\r\n^RSSI: 9\r\nRING\r\nOK", 1);
    bench.modem->setEcho(true);
    const PartResult result = bench.send(u"hello"_s);
    QCOMPARE(result.outcome, PartResult::Outcome::Confirmed);
    QCOMPARE(result.reference, 42);
    QCOMPARE(bench.modem->pdus().size(), 1);
    QVERIFY(bench.modem->waitUntilRead());
    QVERIFY(!reports.isEmpty());
    QCOMPARE(reports.first(), QByteArray("0791061020000000060C91061032547698"));
    // The next part is answered as its own.
    QCOMPARE(bench.send(u"again"_s).outcome, PartResult::Outcome::Confirmed);
}

void TestModemSession::answersSplitAtEveryByteStillBelongToTheirPart()
{
    Bench bench;
    // Each answer in two pieces, the second only once the port has read the first.
    for (int at = 1; at <= 16; ++at) {
        bench.modem->setSplit(at, 1);
        if (at % 2)
            bench.modem->answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 500", bench.modem->pdus().size() + 1);
        const PartResult result = bench.send(u"part"_s);
        QCOMPARE(result.outcome, at % 2 ? PartResult::Outcome::Refused : PartResult::Outcome::Confirmed);
    }
    QCOMPARE(bench.modem->pdus().size(), 16);
}

void TestModemSession::aLateAnswerChangesNoRowAndTheModemIsBackInStep()
{
    Bench bench;
    IndividualSms sms(bench.engine, bench.dm);
    bench.ws.exec(u"insert into profile(name, mobile_number) values ('Ali', '60123456789')"_s);
    bench.dm.q_profile.refresh();
    bench.settings.set(Settings::Field::AwaitAnswers, true);
    // The first part's answer never comes in time; its error comes once the session has
    // begun bringing the modem back in step, before the modem's "OK" to that.
    bench.exchange.setFinalAnswerMs(500);
    bench.modem->answerWith(ModemSimulator::Input::Pdu, QByteArray(), 1);
    bool late = false;
    connect(bench.modem.get(), &ModemSimulator::inputReceived, this, [&](const QString &input) {
        if (input == u"AT"_s && !late) {
            late = true;
            bench.modem->send("\r\n+CMS ERROR: 500\r\n");
        }
    });
    sms.send(twoPartText());
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(late);
    // The late error marked nothing of the second part, which went out and was confirmed.
    QCOMPARE(bench.modem->pdus().size(), 2);
    QCOMPARE(bench.ws.rows(u"select status from project_detail order by id"_s),
             (QList<QStringList>{{u"FAIL"_s}, {u"SEND"_s}}));
    QCOMPARE(bench.ws.value(u"select count(*) from transaction_log where status = 'FAIL'"_s), u"1"_s);
    // Escape and "AT" came before the second part's first command.
    const QStringList inputs = bench.modem->inputs();
    const qsizetype step = inputs.indexOf(u"AT"_s);
    QVERIFY(step > 0);
    QCOMPARE(inputs.at(step + 1), u"AT"_s);
    QVERIFY(bench.modem->receivedBytes().contains("\x1B" "AT\r\n"));
}

void TestModemSession::anAnswerThatCameWhileTheThreadWasBusyWinsOverTheTimeOut()
{
    Bench bench;
    // The message's answer may take 0.6 s; it is there at once, but the window's thread is
    // busy for 3 s (a backup, a long report) before it reads the port.
    bench.exchange.setFinalAnswerMs(600);
    connect(bench.modem.get(), &ModemSimulator::inputReceived, this, [&](const QString &input) {
        if (!input.startsWith(u"AT"_s))
            QTimer::singleShot(0, this, [] { QThread::msleep(3000); });
    });
    const PartResult result = bench.send(u"busy"_s);
    QCOMPARE(result.outcome, PartResult::Outcome::Confirmed);
}

void TestModemSession::aModemThatStopsAnsweringIsShownSoAfterThreeTries()
{
    Bench bench;
    QSignalSpy warnings(&bench.session, &ModemSession::warning);
    bench.clock.setTimeoutScale(0.01);
    bench.modem->setSilent(true);
    QCOMPARE(bench.send(u"lost"_s).outcome, PartResult::Outcome::Unanswered);
    QTRY_VERIFY(!bench.session.health().answering);
    QCOMPARE(warnings.size(), 1);
    // Escape and "AT" three times, then no more: the modem is not answering until opened again.
    QTRY_COMPARE(bench.modem->receivedBytes().count("\x1B" "AT\r\n"), 3);
    QCOMPARE(bench.send(u"still"_s).outcome, PartResult::Outcome::Unanswered);
    QCOMPARE(bench.modem->receivedBytes().count("\x1B" "AT\r\n"), 3);
    bench.modem->setSilent(false);
    bench.clock.setTimeoutScale(1);
    QVERIFY(bench.modem->plugInto(bench.session));
    QVERIFY(bench.session.health().answering);
}

QTEST_GUILESS_MAIN(TestModemSession)
#include "tst_modemsession.moc"
