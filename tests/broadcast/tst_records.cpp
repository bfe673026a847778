// What the send records keep of a contact's fields, which are copies made when the
// message was composed and may hold what the tables cannot.
#include "base/Clock.h"
#include "base/Errors.h"
#include "broadcast/Records.h"
#include "data/Database.h"
#include "support/SqliteShell.h"
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
        Records records(database, Clock());
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
        Records records(database, Clock());
        MessageRecord record;
        record.nickname = nickname;
        qint64 id = 0;
        records.appendDetail(record, [&](qint64 written) { id = written; });
        QCOMPARE(records.detail(id)->nickname, stored);
        QCOMPARE(ws.value(u"select length(nickname) from project_detail"_s), QString::number(stored.toUcs4().size()));
    }

    void aLockIsWaitedForOnceAndWhatWaitsIsWrittenByItself()
    {
        SKIP_ON_SERVER("a lock on the file; the server's counterpart is a lost connection");
        TestWorkspace ws;
        ws.exec(u"insert into project_detail(project_name, name, msg_send) values ('RAYA', 'Ali', 'Salam')"_s);
        Database database;
        database.setBusyTimeout(100);
        Clock clock;
        clock.setScale(0.01);
        Records records(database, clock);
        SqliteShell other(ws.databasePath());
        other.run(u"begin exclusive;"_s);
        const QDateTime sent(QDate(2026, 12, 9), QTime(10, 30));
        records.markSent(std::make_shared<const qint64>(1), sent); // refused once the busy time-out has passed
        QCOMPARE(records.pendingCount(), 1);
        other.run(u"rollback;"_s);

        // The action that met the lock does not wait for it again, nor ask the database
        // at all: what it records next waits behind the first.
        MessageRecord log;
        log.name = u"Ali"_s;
        log.message = u"Salam "_s;
        log.status = u"SEND"_s;
        log.sent = sent;
        records.appendLog(log);
        QCOMPARE(records.pendingCount(), 2);
        QCOMPARE(ws.value(u"select count(*) from transaction_log"_s), u"0"_s);

        // A timer asks again every few seconds without waiting: once the lock is gone the
        // records reach the file by themselves, in order, no send needed.
        QTRY_COMPARE(records.pendingCount(), 0);
        QCOMPARE(ws.rows(u"select status, date_send from project_detail"_s),
                 (QList<QStringList>{{u"SEND"_s, u"2026-12-09 10:30:00"_s}}));
        QCOMPARE(ws.value(u"select count(*) from transaction_log"_s), u"1"_s);
    }

    void aRecordRefusedForGoodIsToldAndTheRestStillGo()
    {
        SKIP_ON_SERVER("a lock on the file; the server's counterpart is a lost connection");
        TestWorkspace ws;
        Database database;
        database.setBusyTimeout(100);
        Clock clock;
        clock.setScale(0.01);
        Records records(database, clock);
        QStringList told;
        connect(&records, &Records::writeFailed, this, [&](const QString &text) { told << text; });
        const auto sms = [](const QString &number, const QString &message) {
            MessageRecord record;
            record.mobileNumber = number;
            record.message = message;
            record.status = u"SEND"_s;
            return record;
        };
        // Two SMS that went out wait for a lock; then the first can never be written.
        SqliteShell other(ws.databasePath());
        other.run(u"begin exclusive;"_s);
        records.appendLog(sms(u"60111"_s, u"Salam Ali"_s), Records::SentPart{u"ttyUSB0"_s, 7});
        records.appendDetail(sms(u"60222"_s, u"Salam Siti"_s), {});
        QCOMPARE(records.pendingCount(), 2);
        other.run(u"rollback;"_s);
        ws.exec(u"alter table sms_part rename to gone"_s);
        // Its box names the SMS; the one behind it is asked for again by itself.
        QString refusal;
        try {
            records.flush(true);
        } catch (const BrivoraError &error) {
            refusal = error.text();
        }
        QVERIFY2(refusal.startsWith(u"The record of the SMS to 60111 (\"Salam Ali\") could not be stored: "_s),
                 qPrintable(refusal));
        QTRY_COMPARE(records.pendingCount(), 0);
        QCOMPARE(ws.value(u"select mobile_number from project_detail"_s), u"60222"_s);
        QVERIFY(told.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
