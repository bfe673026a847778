// What comes in through a modem: messages read from the SIM, stored and only then
// deleted there, long ones put together, a reply that opts out, and delivery reports
// matched to the SMS they are about.
#include "broadcast/BroadcastRunner.h"
#include "broadcast/Delivery.h"
#include "broadcast/InboxReader.h"
#include "broadcast/InboxStore.h"
#include "data/OptOutList.h"
#include "modem/NetworkPdu.h"
#include "support/SendBench.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Bench : SendBench {
    Bench()
        : SendBench(QDateTime(QDate(2026, 12, 10), QTime(10, 0)))
    {
        ws.exec(u"insert into profile(name, mobile_number, group_name) values ('Siti', '0123456702', 'VIP')"_s);
        QObject::connect(&engine, &SendEngine::messageStored, &engine,
                [this](const QString &, const QString &number, const QString &text) { came << number + u": "_s + text; });
        QObject::connect(&engine, &SendEngine::warning, &engine,
                [this](const QString &, const QString &text, bool) { warnings << text; });
    }
    QList<QStringList> inbox() const
    {
        return ws.rows(u"select number, text, sent, complete, id_profile from inbox order by id"_s);
    }
    QStringList came;
    QStringList warnings;
};

} // namespace

class TestInbox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void messagesAreStoredThenDeleted();
    void aMessageTheDatabaseRefusedStaysOnTheSim();
    void partsComeInAnyOrderOnceEach();
    void reportsFindTheirPart();
    void aBroadcastAsksForReportsAndShowsThem();
    void aModemThatRoutesReportsInPhase2HasThemAcknowledged();
};

void TestInbox::messagesAreStoredThenDeleted()
{
    Bench bench;
    // One held before the program listened, one announced after.
    bench.modem->deliver(ModemSimulator::deliverPdu(u"60123456702"_s, u"Terima kasih \U0001F600"_s), false);
    bench.engine.hearIncoming();
    QTRY_COMPARE(bench.came.size(), 1);
    bench.modem->deliver(ModemSimulator::deliverPdu(u"60123456799"_s, u" stop "_s));
    QTRY_COMPARE(bench.came.size(), 2);
    QTRY_VERIFY(bench.modem->stored().isEmpty());
    QCOMPARE(bench.inbox(), (QList<QStringList>{
                                {u"+60123456702"_s, u"Terima kasih \U0001F600"_s, u"2026-12-10 01:30:00"_s, u"YES"_s, u"1"_s},
                                {u"+60123456799"_s, u" stop "_s, u"2026-12-10 01:30:00"_s, u"YES"_s, u"<null>"_s}}));
    // A reply of an opt-out word, whole, put its number on the list.
    QVERIFY(OptOutList::read(bench.dm.con, u"60"_s).contains(u"0123456799"));
    QVERIFY(!OptOutList::read(bench.dm.con, u"60"_s).contains(u"0123456702"));
}

void TestInbox::aMessageTheDatabaseRefusedStaysOnTheSim()
{
    Bench bench;
    bench.modem->setStoreRoom(1);
    bench.modem->deliver(ModemSimulator::deliverPdu(u"60123456702"_s, u"Hello"_s), false);
    bench.ws.exec(u"drop table inbox"_s);
    QStringList failures;
    QObject::connect(&bench.engine, &SendEngine::receiveFailed, &bench.engine,
                     [&](const QString &text) { failures << text; });
    bench.engine.hearIncoming();
    QTRY_COMPARE(failures.size(), 1);
    QTRY_COMPARE(bench.warnings,
                 QStringList{QString::fromLatin1(InboxReader::SimFullText).arg(bench.session.port())});
    QCOMPARE(bench.modem->stored().size(), 1);
    QVERIFY(!bench.modem->inputs().contains(u"AT+CMGD=1"_s));
}

void TestInbox::partsComeInAnyOrderOnceEach()
{
    Bench bench;
    bench.engine.hearIncoming();
    const Concatenation second{200, 2, 2};
    bench.modem->deliver(ModemSimulator::deliverPdu(u"60123456702"_s, u" sale!"_s, second));
    bench.modem->deliver(ModemSimulator::deliverPdu(u"60123456702"_s, u" sale!"_s, second)); // the network sent it twice
    QTRY_VERIFY(bench.modem->stored().isEmpty());
    QCOMPARE(bench.ws.value(u"select count(*) from inbox_part"_s), u"1"_s);
    bench.modem->deliver(ModemSimulator::deliverPdu(u"60123456702"_s, u"Big"_s, Concatenation{200, 2, 1}));
    QTRY_COMPARE(bench.came, QStringList{u"+60123456702: Big sale!"_s});
    QCOMPARE(bench.ws.value(u"select count(*) from inbox_part"_s), u"0"_s);
    // A long one in the GSM alphabet, with a character of its extension table, as a phone cuts it.
    const QString longText = QString(40, u'a').append(u"€ ").repeated(4);
    QVERIFY(bench.modem->deliverMessage(u"0123456702"_s, longText));
    QTRY_COMPARE(bench.came.size(), 2);
    QCOMPARE(bench.came.last().trimmed(), u"0123456702: "_s + longText.trimmed());

    // A part whose sibling never comes is a message of its own after a day, incomplete.
    InboxStore store(bench.dm.con, {{u"STOP"_s}, {u"START"_s}, u"60"_s});
    const DeliverPdu lone = decodeNetworkPdu(ModemSimulator::deliverPdu(u"60123456702"_s, u"Half"_s, Concatenation{7, 3, 1})).deliver;
    QVERIFY(!store.storeDeliver(u"/dev/ttyUSB2"_s, lone, bench.clock.now()).madeMessage);
    store.closeStaleParts(bench.clock.now().addSecs(23 * 3600));
    QCOMPARE(bench.ws.value(u"select count(*) from inbox where complete = 'NO'"_s), u"0"_s);
    store.closeStaleParts(bench.clock.now().addSecs(25 * 3600));
    QCOMPARE(bench.ws.rows(u"select text, complete from inbox where complete = 'NO'"_s),
             (QList<QStringList>{{u"Half"_s, u"NO"_s}}));
    // A day counts from the first part: a later part does not stay behind on its own.
    const QDateTime first = bench.clock.now().addSecs(30 * 3600);
    for (int index : {1, 2}) {
        const auto part = decodeNetworkPdu(ModemSimulator::deliverPdu(u"60123456702"_s, index == 1 ? u"First"_s : u" second"_s,
                                                                      Concatenation{8, 3, index}))
                              .deliver;
        store.storeDeliver(u"/dev/ttyUSB2"_s, part, first.addSecs((index - 1) * 20 * 3600));
    }
    store.closeStaleParts(first.addSecs(25 * 3600));
    QCOMPARE(bench.ws.rows(u"select text from inbox where text like 'First%'"_s),
             (QList<QStringList>{{u"First second"_s}}));
    QCOMPARE(bench.ws.value(u"select count(*) from inbox_part"_s), u"0"_s);
}

void TestInbox::reportsFindTheirPart()
{
    Bench bench;
    // Parts sent through two modems, to numbers in their national and international
    // forms; the reference wraps after 255, so an old part may share a new one's.
    bench.ws.exec(u"insert into transaction_log(id, mobile_number, status) values (1, '0123456701', 'SEND'), "
                  "(2, '60123456701', 'SEND'), (3, '0123456702', 'SEND'), (4, '0123456701', 'SEND'), "
                  "(5, '0123456701', 'SEND')"_s);
    bench.ws.exec(u"insert into sms_part(id, log_id, modem, reference, sent, delivery) values "
                  "(1, 1, 'A', 5, '2026-12-06 10:00:00', 'pending'), (2, 2, 'A', 5, '2026-12-09 10:00:00', 'pending'), "
                  "(3, 3, 'A', 5, '2026-12-09 11:00:00', 'pending'), (4, 4, 'B', 5, '2026-12-09 12:00:00', 'pending'), "
                  "(5, 5, 'A', 9, '2026-12-01 10:00:00', 'pending')"_s);
    InboxStore store(bench.dm.con, {{}, {}, u"60"_s});
    const auto report = [](int reference, const QString &number, int status) {
        StatusReportPdu pdu;
        pdu.reference = reference;
        pdu.recipient = {number, NumberKind::International};
        pdu.status = status;
        pdu.dischargeTime = QDateTime(QDate(2026, 12, 10), QTime(9, 45), Qt::UTC);
        return pdu;
    };
    const QDateTime now = bench.clock.now();
    QVERIFY(store.storeReport(u"A"_s, report(5, u"+60123456701"_s, 0x00), now)); // the latest to that number on A
    QVERIFY(store.storeReport(u"A"_s, report(5, u"+60123456702"_s, 0x46), now)); // same reference, other number
    QVERIFY(!store.storeReport(u"A"_s, report(9, u"+60123456701"_s, 0x00), now)); // older than a week
    QVERIFY(!store.storeReport(u"C"_s, report(5, u"+60123456701"_s, 0x00), now)); // no such modem
    QVERIFY(store.storeReport(u"B"_s, report(5, u"0123456701"_s, 0x20), now));
    QCOMPARE(bench.ws.rows(u"select id, delivery, delivery_code, delivery_time from sms_part "
                           "order by id"_s),
             (QList<QStringList>{{u"1"_s, u"pending"_s, u"<null>"_s, u"<null>"_s},
                                 {u"2"_s, u"delivered"_s, u"0"_s, u"2026-12-10 09:45:00"_s},
                                 {u"3"_s, u"failed"_s, u"70"_s, u"2026-12-10 09:45:00"_s},
                                 {u"4"_s, u"trying"_s, u"32"_s, u"2026-12-10 09:45:00"_s},
                                 {u"5"_s, u"pending"_s, u"<null>"_s, u"<null>"_s}}));

    // A report that comes before its SMS is recorded waits for it.
    bench.engine.hearIncoming();
    QSignalSpy heard(&bench.session, &ModemSession::lineHeard);
    const QByteArray early = ModemSimulator::reportPdu(77, u"0123456709"_s, 0x00);
    bench.modem->routeReport(early);
    QTRY_VERIFY(std::any_of(heard.cbegin(), heard.cend(), [&](const QList<QVariant> &line) {
        return line.at(0).toByteArray() == early;
    }));
    bench.ws.exec(u"insert into transaction_log(id, mobile_number, status) values (6, '60123456709', 'SEND')"_s);
    bench.ws.exec(u"insert into sms_part(id, log_id, modem, reference, sent, delivery) values (6, 6, '%1', 77, "
                  "'2026-12-10 10:00:00', 'pending')"_s.arg(bench.session.port()));
    QTRY_COMPARE(bench.ws.value(u"select delivery from sms_part where id = 6"_s), u"delivered"_s);
}

void TestInbox::aBroadcastAsksForReportsAndShowsThem()
{
    Bench bench;
    bench.settings.set(Settings::Field::DeliveryReports, true);
    bench.engine.hearIncoming();
    bench.ws.exec(u"insert into project(project_name) values ('RAYA')"_s);
    const qint64 ali = bench.addRecipient(u"Ali"_s, u"60123456701"_s, u"Hello Ali"_s);
    const qint64 siti = bench.addRecipient(u"Siti"_s, u"0123456702"_s, QString(200, u'a'));
    bench.dm.q_prj_dtl.repoint(u"select * from project_detail where project_name = \"RAYA\""_s);
    BroadcastRunner runner(bench.engine, bench.dm, {[] { return u"RAYA"_s; }, [] { return 0; }, [] { return 0; }, [] {}});
    runner.start();
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.modem->pdus().size(), 3);
    for (const ModemSimulator::ReceivedPdu &pdu : bench.modem->pdus())
        QVERIFY(pdu.message.asksReport);
    const QList<QStringList> parts =
        bench.ws.rows(u"select detail_id, reference, delivery from sms_part order by id"_s);
    QCOMPARE(parts.size(), 3);
    QCOMPARE(parts.at(0).at(0), QString::number(ali));
    QCOMPARE(parts.at(2).at(0), QString::number(siti));
    QCOMPARE(deliveriesOf(bench.dm.con, u"RAYA"_s).byRow,
             (QHash<qint64, QString>{{ali, u"pending"_s}, {siti, u"pending"_s}}));

    // Ali's SMS delivered, routed to the port; one of Siti's two failed, held on the SIM.
    bench.modem->routeReport(ModemSimulator::reportPdu(parts.at(0).at(1).toInt(), u"60123456701"_s, 0x00));
    bench.modem->deliver(ModemSimulator::reportPdu(parts.at(2).at(1).toInt(), u"60123456702"_s, 0x46));
    QTRY_VERIFY(bench.modem->stored().isEmpty());
    QTRY_COMPARE(deliveriesOf(bench.dm.con, u"RAYA"_s).byRow,
                 (QHash<qint64, QString>{{ali, u"delivered 09:45"_s}, {siti, u"failed (0x46)"_s}}));
    const ProjectDeliveries counts = deliveriesOf(bench.dm.con, u"RAYA"_s);
    QCOMPARE(counts.delivered, 1);
    QCOMPARE(counts.failed, 1);
    QCOMPARE(counts.pending, 0);
}

void TestInbox::aModemThatRoutesReportsInPhase2HasThemAcknowledged()
{
    Bench bench;
    bench.settings.set(Settings::Field::DeliveryReports, true);
    bench.modem->setRoutesInPhase2Only(true);
    bench.modem->setReports({0x20, 0x00}, false, 10); // still trying, then delivered
    bench.modem->setReplies(u"Ok"_s);
    bench.engine.hearIncoming();
    bench.session.open(bench.modem->settings()); // as the light opens it
    QTRY_VERIFY(bench.modem->inputs().contains(u"AT+CMGL=4"_s));
    bench.ws.exec(u"insert into project(project_name) values ('RAYA')"_s);
    const qint64 ali = bench.addRecipient(u"Ali"_s, u"0123456701"_s, u"Hello Ali"_s);
    bench.dm.q_prj_dtl.repoint(u"select * from project_detail where project_name = \"RAYA\""_s);
    BroadcastRunner runner(bench.engine, bench.dm, {[] { return u"RAYA"_s; }, [] { return 0; }, [] { return 0; }, [] {}});
    runner.start();
    QVERIFY(bench.waitForRunEnd());
    QTRY_COMPARE_WITH_TIMEOUT(deliveriesOf(bench.dm.con, u"RAYA"_s).byRow.value(ali), u"delivered 09:45"_s, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(bench.came, QStringList{u"0123456701: Ok"_s}, 30000);
    QTRY_COMPARE(bench.modem->inputs().count(u"AT+CNMA"_s), 2);
    const QStringList asked = bench.modem->inputs().filter(QRegularExpression(u"^AT\\+C(SMS|NMI)"_s));
    QCOMPARE(asked, (QStringList{u"AT+CNMI=2,1,0,1,0"_s, u"AT+CSMS=1"_s, u"AT+CNMI=2,1,0,1,0"_s}));
}

QTEST_GUILESS_MAIN(TestInbox)
#include "tst_inbox.moc"
