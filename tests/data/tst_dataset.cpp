#include "base/Errors.h"
#include "data/DataModule.h"
#include "data/DatasetModel.h"
#include "data/JetSql.h"
#include "data/PackedRow.h"
#include "data/Schema.h"
#include "support/ScriptedDialogs.h"
#include "support/TestWorkspace.h"

#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDataset : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void schemaHasEveryTableFieldAndSize();
    void refreshSeesRowsWrittenElsewhere();
    void repointedTextIsWhatAnotherScreenRefreshes();
    void appendFillsCounterAndWalkCountsExactly();
    void editChangesCurrentRowOnly();
    void editOnEmptyResultInsertsRow();
    void removeDeletesCurrentRow();
    void dialectFeatures();
    void textComparisonIgnoresCase();
    void incomeSortsAsText();
    void overLongValueIsRefusedNamingField();
    void doubleQuotesAreStoredAndFoundAsTyped();
    void nulCharactersAreNeitherStoredNorLookedUp();
    void messagesShowFirstFiftyCharactersInGrids();
    void statementsOutsideTheDialectAreRefused();
    void missingDatabaseFileIsReported();
    void transactionStoresAllOrNothing();
    void packedRowsKeepEveryKindOfCell();
    void newDatabaseToolMakesAReadyDatabase();
    void refusedRowIsNotPostedAgain();
    void editPastLastRowAndLostRowsAreRefused();
    void rowsGivenAreWrittenOnceTheTableMustHoldThem();
};

void TestDataset::schemaHasEveryTableFieldAndSize()
{
    TestWorkspace ws;
    // table: field:size ("c" counter, "m" memo, "d" date/time)
    const QStringList expected{
        QStringLiteral("profile: id_profile:c name:255 nickname:255 mobile_number:25 email:255 group_name:100 "
                       "festive:255 birthday:50 maritial_status:8 aniversary:50 income:6 greeting:100 "
                       "languages:40 notes:m var1:50 var2:50"),
        QStringLiteral("grouping: id:c group_name:150"),
        QStringLiteral("greeting: id:c language:100 greeting:255"),
        QStringLiteral("birthday: id:c auto_broadcast:6 auto_broadcast_time:d msg_eng:m msg_malay:m"),
        QStringLiteral("anniversary: id:c auto_broadcast:6 auto_broadcast_time:d msg_eng:m msg_malay:m"),
        QStringLiteral("text_replacement: id:c name:255 nickname:150 geeting:255 var1:50 var2:50"),
        QStringLiteral("smsc: center_number:50"),
        QStringLiteral("languages: id:c lang1:50 lang2:50"),
        QStringLiteral("project: id:c project_name:255 project_date:d msg_template_eng:m msg_template_malay:m "
                       "festive:40 project_broadcast__date:d schedule:3 date_send:d"),
        QStringLiteral("project_group: id:c project_name:255 group_name:255"),
        QStringLiteral("project_detail: id:c project_name:255 date_send:d mobile_number:255 name:255 nickname:150 "
                       "group_name:100 msg_send:m status:50 festive:70"),
        QStringLiteral("transaction_log: id:c project_name:255 date_send:d mobile_number:255 name:255 "
                       "nickname:150 group_name:100 msg_send:m status:50"),
        QStringLiteral("options: name:100 value:m"),
    };
    Database db;
    QStringList actual;
    for (const QString &line : expected) {
        const QString table = line.section(QLatin1Char(':'), 0, 0);
        QString described = table + QLatin1Char(':');
        for (const Column &column : db.columns(table)) {
            QString kind;
            switch (column.kind) {
                case Column::Kind::Counter:
                    kind = QStringLiteral("c");
                    break;
                case Column::Kind::Memo:
                    kind = QStringLiteral("m");
                    break;
                case Column::Kind::DateTime:
                    kind = QStringLiteral("d");
                    break;
                case Column::Kind::Text:
                    kind = QString::number(column.size);
                    break;
            }
            described += QLatin1Char(' ') + column.name + QLatin1Char(':') + kind;
        }
        actual << described;
    }
    QCOMPARE(actual, expected);
    if (TestWorkspace::onServer()) {
        QCOMPARE(ws.value(QStringLiteral("select count(*) from information_schema.tables "
                                         "where table_schema = current_schema()")),
                 QStringLiteral("18"));
        return;
    }
    QCOMPARE(
        ws.value(QStringLiteral("select count(*) from sqlite_master where type='table' and name not like 'sqlite%'")),
        QStringLiteral("18"));
    QCOMPARE(ws.value(QStringLiteral("pragma journal_mode")), QStringLiteral("wal"));
}

void TestDataset::refreshSeesRowsWrittenElsewhere()
{
    TestWorkspace ws;
    DataModule dm;
    QVERIFY(!dm.con.isOpen());
    dm.q_group.open();
    QVERIFY(dm.con.isOpen());
    QCOMPARE(dm.q_group.recordCount(), 0);
    ws.exec(QStringLiteral("insert into grouping(group_name) values ('STAFF'), ('VIP')"));
    QCOMPARE(dm.q_group.recordCount(), 0); // a snapshot until refreshed
    dm.q_group.next();
    dm.q_group.refresh();
    QCOMPARE(dm.q_group.recordCount(), 2);
    QCOMPARE(dm.q_group.currentRow(), 0);
    QCOMPARE(dm.q_group.text(QStringLiteral("group_name")), QStringLiteral("STAFF"));
}

void TestDataset::repointedTextIsWhatAnotherScreenRefreshes()
{
    TestWorkspace ws;
    ws.exec(QStringLiteral(
        "insert into transaction_log(status, date_send) values "
        "('SEND','2026-01-01 10:00:00'), ('FAIL','2026-01-03 10:00:00'), ('SEND','2026-01-02 10:00:00')"));
    DataModule dm;
    QCOMPARE(dm.q_transaction_log.sql(), QStringLiteral("select * from transaction_log;"));
    dm.q_transaction_log.repoint(QStringLiteral("select top 2 * from transaction_log order by date_send desc"));
    QCOMPARE(dm.q_transaction_log.recordCount(), 2);

    // Another screen refreshes the same query object and appends through it.
    dm.q_transaction_log.refresh();
    QCOMPARE(dm.q_transaction_log.recordCount(), 2);
    QCOMPARE(dm.q_transaction_log.text(QStringLiteral("status")), QStringLiteral("FAIL"));
    dm.q_transaction_log.append();
    dm.q_transaction_log.setValue(QStringLiteral("status"), QStringLiteral("SEND"));
    dm.q_transaction_log.post();
    QCOMPARE(ws.value(QStringLiteral("select count(*) from transaction_log")), QStringLiteral("4"));
}

void TestDataset::appendFillsCounterAndWalkCountsExactly()
{
    TestWorkspace ws;
    DataModule dm;
    Dataset details(dm.con, QStringLiteral("details"), QStringLiteral("select * from project_detail ;"));
    details.open();
    const QDateTime sent(QDate(2026, 12, 8), QTime(9, 30, 15));
    for (int i = 0; i < 3; ++i) {
        details.append();
        details.setValue(QStringLiteral("name"), QStringLiteral("Contact %1").arg(i));
        details.setValue(QStringLiteral("date_send"), sent);
        details.post();
        QCOMPARE(details.value(QStringLiteral("id")).toInt(), i + 1);
    }
    QCOMPARE(ws.value(QStringLiteral("select date_send from project_detail where id = 2")),
             QStringLiteral("2026-12-08 09:30:15"));

    details.refresh();
    QCOMPARE(details.recordCount(), 3);
    QStringList names;
    for (details.first(); !details.eof(); details.next())
        names << details.text(QStringLiteral("name"));
    QCOMPARE(names,
             (QStringList{QStringLiteral("Contact 0"), QStringLiteral("Contact 1"), QStringLiteral("Contact 2")}));
    details.first();
    QCOMPARE(details.dateTime(QStringLiteral("date_send")), sent);
    QVERIFY(details.text(QStringLiteral("status")).isEmpty()); // NULL reads as ""
}

void TestDataset::editChangesCurrentRowOnly()
{
    TestWorkspace ws;
    ws.exec(QStringLiteral("insert into profile(name, income) values ('A', '1'), ('B', '2')"));
    DataModule dm;
    dm.q_profile.open();
    dm.q_profile.next();
    dm.q_profile.edit();
    dm.q_profile.setValue(QStringLiteral("income"), QStringLiteral("300"));
    QCOMPARE(dm.q_profile.text(QStringLiteral("income")), QStringLiteral("300")); // the edit buffer
    dm.q_profile.post();
    QCOMPARE(
        ws.rows(QStringLiteral("select name, income from profile order by name")),
        (QList<QStringList>{{QStringLiteral("A"), QStringLiteral("1")}, {QStringLiteral("B"), QStringLiteral("300")}}));

    dm.q_profile.edit();
    dm.q_profile.setValue(QStringLiteral("income"), QStringLiteral("999"));
    dm.q_profile.cancel();
    QCOMPARE(dm.q_profile.text(QStringLiteral("income")), QStringLiteral("300"));
}

void TestDataset::editOnEmptyResultInsertsRow()
{
    TestWorkspace ws;
    DataModule dm;
    dm.q_smsc.refresh();
    QVERIFY(dm.q_smsc.eof());
    QVERIFY(dm.q_smsc.text(QStringLiteral("center_number")).isEmpty());
    dm.q_smsc.edit();
    dm.q_smsc.setValue(QStringLiteral("center_number"), QStringLiteral("+60123456789"));
    dm.q_smsc.post();
    QCOMPARE(ws.value(QStringLiteral("select count(*) from smsc")), QStringLiteral("1"));

    // The next save edits that first row; a second row is never touched.
    ws.exec(QStringLiteral("insert into smsc values ('second')"));
    dm.q_smsc.refresh();
    dm.q_smsc.edit();
    dm.q_smsc.setValue(QStringLiteral("center_number"), QStringLiteral("+6011"));
    dm.q_smsc.post();
    QCOMPARE(ws.rows(QStringLiteral("select center_number from smsc order by rowid")),
             (QList<QStringList>{{QStringLiteral("+6011")}, {QStringLiteral("second")}}));
}

void TestDataset::removeDeletesCurrentRow()
{
    TestWorkspace ws;
    ws.exec(QStringLiteral("insert into grouping(group_name) values ('A'), ('B'), ('C')"));
    DataModule dm;
    dm.q_group.open();
    dm.q_group.next();
    dm.q_group.remove();
    QCOMPARE(dm.q_group.recordCount(), 2);
    QCOMPARE(dm.q_group.text(QStringLiteral("group_name")), QStringLiteral("C"));
    QCOMPARE(ws.value(QStringLiteral("select group_concat(group_name) from grouping")), QStringLiteral("A,C"));
}

void TestDataset::dialectFeatures()
{
    TestWorkspace ws;
    ws.exec(QStringLiteral("insert into profile(name, birthday, maritial_status, aniversary) values "
                           "('Ali', '08/12/1980', 'MARRIED', '08/12/2005'), ('Bob', '09/12/1970', 'SINGLE', null), "
                           "('Cat', '08/12/1999', 'SINGLE', null), ('Dan', null, null, null)"));
    DataModule dm;
    auto names = [&](Dataset &query, const QString &sql) {
        query.repoint(sql);
        QStringList result;
        for (query.first(); !query.eof(); query.next())
            result << query.text(QStringLiteral("name"));
        return result.join(QLatin1Char(','));
    };
    QCOMPARE(names(dm.q_prof_birthday, QStringLiteral("select * from profile where birthday like \"08/12/%\"")),
             QStringLiteral("Ali,Cat"));
    QCOMPARE(names(dm.q_prof_anniversary,
                   QStringLiteral(
                       "select * from profile where aniversary like \"08/12/%\" and maritial_status = \"MARRIED\"")),
             QStringLiteral("Ali"));
    QCOMPARE(names(dm.q_prof, QStringLiteral("select * from profile where birthday is null")), QStringLiteral("Dan"));
    QCOMPARE(names(dm.q_prof, QStringLiteral("select * from profile where aniversary is not null")),
             QStringLiteral("Ali"));
    QCOMPARE(names(dm.q_prof, QStringLiteral("select top 2 * from profile order by name desc")),
             QStringLiteral("Dan,Cat"));
    QCOMPARE(names(dm.rpt_prof, dm.rpt_prof.defaultSql()), QStringLiteral("Ali,Bob,Cat,Dan"));
    QCOMPARE(names(dm.q_prof, QStringLiteral("select * from profile where name = 'Bob';")), QStringLiteral("Bob"));
}

void TestDataset::textComparisonIgnoresCase()
{
    TestWorkspace ws;
    ws.exec(QStringLiteral(
        "insert into project_detail(project_name, status) values ('Raya', 'FAIL'), ('RAYA', 'fail'), ('x', 'SEND')"));
    DataModule dm;
    dm.q_prj_dtl.repoint(QStringLiteral("select * from project_detail where project_name = \"raya\""));
    QCOMPARE(dm.q_prj_dtl.recordCount(), 2);
    dm.q_pd_que.open(); // status="FAIL" matches "fail" too, as the users' old files expect
    QCOMPARE(dm.q_pd_que.recordCount(), 2);
    dm.q_prj_dtl.repoint(QStringLiteral("select * from project_detail where project_name like \"R%\""));
    QCOMPARE(dm.q_prj_dtl.recordCount(), 2);

    // Beyond ASCII letters too.
    ws.exec(
        QStringLiteral("insert into grouping(group_name) values ('\u00e9cole'), ('Zoo'), ('\u00c9COLE'), ('ecole')"));
    dm.q_group.repoint(QStringLiteral("select * from grouping where group_name = \"\u00c9cole\""));
    QCOMPARE(dm.q_group.recordCount(), 2);
}

void TestDataset::incomeSortsAsText()
{
    TestWorkspace ws;
    ws.exec(QStringLiteral("insert into profile(name, income) values ('a', '1200'), ('b', '900')"));
    DataModule dm;
    dm.rpt_prof.repoint(QStringLiteral("select * from profile order by income desc"));
    QCOMPARE(dm.rpt_prof.text(QStringLiteral("income")), QStringLiteral("900"));
}

void TestDataset::overLongValueIsRefusedNamingField()
{
    TestWorkspace ws;
    DataModule dm;
    dm.q_profile.open();
    dm.q_profile.append();
    dm.q_profile.setValue(QStringLiteral("name"), QStringLiteral("Ali"));
    dm.q_profile.setValue(QStringLiteral("income"), QStringLiteral("1234567"));
    try {
        dm.q_profile.post();
        QFAIL("an income of 7 characters was stored");
    } catch (const BrivoraError &error) {
        QCOMPARE(error.text(), QStringLiteral("The field income takes at most 6 characters"));
    }
    QCOMPARE(ws.value(QStringLiteral("select count(*) from profile")), QStringLiteral("0"));
    dm.q_profile.cancel();
    QCOMPARE(dm.q_profile.recordCount(), 0);

    // Exactly the limit is fine, counted in characters, not bytes.
    dm.q_profile.append();
    dm.q_profile.setValue(QStringLiteral("income"), QStringLiteral("é12345"));
    dm.q_profile.post();
    QCOMPARE(ws.value(QStringLiteral("select income from profile")), QStringLiteral("é12345"));
}

void TestDataset::doubleQuotesAreStoredAndFoundAsTyped()
{
    TestWorkspace ws;
    DataModule dm;
    const QString number = QStringLiteral("+60\"12\" or \"\"=\"");
    dm.q_profile.open();
    dm.q_profile.append();
    dm.q_profile.setValue(QStringLiteral("mobile_number"), number);
    dm.q_profile.post();
    dm.q_profile.append();
    dm.q_profile.setValue(QStringLiteral("mobile_number"), QStringLiteral("+6011"));
    dm.q_profile.post();

    dm.q_prof.repoint(QStringLiteral("select * from profile where mobile_number = ") + JetSql::quote(number));
    QCOMPARE(dm.q_prof.recordCount(), 1);
    QCOMPARE(dm.q_prof.text(QStringLiteral("mobile_number")), number);
    dm.q_prof.repoint(QStringLiteral("select * from profile where mobile_number = ")
                      + JetSql::quote(QStringLiteral("it's")));
    QCOMPARE(dm.q_prof.recordCount(), 0);
}

void TestDataset::nulCharactersAreNeitherStoredNorLookedUp()
{
    TestWorkspace ws;
    DataModule dm;
    dm.q_profile.open();
    dm.q_profile.append();
    dm.q_profile.setValue(QStringLiteral("name"), u"\0Ali\0"_s);
    dm.q_profile.setValue(QStringLiteral("notes"), u"a\0b"_s);
    dm.q_profile.post();
    QCOMPARE(dm.q_profile.text(QStringLiteral("name")), u"Ali"_s); // the snapshot holds what the file holds
    QCOMPARE(ws.rows(QStringLiteral("select name, length(name), notes from profile")),
             (QList<QStringList>{{u"Ali"_s, u"3"_s, u"ab"_s}}));
    // Looked up as it was typed, NUL and all.
    dm.q_prof.repoint(QStringLiteral("select * from profile where name = ") + JetSql::quote(u"A\0li"_s));
    QCOMPARE(dm.q_prof.recordCount(), 1);

    // The size check counts what is stored: SQLite's length() stops at a NUL.
    dm.q_profile.append();
    dm.q_profile.setValue(QStringLiteral("name"), QString(QChar(u'\0') + QString(300, u'n')));
    QVERIFY_THROWS_EXCEPTION(BrivoraError, dm.q_profile.post());
    dm.q_profile.append();
    dm.q_profile.setValue(QStringLiteral("name"), QString(QString(100, u'n') + QChar(u'\0') + QString(155, u'n')));
    dm.q_profile.post();
    QCOMPARE(ws.value(QStringLiteral("select max(length(name)) from profile")), u"255"_s);
}

void TestDataset::messagesShowFirstFiftyCharactersInGrids()
{
    TestWorkspace ws;
    const QString fifty(50, QLatin1Char('a'));
    const QString fiftyOne = fifty + QLatin1Char('b');
    ws.exec(QStringLiteral("insert into project_detail(msg_send, status) values ('%1', 'FAIL'), ('%2', 'FAIL')")
                .arg(fifty, fiftyOne));
    DataModule dm;
    ScriptedDialogs dialogs;
    for (Dataset *shortened : {&dm.q_prj_dtl, &dm.q_prj_dtl_schedule, &dm.q_pd_que}) {
        shortened->open();
        DatasetModel model(*shortened, {{QStringLiteral("msg_send"), QStringLiteral("SMS Message")}}, dialogs);
        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row)
            shown << model.index(row, 0).data().toString();
        shown.sort();
        QCOMPARE(shown, (QStringList{fifty, fifty}));
        shortened->first();
        QVERIFY(shortened->text(QStringLiteral("msg_send")).size() >= 50); // the stored text is whole
    }
    Dataset details(dm.con, QStringLiteral("details"), QStringLiteral("select * from project_detail ;"));
    details.open();
    DatasetModel whole(details, {{QStringLiteral("msg_send"), QStringLiteral("SMS Message")}}, dialogs);
    QCOMPARE(whole.index(1, 0).data().toString(), fiftyOne);

    // Characters as SQLite counts them: an emoji at the cut is shown whole, not half.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString withEmoji = QString(49, QLatin1Char('a')) + emoji;
    QCOMPARE(DataModule::shortMessage(QString(withEmoji + QStringLiteral("bc"))), withEmoji);
}

void TestDataset::statementsOutsideTheDialectAreRefused()
{
    // Translating only names things: neither database is opened.
    Database file(QStringLiteral("Dovrel.mdb"));
    Database server(QStringLiteral("postgresql://brivora@office-pc/brivora"));
    for (const char *statement :
         {"delete from profile", "select name from profile", "select * from profile; drop table profile",
          "select * from profile where name = \"unterminated",
          "select * from profile where id in (select id from grouping)"}) {
        try {
            JetSql::translate(QString::fromLatin1(statement), file);
            QFAIL(statement);
        } catch (const BrivoraError &error) {
            QVERIFY2(error.text().startsWith(QStringLiteral("Statement not understood")), qPrintable(error.text()));
        }
    }
    const QString latest = QStringLiteral("select top 10 * from transaction_log order by date_send desc");
    QCOMPARE(JetSql::translate(latest, file).sql,
             QStringLiteral("SELECT rowid AS __rowid, * FROM transaction_log order by date_send desc LIMIT 10"));
    // Ties and NULLs come in SQLite's order: NULL is the smallest value, then the row key.
    QCOMPARE(JetSql::translate(latest, server).sql,
             QStringLiteral("SELECT \"id\" AS __rowid, \"id\", \"project_name\", \"date_send\", \"mobile_number\", "
                            "\"name\", \"nickname\", \"group_name\", \"msg_send\", \"status\" FROM "
                            "\"transaction_log\" order by date_send desc NULLS LAST, \"id\" LIMIT 10"));
    const QString quoted = QStringLiteral("select * from grouping where group_name=\"it's \"\"x\"\"\";  ");
    QCOMPARE(JetSql::translate(quoted, file).sql,
             QStringLiteral("SELECT rowid AS __rowid, * FROM grouping where group_name='it''s \"x\"'"));
    QCOMPARE(JetSql::translate(quoted, server).sql,
             QStringLiteral("SELECT \"id\" AS __rowid, \"id\", \"group_name\" FROM \"grouping\" "
                            "where group_name='it''s \"x\"' ORDER BY \"id\""));
}

void TestDataset::missingDatabaseFileIsReported()
{
    SKIP_ON_SERVER("the file's own message");
    TestWorkspace ws(false);
    DataModule dm;
    try {
        dm.q_profile.open();
        QFAIL("opened a missing database");
    } catch (const BrivoraError &error) {
        QVERIFY2(error.text().startsWith(QStringLiteral("Could not find file '")), qPrintable(error.text()));
        QVERIFY(error.text().endsWith(QStringLiteral("Dovrel.mdb'")));
    }
    QVERIFY(!QFile::exists(ws.databasePath())); // never created behind the user's back
}

void TestDataset::transactionStoresAllOrNothing()
{
    TestWorkspace ws;
    DataModule dm;
    dm.q_project_group.open();
    try {
        dm.con.transaction([&] {
            dm.q_project_group.append();
            dm.q_project_group.setValue(QStringLiteral("group_name"), QStringLiteral("A"));
            dm.q_project_group.post();
            throw BrivoraError(QStringLiteral("stop"));
        });
    } catch (const BrivoraError &) {
    }
    QCOMPARE(ws.value(QStringLiteral("select count(*) from project_group")), QStringLiteral("0"));
    dm.con.transaction([&] {
        dm.q_project_group.append();
        dm.q_project_group.post();
    });
    QCOMPARE(ws.value(QStringLiteral("select count(*) from project_group")), QStringLiteral("1"));
}

void TestDataset::packedRowsKeepEveryKindOfCell()
{
    const QVector<QVariant> values{QVariant(),
                                   QVariant(QMetaType(QMetaType::QString)),
                                   QString(QLatin1String("")),
                                   QStringLiteral("Selamat Hari Raya \u20ac\nbaris dua"),
                                   QVariant::fromValue<qlonglong>(-42),
                                   2.5,
                                   QStringLiteral("x")};
    const PackedRow row = PackedRow::fromValues(values);
    QCOMPARE(row.size(), 7);
    QVERIFY(row.value(0).isNull());
    QVERIFY(row.value(1).isNull());
    QCOMPARE(row.value(2).typeId(), QMetaType::QString);
    QVERIFY(!row.value(2).toString().isNull());
    QCOMPARE(row.value(3).toString(), values[3].toString());
    QCOMPARE(row.value(4), QVariant::fromValue<qlonglong>(-42));
    QCOMPARE(row.value(5).toDouble(), 2.5);
    QCOMPARE(row.value(6).toString(), QStringLiteral("x"));
    QVERIFY(!row.value(7).isValid());
    QCOMPARE(PackedRow().size(), 0);
}

void TestDataset::refusedRowIsNotPostedAgain()
{
    TestWorkspace ws;
    DataModule dm;
    Dataset details(dm.con, QStringLiteral("details"), QStringLiteral("select * from project_detail ;"));
    details.open();
    details.append();
    details.setValue(QStringLiteral("nickname"), QString(151, QLatin1Char('n')));
    QVERIFY_THROWS_EXCEPTION(BrivoraError, details.post());
    QCOMPARE(details.state(), Dataset::State::Browse);
    // The next row goes in on its own.
    details.append();
    details.setValue(QStringLiteral("nickname"), QStringLiteral("Li"));
    details.post();
    QCOMPARE(ws.rows(QStringLiteral("select nickname from project_detail")), (QList<QStringList>{{u"Li"_s}}));
}

void TestDataset::editPastLastRowAndLostRowsAreRefused()
{
    TestWorkspace ws;
    ws.exec(QStringLiteral("insert into grouping(group_name) values ('A')"));
    DataModule dm;
    dm.q_group.open();
    dm.q_group.next();
    QVERIFY(dm.q_group.eof());
    QVERIFY_THROWS_EXCEPTION(BrivoraError, dm.q_group.edit());
    QCOMPARE(ws.value(QStringLiteral("select count(*) from grouping")), QStringLiteral("1"));

    // A row deleted by another program since it was read is not "updated" silently.
    dm.q_group.first();
    ws.exec(QStringLiteral("delete from grouping"));
    dm.q_group.edit();
    dm.q_group.setValue(QStringLiteral("group_name"), QStringLiteral("B"));
    try {
        dm.q_group.post();
        QFAIL("updated a row that is gone");
    } catch (const BrivoraError &error) {
        QVERIFY(error.text().startsWith(QStringLiteral("Row cannot be located for updating")));
    }
    QCOMPARE(ws.value(QStringLiteral("select count(*) from grouping")), QStringLiteral("0"));
}

void TestDataset::rowsGivenAreWrittenOnceTheTableMustHoldThem()
{
    // Each change runs on a query object that read its rows and on one given the same rows:
    // the grid, the cursor and the table must come out alike, before and after a refresh.
    const QStringList names{u"A"_s, u"B"_s, u"C"_s};
    const auto setName = [](Dataset &groups, int row, const QString &name) {
        groups.setCurrentRow(row);
        groups.edit();
        groups.setValue(u"group_name"_s, name);
        groups.post();
    };
    const struct {
        const char *what;
        std::function<void(Dataset &)> change;
    } changes[] = {
        {"a cell posted, then another",
         [&](Dataset &groups) {
             setName(groups, 1, u"B2"_s);
             setName(groups, 2, u"C2"_s);
         }},
        {"a cell posted unchanged",
         [](Dataset &groups) {
             groups.setCurrentRow(2);
             groups.edit();
             groups.post();
         }},
        {"a row appended, then edited",
         [&](Dataset &groups) {
             groups.append();
             groups.setValue(u"group_name"_s, u"D"_s);
             groups.post();
             setName(groups, 3, u"D2"_s);
         }},
        {"the current row removed",
         [](Dataset &groups) {
             groups.setCurrentRow(1);
             groups.remove();
         }},
        {"a row before the current one removed",
         [&](Dataset &groups) {
             groups.setCurrentRow(2);
             groups.removeRow(0);
             setName(groups, 1, u"C2"_s);
         }},
        {"a row read again", [](Dataset &groups) { groups.reread(1); }},
        {"refreshed", [](Dataset &groups) { groups.refresh(); }},
        {"repointed", [](Dataset &groups) { groups.repoint(u"select * from grouping where group_name <> \"A\""_s); }},
        {"closed and opened",
         [](Dataset &groups) {
             groups.close();
             groups.open();
         }},
    };
    for (const auto &[what, change] : changes) {
        QStringList seen[2]; // read, given: a line for each row of the grid and of the table
        for (const bool given : {false, true}) {
            TestWorkspace ws;
            DataModule dm;
            ScriptedDialogs dialogs;
            Dataset groups(dm.con, u"groups"_s, u"select * from grouping"_s);
            DatasetModel grid(groups, {}, dialogs);
            int writes = 0;
            const auto write = [&] {
                ++writes;
                dm.con.transaction([&] {
                    Database::RowInsert insert(dm.con, u"grouping"_s, {u"group_name"_s});
                    for (const QString &name : names)
                        insert.add({name});
                    insert.finish();
                });
            };
            if (given) {
                QVector<PackedRow> rows;
                for (qlonglong id = 1; id <= names.size(); ++id)
                    rows << PackedRow::fromValues({id, names.at(id - 1)});
                groups.repointWithRows(groups.sql(), rows, write);
            } else {
                write();
                groups.open();
            }
            // Walking the rows, and an edit or an insert given up, need nothing of the table.
            groups.next();
            groups.edit();
            groups.setValue(u"group_name"_s, u"X"_s);
            groups.cancel();
            groups.append();
            groups.cancel();
            if (given) {
                QCOMPARE(writes, 0);
                QCOMPARE(ws.value(u"select count(*) from grouping"_s), u"0"_s);
            }
            const auto look = [&](const char *when) {
                QStringList &lines = seen[given];
                lines << u"%1 %2, current row %3"_s.arg(QLatin1String(what), QLatin1String(when))
                             .arg(groups.currentRow());
                for (int row = 0; row < grid.rowCount(); ++row) {
                    QStringList cells;
                    for (int column = 0; column < grid.columnCount(); ++column)
                        cells << grid.index(row, column).data().toString();
                    lines << u"grid: "_s + cells.join(u'|');
                }
                for (const QStringList &stored : ws.rows(u"select id, group_name from grouping order by id"_s))
                    lines << u"table: "_s + stored.join(u'|');
            };
            change(groups);
            look("changed");
            groups.refresh();
            look("refreshed");
            QCOMPARE(writes, 1);
        }
        QCOMPARE(seen[true], seen[false]);
    }
}

void TestDataset::newDatabaseToolMakesAReadyDatabase()
{
    TestWorkspace ws(false);
    const QString tool = qEnvironmentVariable("BRIVORA_TOOLS") + QStringLiteral("/brivora-newdb");
    QCOMPARE(QProcess::execute(tool, {ws.location()}), 0);
    QCOMPARE(ws.value(TestWorkspace::onServer()
                          ? QStringLiteral("select count(*) from information_schema.tables "
                                           "where table_schema = current_schema()")
                          : QStringLiteral("select count(*) from sqlite_master where type='table' and "
                                           "name not like 'sqlite%'")),
             QStringLiteral("18"));
    QCOMPARE(ws.rows(QStringLiteral("select lang1, lang2 from languages")),
             (QList<QStringList>{{u"ENGLISH"_s, u"MALAY"_s}}));
    // The latest schema, with its number.
    QCOMPARE(ws.value(QStringLiteral("select value from options where name = 'schema'")),
             QString::number(Schema::latestSchema()));
    // An existing database is never overwritten.
    ws.exec(QStringLiteral("insert into profile(name) values ('kept')"));
    QCOMPARE(QProcess::execute(tool, {ws.location()}), 1);
    QCOMPARE(ws.value(QStringLiteral("select count(*) from profile")), QStringLiteral("1"));
}

QTEST_GUILESS_MAIN(TestDataset)
#include "tst_dataset.moc"
