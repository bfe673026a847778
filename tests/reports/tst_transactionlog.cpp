// The "Transaction Log" tab: the latest log rows as lines of text, newest first.
#include "data/DataModule.h"
#include "reports/TransactionLog.h"
#include "reports/TransactionLogTab.h"
#include "support/ScriptedDialogs.h"
#include "support/TestWorkspace.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTest>

using namespace Qt::StringLiterals;

class TestTransactionLog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
    void showsTheLatestRowsAsLines();
};

void TestTransactionLog::showsTheLatestRowsAsLines()
{
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    DataModule dm;
    TransactionLogTab tab(dm, dialogs);
    QComboBox *lines = tab.suiComboBox1;
    QCOMPARE(lines->currentIndex(), -1);
    QVERIFY(!lines->isEditable());
    QStringList items;
    for (int i = 0; i < lines->count(); ++i)
        items << lines->itemText(i);
    QCOMPARE(items, (QStringList{u"100"_s, u"1000"_s, u"10000"_s, u"15000"_s, u"500"_s, u"5000"_s, u"50000"_s}));

    auto choose = [&](const QString &count) {
        tab.suiMemo1->setPlainText(u"typed, never stored"_s);
        lines->setCurrentText(count);
        Q_EMIT lines->activated(lines->currentIndex());
        return tab.suiMemo1->toPlainText();
    };
    QCOMPARE(choose(u"100"_s), QString()); // an empty log

    ws.exec(u"insert into transaction_log(date_send, status, project_name, mobile_number, name, nickname, group_name, "
            "msg_send) values "
            "('2026-12-08 09:15:02', 'SEND', 'RAYA', '6011', 'Ali', 'Li', 'STAFF', 'Salam'), "
            "('2026-12-09 00:00:00', 'FAIL', 'BIRTHDAY', '6022', 'Siti', '', 'VIP', 'Two' || char(13, 10) || 'lines'), "
            "('2026-12-08 09:15:02', null, null, '6033', 'Abu', 'Bu', 'STAFF', 'Same time'), "
            "(null, 'SEND', 'INDIVIDUAL', '6044', 'Chan', 'Ch', '', '')"_s);
    QCOMPARE(choose(u"500"_s).split(u'\n'),
             (QStringList{u"09/12/2026 | FAIL | BIRTHDAY | 6022 | Siti |  | VIP | Two"_s, u"lines"_s,
                          u"08/12/2026 09:15:02 | SEND | RAYA | 6011 | Ali | Li | STAFF | Salam"_s,
                          u"08/12/2026 09:15:02 |  |  | 6033 | Abu | Bu | STAFF | Same time"_s,
                          u" | SEND | INDIVIDUAL | 6044 | Chan | Ch |  | "_s}));
    QCOMPARE(dm.q_transaction_log.sql(), TransactionLog::statement(u"500"_s));
}

QTEST_MAIN(TestTransactionLog)
#include "tst_transactionlog.moc"
