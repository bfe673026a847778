// The failed-message queue sent again: every "FAIL" row newest first, whatever sent it,
// its stored message as it is, each row marked as its first part goes out; and what
// the modem or the encoder refuses meanwhile.
#include "widgets/DatasetGrid.h"
#include "widgets/DatasetNavigator.h"
#include "broadcast/FailQueue.h"
#include "broadcast/QueueTab.h"
#include "support/SendBench.h"

#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

struct Bench : SendBench {
    Bench()
        : SendBench(QDateTime(QDate(2026, 12, 9), QTime(11, 0)))
        , queue(engine, dm)
    {
        dm.q_pd_que.open();
    }

    // A failed row of that origin, sent at that moment.
    void addFailed(const QString &project, const QString &number, const QString &sent, const QString &message)
    {
        ws.exec(u"insert into project_detail(project_name, date_send, mobile_number, name, nickname, group_name, "
                "msg_send, status) values ('%1', '%2', '%3', 'Client %3', 'Nick', 'STAFF', '%4', 'FAIL')"_s.arg(
                    project, sent, number, message));
    }
    QList<QStringList> details() const
    {
        return ws.rows(u"select mobile_number, date_send, status from project_detail order by id"_s);
    }

    FailQueue queue;
};

const QString Resent = u"2026-12-09 11:00:00"_s;

} // namespace

class TestFailQueue : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void resendsEveryFailedRowNewestFirst();
    void secondPartRefusedFailsTheRowForTheNextResend();
    void emptyQueueAndClosedPort();
    void unicodeRowsGoOutAsTheyWereStored();
    void tabRefusesChangesToTheQueueWhileItIsSent();
};

void TestFailQueue::resendsEveryFailedRowNewestFirst()
{
    Bench bench;
    bench.addFailed(u"RAYA"_s, u"6011"_s, u"2026-12-01 09:00:00"_s, u"Salam Ali"_s);
    bench.addFailed(u"BIRTHDAY"_s, u"6022"_s, u"2026-12-03 09:00:00"_s, u"Happy birthday"_s);
    bench.addFailed(u"ANNIVERSARY"_s, u"6033"_s, u"2026-12-02 09:00:00"_s, twoPartText());
    bench.addFailed(u"INDIVIDUAL"_s, u"6044"_s, u"2026-12-04 09:00:00"_s, u"Hello <name>"_s);
    bench.ws.exec(u"insert into project_detail(project_name, mobile_number, msg_send, status) values ('RAYA', '6055', "
                  "'Sent', 'SEND')"_s);
    bench.queue.start();
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(5));
    QCOMPARE(bench.modem->destinations(), (QStringList{u"6044"_s, u"6022"_s, u"6033"_s, u"6033"_s, u"6011"_s}));
    // Stored messages go as they are: no token is replaced again.
    QCOMPARE(bench.modem->texts().first(), u"Hello <name> "_s);
    QCOMPARE(bench.details(),
             (QList<QStringList>{{u"6011"_s, Resent, u"SEND"_s},
                                 {u"6022"_s, Resent, u"SEND"_s},
                                 {u"6033"_s, Resent, u"SEND"_s},
                                 {u"6044"_s, Resent, u"SEND"_s},
                                 {u"6055"_s, u"<null>"_s, u"SEND"_s}}));
    QCOMPARE(bench.ws.rows(u"select mobile_number, status from transaction_log order by id"_s),
             (QList<QStringList>{{u"6044"_s, u"SEND"_s},
                                 {u"6022"_s, u"SEND"_s},
                                 {u"6033"_s, u"SEND"_s},
                                 {u"6033"_s, u"SEND"_s},
                                 {u"6011"_s, u"SEND"_s}}));
    QCOMPARE(bench.runState.progressCurrent, 0);
    // The list keeps what it showed until it is read again.
    QCOMPARE(bench.dm.q_pd_que.recordCount(), 4);
    bench.dm.q_pd_que.refresh();
    QCOMPARE(bench.dm.q_pd_que.recordCount(), 0);
}

void TestFailQueue::secondPartRefusedFailsTheRowForTheNextResend()
{
    Bench bench;
    bench.addFailed(u"RAYA"_s, u"6011"_s, u"2026-12-01 09:00:00"_s, twoPartText());
    bench.addFailed(u"RAYA"_s, u"6022"_s, u"2026-12-02 09:00:00"_s, u"Short"_s);
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 500", 3); // 6011's second part
    // Taken during that part's last wait, the 9th, however long the modem takes.
    bench.holdWaitUntilFailLogged(9);
    bench.queue.start();
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(3));
    QCOMPARE(bench.details(), (QList<QStringList>{{u"6011"_s, Resent, u"FAIL"_s}, {u"6022"_s, Resent, u"SEND"_s}}));
    bench.dm.q_pd_que.refresh();
    QCOMPARE(bench.dm.q_pd_que.recordCount(), 1);

    bench.clock.setFixedNow(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
    bench.clock.setWaitListener({});
    bench.queue.start();
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(5));
    QCOMPARE(bench.modem->destinations().mid(3), (QStringList{u"6011"_s, u"6011"_s}));
    QCOMPARE(bench.details().first(), (QStringList{u"6011"_s, u"2026-12-09 12:00:00"_s, u"SEND"_s}));
}

void TestFailQueue::emptyQueueAndClosedPort()
{
    Bench bench;
    bench.queue.start();
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->pdus().isEmpty());
    QVERIFY(bench.dialogs.shown().isEmpty());
    QCOMPARE(bench.runState.progressCurrent, 0);

    bench.addFailed(u"RAYA"_s, u"6011"_s, u"2026-12-01 09:00:00"_s, u"Salam"_s);
    bench.link.close();
    bench.queue.start();
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.dialogs.errors().size(), 1);
    QVERIFY(bench.dialogs.errors().first().startsWith(u"WriteFile function failed (win error code: "_s));
    QCOMPARE(bench.details(), (QList<QStringList>{{u"6011"_s, u"2026-12-01 09:00:00"_s, u"FAIL"_s}}));
}

void TestFailQueue::unicodeRowsGoOutAsTheyWereStored()
{
    Bench bench;
    bench.addFailed(u"RAYA"_s, u"6011"_s, u"2026-12-01 09:00:00"_s, u"Later"_s);
    bench.addFailed(u"RAYA"_s, u"6022"_s, u"2026-12-02 09:00:00"_s, u"Untuk \u9648\u5927\u6587 \U0001F382"_s);
    bench.addFailed(u"RAYA"_s, u"6033"_s, u"2026-12-03 09:00:00"_s, u"First"_s);
    bench.queue.start();
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.dialogs.shown().isEmpty());
    QCOMPARE(bench.modem->shownTexts(),
             (QStringList{u"First "_s, u"Untuk \u9648\u5927\u6587 \U0001F382 "_s, u"Later "_s}));
    QCOMPARE(bench.modem->pdus().at(1).message.alphabet, Alphabet::Ucs2);
    QCOMPARE(bench.details(),
             (QList<QStringList>{
                 {u"6011"_s, Resent, u"SEND"_s}, {u"6022"_s, Resent, u"SEND"_s}, {u"6033"_s, Resent, u"SEND"_s}}));
}

void TestFailQueue::tabRefusesChangesToTheQueueWhileItIsSent()
{
    Bench bench;
    QueueTab tab(bench.dm, bench.dialogs, bench.queue);
    bench.addFailed(u"RAYA"_s, u"6011"_s, u"2026-12-01 09:00:00"_s, u"One"_s);
    bench.addFailed(u"RAYA"_s, u"6022"_s, u"2026-12-02 09:00:00"_s, u"Two"_s);
    QTest::mouseClick(tab.suiButton5, Qt::LeftButton);
    QCOMPARE(tab.suiDBGrid3->model()->rowCount(), 2);

    auto *deleteButton = tab.suiDBNavigator1->findChild<QToolButton *>();
    bool clicked = false;
    bench.clock.setWaitListener([&](int milliseconds, bool) {
        if (milliseconds != 5000 || clicked)
            return;
        clicked = true; // during the first message's last wait
        QTest::mouseClick(tab.suiButton5, Qt::LeftButton);
        QTest::mouseClick(deleteButton, Qt::LeftButton);
        QTest::mouseClick(tab.suiButton4, Qt::LeftButton);
    });
    QTest::mouseClick(tab.suiButton4, Qt::LeftButton);
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(2));
    QCOMPARE(bench.dialogs.warnings(), QStringList(3, QString::fromLatin1(RunState::BusyText)));
    QCOMPARE(bench.ws.value(u"select count(*) from project_detail where status = 'SEND'"_s), u"2"_s);
    QCOMPARE(bench.modem->pdus().size(), 2);

    // Done, the queue can be read again: nothing failed this time.
    QTest::mouseClick(tab.suiButton5, Qt::LeftButton);
    QCOMPARE(tab.suiDBGrid3->model()->rowCount(), 0);
}

QTEST_MAIN(TestFailQueue)
#include "tst_failqueue.moc"
