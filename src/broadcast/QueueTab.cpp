#include "broadcast/QueueTab.h"

#include "app/DatasetGrid.h"
#include "app/Named.h"
#include "data/DataModule.h"

#include <QVBoxLayout>

QueueTab::QueueTab(DataModule &dm, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , suiDBGrid3(named(new DatasetGrid(dm.q_pd_que,
                                       {{QStringLiteral("date_send"), QStringLiteral("Send Date")},
                                        {QStringLiteral("mobile_number"), QStringLiteral("Mobile Number")},
                                        {QStringLiteral("name"), QStringLiteral("Name")},
                                        {QStringLiteral("project_name"), QStringLiteral("Project")},
                                        {QStringLiteral("msg_send"), QStringLiteral("SMS Message")}},
                                       dialogs),
                       "suiDBGrid3"))
{
    setObjectName(QStringLiteral("suiTabSheet1"));
    (new QVBoxLayout(this))->addWidget(suiDBGrid3);
}
