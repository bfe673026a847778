#include "broadcast/IndividualSms.h"

#include "broadcast/SendEngine.h"
#include "broadcast/SendRun.h"
#include "base/Dialogs.h"
#include "data/DataModule.h"
#include "data/OptOutList.h"
#include "data/PhoneNumbers.h"
#include "data/Settings.h"

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
    const OptOutList optedOut =
        OptOutList::read(m_engine.database(), countryCodeOf(m_engine.settings().centreNumber()));
    if (const std::optional<OptOut> asked = optedOut.find(message.record.mobileNumber)) {
        const QString question = QString::fromLatin1(OptedOutQuestion)
                                     .arg(message.record.mobileNumber,
                                          asked->asked.toString(QStringLiteral("dd/MM/yyyy HH:mm")), asked->message);
        if (m_engine.dialogs().confirm(question, Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
            return;
    }
    SendPlan plan;
    plan.leavesOutOptedOut = false;
    plan.total = 1;
    plan.message = [message](int) { return message; };
    SendRun::start(m_engine, {Sender::Individual, SendPolicy::Parts::Split, SendPolicy::Progress::Never, 1},
                   std::move(plan));
}
