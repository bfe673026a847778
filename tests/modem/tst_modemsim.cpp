#include "base/Clock.h"
#include "support/TestModem.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// The worked example: centre +12345678901, destination 19876543210, text "abc".
const QByteArray ExamplePdu = "07912143658709F111000B919178563412F00000AA0361F118";
const QByteArray ExchangeOfOnePart = "AT+CMGF=0\r\nAT+CMGS=17\r\n" + ExamplePdu + '\x1a';

// A link plugged into a fresh modem, with its received chunks kept.
struct Bench {
    TestModem modem;
    SerialLink link;
    ReceivedChunks chunks{link};
    Bench() { modem.plugInto(link); }
    // Writes bytes and returns the modem's whole answer to them: once the modem has read
    // them all and written everything it answers, and the link has received that.
    QByteArray exchange(const QByteArray &bytes)
    {
        const qsizetype before = chunks.all().size();
        const qsizetype read = modem.receivedBytes().size() + bytes.size();
        const qsizetype answered = modem.sentBytes().size();
        link.write(bytes);
        const bool settled = QTest::qWaitFor(
            [&] {
                return modem.receivedBytes().size() >= read && modem.isIdle()
                    && chunks.all().size() - before >= modem.sentBytes().size() - answered;
            },
            30000);
        if (!settled)
            qFatal("the modem did not settle");
        return chunks.all().mid(before);
    }
};

} // namespace

class TestModemSimulator : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answersEachStepOfASend();
    void answersAWholeSendWrittenAtOnce();
    void scriptedErrorAnswers();
    void refusesAPduThatDoesNotMatchItsAnnouncement();
    void escapeAbandonsTheMessage();
    void splitAnswerArrivesInTwoCalls();
    void delayedAnswerDoesNotBlockTheEventLoop();
    void silenceAndEcho();
    void toolRunsTheModemForTrialsByHand();
};

void TestModemSimulator::answersEachStepOfASend()
{
    Bench bench;
    QCOMPARE(bench.exchange("AT+CMGF=0\r\n"), QByteArray("OK\r\n"));
    QCOMPARE(bench.exchange("AT+CMGS=17\r\n"), QByteArray("> "));
    QCOMPARE(bench.exchange(ExamplePdu + '\x1a'), QByteArray("+CMGS: 1\r\nOK\r\n"));
    // The phone numbers its messages.
    QCOMPARE(bench.exchange(ExchangeOfOnePart), QByteArray("OK\r\n> +CMGS: 2\r\nOK\r\n"));

    QCOMPARE(bench.modem.inputs(),
             (QStringList{QStringLiteral("AT+CMGF=0"), QStringLiteral("AT+CMGS=17"), QString::fromLatin1(ExamplePdu),
                          QStringLiteral("AT+CMGF=0"), QStringLiteral("AT+CMGS=17"), QString::fromLatin1(ExamplePdu)}));
    QCOMPARE(bench.modem.pdus().size(), 2);
    const TestModem::ReceivedPdu &pdu = bench.modem.pdus().at(0);
    QCOMPARE(pdu.hex, QString::fromLatin1(ExamplePdu));
    QCOMPARE(pdu.announcedLength, 17);
    QVERIFY(pdu.decoded);
    QCOMPARE(pdu.message.centreNumber, QStringLiteral("12345678901"));
    QCOMPARE(pdu.message.destination, QStringLiteral("19876543210"));
    QCOMPARE(pdu.message.text, QStringLiteral("abc"));
    QCOMPARE(bench.modem.texts(), (QStringList{QStringLiteral("abc"), QStringLiteral("abc")}));
    QCOMPARE(bench.modem.receivedBytes(), "AT+CMGF=0\r\nAT+CMGS=17\r\n" + ExamplePdu + '\x1a' + ExchangeOfOnePart);
}

void TestModemSimulator::answersAWholeSendWrittenAtOnce()
{
    // A sender in blocking waits hands the modem its commands faster than it answers;
    // the answers then arrive together, in order.
    Bench bench;
    QList<int> counts;
    QObject::connect(&bench.link, &SerialLink::received, &bench.link, [&](int count) { counts << count; });
    bench.link.write("AT+CMGF=0\r\n");
    bench.link.write("AT+CMGS=17\r\n");
    bench.link.write(ExamplePdu + '\x1a');
    QVERIFY(bench.modem.waitForPdus(1));
    QVERIFY(bench.chunks.waitForBytes(20));
    QCOMPARE(bench.chunks.all(), QByteArray("OK\r\n> +CMGS: 1\r\nOK\r\n"));
}

void TestModemSimulator::scriptedErrorAnswers()
{
    using Input = TestModem::Input;
    {
        Bench bench;
        bench.modem.answerWith(Input::Pdu, "+CMS ERROR: 500");
        QCOMPARE(bench.exchange(ExchangeOfOnePart), QByteArray("OK\r\n> +CMS ERROR: 500\r\n"));
        QCOMPARE(bench.exchange(ExchangeOfOnePart), QByteArray("OK\r\n> +CMS ERROR: 500\r\n"));
        // The refused message was still received and can be read.
        QCOMPARE(bench.modem.texts(), (QStringList{QStringLiteral("abc"), QStringLiteral("abc")}));
    }
    {
        // One occurrence wins over every one; an empty answer is no answer.
        Bench bench;
        bench.modem.answerWith(Input::Pdu, "ERROR", 2);
        bench.modem.answerWith(Input::ModeCommand, "ERROR", 3);
        bench.modem.answerWith(Input::LengthCommand, "", 0);
        bench.modem.answerWith(Input::LengthCommand, "> ", 1);
        QCOMPARE(bench.exchange(ExchangeOfOnePart), QByteArray("OK\r\n> \r\n+CMGS: 1\r\nOK\r\n"));
        QCOMPARE(bench.exchange(ExchangeOfOnePart), QByteArray("OK\r\nERROR\r\n"));
        QCOMPARE(bench.exchange(ExchangeOfOnePart), QByteArray("ERROR\r\n+CMGS: 2\r\nOK\r\n"));
    }
    {
        // Refused AT+CMGS: no prompt, and the PDU that follows is text the modem ignores.
        Bench bench;
        bench.modem.answerWith(Input::LengthCommand, "+CMS ERROR: 302", 1);
        QCOMPARE(bench.exchange(ExchangeOfOnePart), QByteArray("OK\r\n+CMS ERROR: 302\r\n"));
        QVERIFY(bench.modem.pdus().isEmpty());
        QCOMPARE(bench.modem.inputs().size(), 3);
        QCOMPARE(bench.exchange(ExchangeOfOnePart), QByteArray("OK\r\n> +CMGS: 1\r\nOK\r\n"));
    }
}

void TestModemSimulator::refusesAPduThatDoesNotMatchItsAnnouncement()
{
    Bench bench;
    QCOMPARE(bench.exchange("AT+CMGS=18\r\n" + ExamplePdu + '\x1a'), QByteArray("> +CMS ERROR: 304\r\n"));
    QCOMPARE(bench.exchange("AT+CMGS=17\r\n07912143658709F1110\x1a"), QByteArray("> +CMS ERROR: 304\r\n"));
    QCOMPARE(bench.modem.pdus().size(), 2);
    QVERIFY(bench.modem.pdus().at(0).decoded);
    QCOMPARE(bench.modem.pdus().at(0).announcedLength, 18);
    QVERIFY(!bench.modem.pdus().at(1).decoded);
}

void TestModemSimulator::escapeAbandonsTheMessage()
{
    Bench bench;
    QCOMPARE(bench.exchange("AT+CMGS=17\r\n0791\x1b"), QByteArray("> "));
    QCOMPARE(bench.exchange("AT+CMGF=0\r\n"), QByteArray("OK\r\n"));
    QVERIFY(bench.modem.pdus().isEmpty());
}

void TestModemSimulator::splitAnswerArrivesInTwoCalls()
{
    Bench bench;
    bench.modem.answerWith(TestModem::Input::ModeCommand, "ERROR");
    bench.modem.setSplit(3, 60);
    bench.link.write("AT+CMGF=0\r\n");
    QVERIFY(bench.chunks.waitForBytes(7));
    QCOMPARE(bench.chunks.chunks(), (QList<QByteArray>{"ERR", "OR\r\n"}));

    // Short answers are not split.
    bench.modem.setSplit(4, 60);
    QCOMPARE(bench.exchange("AT\r\n"), QByteArray("OK\r\n"));
    QCOMPARE(bench.chunks.chunks().size(), 3);
}

void TestModemSimulator::delayedAnswerDoesNotBlockTheEventLoop()
{
    Bench bench;
    bench.modem.setDelay(150);
    // Events flow while the answer waits: a short timer ticks before the answer comes.
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(10);
    connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
    QElapsedTimer sinceRead;
    connect(&bench.modem, &ModemSimulator::inputReceived, this, [&] {
        if (!sinceRead.isValid())
            sinceRead.start();
    });
    int ticksBeforeAnswer = -1;
    qint64 answeredAfter = -1;
    connect(&bench.link, &SerialLink::received, this, [&] {
        if (ticksBeforeAnswer < 0) {
            ticksBeforeAnswer = ticks;
            answeredAfter = sinceRead.elapsed();
        }
    });
    ticker.start();
    bench.link.write(ExchangeOfOnePart);
    QVERIFY(bench.modem.waitForPdus(1));
    QVERIFY(bench.chunks.waitForBytes(20));
    QVERIFY(bench.modem.waitUntilIdle());
    QVERIFY(ticksBeforeAnswer > 0);
    QVERIFY2(answeredAfter >= 150, qPrintable(QString::number(answeredAfter)));
    QCOMPARE(bench.chunks.all(), QByteArray("OK\r\n> +CMGS: 1\r\nOK\r\n"));
}

void TestModemSimulator::silenceAndEcho()
{
    Bench bench;
    bench.modem.setSilent(true);
    QCOMPARE(bench.exchange(ExchangeOfOnePart), QByteArray());
    QCOMPARE(bench.modem.pdus().size(), 1);
    QCOMPARE(bench.modem.sentBytes(), QByteArray());

    bench.modem.setSilent(false);
    bench.modem.setEcho(true);
    QCOMPARE(bench.exchange("AT+CMGF=0\r\n"), QByteArray("AT+CMGF=0\r\nOK\r\n"));
}

void TestModemSimulator::toolRunsTheModemForTrialsByHand()
{
    const QString tool = QFile::decodeName(qgetenv("BRIVORA_TOOLS")) + QStringLiteral("/brivora-modemsim");
    if (!QFile::exists(tool))
        QSKIP("brivora-modemsim is not built");
    QTemporaryDir runtime;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    const QString portFile = runtime.filePath(QStringLiteral("brivora-modemsim.port"));

    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(tool, {QStringLiteral("--cms-error"), QStringLiteral("500")});
    QVERIFY(process.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] { return process.canReadLine(); }, 5000));
    const QString device = QString::fromLocal8Bit(process.readLine().trimmed());
    QVERIFY(device.startsWith(QStringLiteral("/dev/")));
    QFile published(portFile);
    QVERIFY(published.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLocal8Bit(published.readAll().trimmed()), device);

    SerialLink link;
    ReceivedChunks chunks(link);
    SerialSettings settings;
    settings.portName = device;
    link.setSettings(settings);
    link.open();
    link.write(ExchangeOfOnePart);
    QVERIFY(chunks.waitForBytes(23));
    QCOMPARE(chunks.all(), QByteArray("OK\r\n> +CMS ERROR: 500\r\n"));
    link.close();

    process.terminate();
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFile::exists(portFile));
    const QByteArray shown = process.readAll();
    QVERIFY2(shown.contains("to 19876543210 via 12345678901: abc"), shown.constData());
}

QTEST_MAIN(TestModemSimulator)
#include "tst_modemsim.moc"
