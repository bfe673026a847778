#include "broadcast/AnnouncementTab.h"

#include "data/DataModule.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>

AnnouncementTab::AnnouncementTab(DataModule &dm, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , CheckListBox1(new QListWidget)
    , Label22(new QLabel(QStringLiteral("Message in Malay:")))
    , RichEdit2(new QPlainTextEdit)
    , Label23(new QLabel(QStringLiteral("Message in English:")))
    , RichEdit3(new QPlainTextEdit)
    , DateTimePicker5(new QDateEdit)
    , m_dm(dm)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("TabSheet3"));
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    Label22->setObjectName(QStringLiteral("Label22"));
    RichEdit2->setObjectName(QStringLiteral("RichEdit2"));
    Label23->setObjectName(QStringLiteral("Label23"));
    RichEdit3->setObjectName(QStringLiteral("RichEdit3"));
    DateTimePicker5->setObjectName(QStringLiteral("DateTimePicker5"));
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
    for (m_dm.q_group.first(); !m_dm.q_group.eof(); m_dm.q_group.next()) {
        auto *item = new QListWidgetItem(m_dm.q_group.text(QStringLiteral("group_name")), CheckListBox1);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}
