#include "broadcast/ScheduleListRunner.h"

#include "broadcast/RecipientList.h"
#include "broadcast/SendEngine.h"
#include "broadcast/SendRun.h"
#include "data/DataModule.h"

ScheduleListRunner::ScheduleListRunner(SendEngine &engine, DataModule &dm)
    : m_engine(engine)
    , m_dm(dm)
{
}

void ScheduleListRunner::start()
{
    const QList<Outgoing> messages = RecipientList::recipients(m_dm.q_prj_dtl_schedule);
    SendPlan plan = RecipientList::inTurn(m_dm.q_prj_dtl_schedule, messages);
    plan.what = QStringLiteral("Scheduled broadcast");
    SendRun::start(m_engine, {Sender::ScheduleList, SendPolicy::Parts::Split, SendPolicy::Progress::AfterLog},
                   std::move(plan));
}
