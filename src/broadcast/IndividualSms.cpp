#include "broadcast/IndividualSms.h"

#include "base/Dialogs.h"
#include "broadcast/MessageRecord.h"
#include "broadcast/RunState.h"
#include "compose/MessageSplit.h"
#include "data/DataModule.h"
#include "modem/AtExchange.h"
#include "base/Clock.h"

IndividualSms::IndividualSms(AtExchange &exchange, DataModule &dm, RunState &runState, Clock &clock,
                             Dialogs &dialogs, std::function<QString()> centreNumber)
    : m_exchange(exchange)
    , m_dm(dm)
    , m_runState(runState)
    , m_clock(clock)
    , m_dialogs(dialogs)
    , m_centreNumber(std::move(centreNumber))
{
}

void IndividualSms::send(const QString &text)
{
    auto lock = m_runState.tryBeginSend();
    if (!lock) {
        m_dialogs.warning(QString::fromLatin1(RunState::BusyText));
        return;
    }
    m_runState.startProgress(1, 1, false);

    // The recipient is the profile selected in the list; an empty list sends to nobody's number.
    const Dataset &profile = m_dm.q_profile;
    MessageRecord record;
    record.projectName = QStringLiteral("INDIVIDUAL");
    record.mobileNumber = profile.text(QStringLiteral("mobile_number"));
    record.name = profile.text(QStringLiteral("name"));
    record.nickname = profile.text(QStringLiteral("nickname"));
    record.groupName = profile.text(QStringLiteral("group_name"));
    record.status = QStringLiteral("SEND");

    const QStringList parts = splitIntoParts(text);
    for (int index = 0; index < parts.size(); ++index) {
        record.message = parts.at(index);
        // Each part's row is current from its PDU on, so an error answer marks that part.
        m_exchange.sendOnePart(m_centreNumber(), record.mobileNumber, record.message,
                               waitsFor(Sender::Individual, index, static_cast<int>(parts.size())), [&] {
                                   record.sent = m_clock.now();
                                   m_runState.currentDetailId = QString::number(record.appendTo(m_dm.q_prj_dtl_any));
                               });
        record.sent = m_clock.now();
        record.appendTo(m_dm.q_transaction_log);
    }
    m_runState.finishProgress();
}
