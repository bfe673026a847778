// What the send records keep of a contact's fields, which are copies made when the
// message was composed and may hold what the tables cannot.
#include "broadcast/Records.h"
#include "data/Database.h"
#include "support/TestWorkspace.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestRecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nulCharactersAreLeftOut()
    {
        TestWorkspace ws;
        Database database;
        Records records(database);
        MessageRecord record;
        record.name = QChar(u'\0') + QString(300, u'n');
        record.nickname = u"\0Li"_s;
        record.message = u"Hi\0 there"_s;
        record.status = u"SEND"_s;
        qint64 id = 0;
        records.appendDetail(record, [&](qint64 written) { id = written; });
        records.appendLog(record);
        // A name over 255 is cut to 255 of what is stored, not let through by the NUL.
        const QList<QStringList> expected{{u"255"_s, u"Li"_s, u"Hi there"_s}};
        for (const char *table : {"project_detail", "transaction_log"})
            QCOMPARE(ws.rows(QStringLiteral("select length(name), nickname, msg_send from %1").arg(QLatin1String(table))),
                     expected);
        QCOMPARE(records.detail(id)->nickname, u"Li"_s);
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
