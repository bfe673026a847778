// What the send records keep of a contact's fields, which are copies made when the
// message was composed and may hold what the tables cannot.
#include "broadcast/Records.h"
#include "data/Database.h"
#include "support/TestWorkspace.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestRecords : public QObject {
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
            QCOMPARE(
                ws.rows(QStringLiteral("select length(name), nickname, msg_send from %1").arg(QLatin1String(table))),
                expected);
        QCOMPARE(records.detail(id)->nickname, u"Li"_s);
    }

    void fieldsAreCutAtWholeCharacters_data()
    {
        const QString smile = u"\U0001F600"_s;
        QTest::addColumn<QString>("nickname");
        QTest::addColumn<QString>("stored");
        QTest::newRow("emoji ending at the limit") << QString(149, u'n') + smile + u'x' << QString(149, u'n') + smile;
        QTest::newRow("emoji just past the limit") << QString(150, u'n') + smile << QString(150, u'n');
        QTest::newRow("150 emoji fit") << smile.repeated(150) << smile.repeated(150);
        QTest::newRow("151 emoji") << smile.repeated(151) << smile.repeated(150);
    }
    void fieldsAreCutAtWholeCharacters()
    {
        QFETCH(QString, nickname);
        QFETCH(QString, stored);
        TestWorkspace ws;
        Database database;
        Records records(database);
        MessageRecord record;
        record.nickname = nickname;
        qint64 id = 0;
        records.appendDetail(record, [&](qint64 written) { id = written; });
        QCOMPARE(records.detail(id)->nickname, stored);
        QCOMPARE(ws.value(u"select length(nickname) from project_detail"_s), QString::number(stored.toUcs4().size()));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
