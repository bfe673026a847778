#include "broadcast/IndividualSms.h"

#include "broadcast/SendEngine.h"
#include "broadcast/SendRun.h"
#include "data/DataModule.h"

IndividualSms::IndividualSms(SendEngine &engine, DataModule &dm)
    : m_engine(engine)
    , m_dm(dm)
{
}

void IndividualSms::send(const QString &text)
{
    // The recipient is the profile selected when the button was clicked; an empty list
    // sends to nobody's number.
    const Dataset &profile = m_dm.q_profile;
    Outgoing message;
    message.record = MessageRecord::ofRow(profile, profile.currentRow());
    message.record.projectName = QStringLiteral("INDIVIDUAL");
    message.record.message = text;
    SendPlan plan;
    plan.total = 1;
    plan.message = [message](int) { return message; };
    SendRun::start(m_engine, {Sender::Individual, SendPolicy::Parts::Split, SendPolicy::Progress::Never, 1},
                   std::move(plan));
}
