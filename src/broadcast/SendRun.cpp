#include "broadcast/SendRun.h"

#include "base/Clock.h"
#include "base/Dialogs.h"
#include "base/Errors.h"
#include "broadcast/ModemLane.h"
#include "broadcast/Records.h"
#include "broadcast/SendEngine.h"
#include "data/PhoneNumbers.h"
#include "data/Settings.h"

#include <cmath>

QString RunReport::resultText() const
{
    QString text;
    if (end != End::Completed) {
        text = QStringLiteral("%1 stopped after %2 of %3 messages.").arg(what).arg(messagesSent).arg(total);
    } else {
        text = QStringLiteral("%1 finished: %2 %3 sent (%4 SMS), %5 refused by the modem")
                   .arg(what)
                   .arg(messagesSent)
                   .arg(messagesSent == 1 ? QStringLiteral("message") : QStringLiteral("messages"))
                   .arg(partsWritten)
                   .arg(messagesRefused);
        if (messagesRefused > 0)
            text += QStringLiteral(" (they are in the failed-message queue)");
        text += QLatin1Char('.');
    }
    if (messagesLeftOut == 1)
        text += QStringLiteral(" 1 message left out: its number asked not to receive messages.");
    else if (messagesLeftOut > 1)
        text += QStringLiteral(" %1 messages left out: their numbers asked not to receive messages.")
                    .arg(messagesLeftOut);
    // Told unless it is what ended the run, which the error says already.
    for (const QString &left : modemsLeft)
        if (left != error)
            text += QLatin1Char(' ') + left;
    return text;
}

SendRun *SendRun::start(SendEngine &engine, const SendPolicy &policy, SendPlan plan)
{
    auto stop = std::make_shared<std::function<void()>>();
    auto lock = engine.runState().tryBeginSend([stop] {
        if (*stop)
            (*stop)();
    });
    if (!lock) {
        engine.dialogs().warning(QString::fromLatin1(RunState::BusyText));
        return nullptr;
    }
    // Records an earlier send could not write come first; while the database still
    // refuses them, nothing more goes out. Starting a send may wait for a lock once.
    engine.records().flush(true);
    auto *run = new SendRun(engine, policy, std::move(plan), std::move(*lock));
    *stop = [run] { run->stopAsked(); };
    return run;
}

SendRun::SendRun(SendEngine &engine, const SendPolicy &policy, SendPlan plan, RunState::SendLock lock)
    : m_engine(engine)
    , m_runState(engine.runState())
    , m_policy(policy)
    , m_plan(std::move(plan))
    , m_lock(std::move(lock))
    , m_awaitAnswers(engine.settings().awaitsAnswers())
    , m_asksReports(engine.settings().asksDeliveryReports())
{
    // Every open modem that can send takes part; with none open, the first, whose port then
    // says why nothing goes out.
    QStringList unable;
    for (ModemLane *modem : engine.lanes()) {
        if (!modem->session().isOpen())
            continue;
        if (!modem->session().health().takesMessages()) {
            unable << modem->session().health().describe(modem->port());
            continue;
        }
        m_lanes.push_back(std::make_unique<Lane>());
        m_lanes.back()->modem = modem;
    }
    if (m_lanes.empty()) {
        if (!unable.isEmpty())
            throw BrivoraError(QString::fromLatin1(NoModemCanSendText).arg(unable.join(QStringLiteral("; "))));
        m_lanes.push_back(std::make_unique<Lane>());
        m_lanes.back()->modem = &engine.firstLane();
    }
    for (const auto &lane : m_lanes) {
        lane->modem->exchange().setPace(m_awaitAnswers ? Pace::Answers : Pace::Fixed);
        lane->partsWrittenBefore = lane->modem->exchange().partsWritten();
        // A modem that goes while no part of it is in flight (it may be waiting to have its
        // port to itself) leaves at once; a part in flight ends as lost, and then it leaves.
        connect(&lane->modem->session(), &ModemSession::lost, this, [this, lane = lane.get()] {
            step([&] {
                if (lane->left || lane->modem->exchange().isSending())
                    return;
                lane->busy = false;
                leave(*lane, QString::fromLatin1(DisconnectedText).arg(lane->modem->port()));
            });
        });
    }

    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SendRun::waitEnded);
    m_report.what = m_plan.what;
    m_report.total = m_plan.total;
    if (m_plan.leavesOutOptedOut)
        m_optedOut = OptOutList::read(engine.database(), countryCodeOf(engine.settings().centreNumber()));

    m_runState.secondsToGo = 0;
    updateEstimate();
    const int hold = m_runState.startProgress(m_plan.total, policy.startCurrent, policy.startCurrent == 0);
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
    m_engine.clock().startWait(m_timer, milliseconds);
}

void SendRun::waitEnded()
{
    step([this] {
        if (m_phase == Phase::Holding) {
            m_runState.holdEnded();
            m_phase = Phase::Sending;
            beginSending();
        } else if (m_phase == Phase::Pausing) {
            m_runState.endPause();
            m_pauseDue.reset();
            m_phase = Phase::Sending;
            dispatch();
        }
    });
}

void SendRun::stopAsked()
{
    // The hold and a pause end at once; a message going out first goes out whole.
    if (m_phase == Phase::Holding || m_phase == Phase::Pausing)
        m_timer.start(0);
}

void SendRun::beginSending()
{
    if (m_runState.stopRequested()) {
        dispatch();
        return;
    }
    for (const auto &lane : m_lanes) {
        Lane *each = lane.get();
        if (m_awaitAnswers) {
            // Each message has the modem to itself; between messages it may be asked after
            // its health.
            each->joined = true;
            continue;
        }
        // At the fixed pace the modem is the run's from the first byte to the last, so its
        // bytes and waits stay as they are.
        each->modem->session().reserve([this, each] {
            step([&] {
                each->joined = true;
                dispatch();
            });
        });
    }
    dispatch();
}

void SendRun::dispatch()
{
    if (m_phase != Phase::Sending)
        return;
    const bool taking = !m_error && !m_runState.stopRequested();
    for (const auto &lane : m_lanes) {
        if (!taking)
            break;
        if (lane->busy || lane->left || !lane->joined)
            continue;
        if (!lane->modem->session().health().takesMessages()) {
            leave(*lane, lane->modem->session().health().describe(lane->modem->port()) + QLatin1Char('.'));
            return; // leave() dispatches again
        }
        offerWork(*lane);
    }
    // A modem still waiting to have its port to itself holds the run up only while it
    // may still send.
    for (const auto &lane : m_lanes)
        if (lane->busy || (taking && !lane->left && !lane->joined))
            return;
    // Every modem is free: the run may pause, or end.
    if (m_error) {
        end(RunReport::End::Failed, m_error);
        return;
    }
    const bool allLeft = std::all_of(m_lanes.begin(), m_lanes.end(), [](const auto &lane) { return lane->left; });
    if (allLeft || !m_retries.isEmpty()) {
        // A message refused by the only modem still sending fails as it would have.
        for (const Retry &retry : std::exchange(m_retries, {}))
            refuseForGood(retry);
    }
    if (allLeft) {
        end(RunReport::End::Failed, std::make_exception_ptr(BrivoraError(m_lastLeft)));
        return;
    }
    // A stop that came with the last message going out stopped nothing.
    if (m_next >= m_plan.total) {
        end(RunReport::End::Completed);
        return;
    }
    if (m_runState.stopRequested()) {
        end(RunReport::End::Stopped);
        return;
    }
    if (m_pauseDue)
        startPause();
}

void SendRun::offerWork(Lane &lane)
{
    // A message another modem refused comes first.
    for (qsizetype i = 0; i < m_retries.size(); ++i) {
        if (m_retries.at(i).refusedBy != &lane) {
            beginMessage(lane, m_retries.at(i).index, m_retries.takeAt(i));
            return;
        }
    }
    if (m_next >= m_plan.total || m_pauseDue)
        return;
    if (!m_pauseAsked) {
        // The message counts once it is next, and "Pause every" counts the run's messages
        // on every modem together.
        m_pauseAsked = true;
        if (m_policy.startCurrent == 0)
            ++m_runState.progressCurrent;
        if (m_plan.pauseFirst) {
            if (const std::optional<int> minutes = m_plan.pauseFirst()) {
                m_pauseDue = minutes;
                return;
            }
        }
    }
    m_pauseAsked = false;
    beginMessage(lane, m_next++, std::nullopt);
}

void SendRun::startPause()
{
    m_runState.showPause(*m_pauseDue);
    waitFor(*m_pauseDue * 60000, Phase::Pausing);
}

void SendRun::beginMessage(Lane &lane, int index, std::optional<Retry> retry)
{
    lane.busy = true;
    lane.index = index;
    const auto begin = [this, &lane, index, retry] {
        step([&] {
            try {
                lane.message = retry ? retry->message : m_plan.message(index);
                // A row another program deleted since the run started is no longer
                // anybody's message; a number that asked for no more messages gets none.
                const bool deleted =
                    !retry && lane.message.detailId != 0 && !m_engine.records().detail(lane.message.detailId);
                const bool optedOut = !retry && m_optedOut && m_optedOut->contains(lane.message.record.mobileNumber);
                if (deleted || optedOut) {
                    if (optedOut && !deleted)
                        ++m_report.messagesLeftOut;
                    lane.busy = false;
                    if (m_awaitAnswers)
                        lane.modem->session().release();
                    // On from the event loop: a long row of skipped rows never nests deeper.
                    QMetaObject::invokeMethod(this, [this] { step([this] { dispatch(); }); }, Qt::QueuedConnection);
                    return;
                }
                if (m_plan.starting)
                    m_plan.starting(index);
                const QString &text = lane.message.record.message;
                lane.sms = m_policy.parts == SendPolicy::Parts::Split ? planSms(text) : planWholeWhenItFits(text);
                lane.sms.requireSendable();
            } catch (...) {
                lane.busy = false;
                if (m_awaitAnswers)
                    lane.modem->session().release();
                throw;
            }
            // Parts of one message share a reference, so the phone shows them as one.
            lane.reference = lane.sms.parts.size() > 1 ? lane.modem->exchange().takeReference() : 0;
            lane.partIndex = 0;
            lane.messageUnconfirmed = false;
            lane.retry = retry.has_value();
            lane.retryRow = retry ? retry->row : nullptr;
            lane.messageTimer.start();
            keepLink(lane);
            sendPart(lane);
        });
    };
    if (m_awaitAnswers)
        lane.modem->session().reserve(begin);
    else
        begin();
}

void SendRun::keepLink(Lane &lane)
{
    // Waiting for answers, the modem is asked to keep its radio link from one message to
    // the next, and asked again once it may have dropped it; one that refuses sends as
    // before.
    if (!m_awaitAnswers || !lane.keepsLink)
        return;
    if (lane.idleSince.isValid() && lane.idleSince.elapsed() < m_engine.clock().scaled(KeptLinkMs))
        return;
    AtCommand keep;
    keep.line = "AT+CMMS=2";
    keep.done = [&lane](const AtReply &reply) {
        if (reply.end == AtReply::End::Error)
            lane.keepsLink = false;
    };
    lane.modem->session().submit(std::move(keep));
    lane.askedToKeepLink = true;
}

void SendRun::sendPart(Lane &lane)
{
    lane.part = lane.message.record;
    lane.part.message = lane.sms.parts.at(lane.partIndex);
    lane.part.status = QStringLiteral("SEND");
    // A retried message's first part has its row already, when each part has one of its own.
    lane.partRow = lane.partIndex == 0 && lane.retryRow ? lane.retryRow
                                                         : std::make_shared<qint64>(lane.message.detailId);
    SmsPart sms = lane.sms.part(lane.partIndex, lane.reference);
    sms.asksReport = m_asksReports;
    const PartRequest request{lane.modem->centreNumber(m_engine.settings()), lane.part.mobileNumber, sms,
                              waitsFor(m_policy.sender, lane.partIndex, static_cast<int>(lane.sms.parts.size()))};
    try {
        lane.modem->exchange().sendPart(
            request, [this, &lane] { recordPart(lane); },
            [this, &lane](const PartResult &result) { step([&] { partDone(lane, result); }); });
    } catch (const SerialError &) {
        // The device has gone: nothing of the part went out, and its row says so.
        if (lane.modem->session().link().isLost()) {
            recordPart(lane);
            PartResult lost;
            lost.outcome = PartResult::Outcome::Lost;
            partDone(lane, lost);
            return;
        }
        cutShort(lane, lane.partIndex);
        throw;
    } catch (...) {
        cutShort(lane, lane.partIndex);
        throw;
    }
}

void SendRun::recordPart(Lane &lane)
{
    Records &records = m_engine.records();
    if (m_policy.progress == SendPolicy::Progress::BeforeRecord)
        m_runState.updateProgress();
    lane.part.sent = m_engine.clock().now();
    if (lane.message.detailId == 0) {
        // The new row is current at once; an error answer marks it once it is stored.
        lane.modem->setCurrentRow(lane.partRow);
        if (lane.partIndex == 0 && lane.retryRow)
            records.markSent(lane.partRow, lane.part.sent);
        else
            records.appendDetail(lane.part, [row = lane.partRow](qint64 id) { *row = id; });
    } else if (lane.partIndex == 0) {
        records.markSent(lane.partRow, lane.part.sent);
        lane.modem->setCurrentRow(lane.partRow);
    }
}

void SendRun::partDone(Lane &lane, const PartResult &result)
{
    using Outcome = PartResult::Outcome;
    if (result.outcome == Outcome::Failed) {
        cutShort(lane, lane.partIndex + (result.pduWritten ? 1 : 0));
        std::rethrow_exception(result.error);
    }
    Records &records = m_engine.records();
    const QDateTime now = m_engine.clock().now();
    // A message the modem refused at its first part, nothing of it out, goes once to
    // another modem before it is marked "FAIL".
    if (result.outcome == Outcome::Refused && lane.partIndex == 0 && !lane.retry && otherModemCanTake(lane)) {
        lane.modem->countRefused();
        m_retries << Retry{lane.index, lane.message, lane.message.detailId == 0 ? lane.partRow : nullptr, &lane};
        messageEnded(lane, false);
        return;
    }
    const bool unconfirmed = result.outcome == Outcome::Refused || result.outcome == Outcome::Unanswered
        || result.outcome == Outcome::Lost;
    if (unconfirmed) {
        if (!lane.messageUnconfirmed)
            ++m_unconfirmedMessages;
        lane.messageUnconfirmed = true;
        records.markFailed(lane.partRow, now);
        lane.modem->countRefused();
    } else {
        lane.modem->countSent();
    }
    lane.silentInRow = result.outcome == Outcome::Unanswered ? lane.silentInRow + 1 : 0;

    if (m_policy.progress == SendPolicy::Progress::BeforeLog)
        m_runState.updateProgress();
    lane.part.sent = now;
    std::optional<Records::SentPart> sent;
    if (result.pduWritten)
        sent = Records::SentPart{lane.modem->port(), result.reference, lane.partRow, m_asksReports};
    records.appendLog(lane.part, sent);
    if (m_policy.progress == SendPolicy::Progress::AfterLog)
        m_runState.updateProgress();
    try {
        // The SMS has its records, or they wait for the database: then nothing more goes out.
        records.flush();
    } catch (...) {
        cutShort(lane, lane.partIndex + 1);
        throw;
    }
    if (result.outcome == Outcome::Lost) {
        cutShort(lane, lane.partIndex + 1);
        leave(lane, QString::fromLatin1(DisconnectedText).arg(lane.modem->port()));
        return;
    }
    if (lane.silentInRow >= SilentPartsToStop) {
        cutShort(lane, lane.partIndex + 1);
        leave(lane, QString::fromLatin1(LeftSilentText).arg(lane.modem->port()));
        return;
    }
    if (++lane.partIndex < lane.sms.parts.size()) {
        sendPart(lane);
        return;
    }
    messageEnded(lane, true);
}

void SendRun::cutShort(Lane &lane, int firstUnsent)
{
    if (!lane.busy)
        return;
    // Every part went, or none did: nothing was cut in half.
    if (firstUnsent >= lane.sms.parts.size() || firstUnsent == 0) {
        messageEnded(lane, firstUnsent > 0, false);
        return;
    }
    // A message cut in its middle is "FAIL", so the failed-message queue has it.
    Records &records = m_engine.records();
    const QDateTime now = m_engine.clock().now();
    if (!lane.messageUnconfirmed) {
        ++m_unconfirmedMessages;
        lane.messageUnconfirmed = true;
        // The row its first part marked, or the row of the last part that went.
        records.markFailed(lane.partRow, now);
    }
    // Where each part has a row of its own, the parts that never went get theirs, "FAIL".
    if (lane.message.detailId == 0) {
        for (qsizetype index = firstUnsent; index < lane.sms.parts.size(); ++index) {
            MessageRecord unsent = lane.message.record;
            unsent.message = lane.sms.parts.at(index);
            unsent.status = QStringLiteral("FAIL");
            unsent.sent = now;
            records.appendDetail(unsent, {});
        }
    }
    messageEnded(lane, false, false);
}

void SendRun::messageEnded(Lane &lane, bool whole, bool dispatchNext)
{
    if (!lane.busy)
        return;
    if (whole) {
        lane.sendingMs += lane.messageTimer.elapsed() / std::max(m_engine.clock().scale(), 1e-9);
        ++lane.messagesSent;
        ++m_report.messagesSent;
    }
    lane.busy = false;
    lane.idleSince.start();
    if (m_awaitAnswers)
        lane.modem->session().release();
    // The list on screen shows the row as it now stands.
    const bool retried = std::any_of(m_retries.cbegin(), m_retries.cend(),
                                     [&](const Retry &retry) { return retry.index == lane.index; });
    if (m_plan.sent && !retried)
        m_plan.sent(lane.index);
    updateEstimate();
    if (dispatchNext)
        dispatch();
}

void SendRun::leave(Lane &lane, const QString &why)
{
    lane.left = true;
    lane.busy = false;
    lane.modem->session().release();
    m_report.modemsLeft << why;
    // With none left, the run ends with why the last one left; a silent one says how
    // many messages went unconfirmed.
    m_lastLeft = why == QString::fromLatin1(LeftSilentText).arg(lane.modem->port())
        ? QString::fromLatin1(ModemSilentText).arg(m_unconfirmedMessages)
        : why;
    updateEstimate();
    dispatch();
}

void SendRun::refuseForGood(const Retry &retry)
{
    // As a refusal without another modem to try: the row "FAIL", with the "SEND" log row
    // of the part that went.
    Records &records = m_engine.records();
    const QDateTime now = m_engine.clock().now();
    ++m_unconfirmedMessages;
    const auto row = retry.row ? retry.row : std::make_shared<qint64>(retry.message.detailId);
    records.markFailed(row, now);
    MessageRecord part = retry.message.record;
    part.sent = now;
    part.status = QStringLiteral("SEND");
    const SmsPlan sms =
        m_policy.parts == SendPolicy::Parts::Split ? planSms(part.message) : planWholeWhenItFits(part.message);
    part.message = sms.parts.value(0);
    records.appendLog(part, std::nullopt);
    if (m_plan.sent)
        m_plan.sent(retry.index);
}

bool SendRun::otherModemCanTake(const Lane &refusedBy) const
{
    if (!m_awaitAnswers)
        return false;
    return std::any_of(m_lanes.begin(), m_lanes.end(), [&](const auto &lane) {
        return lane.get() != &refusedBy && !lane->left && lane->modem->session().health().takesMessages();
    });
}

void SendRun::updateEstimate()
{
    // The messages still to go at the modems' paces together: each modem at six seconds
    // a message until it has sent three, then at the pace it measured.
    double perSecond = 0;
    QList<RunState::ModemProgress> modems;
    for (const auto &lane : m_lanes) {
        const bool measured = lane->messagesSent >= MessagesBeforeMeasuring;
        const double seconds = measured ? lane->sendingMs / lane->messagesSent / 1000.0 : NominalSecondsPerMessage;
        if (!lane->left)
            perSecond += 1.0 / std::max(seconds, 1e-6);
        modems << RunState::ModemProgress{lane->modem->port(), lane->messagesSent, measured ? seconds : 0.0};
    }
    if (perSecond <= 0)
        perSecond = 1.0 / NominalSecondsPerMessage;
    const int pauses = m_plan.pausesAhead ? m_plan.pausesAhead(m_next) : 0;
    const int left = std::max(0, m_plan.total - m_report.messagesSent);
    m_runState.secondsToGo = static_cast<int>(std::lround(left / perSecond)) + pauses;
    // A line a modem only when there are several.
    m_runState.modems = m_lanes.size() > 1 ? modems : QList<RunState::ModemProgress>();
}

void SendRun::step(const std::function<void()> &work)
{
    if (m_phase == Phase::Ended)
        return;
    try {
        work();
    } catch (...) {
        fail(std::current_exception());
    }
}

void SendRun::fail(std::exception_ptr error)
{
    if (m_phase == Phase::Ended)
        return;
    if (!m_error)
        m_error = std::move(error);
    // The hold or a pause has nothing in flight.
    if (m_phase != Phase::Sending) {
        end(RunReport::End::Failed, m_error);
        return;
    }
    // Messages in flight end whole as far as they can; then the run ends.
    dispatch();
}

void SendRun::end(RunReport::End how, std::exception_ptr error)
{
    if (m_phase == Phase::Ended)
        return;
    m_phase = Phase::Ended;
    m_timer.stop();
    for (const auto &lane : m_lanes) {
        // A modem asked to keep its radio link lets it go.
        if (lane->askedToKeepLink && lane->keepsLink && !lane->left && lane->modem->session().isOpen()) {
            AtCommand letGo;
            letGo.line = "AT+CMMS=0";
            lane->modem->session().submit(std::move(letGo));
        }
        lane->modem->session().release();
        m_report.partsWritten += static_cast<int>(lane->modem->exchange().partsWritten() - lane->partsWrittenBefore);
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
        m_runState.finishProgress();
    m_report.end = how;
    m_report.error = boxText.value_or(QString());
    // At the fixed pace the failure markers counted what the modems refused.
    m_report.messagesRefused = m_unconfirmedMessages + m_runState.refusalsThisRun();
    if (m_plan.ended)
        m_plan.ended(m_report);
    m_runState.tellRunEnded(m_report);
    Dialogs &boxes = m_plan.boxes ? *m_plan.boxes : m_engine.dialogs();
    deleteLater();
    // Another send may start from here on; the box, modal, holds up none.
    m_lock.reset();
    if (boxText)
        boxes.error(*boxText);
}
