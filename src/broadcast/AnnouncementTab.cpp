#include "broadcast/AnnouncementTab.h"

#include "app/Named.h"
#include "data/DataModule.h"

#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>

AnnouncementTab::AnnouncementTab(DataModule &dm, QWidget *parent)
    : QWidget(parent)
    , CheckListBox1(named(new QListWidget, "CheckListBox1"))
    , Label22(named(new QLabel(QStringLiteral("Message in Malay:")), "Label22"))
    , RichEdit2(named(new QPlainTextEdit, "RichEdit2"))
    , Label23(named(new QLabel(QStringLiteral("Message in English:")), "Label23"))
    , RichEdit3(named(new QPlainTextEdit, "RichEdit3"))
    , DateTimePicker5(named(new QDateTimeEdit, "DateTimePicker5"))
    , m_dm(dm)
{
    setObjectName(QStringLiteral("TabSheet3"));
    DateTimePicker5->setCalendarPopup(true);

    auto *layout = new QGridLayout(this);
    auto *project = new QGroupBox(QStringLiteral(" Annoucement Project Broadcast "));
    auto *projectLayout = new QGridLayout(project);
    projectLayout->addWidget(new QLabel(QStringLiteral("Target group")), 0, 0);
    projectLayout->addWidget(CheckListBox1, 1, 0);
    projectLayout->addWidget(Label22, 0, 1);
    projectLayout->addWidget(RichEdit2, 1, 1);
    projectLayout->addWidget(Label23, 0, 2);
    projectLayout->addWidget(RichEdit3, 1, 2);
    layout->addWidget(project, 0, 0);

    auto *schedule = new QGroupBox(QStringLiteral(" Schedule Broadcast Option"));
    auto *scheduleLayout = new QGridLayout(schedule);
    scheduleLayout->addWidget(new QLabel(QStringLiteral("Date")), 0, 0);
    scheduleLayout->addWidget(DateTimePicker5, 0, 1);
    layout->addWidget(schedule, 1, 0);
}

void AnnouncementTab::fillTargetGroups()
{
    CheckListBox1->clear();
    // Read without moving the cursor: the group grid's delete button works on it.
    const Dataset &groups = m_dm.q_group;
    const int groupName = groups.fieldIndex(QStringLiteral("group_name"));
    for (int row = 0; row < groups.recordCount(); ++row) {
        auto *item = new QListWidgetItem(groups.valueAt(row, groupName).toString(), CheckListBox1);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}
