#include "base/Errors.h"
#include "data/Database.h"
#include "data/Dataset.h"
#include "data/JetSql.h"
#include "data/Options.h"
#include "data/Schema.h"
#include "support/ErrorText.h"
#include "support/SqliteShell.h"
#include "support/TestWorkspace.h"

#include <QProcess>
#include <QSqlQuery>
#include <QTest>

#include <sqlite3.h>

namespace {

QStringList column(Dataset &dataset, const QString &field)
{
    QStringList values;
    for (int row = 0; row < dataset.recordCount(); ++row)
        values << dataset.valueAt(row, dataset.fieldIndex(field)).toString();
    return values;
}

QStringList stored(const TestWorkspace &ws, const QString &statement)
{
    QStringList values;
    for (const QStringList &row : ws.rows(statement))
        values << row.first();
    return values;
}

// Every row a reader returns, its cells with their types, so that a NULL, an empty
// text, an integer and a real holding the same digits all differ.
QList<QStringList> readAll(Database &database, const QString &sql)
{
    QList<QStringList> rows;
    const std::unique_ptr<Database::Statement> statement = database.select(sql);
    while (statement->step()) {
        QStringList cells{QString::number(statement->integer(0))};
        const PackedRow row = statement->row(1);
        for (int c = 0; c < row.size(); ++c) {
            const QVariant value = row.value(c);
            cells << (value.isValid() ? QString::fromLatin1(value.typeName()) + QLatin1Char(' ') + value.toString()
                                      : QStringLiteral("NULL"));
        }
        rows << cells;
    }
    return rows;
}

} // namespace

class TestDatabase : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rolledBackWritersShowWhatTheFileHolds();
    void failedCommitRollsBack();
    void writerThatCannotBeReadAgainIsClosed();
    void transactionIsRefusedWhileAnotherProgramWrites();
    void transactionWaitsForAnotherProgramsCommit();
    void fallbackReaderReadsTheSameRows();
    void withoutTheDriverHandleNocaseIsSqlitesOwn();
    void olderFileGetsTheOptionsTableOnce();
    void aSecondSchemaFileGetsItsNewColumnsAndKeepsItsRows();
    void aServerDatabaseWithoutTheTablesIsSaidAsSuch();
    void aDatabaseChangedByANewerProgramIsRefused();
};

void TestDatabase::rolledBackWritersShowWhatTheFileHolds()
{
    TestWorkspace ws;
    ws.exec(QStringLiteral("insert into grouping(group_name) values ('A'), ('B')"));
    Database db;
    Dataset groups(db, QStringLiteral("q_group"), QStringLiteral("select * from grouping"));
    groups.open();
    ws.exec(QStringLiteral("insert into grouping(group_name) values ('OTHER')"));

    try {
        db.transaction([&] {
            groups.edit();
            groups.setValue(QStringLiteral("group_name"), QStringLiteral("A2"));
            groups.post();
            groups.next();
            groups.remove();
            for (const QString &name : {QStringLiteral("OURS1"), QStringLiteral("OURS2")}) {
                groups.append();
                groups.setValue(QStringLiteral("group_name"), name);
                groups.post();
            }
            throw BrivoraError(QStringLiteral("stop"));
        });
        QFAIL("the transaction did not fail");
    } catch (const BrivoraError &error) {
        QCOMPARE(error.text(), QStringLiteral("stop"));
    }
    const QStringList expected{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("OTHER")};
    QCOMPARE(stored(ws, QStringLiteral("select group_name from grouping order by id")), expected);
    QCOMPARE(column(groups, QStringLiteral("group_name")), expected);
    QCOMPARE(groups.state(), Dataset::State::Browse);
}

void TestDatabase::failedCommitRollsBack()
{
    SKIP_ON_SERVER("SQLite's own foreign-key pragma and table syntax");
    TestWorkspace ws;
    ws.exec(QStringLiteral("create table parent(id integer primary key)"));
    ws.exec(QStringLiteral("create table child(id integer primary key autoincrement, "
                           "parent_id integer references parent(id) deferrable initially deferred)"));
    Database db;
    // Checked only at COMMIT: the row goes in, the commit is refused.
    QVERIFY(QSqlQuery(db.connection()).exec(QStringLiteral("PRAGMA foreign_keys = ON")));
    Dataset children(db, QStringLiteral("q_child"), QStringLiteral("select * from child"));
    children.open();
    QVERIFY_THROWS_EXCEPTION(DatabaseError, db.transaction([&] {
        children.append();
        children.setValue(QStringLiteral("parent_id"), 7);
        children.post();
        QCOMPARE(children.recordCount(), 1);
    }));
    QCOMPARE(ws.value(QStringLiteral("select count(*) from child")), QStringLiteral("0"));
    QCOMPARE(children.recordCount(), 0);

    // Nothing of it is left open on the connection.
    db.transaction([&] {
        children.append();
        children.post();
    });
    QCOMPARE(ws.value(QStringLiteral("select count(*) from child")), QStringLiteral("1"));
}

void TestDatabase::writerThatCannotBeReadAgainIsClosed()
{
    SKIP_ON_SERVER("SQLite's table syntax");
    TestWorkspace ws;
    Database db;
    Dataset scratch(db, QStringLiteral("q_scratch"), QStringLiteral("select * from scratch"));
    try {
        db.transaction([&] {
            // Made and posted to inside the transaction, the table is gone after the rollback.
            QVERIFY(QSqlQuery(db.connection())
                        .exec(QStringLiteral("create table scratch(id integer primary key autoincrement, note text)")));
            scratch.open();
            scratch.append();
            scratch.post();

            // A writer destroyed before the rollback is simply passed over.
            auto *gone = new Dataset(db, QStringLiteral("q_group"), QStringLiteral("select * from grouping"));
            gone->open();
            gone->append();
            gone->post();
            delete gone;
            throw BrivoraError(QStringLiteral("stop"));
        });
        QFAIL("the transaction did not fail");
    } catch (const BrivoraError &error) {
        QCOMPARE(error.text(), QStringLiteral("stop"));
    }
    QVERIFY(!scratch.isOpen());
    QCOMPARE(scratch.recordCount(), 0);
    QCOMPARE(ws.value(QStringLiteral("select count(*) from grouping")), QStringLiteral("0"));
}

void TestDatabase::transactionIsRefusedWhileAnotherProgramWrites()
{
    SKIP_ON_SERVER("a lock on the file");
    TestWorkspace ws;
    SqliteShell other(ws.databasePath());
    other.run(QStringLiteral("begin immediate; insert into grouping(group_name) values ('OTHER');"));
    Database db;
    db.setBusyTimeout(100);
    bool ran = false;
    try {
        db.transaction([&] { ran = true; });
        QFAIL("the transaction began beside another program's");
    } catch (const DatabaseError &error) {
        QVERIFY2(error.isPassing(), qPrintable(error.text()));
        QCOMPARE(error.code().toInt() & 0xff, SQLITE_BUSY);
    }
    QVERIFY(!ran); // nothing read before the write lock was ours

    other.run(QStringLiteral("commit;"));
    Dataset groups(db, QStringLiteral("q_group"), QStringLiteral("select * from grouping"));
    db.transaction([&] {
        groups.open();
        groups.append();
        groups.setValue(QStringLiteral("group_name"), QStringLiteral("OURS"));
        groups.post();
    });
    QCOMPARE(stored(ws, QStringLiteral("select group_name from grouping order by id")),
             (QStringList{QStringLiteral("OTHER"), QStringLiteral("OURS")}));
}

void TestDatabase::transactionWaitsForAnotherProgramsCommit()
{
    SKIP_ON_SERVER("a lock on the file");
    TestWorkspace ws;
    SqliteShell other(ws.databasePath());
    other.run(QStringLiteral("begin immediate; insert into grouping(group_name) values ('LATE');"));
    Database db;
    db.setBusyTimeout(60000);
    Dataset groups(db, QStringLiteral("q_group"), QStringLiteral("select * from grouping"));
    groups.open();
    QCOMPARE(groups.recordCount(), 0);

    // However late the shell gets to it, the transaction reads only after that commit.
    other.send(QStringLiteral("commit;"));
    QStringList seen;
    db.transaction([&] {
        groups.refresh();
        seen = column(groups, QStringLiteral("group_name"));
        groups.append();
        groups.setValue(QStringLiteral("group_name"), QStringLiteral("OURS"));
        groups.post();
    });
    QCOMPARE(seen, QStringList{QStringLiteral("LATE")});
    QCOMPARE(stored(ws, QStringLiteral("select group_name from grouping order by id")),
             (QStringList{QStringLiteral("LATE"), QStringLiteral("OURS")}));
}

void TestDatabase::fallbackReaderReadsTheSameRows()
{
    SKIP_ON_SERVER("the file's two readers");
    TestWorkspace ws;
    // DATETIME columns have numeric affinity: they keep integers and reals as such.
    ws.exec(QStringLiteral(
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 3000) "
        "insert into project(project_name, project_date, msg_template_eng, festive, project_broadcast__date, "
        "schedule, date_send) select "
        "case i % 4 when 0 then null when 1 then '' else 'Projek ' || i || ' \u00e9\u20ac' end, "
        "case when i % 5 = 0 then null else printf('2026-%02d-%02d 09:30:15', i % 12 + 1, i % 28 + 1) end, "
        "'baris satu' || char(10) || 'baris ' || i, null, "
        "case i % 3 when 0 then i when 1 then i + 0.25 else null end, "
        "case when i % 2 = 0 then 'YES' end, "
        "case when i % 7 = 0 then -1.5e10 else '2026-12-08 00:00:00' end from n"));
    ws.exec(QStringLiteral("delete from project where id % 10 = 0"));
    ws.exec(QStringLiteral("insert into smsc values ('+601'), (null), ('+603')"));
    ws.exec(QStringLiteral("delete from smsc where center_number = '+601'"));

    Database fast;
    Database slow;
    slow.setDriverHandleAllowed(false);
    for (const char *sql : {"select * from project", "select * from smsc order by center_number desc"}) {
        const QString sqlite = JetSql::translate(QString::fromLatin1(sql), fast).sql;
        const QList<QStringList> expected = readAll(fast, sqlite);
        QCOMPARE(readAll(slow, sqlite), expected);
    }
    QVERIFY(fast.usesDriverHandle());
    QVERIFY(!slow.usesDriverHandle());

    const QList<QStringList> projects = readAll(fast, QStringLiteral("select rowid, * from project"));
    QCOMPARE(projects.size(), 2700);
    QStringList cells;
    for (const QStringList &row : projects.mid(0, 12))
        cells << row;
    for (const char *kind : {"NULL", "qlonglong ", "double ", "QString "})
        QVERIFY2(cells.join(QLatin1Char('|')).contains(QLatin1String(kind)), kind);
    QCOMPARE(readAll(slow, QStringLiteral("select rowid, * from smsc")),
             (QList<QStringList>{{QStringLiteral("2"), QStringLiteral("NULL")},
                                 {QStringLiteral("3"), QStringLiteral("QString +603")}}));

    Dataset fastProjects(fast, QStringLiteral("q_project"), QStringLiteral("select * from project"));
    Dataset slowProjects(slow, QStringLiteral("q_project"), QStringLiteral("select * from project"));
    fastProjects.open();
    slowProjects.open();
    QCOMPARE(slowProjects.recordCount(), fastProjects.recordCount());
    for (int row = 0; row < fastProjects.recordCount(); ++row)
        for (int c = 0; c < fastProjects.fieldNames().size(); ++c)
            QCOMPARE(slowProjects.valueAt(row, c), fastProjects.valueAt(row, c));
    QCOMPARE(slowProjects.dateTime(QStringLiteral("project_date")), QDateTime(QDate(2026, 2, 2), QTime(9, 30, 15)));
}

void TestDatabase::withoutTheDriverHandleNocaseIsSqlitesOwn()
{
    SKIP_ON_SERVER("the file's two readers");
    TestWorkspace ws;
    ws.exec(QStringLiteral("insert into grouping(group_name) values ('\u00e9cole'), ('\u00c9COLE'), ('ecole')"));
    Database db;
    db.setDriverHandleAllowed(false);
    Dataset groups(db, QStringLiteral("q_group"),
                   QStringLiteral("select * from grouping where group_name = \"\u00c9cole\""));
    groups.open();
    QCOMPARE(column(groups, QStringLiteral("group_name")), QStringList{QStringLiteral("\u00c9COLE")});
}

void TestDatabase::olderFileGetsTheOptionsTableOnce()
{
    SKIP_ON_SERVER("files made before the settings table");
    TestWorkspace ws;
    // A file made before the settings table existed, and the tables after it.
    const auto makeOld = [&] {
        for (const char *table : {"options", "modem", "sms_part", "inbox", "inbox_part", "opt_out"})
            ws.exec(QStringLiteral("drop table %1").arg(QLatin1String(table)));
    };
    makeOld();
    {
        Database database;
        Options options(database);
        QCOMPARE(options.value(QString::fromLatin1(Options::AwaitAnswers)), QString());
        options.setValue(QString::fromLatin1(Options::AwaitAnswers), QStringLiteral("YES"));
        options.setValue(QStringLiteral("Answers"), QStringLiteral("NO")); // names ignore letter case
    }
    // Every change since, in one go, and the schema's number.
    QCOMPARE(ws.rows(QStringLiteral("select name, value from options order by name")),
             (QList<QStringList>{{QStringLiteral("answers"), QStringLiteral("NO")},
                                 {QStringLiteral("schema"), QString::number(Schema::latestSchema())}}));
    QCOMPARE(ws.value(QStringLiteral("select count(*) from sqlite_master where name in ('modem', 'sms_part')")),
             QStringLiteral("2"));
    QCOMPARE(ws.value(QStringLiteral("select sql from sqlite_master where name = 'options'")).simplified(),
             QStringLiteral("CREATE TABLE options ( name VARCHAR(100) COLLATE NOCASE PRIMARY KEY CHECK "
                            "(length(name) <= 100), value TEXT )"));

    // Opened again, by this program or another at once, the table is there and kept.
    Database again;
    Database other;
    QCOMPARE(Options(again).value(QStringLiteral("answers")), QStringLiteral("NO"));
    QCOMPARE(Options(other).value(QStringLiteral("ANSWERS")), QStringLiteral("NO"));
    QCOMPARE(ws.value(QStringLiteral("select count(*) from sqlite_master where name = 'options'")),
             QStringLiteral("1"));

    // A file another program holds locked gets the table at the first use after the lock.
    makeOld();
    SqliteShell shell(ws.databasePath());
    shell.run(QStringLiteral("begin exclusive;"));
    Database locked;
    locked.setBusyTimeout(50);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, locked.connection());
    QVERIFY(!locked.isOpen());
    shell.run(QStringLiteral("rollback;"));
    QCOMPARE(Options(locked).value(QStringLiteral("answers")), QString());
    QCOMPARE(ws.value(QStringLiteral("select count(*) from sqlite_master where name = 'options'")),
             QStringLiteral("1"));
}

void TestDatabase::aSecondSchemaFileGetsItsNewColumnsAndKeepsItsRows()
{
    SKIP_ON_SERVER("a file of the second schema");
    TestWorkspace ws;
    for (const char *table : {"sms_part", "inbox", "inbox_part", "opt_out"})
        ws.exec(QStringLiteral("drop table %1").arg(QLatin1String(table)));
    ws.exec(QStringLiteral("create table sms_part (id INTEGER PRIMARY KEY AUTOINCREMENT, log_id INTEGER, "
                           "modem VARCHAR(255) COLLATE NOCASE CHECK (length(modem) <= 255), reference INTEGER, "
                           "sent DATETIME)"));
    ws.exec(QStringLiteral("insert into sms_part (log_id, modem, reference, sent) values (7, '/dev/ttyUSB2', 42, "
                           "'2026-12-01 09:00:00')"));
    ws.exec(QStringLiteral("update options set value = '2' where name = 'schema'"));
    Database database;
    database.connection();
    QCOMPARE(ws.rows(QStringLiteral("select log_id, modem, reference, detail_id, delivery from sms_part")),
             (QList<QStringList>{{QStringLiteral("7"), QStringLiteral("/dev/ttyUSB2"), QStringLiteral("42"),
                                 QStringLiteral("<null>"), QStringLiteral("<null>")}}));
    QCOMPARE(ws.value(QStringLiteral("select count(*) from sqlite_master where name in ('inbox', 'inbox_part', "
                                     "'opt_out')")),
             QStringLiteral("3"));
}

void TestDatabase::aServerDatabaseWithoutTheTablesIsSaidAsSuch()
{
    if (!TestWorkspace::onServer())
        QSKIP("a server's database");
    TestWorkspace ws(false);
    Database database;
    const QString said = errorOf([&] { database.connection(); });
    QVERIFY2(said.startsWith(QStringLiteral("The database postgresql://"))
                 && said.contains(QStringLiteral(" holds no Brivora tables. Make them with: brivora-newdb postgresql://")),
             qPrintable(said));
    QVERIFY(!database.isOpen());
    // A tool that names the server makes them there.
    Database::create(ws.location());
    QVERIFY(Database().hasTables());
}

void TestDatabase::aDatabaseChangedByANewerProgramIsRefused()
{
    TestWorkspace ws;
    QCOMPARE(ws.value(QStringLiteral("select value from options where name = 'schema'")),
             QString::number(Schema::latestSchema()));
    ws.exec(QStringLiteral("update options set value = '%1' where name = 'schema'").arg(Schema::latestSchema() + 1));
    Database database;
    // Nothing is written into rows it may not know.
    QCOMPARE(errorOf([&] { database.connection(); }),
             QStringLiteral("This database was brought up to date by a newer Brivora (schema %1). Please update "
                            "Brivora on this desk.")
                 .arg(Schema::latestSchema() + 1));
    QVERIFY(!database.isOpen());
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
