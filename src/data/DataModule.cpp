#include "data/DataModule.h"

DataModule::DataModule(QObject *parent)
    : QObject(parent)
    , q_profile(con, QStringLiteral("q_profile"), QStringLiteral("select * from profile;"), this)
    , q_prof(con, QStringLiteral("q_prof"), QStringLiteral("select * from profile;"), this)
    , q_prof_birthday(con, QStringLiteral("q_prof_birthday"), QStringLiteral("select * from profile;"), this)
    , q_prof_anniversary(con, QStringLiteral("q_prof_anniversary"), QStringLiteral("select * from profile;"), this)
    , q_group(con, QStringLiteral("q_group"), QStringLiteral("select * from grouping;"), this)
    , q_greeting(con, QStringLiteral("q_greeting"), QStringLiteral("select * from greeting;"), this)
    , q_birthday(con, QStringLiteral("q_birthday"), QStringLiteral("select * from birthday;"), this)
    , q_anniversary(con, QStringLiteral("q_anniversary"), QStringLiteral("select * from anniversary ;"), this)
    , q_text_replacement(con, QStringLiteral("q_text_replacement"), QStringLiteral("select * from text_replacement;"),
                         this)
    , q_smsc(con, QStringLiteral("q_smsc"), QStringLiteral("select * from smsc;"), this)
    , q_languages(con, QStringLiteral("q_languages"), QStringLiteral("select * from languages; "), this)
    , q_project(con, QStringLiteral("q_project"), QStringLiteral("select * from project ;"), this)
    , q_prj(con, QStringLiteral("q_prj"), QStringLiteral("select * from project ;"), this)
    , q_prj_schedule(con, QStringLiteral("q_prj_schedule"), QStringLiteral("select * from project ;"), this)
    , q_project_group(con, QStringLiteral("q_project_group"), QStringLiteral("select * from project_group ;"), this)
    , q_prj_dtl(con, QStringLiteral("q_prj_dtl"), QStringLiteral("select * from project_detail ;"), this)
    , q_prj_dtl_schedule(con, QStringLiteral("q_prj_dtl_schedule"), QStringLiteral("select * from project_detail ;"),
                         this)
    , q_pd_que(con, QStringLiteral("q_pd_que"),
               QStringLiteral("select * from project_detail where status=\"FAIL\"  order by date_send desc;"), this)
    , q_transaction_log(con, QStringLiteral("q_transaction_log"), QStringLiteral("select * from transaction_log;"),
                        this)
    , rpt_prof(con, QStringLiteral("rpt_prof"), QStringLiteral("select * from profile order by name; "), this)
    , rpt_proj_detail(con, QStringLiteral("rpt_proj_detail"),
                      QStringLiteral("select top 10000 * from project_detail order by name;"), this)
{
    setObjectName(QStringLiteral("dm"));
    for (Dataset *messages : {&q_prj_dtl, &q_prj_dtl_schedule, &q_pd_que})
        messages->setDisplayHandler(QStringLiteral("msg_send"), &DataModule::shortMessage);
}

QList<Dataset *> DataModule::shownLists()
{
    return {&q_profile,          &q_prof,          &q_prof_birthday,    &q_prof_anniversary, &q_group,
            &q_greeting,         &q_birthday,      &q_anniversary,      &q_text_replacement, &q_smsc,
            &q_languages,        &q_project,       &q_prj,              &q_prj_schedule,     &q_project_group,
            &q_prj_dtl,          &q_prj_dtl_schedule, &q_pd_que,        &q_transaction_log};
}

QString DataModule::shortMessage(const QVariant &message)
{
    return Database::leftCharacters(message.toString(), 50);
}
