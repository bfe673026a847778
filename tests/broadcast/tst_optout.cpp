// Numbers that asked for no more messages: one number in every way of writing it, left
// out of the recipients Save && Populate makes, of every bulk send, and asked about before
// a single SMS goes to it.
#include "broadcast/BroadcastRunner.h"
#include "broadcast/IndividualSms.h"
#include "broadcast/ProjectStore.h"
#include "data/OptOutList.h"
#include "data/PhoneNumbers.h"
#include "support/SendBench.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Bench : SendBench {
    Bench()
        : SendBench(QDateTime(QDate(2026, 12, 9), QTime(10, 30)))
        , runner(engine, dm, {[] { return u"RAYA"_s; }, [] { return 0; }, [] { return 0; }, [] {}})
        , individual(engine, dm)
    {
        // Stored in other forms than the contacts hold them, as replies come in.
        ws.exec(u"insert into profile(name, mobile_number, group_name, languages) values "
                "('Ali', '0123456701', 'VIP', 'ENGLISH'), ('Siti', '60123456702', 'VIP', 'ENGLISH'), "
                "('Wong', '+60 12-345 6703', 'VIP', 'ENGLISH'), ('Tan', '0123456704', 'STAFF', 'ENGLISH')"_s);
        OptOutList::add(dm.con, u"60"_s, {0, u"+60123456702"_s, QDateTime(QDate(2026, 12, 1), QTime(9, 5)), u"stop"_s});
        OptOutList::add(dm.con, u"60"_s, {0, u"0123456703"_s, QDateTime(QDate(2026, 12, 2), QTime(9, 0)), u"STOP "_s});
    }

    QList<QStringList> details() const
    {
        return ws.rows(u"select mobile_number, msg_send, ifnull(status, '') from project_detail order by id"_s);
    }

    BroadcastRunner runner;
    IndividualSms individual;
};

} // namespace

class TestOptOut : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyFormOfANumberIsOne();
    void optedOutNumbersGetNoRowAndNoMessage();
    void aSingleSmsToAnOptedOutNumberAsksFirst();
};

void TestOptOut::everyFormOfANumberIsOne()
{
    QCOMPARE(countryCodeOf(u"+60120000015"), u"60"_s);
    QCOMPARE(countryCodeOf(u"+14155550100"), u"1"_s);
    QCOMPARE(countryCodeOf(u"+852 9123 4567"), u"852"_s);
    QCOMPARE(countryCodeOf(u"0044 7700 900123"), u"44"_s);
    QCOMPARE(countryCodeOf(u"+971501234567"), u"971"_s);
    QCOMPARE(countryCodeOf(u""), QString());

    for (const QString &form : {u"+60123456789"_s, u"60123456789"_s, u"0123456789"_s, u"012-345 6789"_s,
                                u"0060123456789"_s, u" +60 12 345 6789 "_s})
        QVERIFY2(sameNumber(form, u"0123456789", u"60"), qPrintable(form));
    // Another country's number is not ours with the same digits, and a short code keeps them all.
    QVERIFY(!sameNumber(u"+6591234567", u"091234567", u"60"));
    QVERIFY(!sameNumber(u"+60123456789", u"0123456780", u"60"));
    QVERIFY(!sameNumber(u"6012", u"12", u"60"));
    // A sender's name is its own key, whatever its letter case.
    QVERIFY(sameNumber(u"MyBank", u"MYBANK", u"60"));
    QVERIFY(!sameNumber(u"MyBank", u"", u"60"));
}

void TestOptOut::optedOutNumbersGetNoRowAndNoMessage()
{
    Bench bench;
    bench.settings.set(Settings::Field::AnnouncementEnding, u"  Reply STOP to stop these messages. "_s);
    ProjectStore projects(bench.dm, bench.settings, bench.dialogs, bench.clock);
    bench.dialogs.answer(Dialogs::Answer::Yes);
    QCOMPARE(projects.saveAndPopulate({u"RAYA"_s, QString(), {u"VIP"_s}, u"Salam"_s, u"Hello"_s}), 1 + 1);
    QCOMPARE(bench.details(),
             (QList<QStringList>{{u"0123456701"_s, u"Hello\r\nReply STOP to stop these messages."_s, QString()}}));

    // Rows made before the numbers asked: the broadcast leaves them as they were.
    bench.ws.exec(u"delete from project_detail"_s);
    bench.addRecipient(u"Ali"_s, u"0123456701"_s, u"Hello Ali"_s);
    bench.addRecipient(u"Siti"_s, u"0123456702"_s, u"Hello Siti"_s);
    bench.addRecipient(u"Wong"_s, u"60123456703"_s, u"Hello Wong"_s);
    bench.dm.q_prj_dtl.repoint(ProjectStore::recipientsSql(u"RAYA"_s));
    bench.runner.start();
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.modem->destinations(), QStringList{u"0123456701"_s});
    QCOMPARE(bench.ws.rows(u"select mobile_number, ifnull(status, '') from project_detail order by id"_s),
             (QList<QStringList>{{u"0123456701"_s, u"SEND"_s}, {u"0123456702"_s, QString()},
                                 {u"60123456703"_s, QString()}}));
    QCOMPARE(bench.ended.last().messagesLeftOut, 2);
    QVERIFY2(bench.ended.last().resultText().endsWith(
                 u"2 messages left out: their numbers asked not to receive messages."_s),
             qPrintable(bench.ended.last().resultText()));

    // Taken off the list in yet another form, the number gets its messages again.
    OptOutList::remove(bench.dm.con, u"60"_s, u"60123456702");
    QCOMPARE(OptOutList::read(bench.dm.con, u"60"_s).entries().size(), 1);
    bench.dialogs.answer(Dialogs::Answer::Yes);
    QCOMPARE(projects.saveAndPopulate({u"RAYA"_s, QString(), {u"VIP"_s}, u"Salam"_s, u"Hello"_s}), 1);
}

void TestOptOut::aSingleSmsToAnOptedOutNumberAsksFirst()
{
    Bench bench;
    bench.dm.q_profile.refresh();
    bench.dm.q_profile.setCurrentRow(2); // Wong, at +60 12-345 6703
    bench.dialogs.answer(Dialogs::Answer::No);
    bench.individual.send(u"Your order is ready"_s);
    QCOMPARE(bench.dialogs.texts(u"confirm"_s),
             QStringList{u"+60 12-345 6703 asked not to receive messages (02/12/2026 09:00: \"STOP \"). Send anyway?"_s});
    QCOMPARE(bench.ws.value(u"select count(*) from transaction_log"_s), u"0"_s);

    bench.dialogs.answer(Dialogs::Answer::Yes);
    bench.individual.send(u"Your order is ready"_s);
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.modem->destinations(), QStringList{u"60 12-345 6703"_s}); // as the contact holds it
}

QTEST_GUILESS_MAIN(TestOptOut)
#include "tst_optout.moc"
