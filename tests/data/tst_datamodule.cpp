#include "data/DataModule.h"
#include "support/TestWorkspace.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestDataModule : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyQueryObjectHoldsItsDefaultTextToTheLetter();
};

void TestDataModule::everyQueryObjectHoldsItsDefaultTextToTheLetter()
{
    // Blanks and semicolons included: other screens and reports compare against these.
    const QList<QPair<QString, QString>> expected{
        {u"q_profile"_s, u"select * from profile;"_s},
        {u"q_prof"_s, u"select * from profile;"_s},
        {u"q_prof_birthday"_s, u"select * from profile;"_s},
        {u"q_prof_anniversary"_s, u"select * from profile;"_s},
        {u"q_group"_s, u"select * from grouping;"_s},
        {u"q_greeting"_s, u"select * from greeting;"_s},
        {u"q_birthday"_s, u"select * from birthday;"_s},
        {u"q_anniversary"_s, u"select * from anniversary ;"_s},
        {u"q_text_replacement"_s, u"select * from text_replacement;"_s},
        {u"q_smsc"_s, u"select * from smsc;"_s},
        {u"q_languages"_s, u"select * from languages; "_s},
        {u"q_project"_s, u"select * from project ;"_s},
        {u"q_prj"_s, u"select * from project ;"_s},
        {u"q_prj_schedule"_s, u"select * from project ;"_s},
        {u"q_project_group"_s, u"select * from project_group ;"_s},
        {u"q_prj_dtl"_s, u"select * from project_detail ;"_s},
        {u"q_prj_dtl_schedule"_s, u"select * from project_detail ;"_s},
        {u"q_pd_que"_s, u"select * from project_detail where status=\"FAIL\"  order by date_send desc;"_s},
        {u"q_transaction_log"_s, u"select * from transaction_log;"_s},
        {u"rpt_prof"_s, u"select * from profile order by name; "_s},
        {u"rpt_proj_detail"_s, u"select top 10000 * from project_detail order by name;"_s},
    };
    TestWorkspace ws;
    DataModule dm;
    QCOMPARE(dm.objectName(), u"dm"_s);
    const QList<Dataset *> queries = dm.findChildren<Dataset *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(queries.size(), expected.size());
    for (const auto &[name, sql] : expected) {
        auto *query = dm.findChild<Dataset *>(name, Qt::FindDirectChildrenOnly);
        QVERIFY2(query, qPrintable(name));
        QCOMPARE(query->defaultSql(), sql);
        QCOMPARE(query->sql(), sql);
        QVERIFY2(!query->isOpen(), qPrintable(name));
        // Each text is one the data layer reads.
        query->open();
        QVERIFY2(query->isOpen(), qPrintable(name));
    }

    // Only the grids of project messages shorten them.
    dm.con.connection();
    ws.exec(u"insert into project_detail(msg_send, status) values ('%1', 'FAIL')"_s.arg(QString(60, u'm')));
    for (Dataset *query : queries) {
        if (query->table() != u"project_detail"_s)
            continue;
        query->refresh();
        const int column = query->fieldIndex(u"msg_send"_s);
        const bool shortens =
            QStringList{u"q_prj_dtl"_s, u"q_prj_dtl_schedule"_s, u"q_pd_que"_s}.contains(query->objectName());
        QCOMPARE(query->displayText(0, column).size(), shortens ? 50 : 60);
    }
}

QTEST_GUILESS_MAIN(TestDataModule)
#include "tst_datamodule.moc"
