#include "broadcast/QueueTab.h"

#include "base/Errors.h"
#include "broadcast/FailQueue.h"
#include "broadcast/RecipientGrid.h"
#include "data/DataModule.h"
#include "widgets/DatasetGrid.h"
#include "widgets/DatasetNavigator.h"
#include "widgets/Named.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QueueTab::QueueTab(DataModule &dm, Dialogs &dialogs, FailQueue &queue, QWidget *parent)
    : QWidget(parent)
    , Label37(named(new QLabel(QStringLiteral("List of Broadcast Queue List (Fail Send)")), "Label37"))
    , suiDBGrid3(named(messageGrid(dm.q_pd_que,
                                   {{QStringLiteral("date_send"), QStringLiteral("Send Date")},
                                    {QStringLiteral("project_name"), QStringLiteral("Project")},
                                    {QStringLiteral("mobile_number"), QStringLiteral("Mobile Number")},
                                    {QStringLiteral("name"), QStringLiteral("Name")},
                                    {QStringLiteral("group_name"), QStringLiteral("Group")},
                                    {QStringLiteral("msg_send"), QStringLiteral("SMS Message")}},
                                   dialogs),
                       "suiDBGrid3"))
    , suiDBNavigator1(named(new DatasetNavigator(dm.q_pd_que, dialogs, DatasetNavigator::Delete), "suiDBNavigator1"))
    , suiButton5(named(new QPushButton(QStringLiteral("Populate FAIL")), "suiButton5"))
    , suiButton4(named(new QPushButton(QStringLiteral("Start Broadcasting")), "suiButton4"))
    , m_dm(dm)
    , m_dialogs(dialogs)
    , m_queue(queue)
{
    setObjectName(QStringLiteral("suiTabSheet1"));
    QFont title = Label37->font();
    title.setBold(true);
    Label37->setFont(title);
    suiDBNavigator1->setGrid(suiDBGrid3);
    suiDBNavigator1->setDeleteGuard([this] { return !m_queue.refusedWhileRunning(); });
    connect(suiButton5, &QPushButton::clicked, this, [this] { guarded(m_dialogs, [this] { suiButton5Click(); }); });
    connect(suiButton4, &QPushButton::clicked, this, [this] { guarded(m_dialogs, [this] { suiButton4Click(); }); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(suiDBNavigator1, 0, Qt::AlignLeft);
    buttons->addWidget(suiButton5);
    buttons->addStretch();
    buttons->addWidget(suiButton4);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label37);
    layout->addWidget(suiDBGrid3, 1);
    layout->addLayout(buttons);
}

void QueueTab::suiButton5Click()
{
    if (!m_queue.refusedWhileRunning())
        m_dm.q_pd_que.refresh();
}

void QueueTab::suiButton4Click()
{
    m_queue.start();
}
