// One part's exchange with the modem: its bytes and waits at the fixed pace, the error
// answers the failure marker takes, and the answers pace that waits for each answer.
#include "support/SendBench.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Everything one exchange needs, on a fresh database and a test modem.
struct Bench : SendBench {
    Bench()
        : SendBench(QDateTime(QDate(2026, 12, 8), QTime(9, 0)))
    {
    }

    // A project_detail row as a runner leaves it after writing the PDU.
    qint64 addSentRow(const QString &message)
    {
        MessageRecord record;
        record.projectName = QStringLiteral("RAYA");
        record.mobileNumber = QStringLiteral("60123456789");
        record.name = QStringLiteral("Ali");
        record.nickname = QStringLiteral("Li");
        record.groupName = QStringLiteral("STAFF");
        record.message = message;
        record.status = QStringLiteral("SEND");
        record.sent = clock.now();
        qint64 id = 0;
        records.appendDetail(record, [&](qint64 written) { id = written; });
        return id;
    }

    // Sends one part and waits for its result; record runs as the sender's would.
    PartResult send(const QString &text, Sender sender, const std::function<void()> &record = {})
    {
        return send({QStringLiteral("+60120000000"), QStringLiteral("60123456789"), gsm(text), waitsFor(sender, 0, 1)},
                    record);
    }
    PartResult send(const PartRequest &request, const std::function<void()> &record)
    {
        return sendPart(request, [&] {
            ++recorded;
            if (record)
                record();
        });
    }

    // As a runner sends: the row becomes current right after the PDU.
    PartResult sendMarking(qint64 row, const QString &text, Sender sender)
    {
        return send(text, sender, [&] { lane.setCurrentDetailId(row); });
    }

    QString statusOf(qint64 row) const
    {
        return ws.value(QStringLiteral("select status from project_detail where id = %1").arg(row));
    }
    QString logRows() const { return ws.value(QStringLiteral("select count(*) from transaction_log")); }

    int recorded = 0;
};

QString outcome(const PartResult &result)
{
    switch (result.outcome) {
        case PartResult::Outcome::Written:
            return u"written"_s;
        case PartResult::Outcome::Confirmed:
            return u"confirmed"_s;
        case PartResult::Outcome::Refused:
            return u"refused"_s;
        case PartResult::Outcome::Unanswered:
            return u"unanswered"_s;
        case PartResult::Outcome::Lost:
            return u"lost"_s;
        case PartResult::Outcome::Failed:
            return u"failed"_s;
    }
    return {};
}

} // namespace

class TestAtExchange : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exchangeWritesExactBytesBetweenItsWaits();
    void eachSenderHasItsWaits();
    void errorAnswersMarkTheCurrentRowAndLogIt_data();
    void errorAnswersMarkTheCurrentRowAndLogIt();
    void successAndLowerCaseErrorLeaveTheRowSent();
    void errorDuringAHoldingWaitMarksTheRowCurrentAtTheNextExaminingWait();
    void errorSplitAcrossTwoReadsIsRecognised();
    void errorWithoutCurrentRowIsIgnoredAndHandlingGoesOn();
    void databaseErrorInHandlerIsShownAndDeliveryGoesOn();
    void closedPortFailsAtFirstWriteWithNothingRecorded();
    void refusedTextWritesNothing();

    void answersPaceMovesOnEachAnswer_data();
    void answersPaceMovesOnEachAnswer();
    void answersPaceIgnoresEchoAndLinesTheModemSendsOnItsOwn();
    void answersPaceTellsLateErrorsToNoRow();
};

void TestAtExchange::exchangeWritesExactBytesBetweenItsWaits()
{
    Bench bench;
    QStringList steps;
    bench.clock.setWaitListener([&](int milliseconds, bool examinesAnswers) {
        steps << QStringLiteral("wait %1 %2").arg(milliseconds).arg(examinesAnswers ? u"E"_s : u"H"_s);
    });
    const PartResult result =
        bench.send({u"+12345678901"_s, u"19876543210"_s, gsm(u"abc"_s), waitsFor(Sender::Announcement, 0, 1)},
                   [&] { steps << u"record"_s; });
    QCOMPARE(outcome(result), u"written"_s);
    QCOMPARE(steps, (QStringList{u"wait 800 E"_s, u"wait 1000 H"_s, u"record"_s, u"wait 5000 E"_s}));
    QCOMPARE(bench.modem->receivedBytes(),
             QByteArray("AT+CMGF=0\r\nAT+CMGS=17\r\n07912143658709F111000B919178563412F00000AA0361F118\x1A"));
    QCOMPARE(bench.modem->pdus().first().message.text, u"abc"_s);
    QCOMPARE(bench.exchange.partsWritten(), 1u);
    QVERIFY(!bench.exchange.isSending());
}

void TestAtExchange::eachSenderHasItsWaits()
{
    auto describe = [](const PartWaits &w) {
        auto one = [](const Wait &wait) -> QString {
            return QString::number(wait.milliseconds) + (wait.examinesAnswers ? QLatin1Char('E') : QLatin1Char('H'));
        };
        return QStringList{one(w.w1), one(w.w2), one(w.w3)}.join(QLatin1Char(' '));
    };
    QCOMPARE(describe(waitsFor(Sender::Individual, 0, 1)), u"800H 3000H 3000H"_s);
    QCOMPARE(describe(waitsFor(Sender::Individual, 1, 2)), u"800H 3000H 3000E"_s);
    QCOMPARE(describe(waitsFor(Sender::Announcement, 0, 1)), u"800E 1000H 5000E"_s);
    QCOMPARE(describe(waitsFor(Sender::Announcement, 0, 2)), u"800E 1000H 3000E"_s);
    QCOMPARE(describe(waitsFor(Sender::ScheduleList, 1, 2)), u"800H 1000H 3000E"_s);
    QCOMPARE(describe(waitsFor(Sender::Greeting, 0, 1)), u"800H 1000H 3000E"_s);
    QCOMPARE(describe(waitsFor(Sender::FailQueue, 0, 2)), u"800H 1000H 5000E"_s);
    QCOMPARE(describe(waitsFor(Sender::FailQueue, 1, 2)), u"800H 1000H 3000E"_s);
}

void TestAtExchange::errorAnswersMarkTheCurrentRowAndLogIt_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("ERROR") << QByteArray("ERROR");
    QTest::newRow("+CMS ERROR: 500") << QByteArray("+CMS ERROR: 500");
}

void TestAtExchange::errorAnswersMarkTheCurrentRowAndLogIt()
{
    QFETCH(QByteArray, answer);
    Bench bench;
    const qint64 earlier = bench.addSentRow(u"earlier message"_s);
    const qint64 row = bench.addSentRow(u"the whole stored message"_s);
    bench.lane.setCurrentDetailId(earlier);
    bench.modem->answerWith(ModemSimulator::Input::Pdu, answer);
    // The fixed pace does not wait for the answer: the part is written, and the answer
    // marks whatever row is current when it comes.
    QCOMPARE(outcome(bench.sendMarking(row, u"part"_s, Sender::Greeting)), u"written"_s);
    QTRY_COMPARE(bench.statusOf(row), u"FAIL"_s);
    QCOMPARE(bench.statusOf(earlier), u"SEND"_s);
    QCOMPARE(bench.ws.rows(u"select project_name, date_send, mobile_number, name, nickname, group_name, "
                           "msg_send, status from transaction_log"_s),
             (QList<QStringList>{{u"RAYA"_s, u"2026-12-08 09:00:00"_s, u"60123456789"_s, u"Ali"_s, u"Li"_s, u"STAFF"_s,
                                  u"the whole stored message"_s, u"FAIL"_s}}));
    QVERIFY(bench.dialogs.shown().isEmpty());
}

void TestAtExchange::successAndLowerCaseErrorLeaveTheRowSent()
{
    Bench bench;
    const qint64 ok = bench.addSentRow(u"a"_s);
    bench.sendMarking(ok, u"a"_s, Sender::Greeting);
    const qint64 lower = bench.addSentRow(u"b"_s);
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "error");
    bench.sendMarking(lower, u"b"_s, Sender::Greeting);
    QVERIFY(bench.modem->waitUntilRead());
    QCOMPARE(bench.statusOf(ok), u"SEND"_s);
    QCOMPARE(bench.statusOf(lower), u"SEND"_s);
    QCOMPARE(bench.logRows(), u"0"_s);
}

void TestAtExchange::errorDuringAHoldingWaitMarksTheRowCurrentAtTheNextExaminingWait()
{
    Bench bench;
    const qint64 before = bench.addSentRow(u"before"_s);
    const qint64 row = bench.addSentRow(u"this part"_s);
    bench.lane.setCurrentDetailId(before);
    // The modem refuses the mode command; the answer comes during W1, which holds it.
    bench.modem->answerWith(ModemSimulator::Input::ModeCommand, "ERROR");
    QStringList seenAtWaits;
    bench.clock.setWaitListener([&](int, bool) {
        QVERIFY(bench.modem->waitUntilRead());
        seenAtWaits << bench.statusOf(before) + QLatin1Char('/') + bench.statusOf(row);
    });
    bench.sendMarking(row, u"part"_s, Sender::FailQueue);
    // Held through W1 and W2; the row the part made current takes it as W3 begins.
    QCOMPARE(seenAtWaits, (QStringList{u"SEND/SEND"_s, u"SEND/SEND"_s, u"SEND/FAIL"_s}));
    QCOMPARE(bench.statusOf(before), u"SEND"_s);
    QCOMPARE(bench.logRows(), u"1"_s);

    // A wait that holds answers to the end of the part: they are taken once it ends.
    const qint64 single = bench.addSentRow(u"single"_s);
    bench.clock.setWaitListener({});
    bench.modem->answerWith(ModemSimulator::Input::ModeCommand, "OK");
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "ERROR");
    bench.sendMarking(single, u"one"_s, Sender::Individual);
    QTRY_COMPARE(bench.statusOf(single), u"FAIL"_s);
    QCOMPARE(bench.logRows(), u"2"_s);
}

void TestAtExchange::errorSplitAcrossTwoReadsIsRecognised()
{
    Bench bench;
    const qint64 row = bench.addSentRow(u"m"_s);
    bench.lane.setCurrentDetailId(row);
    QSignalSpy deliveries(&bench.link, &SerialLink::received);
    bench.modem->send("\r\nERR");
    QTRY_COMPARE(deliveries.size(), 1);
    QCOMPARE(bench.statusOf(row), u"SEND"_s);
    bench.modem->send("OR\r\n");
    QTRY_COMPARE(deliveries.size(), 2);
    QCOMPARE(bench.statusOf(row), u"FAIL"_s);

    // What follows a recognised error does not count it again.
    bench.modem->send("OK\r\n");
    QTRY_COMPARE(deliveries.size(), 3);
    QCOMPARE(bench.logRows(), u"1"_s);

    // Through the modem's own split answers, during a send.
    const qint64 next = bench.addSentRow(u"n"_s);
    bench.modem->setSplit(3, 1);
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "ERROR");
    bench.sendMarking(next, u"n"_s, Sender::FailQueue);
    QVERIFY(bench.modem->waitUntilRead());
    QCOMPARE(bench.statusOf(next), u"FAIL"_s);
}

void TestAtExchange::errorWithoutCurrentRowIsIgnoredAndHandlingGoesOn()
{
    Bench bench;
    const qint64 row = bench.addSentRow(u"m"_s);
    bench.modem->send("ERROR\r\n");
    QVERIFY(bench.modem->waitUntilRead());
    QVERIFY(bench.dialogs.shown().isEmpty());
    QCOMPARE(bench.statusOf(row), u"SEND"_s);

    bench.lane.setCurrentDetailId(row);
    bench.modem->send("ERROR\r\n");
    QTRY_COMPARE(bench.statusOf(row), u"FAIL"_s);
}

void TestAtExchange::databaseErrorInHandlerIsShownAndDeliveryGoesOn()
{
    Bench bench;
    const qint64 first = bench.addSentRow(u"m"_s);
    const qint64 second = bench.addSentRow(u"n"_s);
    bench.lane.setCurrentDetailId(first);
    // The log cannot take the FAIL row: the error is shown, the row is marked all the
    // same, and the handler lives on.
    bench.ws.exec(u"drop table transaction_log"_s);
    bench.modem->send("ERROR\r\n");
    QTRY_COMPARE(bench.dialogs.errors().size(), 1);
    QVERIFY2(bench.dialogs.errors().first().contains(u"transaction_log"_s), qPrintable(bench.dialogs.errors().first()));
    QCOMPARE(bench.statusOf(first), u"FAIL"_s);

    bench.lane.setCurrentDetailId(second);
    bench.modem->send("+CMS ERROR: 38\r\n");
    QTRY_COMPARE(bench.statusOf(second), u"FAIL"_s);
    // The box opens from the event loop once the answer is handled.
    QTRY_COMPARE(bench.dialogs.errors().size(), 2);

    // A row deleted meanwhile is not brought back as a new row.
    bench.ws.exec(u"delete from project_detail"_s);
    bench.lane.setCurrentDetailId(first);
    bench.modem->send("ERROR\r\n");
    QVERIFY(bench.modem->waitUntilRead());
    QCoreApplication::processEvents();
    QCOMPARE(bench.ws.value(u"select count(*) from project_detail"_s), u"0"_s);
    QCOMPARE(bench.dialogs.errors().size(), 2);
}

void TestAtExchange::closedPortFailsAtFirstWriteWithNothingRecorded()
{
    Bench bench;
    bench.link.close();
    bool recorded = false;
    try {
        bench.exchange.sendPart(
            {{}, u"60123"_s, gsm(u"hi"_s), waitsFor(Sender::Greeting, 0, 1)}, [&] { recorded = true; },
            [](const PartResult &) { QFAIL("a part that never started ended"); });
        QFAIL("wrote to a closed port");
    } catch (const BrivoraError &error) {
        QVERIFY2(error.text().startsWith(u"WriteFile function failed (win error code: "_s), qPrintable(error.text()));
    }
    QVERIFY(!recorded);
    QVERIFY(!bench.exchange.isSending());
}

void TestAtExchange::refusedTextWritesNothing()
{
    Bench bench;
    bool recorded = false;
    QVERIFY_THROWS_EXCEPTION(BrivoraError,
                             bench.exchange.sendPart(
                                 {{}, u"60123"_s, gsm(QString(161, u'a')), waitsFor(Sender::Greeting, 0, 1)},
                                 [&] { recorded = true; }, [](const PartResult &) {}));
    QVERIFY(bench.modem->waitUntilRead());
    QVERIFY(bench.modem->receivedBytes().isEmpty());
    QVERIFY(!recorded);
}

void TestAtExchange::answersPaceMovesOnEachAnswer_data()
{
    QTest::addColumn<QByteArray>("lengthAnswer");
    QTest::addColumn<QByteArray>("messageAnswer");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("pdus");
    QTest::addColumn<double>("timeoutScale");
    QTest::newRow("confirmed") << QByteArray() << QByteArray() << false << u"confirmed"_s << 1 << 1.0;
    QTest::newRow("message refused") << QByteArray() << QByteArray("+CMS ERROR: 500") << false << u"refused"_s << 1
                                     << 1.0;
    QTest::newRow("length refused") << QByteArray("+CME ERROR: 3") << QByteArray() << false << u"refused"_s << 0 << 1.0;
    QTest::newRow("silent modem") << QByteArray() << QByteArray() << true << u"unanswered"_s << 0 << 0.01;
}

void TestAtExchange::answersPaceMovesOnEachAnswer()
{
    QFETCH(QByteArray, lengthAnswer);
    QFETCH(QByteArray, messageAnswer);
    QFETCH(bool, silent);
    QFETCH(QString, outcome);
    QFETCH(int, pdus);
    Bench bench;
    QFETCH(double, timeoutScale);
    bench.exchange.setPace(Pace::Answers);
    // The waits are only the longest a modem may take: a modem that answers is never
    // hurried by them, a silent one makes them run out.
    bench.clock.setTimeoutScale(timeoutScale);
    QSignalSpy errors(&bench.exchange, &AtExchange::errorAnswered);
    if (!lengthAnswer.isEmpty())
        bench.modem->answerWith(ModemSimulator::Input::LengthCommand, lengthAnswer);
    if (!messageAnswer.isEmpty())
        bench.modem->answerWith(ModemSimulator::Input::Pdu, messageAnswer);
    bench.modem->setSilent(silent);
    QStringList waits;
    bench.clock.setWaitListener([&](int milliseconds, bool) { waits << QString::number(milliseconds); });
    const PartResult result = bench.send(u"hello"_s, Sender::Announcement);
    QCOMPARE(::outcome(result), outcome);
    QCOMPARE(bench.modem->pdus().size(), pdus);
    // Every part has its record step, so its row can be marked, sent or not.
    QCOMPARE(bench.recorded, 1);
    // The table's waits bound the first two answers; the message's answer may take a minute.
    QCOMPARE(waits.mid(0, 2), (QStringList{u"800"_s, u"1000"_s}));
    if (pdus == 1)
        QCOMPARE(waits.value(2), u"60000"_s);
    // An unanswered prompt is taken back, so the modem is ready for the next command.
    QVERIFY(bench.modem->waitUntilRead());
    if (silent)
        QTRY_VERIFY(bench.modem->receivedBytes().endsWith('\x1B'));
    else
        QVERIFY(!bench.modem->receivedBytes().contains('\x1B'));
    QCOMPARE(errors.size(), 0);
    QVERIFY(!bench.exchange.isSending());
}

void TestAtExchange::answersPaceIgnoresEchoAndLinesTheModemSendsOnItsOwn()
{
    Bench bench;
    bench.exchange.setPace(Pace::Answers);
    bench.clock.setTimeoutScale(1);
    bench.modem->setEcho(true);
    bench.modem->setUnsolicitedLines(
        {"^RSSI: 14", "RING", "+CMTI: \"SM\",3", "+CREG: 1", "^BOOT:1,0,0,0,6", "+CDS: 25", "ERRORS: none"});
    bench.modem->setSplit(4, 1);
    for (const QString &text : {u"one"_s, u"two"_s, u"three"_s})
        QCOMPARE(outcome(bench.send(text, Sender::FailQueue)), u"confirmed"_s);
    QCOMPARE(bench.modem->texts(), (QStringList{u"one"_s, u"two"_s, u"three"_s}));
}

void TestAtExchange::answersPaceTellsLateErrorsToNoRow()
{
    Bench bench;
    bench.exchange.setPace(Pace::Answers);
    bench.clock.setTimeoutScale(1);
    const qint64 row = bench.addSentRow(u"m"_s);
    QCOMPARE(outcome(bench.sendMarking(row, u"m"_s, Sender::Greeting)), u"confirmed"_s);
    // An error after the part has had its answer belongs to no part of this program.
    bench.modem->send("+CMS ERROR: 500\r\n");
    QVERIFY(bench.modem->waitUntilRead());
    QCOMPARE(bench.statusOf(row), u"SEND"_s);
    QCOMPARE(bench.logRows(), u"0"_s);
}

QTEST_GUILESS_MAIN(TestAtExchange)
#include "tst_atexchange.moc"
