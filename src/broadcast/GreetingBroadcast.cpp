#include "broadcast/GreetingBroadcast.h"

#include "base/Clock.h"
#include "broadcast/SendRun.h"
#include "compose/Personalise.h"
#include "data/DataModule.h"
#include "data/JetSql.h"

GreetingBroadcast::GreetingBroadcast(SendServices &services, DataModule &dm,
                                     std::function<GreetingTemplates(Greeting)> templates)
    : m_services(services)
    , m_dm(dm)
    , m_templates(std::move(templates))
{
}

QString GreetingBroadcast::projectName(Greeting greeting)
{
    return greeting == Greeting::Birthday ? QStringLiteral("BIRTHDAY") : QStringLiteral("ANNIVERSARY");
}

QString GreetingBroadcast::recipientsSql(Greeting greeting, QDate today)
{
    // Profile dates are "dd/MM/yyyy" texts: the day and month lead, the year is any.
    const QString day = JetSql::quote(today.toString(QStringLiteral("dd/MM/")) + QLatin1Char('%'));
    if (greeting == Greeting::Birthday)
        return QStringLiteral("select * from profile where birthday like %1").arg(day);
    return QStringLiteral("select * from profile where aniversary like %1 and maritial_status = \"MARRIED\"").arg(day);
}

void GreetingBroadcast::start(Greeting greeting)
{
    Dataset &contacts = greeting == Greeting::Birthday ? m_dm.q_prof_birthday : m_dm.q_prof_anniversary;
    contacts.repoint(recipientsSql(greeting, m_services.clock.now().date()));
    // The anniversary greeting shows its progress as each row is written, the birthday
    // greeting once the SMS is logged.
    const auto progress =
        greeting == Greeting::Birthday ? SendPolicy::Progress::AfterLog : SendPolicy::Progress::BeforeRecord;
    auto run = SendRun::begin(m_services, {Sender::Greeting, true, progress}, contacts.recordCount());
    if (!run)
        return;
    for (int row = 0; row < contacts.recordCount(); ++row) {
        contacts.setCurrentRow(row);
        const GreetingTemplates templates = m_templates(greeting);
        Outgoing message; // no row of its own yet: each SMS adds one
        message.record.projectName = projectName(greeting);
        message.record.mobileNumber = contacts.text(QStringLiteral("mobile_number"));
        message.record.name = contacts.text(QStringLiteral("name"));
        message.record.nickname = contacts.text(QStringLiteral("nickname"));
        message.record.groupName = contacts.text(QStringLiteral("group_name"));
        message.record.message = Personalise(contacts, templates.malay, templates.english, m_dm.q_text_replacement);
        run->send(message);
    }
    run->finish();
}
