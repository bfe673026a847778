#include "broadcast/SendRun.h"

#include "base/Clock.h"
#include "base/Dialogs.h"
#include "base/Errors.h"
#include "broadcast/Records.h"
#include "compose/MessageSplit.h"

std::optional<SendRun> SendRun::begin(SendServices &services, const SendPolicy &policy, int total)
{
    auto lock = services.runState.tryBeginSend();
    if (!lock) {
        services.dialogs.warning(QString::fromLatin1(RunState::BusyText));
        return std::nullopt;
    }
    // Records an earlier send could not write come first; while the database still
    // refuses them, nothing more goes out.
    services.records.flush();
    services.runState.startProgress(total, policy.startCurrent, policy.startCurrent == 0);
    return SendRun(services, policy, std::move(*lock));
}

SendRun::SendRun(SendServices &services, const SendPolicy &policy, RunState::SendLock lock)
    : m_services(&services)
    , m_policy(policy)
    , m_lock(std::move(lock))
{
}

void SendRun::send(const Outgoing &message, const std::function<void()> &beforeParts)
{
    if (m_policy.startCurrent == 0)
        ++m_services->runState.progressCurrent;
    if (beforeParts)
        beforeParts();
    const QStringList parts =
        m_policy.split ? splitIntoParts(message.record.message) : QStringList{message.record.message};
    for (int index = 0; index < parts.size(); ++index)
        sendPart(message, parts.at(index), index, static_cast<int>(parts.size()));
}

void SendRun::sendPart(const Outgoing &message, const QString &text, int index, int count)
{
    SendServices &services = *m_services;
    if (services.runState.stopRequested())
        throw ActionStopped();

    MessageRecord part = message.record;
    part.message = text;
    part.status = QStringLiteral("SEND");
    services.exchange.sendOnePart(services.centreNumber(), part.mobileNumber, text,
                                  waitsFor(m_policy.sender, index, count), [&] {
                                      if (m_policy.progress == SendPolicy::Progress::BeforeRecord)
                                          services.runState.updateProgress();
                                      record(message, part, index);
                                  });

    if (m_policy.progress == SendPolicy::Progress::BeforeLog)
        services.runState.updateProgress();
    part.sent = services.clock.now();
    services.records.appendLog(part);
    if (m_policy.progress == SendPolicy::Progress::AfterLog)
        services.runState.updateProgress();
    // The SMS has its records, or they wait for the database: then nothing more goes out.
    services.records.flush();
}

void SendRun::record(const Outgoing &message, MessageRecord &part, int index)
{
    SendServices &services = *m_services;
    part.sent = services.clock.now();
    RunState &runState = services.runState;
    if (message.detailId == 0) {
        // Until the new row is stored, an error answer has no row of this part to mark.
        runState.currentDetailId.clear();
        services.records.appendDetail(part, [&runState](qint64 id) { runState.currentDetailId = QString::number(id); });
    } else if (index == 0) {
        services.records.markSent(message.detailId, part.sent);
        runState.currentDetailId = QString::number(message.detailId);
    }
}

void SendRun::pause(int minutes)
{
    m_services->runState.showPause(minutes);
    m_services->clock.Delay(minutes * 60000);
    m_services->runState.endPause();
}

void SendRun::finish()
{
    m_services->runState.finishProgress();
}
