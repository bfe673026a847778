#include "broadcast/ScheduleTab.h"

#include "app/DatasetGrid.h"
#include "app/Named.h"
#include "data/DataModule.h"

#include <QGroupBox>
#include <QVBoxLayout>

ScheduleTab::ScheduleTab(DataModule &dm, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , suiDBGrid1(named(new DatasetGrid(dm.q_prj_schedule,
                                       {{QStringLiteral("project_name"), QStringLiteral("Project")},
                                        {QStringLiteral("project_broadcast__date"), QStringLiteral("Schedule")}},
                                       dialogs),
                       "suiDBGrid1"))
{
    setObjectName(QStringLiteral("TabSheet5"));
    auto *box = new QGroupBox(QStringLiteral("List of Broadcast project"));
    (new QVBoxLayout(box))->addWidget(suiDBGrid1);
    (new QVBoxLayout(this))->addWidget(box);
}
