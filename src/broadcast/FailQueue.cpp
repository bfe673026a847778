#include "broadcast/FailQueue.h"

#include "base/Dialogs.h"
#include "broadcast/RecipientList.h"
#include "broadcast/SendRun.h"
#include "data/DataModule.h"

FailQueue::FailQueue(SendServices &services, DataModule &dm)
    : m_services(services)
    , m_dm(dm)
{
}

bool FailQueue::refusedWhileRunning() const
{
    return m_services.runState.refusedWhileSending(m_services.dialogs);
}

void FailQueue::start()
{
    Dataset &queue = m_dm.q_pd_que;
    // Read again only when no send runs: a running re-send walks the list it showed.
    if (refusedWhileRunning())
        return;
    queue.refresh();
    SendPlan plan = RecipientList::inTurn(queue, RecipientList::recipients(queue));
    plan.what = QStringLiteral("Re-send of the failed messages");
    SendRun::start(m_services, {Sender::FailQueue, SendPolicy::Parts::Split, SendPolicy::Progress::BeforeLog},
                   std::move(plan));
}
