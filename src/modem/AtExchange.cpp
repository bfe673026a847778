#include "modem/AtExchange.h"

#include "base/Clock.h"
#include "modem/Pdu.h"

namespace {

// A wait during which an error answer marks the current row as it comes; and one that
// keeps it for the next such wait (the sender then has its own row current).
constexpr Wait examining(int milliseconds)
{
    return {milliseconds, true};
}
constexpr Wait holding(int milliseconds)
{
    return {milliseconds, false};
}

struct SenderWaits {
    Wait w1;
    Wait w2;
    Wait w3Single; // a message of one part
    Wait w3First; // the first of several parts
    Wait w3Later; // every later part
};

constexpr SenderWaits waitTable(Sender sender)
{
    switch (sender) {
        case Sender::Individual:
            return {holding(800), holding(3000), holding(3000), examining(3000), examining(3000)};
        case Sender::Announcement:
            return {examining(800), holding(1000), examining(5000), examining(3000), examining(3000)};
        case Sender::ScheduleList:
        case Sender::Greeting:
            return {holding(800), holding(1000), examining(3000), examining(3000), examining(3000)};
        case Sender::FailQueue:
            return {holding(800), holding(1000), examining(5000), examining(5000), examining(3000)};
    }
    return {};
}

// A line this long without a line end is no modem answer; keep only its tail.
constexpr int LongestKeptLine = 256;
constexpr char CtrlZ = 26;

} // namespace

PartWaits waitsFor(Sender sender, int index, int count)
{
    const SenderWaits table = waitTable(sender);
    const Wait w3 = count <= 1 ? table.w3Single : index == 0 ? table.w3First : table.w3Later;
    return {table.w1, table.w2, w3};
}

AtExchange::AtExchange(ModemSession &session, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_clock(clock)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &AtExchange::timeUp);
    connect(&m_session, &ModemSession::chunkHeard, this, [this](const QByteArray &chunk) {
        if (m_pace == Pace::Fixed)
            examineForErrors(chunk);
    });
    connect(&m_session, &ModemSession::lineHeard, this, &AtExchange::heardLine);
    connect(&m_session, &ModemSession::lost, this, &AtExchange::deviceLost);
}

void AtExchange::sendPart(const PartRequest &request, std::function<void()> record,
                          std::function<void(const PartResult &)> done)
{
    const QString pdu = encodeSubmitPdu(request.centreNumber, request.mobileNumber, request.part);
    m_waits = request.waits;
    m_pdu = pdu.toLatin1() + CtrlZ;
    m_length = commandLength(pdu);
    m_record = std::move(record);
    m_done = std::move(done);
    m_reference = -1;
    m_pduWritten = false;
    try {
        if (m_pace == Pace::Answers)
            askMode();
        else
            writeStep(Step::ModeCommand, QByteArrayLiteral("AT+CMGF=0\r\n"), request.waits.w1);
    } catch (...) {
        m_step = Step::Idle;
        m_record = {};
        m_done = {};
        throw;
    }
}

void AtExchange::writeStep(Step step, const QByteArray &command, const Wait &wait)
{
    m_session.write(command);
    m_step = step;
    startWait(wait, wait.milliseconds);
}

void AtExchange::writeLengthCommand()
{
    writeStep(Step::LengthCommand, "AT+CMGS=" + QByteArray::number(m_length) + "\r\n", m_waits.w2);
}

void AtExchange::startWait(const Wait &wait, int milliseconds)
{
    m_holding = !wait.examinesAnswers;
    releaseHeldError();
    m_clock.startWait(m_timer, milliseconds, wait.examinesAnswers);
}

void AtExchange::writePdu()
{
    m_session.write(m_pdu);
    ++m_partsWritten;
    m_pduWritten = true;
    m_step = Step::Message;
    m_record();
    startWait(m_waits.w3, m_waits.w3.milliseconds);
}

void AtExchange::timeUp()
{
    guardedStep([this] {
        switch (m_step) {
            case Step::Idle:
                return;
            case Step::ModeCommand:
                writeLengthCommand();
                return;
            case Step::LengthCommand:
                writePdu();
                return;
            case Step::Message:
                finish(PartResult::Outcome::Written);
                return;
        }
    });
}

void AtExchange::askMode()
{
    m_step = Step::ModeCommand;
    AtCommand mode;
    mode.line = "AT+CMGF=0";
    mode.timeoutMs = m_waits.w1.milliseconds;
    mode.ofASend = true;
    mode.done = [this](const AtReply &reply) {
        guardedStep([&] {
            switch (reply.end) {
                case AtReply::End::Error:
                    finishUnsent(PartResult::Outcome::Refused);
                    return;
                case AtReply::End::Lost:
                    finishUnsent(PartResult::Outcome::Lost);
                    return;
                case AtReply::End::Failed:
                    finish(PartResult::Outcome::Failed, reply.error);
                    return;
                case AtReply::End::Ok:
                case AtReply::End::NoPrompt:
                case AtReply::End::TimedOut:
                    // A modem that does not confirm the mode may still take the message.
                    askLength();
                    return;
            }
        });
    };
    m_session.submit(std::move(mode));
}

void AtExchange::askLength()
{
    m_step = Step::LengthCommand;
    AtCommand length;
    length.line = "AT+CMGS=" + QByteArray::number(m_length);
    length.answerPrefix = "+CMGS:";
    length.ofASend = true;
    length.timeoutMs = m_waits.w2.milliseconds;
    length.body = m_pdu;
    length.bodyTimeoutMs = m_finalAnswerMs;
    length.bodyWritten = [this] {
        ++m_partsWritten;
        m_pduWritten = true;
        m_step = Step::Message;
        guardedStep([this] { m_record(); });
    };
    length.done = [this](const AtReply &reply) { guardedStep([&] { lengthAnswered(reply); }); };
    m_session.submit(std::move(length));
}

void AtExchange::lengthAnswered(const AtReply &reply)
{
    // The record step threw: the part has ended already.
    if (m_step == Step::Idle)
        return;
    for (const QByteArray &line : reply.lines)
        if (line.startsWith("+CMGS:"))
            m_reference = line.mid(6).trimmed().toInt();
    using Outcome = PartResult::Outcome;
    switch (reply.end) {
        case AtReply::End::Ok:
            finish(Outcome::Confirmed);
            return;
        case AtReply::End::Error:
            reply.bodyWritten ? finish(Outcome::Refused) : finishUnsent(Outcome::Refused);
            return;
        case AtReply::End::NoPrompt:
            finishUnsent(Outcome::Unanswered);
            return;
        case AtReply::End::TimedOut:
            finish(Outcome::Unanswered);
            return;
        case AtReply::End::Lost:
            reply.bodyWritten ? finish(Outcome::Lost) : finishUnsent(Outcome::Lost);
            return;
        case AtReply::End::Failed:
            finish(Outcome::Failed, reply.error);
            return;
    }
}

void AtExchange::heardLine(const QByteArray &line)
{
    // At the fixed pace nothing awaits the reference, but the session hears it.
    if (m_pace == Pace::Fixed && m_step == Step::Message && line.startsWith("+CMGS:"))
        m_reference = line.mid(6).trimmed().toInt();
}

void AtExchange::deviceLost()
{
    // Waiting for answers, the session ends the command in flight itself.
    if (m_pace != Pace::Fixed || m_step == Step::Idle)
        return;
    guardedStep([this] {
        if (m_pduWritten)
            finish(PartResult::Outcome::Lost);
        else
            finishUnsent(PartResult::Outcome::Lost);
    });
}

void AtExchange::finishUnsent(PartResult::Outcome outcome)
{
    m_timer.stop();
    m_step = Step::Message;
    m_record();
    finish(outcome);
}

void AtExchange::finish(PartResult::Outcome outcome, std::exception_ptr error)
{
    m_timer.stop();
    m_step = Step::Idle;
    m_holding = false;
    m_record = {};
    // What the last wait held is examined once the part has its records.
    if (m_errorHeld)
        QMetaObject::invokeMethod(this, &AtExchange::releaseHeldError, Qt::QueuedConnection);
    PartResult result;
    result.outcome = outcome;
    result.error = std::move(error);
    result.reference = m_reference;
    result.pduWritten = m_pduWritten;
    const auto done = std::exchange(m_done, {});
    if (done)
        done(result);
}

void AtExchange::guardedStep(const std::function<void()> &step)
{
    try {
        step();
    } catch (const SerialError &) {
        // A write that meets a device gone is the device's loss, not the run's error.
        if (m_session.link().isLost() && m_step != Step::Idle) {
            m_pduWritten ? finish(PartResult::Outcome::Lost) : finishUnsent(PartResult::Outcome::Lost);
            return;
        }
        finish(PartResult::Outcome::Failed, std::current_exception());
    } catch (...) {
        // A step runs only while a part goes out, and its sender takes the error.
        finish(PartResult::Outcome::Failed, std::current_exception());
    }
}

void AtExchange::examineForErrors(const QByteArray &chunk)
{
    const QByteArray answers = m_unfinishedLine + chunk;
    const bool failed = answers.contains("ERROR");
    const qsizetype lineEnd = std::max(answers.lastIndexOf('\n'), answers.lastIndexOf('\r'));
    m_unfinishedLine = failed ? QByteArray() : answers.mid(lineEnd + 1).right(LongestKeptLine);
    if (!failed)
        return;
    if (m_holding)
        m_errorHeld = true;
    else
        Q_EMIT errorAnswered();
}

void AtExchange::releaseHeldError()
{
    if (!m_errorHeld || m_holding)
        return;
    m_errorHeld = false;
    Q_EMIT errorAnswered();
}
