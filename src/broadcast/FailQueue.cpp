#include "broadcast/FailQueue.h"

#include "base/Dialogs.h"
#include "broadcast/RecipientList.h"
#include "broadcast/SendEngine.h"
#include "broadcast/SendRun.h"
#include "data/DataModule.h"

FailQueue::FailQueue(SendEngine &engine, DataModule &dm)
    : m_engine(engine)
    , m_dm(dm)
{
}

bool FailQueue::refusedWhileRunning() const
{
    return m_engine.runState().refusedWhileSending(m_engine.dialogs());
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
    SendRun::start(m_engine, {Sender::FailQueue, SendPolicy::Parts::Split, SendPolicy::Progress::BeforeLog},
                   std::move(plan));
}
