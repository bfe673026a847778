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
    // The warning is modal: the re-send may well have ended by the time it is closed.
    const bool refused = m_running;
    if (refused)
        m_services.dialogs.warning(QString::fromLatin1(RunState::BusyText));
    return refused;
}

void FailQueue::start()
{
    if (refusedWhileRunning())
        return;
    Dataset &queue = m_dm.q_pd_que;
    queue.refresh();
    SendPlan plan = RecipientList::inTurn(queue, RecipientList::recipients(queue));
    plan.completed = [this] { m_services.runState.finishProgress(); };
    plan.ended = [this](const RunReport &) { m_running = false; };
    m_running = SendRun::start(m_services, {Sender::FailQueue, true, SendPolicy::Progress::BeforeLog}, std::move(plan))
        != nullptr;
}
