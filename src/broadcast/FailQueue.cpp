#include "broadcast/FailQueue.h"

#include "base/Dialogs.h"
#include "broadcast/RecipientList.h"
#include "broadcast/SendRun.h"
#include "data/DataModule.h"

#include <QScopeGuard>

FailQueue::FailQueue(SendServices &services, DataModule &dm)
    : m_services(services)
    , m_dm(dm)
{
}

bool FailQueue::refusedWhileRunning() const
{
    if (m_running)
        m_services.dialogs.warning(QString::fromLatin1(RunState::BusyText));
    return m_running;
}

void FailQueue::start()
{
    if (refusedWhileRunning())
        return;
    Dataset &queue = m_dm.q_pd_que;
    queue.refresh();
    const QList<Outgoing> messages = RecipientList::recipients(queue);
    auto run = SendRun::begin(m_services, {Sender::FailQueue, true, SendPolicy::Progress::BeforeLog},
                              static_cast<int>(messages.size()));
    if (!run)
        return;
    m_running = true;
    const auto done = qScopeGuard([this] { m_running = false; });
    RecipientList::sendInTurn(*run, queue, messages);
    run->finish();
}
