#pragma once

#include "data/Database.h"
#include "data/Dataset.h"
#include "data/Options.h"

#include <QObject>

// "dm": the database connection and the named query objects every screen shares.
// The connection opens with the first query opened.
class DataModule : public QObject {
    Q_OBJECT

public:
    explicit DataModule(QObject *parent = nullptr);

    Database con;
    Options options{con};

    Dataset q_profile;
    Dataset q_prof;
    Dataset q_prof_birthday;
    Dataset q_prof_anniversary;
    Dataset q_group;
    Dataset q_greeting;
    Dataset q_birthday;
    Dataset q_anniversary;
    Dataset q_text_replacement;
    Dataset q_smsc;
    Dataset q_languages;
    Dataset q_project;
    Dataset q_prj;
    Dataset q_prj_schedule;
    Dataset q_project_group;
    Dataset q_prj_dtl;
    Dataset q_prj_dtl_schedule;
    Dataset q_pd_que;
    Dataset q_transaction_log;
    Dataset rpt_prof;
    Dataset rpt_proj_detail;

    // The query objects the screens show, which follow what other desks change; the
    // reports' own ones (rpt_) keep the rows a report was laid out from.
    QList<Dataset *> shownLists();

    // Grids show the first 50 characters of a stored message.
    static QString shortMessage(const QVariant &message);
};
