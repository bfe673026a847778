#include "broadcast/ScheduleTab.h"

#include "widgets/DatasetGrid.h"
#include "widgets/Named.h"
#include "base/Errors.h"
#include "broadcast/ProjectStore.h"
#include "broadcast/RecipientGrid.h"
#include "broadcast/ScheduleListRunner.h"
#include "data/DataModule.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

ScheduleTab::ScheduleTab(DataModule &dm, Dialogs &dialogs, ScheduleListRunner &runner, QWidget *parent)
    : QWidget(parent)
    , suiDBGrid1(named(new DatasetGrid(dm.q_prj_schedule,
                                       {{QStringLiteral("project_name"), QStringLiteral("Project")},
                                        {QStringLiteral("project_broadcast__date"), QStringLiteral("Schedule")}},
                                       dialogs),
                       "suiDBGrid1"))
    , CheckBox6(named(new QCheckBox(QStringLiteral("Not yet broadcast")), "CheckBox6"))
    , deliveryColumn(new DeliveryColumn(dm.q_prj_dtl_schedule, dm.con, this))
    , suiDBGrid2(named(recipientGrid(dm.q_prj_dtl_schedule, *deliveryColumn, dialogs), "suiDBGrid2"))
    , suiButton1(named(new QPushButton(QStringLiteral("Start Broadcasting")), "suiButton1"))
    , m_dm(dm)
    , m_dialogs(dialogs)
    , m_runner(runner)
{
    setObjectName(QStringLiteral("TabSheet5"));
    suiDBGrid1->horizontalHeader()->setStretchLastSection(true);

    // Also when the box is set by code: the list always shows the view the box names.
    connect(CheckBox6, &QCheckBox::toggled, this, [this] { guarded(m_dialogs, [this] { CheckBox6Click(); }); });
    connect(suiDBGrid1, &DatasetGrid::cellClicked, this,
            [this] { guarded(m_dialogs, [this] { suiDBGrid1CellClick(); }); });
    connect(suiDBGrid1, &DatasetGrid::keyReleased, this, [this] { guarded(m_dialogs, [this] { suiDBGrid1KeyUp(); }); });
    connect(suiButton1, &QPushButton::clicked, this, [this] { guarded(m_dialogs, [this] { suiButton1Click(); }); });

    auto *projects = new QGroupBox(QStringLiteral("List of Broadcast project"));
    auto *projectsLayout = new QVBoxLayout(projects);
    projectsLayout->addWidget(suiDBGrid1);
    // As wide as its text: a click beside the text of a stretched box would toggle nothing.
    projectsLayout->addWidget(CheckBox6, 0, Qt::AlignLeft);

    auto *recipients = new QGroupBox(QStringLiteral("List of recipients"));
    auto *recipientsLayout = new QVBoxLayout(recipients);
    recipientsLayout->addWidget(suiDBGrid2);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(suiButton1);
    recipientsLayout->addLayout(buttonRow);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(projects, 1);
    layout->addWidget(recipients, 2);
}

void ScheduleTab::CheckBox6Click()
{
    m_dm.q_prj_schedule.repoint(CheckBox6->isChecked()
                                    ? QStringLiteral("select * from project where date_send is null")
                                    : QStringLiteral("select * from project where schedule = \"YES\""));
}

void ScheduleTab::suiDBGrid1CellClick()
{
    loadSelectedRecipients();
}

void ScheduleTab::suiDBGrid1KeyUp()
{
    loadSelectedRecipients();
}

void ScheduleTab::loadSelectedRecipients()
{
    m_dm.q_prj_dtl_schedule.repoint(
        ProjectStore::recipientsSql(m_dm.q_prj_schedule.text(QStringLiteral("project_name"))));
}

void ScheduleTab::suiButton1Click()
{
    m_runner.start();
}
