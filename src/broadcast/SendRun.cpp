#include "broadcast/SendRun.h"

#include "base/Clock.h"
#include "base/Dialogs.h"
#include "base/Errors.h"
#include "broadcast/Records.h"
#include "data/Settings.h"

QString RunReport::resultText() const
{
    if (end != End::Completed)
        return QStringLiteral("%1 stopped after %2 of %3 messages.").arg(what).arg(messagesSent).arg(total);
    QString text = QStringLiteral("%1 finished: %2 %3 sent (%4 SMS), %5 refused by the modem")
                       .arg(what)
                       .arg(messagesSent)
                       .arg(messagesSent == 1 ? QStringLiteral("message") : QStringLiteral("messages"))
                       .arg(partsWritten)
                       .arg(messagesRefused);
    if (messagesRefused > 0)
        text += QStringLiteral(" (they are in the failed-message queue)");
    return text + QLatin1Char('.');
}

SendRun *SendRun::start(SendServices &services, const SendPolicy &policy, SendPlan plan)
{
    auto stop = std::make_shared<std::function<void()>>();
    auto lock = services.runState.tryBeginSend([stop] {
        if (*stop)
            (*stop)();
    });
    if (!lock) {
        services.dialogs.warning(QString::fromLatin1(RunState::BusyText));
        return nullptr;
    }
    // Records an earlier send could not write come first; while the database still
    // refuses them, nothing more goes out. Starting a send may wait for a lock once.
    services.records.flush(true);
    auto *run = new SendRun(services, policy, std::move(plan), std::move(*lock));
    *stop = [run] { run->stopAsked(); };
    return run;
}

SendRun::SendRun(SendServices &services, const SendPolicy &policy, SendPlan plan, RunState::SendLock lock)
    : m_services(services)
    , m_policy(policy)
    , m_plan(std::move(plan))
    , m_lock(std::move(lock))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SendRun::waitEnded);
    m_report.what = m_plan.what;
    m_report.total = m_plan.total;
    m_partsWrittenBefore = services.exchange.partsWritten();
    services.exchange.setPace(services.settings.awaitsAnswers() ? Pace::Answers : Pace::Fixed);

    RunState &runState = services.runState;
    runState.secondsToGo = 0;
    updateEstimate();
    const int hold = runState.startProgress(m_plan.total, policy.startCurrent, policy.startCurrent == 0);
    if (hold > 0) {
        waitFor(hold, Phase::Holding);
    } else {
        // The caller has the run before anything is written.
        m_phase = Phase::Holding;
        m_timer.start(0);
    }
}

void SendRun::waitFor(int milliseconds, Phase phase)
{
    m_phase = phase;
    m_services.clock.startWait(m_timer, milliseconds);
}

void SendRun::waitEnded()
{
    step([this] {
        if (m_phase == Phase::Holding) {
            m_services.runState.holdEnded();
            m_phase = Phase::Sending;
            nextMessage();
        } else if (m_phase == Phase::Pausing) {
            m_services.runState.endPause();
            m_phase = Phase::Sending;
            beginMessage();
        } else if (m_phase == Phase::Skipping) {
            m_phase = Phase::Sending;
            nextMessage();
        }
    });
}

void SendRun::stopAsked()
{
    // The hold and a pause end at once; a part going out first gets its records.
    if (m_phase == Phase::Holding || m_phase == Phase::Pausing)
        m_timer.start(0);
}

void SendRun::nextMessage()
{
    if (m_services.runState.stopRequested())
        throw ActionStopped();
    if (m_index >= m_plan.total) {
        end(RunReport::End::Completed);
        return;
    }
    if (m_policy.startCurrent == 0)
        ++m_services.runState.progressCurrent;
    if (m_plan.pauseFirst) {
        if (const std::optional<int> minutes = m_plan.pauseFirst()) {
            m_services.runState.showPause(*minutes);
            waitFor(*minutes * 60000, Phase::Pausing);
            return;
        }
    }
    beginMessage();
}

void SendRun::beginMessage()
{
    if (m_services.runState.stopRequested())
        throw ActionStopped();
    m_message = m_plan.message(m_index);
    // A row another program deleted since the run started is no longer anybody's message.
    if (m_message.detailId != 0 && !m_services.records.detail(m_message.detailId)) {
        ++m_index;
        // On from the event loop: a long row of deleted rows never nests deeper.
        m_phase = Phase::Skipping;
        m_timer.start(0);
        return;
    }
    if (m_plan.starting)
        m_plan.starting(m_index);
    m_messageInFlight = true;
    const QString &text = m_message.record.message;
    m_sms = m_policy.parts == SendPolicy::Parts::Split ? planSms(text) : planWholeWhenItFits(text);
    m_sms.requireSendable();
    // Parts of one message share a reference, so the phone shows them as one.
    m_reference = m_sms.parts.size() > 1 ? m_services.exchange.takeReference() : 0;
    m_partIndex = 0;
    m_messageUnconfirmed = false;
    m_messageTimer.start();
    sendPart();
}

void SendRun::sendPart()
{
    if (m_services.runState.stopRequested())
        throw ActionStopped();
    m_part = m_message.record;
    m_part.message = m_sms.parts.at(m_partIndex);
    m_part.status = QStringLiteral("SEND");
    m_partRow = std::make_shared<qint64>(m_message.detailId);
    const PartRequest request{m_services.settings.centreNumber(), m_part.mobileNumber, m_sms.part(m_partIndex, m_reference),
                              waitsFor(m_policy.sender, m_partIndex, static_cast<int>(m_sms.parts.size()))};
    m_services.exchange.sendPart(
        request, [this] { recordPart(); }, [this](const PartResult &result) { step([&] { partDone(result); }); });
}

void SendRun::recordPart()
{
    if (m_policy.progress == SendPolicy::Progress::BeforeRecord)
        m_services.runState.updateProgress();
    m_part.sent = m_services.clock.now();
    RunState &runState = m_services.runState;
    if (m_message.detailId == 0) {
        // The new row is current at once; an error answer marks it once it is stored.
        runState.setCurrentRow(m_partRow);
        m_services.records.appendDetail(m_part, [row = m_partRow](qint64 id) { *row = id; });
    } else if (m_partIndex == 0) {
        m_services.records.markSent(m_message.detailId, m_part.sent);
        runState.setCurrentRow(m_partRow);
    }
}

void SendRun::partDone(const PartResult &result)
{
    using Outcome = PartResult::Outcome;
    if (result.outcome == Outcome::Failed)
        std::rethrow_exception(result.error);
    RunState &runState = m_services.runState;
    Records &records = m_services.records;
    const bool unconfirmed = result.outcome == Outcome::Refused || result.outcome == Outcome::Unanswered;
    if (unconfirmed) {
        if (!m_messageUnconfirmed)
            ++m_unconfirmedMessages;
        m_messageUnconfirmed = true;
        records.markFailed(m_partRow, m_services.clock.now());
    }
    m_silentInRow = result.outcome == Outcome::Unanswered ? m_silentInRow + 1 : 0;

    if (m_policy.progress == SendPolicy::Progress::BeforeLog)
        runState.updateProgress();
    m_part.sent = m_services.clock.now();
    records.appendLog(m_part);
    if (m_policy.progress == SendPolicy::Progress::AfterLog)
        runState.updateProgress();
    // The SMS has its records, or they wait for the database: then nothing more goes out.
    records.flush();
    if (m_silentInRow >= SilentPartsToStop)
        throw BrivoraError(QString::fromLatin1(ModemSilentText).arg(m_unconfirmedMessages));

    if (++m_partIndex < m_sms.parts.size()) {
        sendPart();
        return;
    }
    m_sendingMs += m_messageTimer.elapsed() / std::max(m_services.clock.scale(), 1e-9);
    ++m_report.messagesSent;
    m_messageInFlight = false;
    if (m_plan.sent)
        m_plan.sent(m_index);
    ++m_index;
    updateEstimate();
    nextMessage();
}

void SendRun::updateEstimate()
{
    const int done = m_report.messagesSent;
    const double perMessage = done >= MessagesBeforeMeasuring ? m_sendingMs / done / 1000.0 : NominalSecondsPerMessage;
    const int pauses = m_plan.pausesAhead ? m_plan.pausesAhead(m_index) : 0;
    m_services.runState.secondsToGo = static_cast<int>(std::lround((m_plan.total - done) * perMessage)) + pauses;
}

void SendRun::step(const std::function<void()> &work)
{
    if (m_phase == Phase::Ended)
        return;
    try {
        work();
    } catch (...) {
        end(RunReport::End::Failed, std::current_exception());
    }
}

void SendRun::end(RunReport::End how, std::exception_ptr error)
{
    if (m_phase == Phase::Ended)
        return;
    m_phase = Phase::Ended;
    m_timer.stop();
    // A message the run ended in has its rows as far as it went: the list on screen shows
    // them. Should that fail too, the error that ended the run is the one to tell.
    if (std::exchange(m_messageInFlight, false) && m_plan.sent) {
        try {
            m_plan.sent(m_index);
        } catch (...) {
            if (!error)
                error = std::current_exception();
        }
    }
    if (how == RunReport::End::Completed && m_plan.completed) {
        try {
            m_plan.completed();
        } catch (...) {
            how = RunReport::End::Failed;
            error = std::current_exception();
        }
    }
    std::optional<QString> boxText;
    if (error) {
        boxText = errorBoxText(error);
        how = boxText ? RunReport::End::Failed : RunReport::End::Stopped;
    }
    // A run that went to its end or was stopped lets the progress window close; one that
    // failed keeps it, its figures telling how far it got.
    if (how != RunReport::End::Failed)
        m_services.runState.finishProgress();
    m_report.end = how;
    m_report.error = boxText.value_or(QString());
    m_report.partsWritten = static_cast<int>(m_services.exchange.partsWritten() - m_partsWrittenBefore);
    // At the fixed pace the failure marker counted what the modem refused.
    m_report.messagesRefused = m_unconfirmedMessages + m_services.runState.refusalsThisRun();
    if (m_plan.ended)
        m_plan.ended(m_report);
    m_services.runState.tellRunEnded(m_report);
    Dialogs &boxes = m_plan.boxes ? *m_plan.boxes : m_services.dialogs;
    deleteLater();
    // Another send may start from here on; the box, modal, holds up none.
    m_lock.reset();
    if (boxText)
        boxes.error(*boxText);
}
