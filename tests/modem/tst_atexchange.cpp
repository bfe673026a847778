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

    void sendMarking(qint64 row, const QString &text, Sender sender)
    {
        exchange.sendOnePart(QStringLiteral("+60120000000"), QStringLiteral("60123456789"), text,
                             waitsFor(sender, 0, 1), [&] { runState.currentDetailId = QString::number(row); });
    }

    QString statusOf(qint64 row) const
    {
        return ws.value(QStringLiteral("select status from project_detail where id = %1").arg(row));
    }
};

} // namespace

class TestAtExchange : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exchangeWritesExactBytesBetweenItsWaits();
    void eachSenderHasItsWaits();
    void errorAnswersMarkTheCurrentRowAndLogIt_data();
    void errorAnswersMarkTheCurrentRowAndLogIt();
    void successAndLowerCaseErrorLeaveTheRowSent();
    void answersQueuedDuringBlockingWaitArriveInOneCall();
    void errorSplitAcrossTwoReadsIsRecognised();
    void errorWithoutCurrentRowIsIgnoredAndHandlingGoesOn();
    void databaseErrorInHandlerIsShownAndDeliveryGoesOn();
    void closedPortFailsAtFirstWriteWithNothingRecorded();
    void refusedTextWritesNothing();
};

void TestAtExchange::exchangeWritesExactBytesBetweenItsWaits()
{
    Bench bench;
    QStringList steps;
    bench.clock.setWaitListener([&](int milliseconds, bool pumping) {
        steps << QStringLiteral("%1 bytes written, wait %2 %3")
                     .arg(bench.modem->receivedBytes().size())
                     .arg(milliseconds)
                     .arg(pumping ? QStringLiteral("P") : QStringLiteral("B"));
    });
    // The modem reads its input from the event loop; let it catch up before each wait.
    bench.exchange.sendOnePart(QStringLiteral("+12345678901"), QStringLiteral("19876543210"), QStringLiteral("abc"),
                               waitsFor(Sender::Announcement, 0, 1), [&] { steps << QStringLiteral("record"); });
    QVERIFY(bench.modem->waitForPdus(1));
    QCOMPARE(bench.modem->receivedBytes(),
             QByteArray("AT+CMGF=0\r\nAT+CMGS=17\r\n07912143658709F111000B919178563412F00000AA0361F118\x1A"));
    QCOMPARE(steps.size(), 4);
    QVERIFY(steps[0].endsWith(QStringLiteral("wait 800 P")));
    QVERIFY(steps[1].endsWith(QStringLiteral("wait 1000 B")));
    QCOMPARE(steps[2], QStringLiteral("record"));
    QVERIFY(steps[3].endsWith(QStringLiteral("wait 5000 P")));
    // During the pumping W1 the modem had read "AT+CMGF=0" and nothing more.
    QVERIFY2(steps[1].startsWith(QStringLiteral("11 bytes")), qPrintable(steps[1]));
    QCOMPARE(bench.modem->pdus().first().message.text, QStringLiteral("abc"));
    QCOMPARE(bench.modem->pdus().first().message.destination, QStringLiteral("19876543210"));
}

void TestAtExchange::eachSenderHasItsWaits()
{
    auto describe = [](const PartWaits &w) {
        auto one = [](const Wait &wait) -> QString {
            return QString::number(wait.milliseconds) + (wait.pumping ? QLatin1Char('P') : QLatin1Char('B'));
        };
        return QStringList{one(w.w1), one(w.w2), one(w.w3)}.join(QLatin1Char(' '));
    };
    QCOMPARE(describe(waitsFor(Sender::Individual, 0, 1)), QStringLiteral("800B 3000B 3000B"));
    QCOMPARE(describe(waitsFor(Sender::Individual, 1, 2)), QStringLiteral("800B 3000B 3000P"));
    QCOMPARE(describe(waitsFor(Sender::Announcement, 0, 1)), QStringLiteral("800P 1000B 5000P"));
    QCOMPARE(describe(waitsFor(Sender::Announcement, 0, 2)), QStringLiteral("800P 1000B 3000P"));
    QCOMPARE(describe(waitsFor(Sender::ScheduleList, 1, 2)), QStringLiteral("800B 1000B 3000P"));
    QCOMPARE(describe(waitsFor(Sender::Greeting, 0, 1)), QStringLiteral("800B 1000B 3000P"));
    QCOMPARE(describe(waitsFor(Sender::FailQueue, 0, 2)), QStringLiteral("800B 1000B 5000P"));
    QCOMPARE(describe(waitsFor(Sender::FailQueue, 1, 2)), QStringLiteral("800B 1000B 3000P"));
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
    const qint64 earlier = bench.addSentRow(QStringLiteral("earlier message"));
    const qint64 row = bench.addSentRow(QStringLiteral("the whole stored message"));
    bench.runState.currentDetailId = QString::number(earlier);
    bench.modem->answerWith(ModemSimulator::Input::Pdu, answer);
    bench.sendMarking(row, QStringLiteral("part"), Sender::Greeting);

    // The row stays current after the send, so a late answer marks it all the same.
    QTRY_COMPARE(bench.statusOf(row), QStringLiteral("FAIL"));
    QCOMPARE(bench.statusOf(earlier), QStringLiteral("SEND"));
    QCOMPARE(bench.ws.rows(QStringLiteral("select project_name, date_send, mobile_number, name, nickname, group_name, "
                                          "msg_send, status from transaction_log")),
             (QList<QStringList>{{u"RAYA"_s, u"2026-12-08 09:00:00"_s, u"60123456789"_s, u"Ali"_s, u"Li"_s, u"STAFF"_s,
                                  u"the whole stored message"_s, u"FAIL"_s}}));
    QVERIFY(bench.dialogs.shown().isEmpty());
}

void TestAtExchange::successAndLowerCaseErrorLeaveTheRowSent()
{
    Bench bench;
    const qint64 ok = bench.addSentRow(QStringLiteral("a"));
    bench.sendMarking(ok, QStringLiteral("a"), Sender::Greeting);
    const qint64 lower = bench.addSentRow(QStringLiteral("b"));
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "error");
    bench.sendMarking(lower, QStringLiteral("b"), Sender::Greeting);
    QVERIFY(bench.modem->waitUntilIdle());
    bench.clock.Delay(50);
    QCOMPARE(bench.statusOf(ok), QStringLiteral("SEND"));
    QCOMPARE(bench.statusOf(lower), QStringLiteral("SEND"));
    QCOMPARE(bench.ws.value(QStringLiteral("select count(*) from transaction_log")), QStringLiteral("0"));
}

void TestAtExchange::answersQueuedDuringBlockingWaitArriveInOneCall()
{
    Bench bench;
    const qint64 first = bench.addSentRow(QStringLiteral("first"));
    const qint64 second = bench.addSentRow(QStringLiteral("second"));
    bench.runState.currentDetailId = QString::number(second);
    QSignalSpy deliveries(&bench.link, &SerialLink::received);
    bench.modem->send("OK\r\n> ");
    bench.clock.sleep(5000); // 50 ms of nothing processed
    bench.modem->send("+CMS ERROR: 500\r\nERROR\r\n");
    bench.clock.sleep(5000);
    bench.clock.Delay(10000);
    QCOMPARE(deliveries.size(), 1);
    QCOMPARE(deliveries.first().first().toInt(), 30);
    // One error chunk marks only the current row, once.
    QCOMPARE(bench.statusOf(second), QStringLiteral("FAIL"));
    QCOMPARE(bench.statusOf(first), QStringLiteral("SEND"));
    QCOMPARE(bench.ws.value(QStringLiteral("select count(*) from transaction_log")), QStringLiteral("1"));
}

void TestAtExchange::errorSplitAcrossTwoReadsIsRecognised()
{
    Bench bench;
    const qint64 row = bench.addSentRow(QStringLiteral("m"));
    bench.runState.currentDetailId = QString::number(row);
    QSignalSpy deliveries(&bench.link, &SerialLink::received);
    bench.modem->send("\r\nERR");
    bench.clock.Delay(5000);
    QCOMPARE(deliveries.size(), 1);
    QCOMPARE(bench.statusOf(row), QStringLiteral("SEND"));
    bench.modem->send("OR\r\n");
    bench.clock.Delay(5000);
    QCOMPARE(deliveries.size(), 2);
    QCOMPARE(bench.statusOf(row), QStringLiteral("FAIL"));

    // What follows a recognised error does not count it again.
    bench.modem->send("OK\r\n");
    bench.clock.Delay(5000);
    QCOMPARE(bench.ws.value(QStringLiteral("select count(*) from transaction_log")), QStringLiteral("1"));

    // Through the modem's own split answers, during a send.
    const qint64 next = bench.addSentRow(QStringLiteral("n"));
    bench.modem->setSplit(3, 1);
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "ERROR");
    bench.sendMarking(next, QStringLiteral("n"), Sender::FailQueue);
    QVERIFY(bench.modem->waitUntilIdle());
    bench.clock.Delay(5000);
    QCOMPARE(bench.statusOf(next), QStringLiteral("FAIL"));
}

void TestAtExchange::errorWithoutCurrentRowIsIgnoredAndHandlingGoesOn()
{
    Bench bench;
    const qint64 row = bench.addSentRow(QStringLiteral("m"));
    bench.modem->send("ERROR\r\n");
    bench.clock.Delay(5000);
    QVERIFY(bench.dialogs.shown().isEmpty());
    QCOMPARE(bench.statusOf(row), QStringLiteral("SEND"));

    bench.runState.currentDetailId = QString::number(row);
    bench.modem->send("ERROR\r\n");
    bench.clock.Delay(5000);
    QCOMPARE(bench.statusOf(row), QStringLiteral("FAIL"));
}

void TestAtExchange::databaseErrorInHandlerIsShownAndDeliveryGoesOn()
{
    Bench bench;
    const qint64 first = bench.addSentRow(QStringLiteral("m"));
    const qint64 second = bench.addSentRow(QStringLiteral("n"));
    bench.runState.currentDetailId = QString::number(first);
    // The log cannot take the FAIL row: the error is shown, the row is marked all the
    // same, and the handler lives on.
    bench.ws.exec(QStringLiteral("drop table transaction_log"));
    bench.modem->send("ERROR\r\n");
    bench.clock.Delay(5000);
    QCOMPARE(bench.dialogs.errors().size(), 1);
    QVERIFY2(bench.dialogs.errors().first().contains(QStringLiteral("transaction_log")),
             qPrintable(bench.dialogs.errors().first()));
    QCOMPARE(bench.statusOf(first), QStringLiteral("FAIL"));

    bench.runState.currentDetailId = QString::number(second);
    bench.modem->send("+CMS ERROR: 38\r\n");
    bench.clock.Delay(5000);
    QCOMPARE(bench.statusOf(second), QStringLiteral("FAIL"));
    QCOMPARE(bench.dialogs.errors().size(), 2);

    // A current id that is no number matches no row; a row deleted meanwhile is not
    // brought back as a new row.
    bench.runState.currentDetailId = QStringLiteral("1 or 1=1");
    bench.modem->send("ERROR\r\n");
    bench.clock.Delay(5000);
    bench.ws.exec(QStringLiteral("delete from project_detail"));
    bench.runState.currentDetailId = QString::number(first);
    bench.modem->send("ERROR\r\n");
    bench.clock.Delay(5000);
    QCOMPARE(bench.ws.value(QStringLiteral("select count(*) from project_detail")), QStringLiteral("0"));
    QCOMPARE(bench.dialogs.errors().size(), 2);
}

void TestAtExchange::closedPortFailsAtFirstWriteWithNothingRecorded()
{
    Bench bench;
    bench.link.close();
    bool recorded = false;
    try {
        bench.exchange.sendOnePart({}, QStringLiteral("60123"), QStringLiteral("hi"), waitsFor(Sender::Greeting, 0, 1),
                                   [&] { recorded = true; });
        QFAIL("wrote to a closed port");
    } catch (const BrivoraError &error) {
        QVERIFY2(error.text().startsWith(QStringLiteral("WriteFile function failed (win error code: ")),
                 qPrintable(error.text()));
    }
    QVERIFY(!recorded);
}

void TestAtExchange::refusedTextWritesNothing()
{
    Bench bench;
    bool recorded = false;
    QVERIFY_THROWS_EXCEPTION(BrivoraError,
                             bench.exchange.sendOnePart({}, QStringLiteral("60123"), QString(161, QLatin1Char('a')),
                                                        waitsFor(Sender::Greeting, 0, 1), [&] { recorded = true; }));
    bench.clock.Delay(2000);
    QVERIFY(bench.modem->receivedBytes().isEmpty());
    QVERIFY(!recorded);
}

QTEST_GUILESS_MAIN(TestAtExchange)
#include "tst_atexchange.moc"
