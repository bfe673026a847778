#include "broadcast/GreetingBroadcast.h"

#include "base/Clock.h"
#include "broadcast/SendEngine.h"
#include "broadcast/SendRun.h"
#include "compose/Personalise.h"
#include "data/DataModule.h"
#include "data/JetSql.h"

GreetingBroadcast::GreetingBroadcast(SendEngine &engine, DataModule &dm)
    : m_engine(engine)
    , m_dm(dm)
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

void GreetingBroadcast::start(Greeting greeting, Dialogs &boxes)
{
    // The list the running greeting was started from is not re-pointed under it.
    if (m_engine.runState().refusedWhileSending(m_engine.dialogs()))
        return;
    Dataset &contacts = greeting == Greeting::Birthday ? m_dm.q_prof_birthday : m_dm.q_prof_anniversary;
    contacts.repoint(recipientsSql(greeting, m_engine.clock().now().date()));
    struct Contact {
        MessageRecord record;
        ContactFields fields;
    };
    QList<Contact> today;
    today.reserve(contacts.recordCount());
    for (int row = 0; row < contacts.recordCount(); ++row) {
        contacts.setCurrentRow(row);
        Contact contact; // no row of its own yet: each SMS adds one
        contact.record = MessageRecord::ofRow(contacts, row);
        contact.record.projectName = projectName(greeting);
        contact.fields = ContactFields::of(contacts);
        today << contact;
    }

    SendPlan plan;
    plan.what =
        greeting == Greeting::Birthday ? QStringLiteral("Birthday broadcast") : QStringLiteral("Anniversary broadcast");
    plan.total = static_cast<int>(today.size());
    // Each contact is greeted with the templates as they stand on screen at its turn,
    // and the tokens as they are stored then.
    plan.message = [this, greeting, today](int index) {
        const GreetingSettings templates = m_engine.settings().greeting(greeting);
        Outgoing message;
        message.record = today.at(index).record;
        message.record.message = Personalise(today.at(index).fields, templates.second, templates.first,
                                             ReplacementTokens::read(m_dm.q_text_replacement));
        return message;
    };
    plan.boxes = &boxes;
    // The anniversary greeting shows its progress as each row is written, the birthday
    // greeting once the SMS is logged.
    const auto progress =
        greeting == Greeting::Birthday ? SendPolicy::Progress::AfterLog : SendPolicy::Progress::BeforeRecord;
    SendRun::start(m_engine, {Sender::Greeting, SendPolicy::Parts::WholeWhenItFits, progress}, std::move(plan));
}
