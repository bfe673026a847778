#include "broadcast/ScheduleListRunner.h"

#include "broadcast/RecipientList.h"
#include "broadcast/SendRun.h"
#include "data/DataModule.h"

ScheduleListRunner::ScheduleListRunner(SendServices &services, DataModule &dm)
    : m_services(services)
    , m_dm(dm)
{
}

void ScheduleListRunner::start()
{
    Dataset &list = m_dm.q_prj_dtl_schedule;
    const QList<Outgoing> messages = RecipientList::recipients(list);
    auto run = SendRun::begin(m_services, {Sender::ScheduleList, true, SendPolicy::Progress::AfterLog},
                              static_cast<int>(messages.size()));
    if (!run)
        return;
    RecipientList::sendInTurn(*run, list, messages);
    // The progress window closes itself, as after any run.
    run->finish();
}
