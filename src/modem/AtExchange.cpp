#include "modem/AtExchange.h"

#include "base/Clock.h"
#include "modem/Pdu.h"
#include "modem/SerialLink.h"

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
constexpr char Escape = 27;

} // namespace

PartWaits waitsFor(Sender sender, int index, int count)
{
    const SenderWaits table = waitTable(sender);
    const Wait w3 = count <= 1 ? table.w3Single : index == 0 ? table.w3First : table.w3Later;
    return {table.w1, table.w2, w3};
}

AtExchange::AtExchange(SerialLink &link, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_clock(clock)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &AtExchange::timeUp);
    connect(&m_link, &SerialLink::received, this, &AtExchange::ComPort1RxChar);
}

void AtExchange::sendPart(const PartRequest &request, std::function<void()> record,
                          std::function<void(const PartResult &)> done)
{
    const QString pdu = encodeSubmitPdu(request.centreNumber, request.mobileNumber, request.part);
    if (m_step == Step::Probe) {
        m_timer.stop();
        m_probeAnswered = {};
        m_step = Step::Idle;
    }
    m_waits = request.waits;
    m_pdu = pdu.toLatin1() + CtrlZ;
    m_length = commandLength(pdu);
    m_record = std::move(record);
    m_done = std::move(done);
    m_referenceHeard = false;
    m_answerLine.clear();
    try {
        startStep(Step::ModeCommand, QByteArrayLiteral("AT+CMGF=0\r\n"), request.waits.w1);
    } catch (...) {
        m_record = {};
        m_done = {};
        throw;
    }
}

void AtExchange::probe(std::function<void(bool)> answered)
{
    if (isSending())
        return;
    m_link.write(QByteArrayLiteral("AT\r\n"));
    m_probeAnswered = std::move(answered);
    m_answerLine.clear();
    m_step = Step::Probe;
    m_clock.startTimeout(m_timer, ProbeMs);
}

void AtExchange::startStep(Step step, const QByteArray &command, const Wait &wait)
{
    m_link.write(command);
    m_step = step;
    startWait(wait, wait.milliseconds);
}

void AtExchange::sendLengthCommand()
{
    startStep(Step::LengthCommand, "AT+CMGS=" + QByteArray::number(m_length) + "\r\n", m_waits.w2);
}

void AtExchange::startWait(const Wait &wait, int milliseconds)
{
    m_holding = m_pace == Pace::Fixed && !wait.examinesAnswers;
    releaseHeldError();
    // Awaiting answers, a wait is only the longest the modem may take.
    if (m_pace == Pace::Answers)
        m_clock.startTimeout(m_timer, milliseconds);
    else
        m_clock.startWait(m_timer, milliseconds, wait.examinesAnswers);
}

void AtExchange::writePdu()
{
    m_link.write(m_pdu);
    ++m_partsWritten;
    m_step = Step::Message;
    m_record();
    startWait(m_waits.w3, m_pace == Pace::Answers ? FinalAnswerMs : m_waits.w3.milliseconds);
}

void AtExchange::endProbe(bool answered)
{
    m_timer.stop();
    m_step = Step::Idle;
    const auto told = std::exchange(m_probeAnswered, {});
    if (told)
        told(answered);
}

void AtExchange::timeUp()
{
    if (m_step == Step::Probe) {
        endProbe(false);
        return;
    }
    guardedStep([this] {
        switch (m_step) {
            case Step::Idle:
            case Step::Probe:
                return;
            case Step::ModeCommand:
                // A modem that does not confirm the mode may still take the message.
                sendLengthCommand();
                return;
            case Step::LengthCommand:
                if (m_pace == Pace::Answers)
                    finishUnsent(PartResult::Outcome::Unanswered);
                else
                    writePdu();
                return;
            case Step::Message:
                finish({m_pace == Pace::Answers ? PartResult::Outcome::Unanswered : PartResult::Outcome::Written, {}});
                return;
        }
    });
}

void AtExchange::hear(Heard heard)
{
    if (heard == Heard::Nothing)
        return;
    if (m_step == Step::Probe) {
        if (heard == Heard::Ok)
            endProbe(true);
        return;
    }
    guardedStep([this, heard] {
        switch (m_step) {
            case Step::Idle:
            case Step::Probe:
                return;
            case Step::ModeCommand:
                if (heard == Heard::Ok)
                    sendLengthCommand();
                else if (heard == Heard::Error)
                    finishUnsent(PartResult::Outcome::Refused);
                return;
            case Step::LengthCommand:
                if (heard == Heard::Prompt)
                    writePdu();
                else if (heard == Heard::Error)
                    finishUnsent(PartResult::Outcome::Refused);
                return;
            case Step::Message:
                if (heard == Heard::Reference)
                    m_referenceHeard = true;
                else if (heard == Heard::Ok && m_referenceHeard)
                    finish({PartResult::Outcome::Confirmed, {}});
                else if (heard == Heard::Error)
                    finish({PartResult::Outcome::Refused, {}});
                return;
        }
    });
}

void AtExchange::finishUnsent(PartResult::Outcome outcome)
{
    m_timer.stop();
    // A prompt that comes late would swallow the next command as the message.
    if (outcome == PartResult::Outcome::Unanswered)
        m_link.write(QByteArray(1, Escape));
    m_step = Step::Message;
    m_record();
    finish({outcome, {}});
}

void AtExchange::finish(PartResult result)
{
    m_timer.stop();
    m_step = Step::Idle;
    m_holding = false;
    m_record = {};
    // What the last wait held is examined once the part has its records.
    if (m_errorHeld)
        QMetaObject::invokeMethod(this, &AtExchange::releaseHeldError, Qt::QueuedConnection);
    const auto done = std::exchange(m_done, {});
    if (done)
        done(result);
}

void AtExchange::guardedStep(const std::function<void()> &step)
{
    try {
        step();
    } catch (...) {
        // A step runs only while a part goes out, and its sender takes the error.
        finish({PartResult::Outcome::Failed, std::current_exception()});
    }
}

void AtExchange::ComPort1RxChar(int byteCount)
{
    const QByteArray chunk = m_link.read(byteCount);
    if (m_step == Step::Probe || (m_pace == Pace::Answers && m_step != Step::Idle))
        hearLines(chunk);
    else if (m_pace == Pace::Fixed)
        examineForErrors(chunk);
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

void AtExchange::hearLines(const QByteArray &chunk)
{
    m_answerLine += chunk;
    const Step step = m_step;
    for (;;) {
        qsizetype end = -1;
        for (qsizetype i = 0; i < m_answerLine.size() && end < 0; ++i)
            if (m_answerLine.at(i) == '\r' || m_answerLine.at(i) == '\n')
                end = i;
        if (end < 0)
            break;
        const QByteArray line = m_answerLine.left(end).trimmed();
        m_answerLine.remove(0, end + 1);
        if (line.isEmpty())
            continue;
        Heard heard = Heard::Nothing;
        if (line == "OK")
            heard = Heard::Ok;
        else if (line == "ERROR" || line.startsWith("+CMS ERROR") || line.startsWith("+CME ERROR"))
            heard = Heard::Error;
        else if (line.startsWith("+CMGS:"))
            heard = Heard::Reference;
        else if (line.startsWith('>'))
            heard = Heard::Prompt;
        hear(heard);
        // What follows answered an earlier command: this one has had its answer.
        if (m_step != step) {
            m_answerLine.clear();
            return;
        }
    }
    // The prompt comes without a line end.
    if (m_step == Step::LengthCommand && m_answerLine.trimmed().startsWith('>')) {
        m_answerLine.clear();
        hear(Heard::Prompt);
        return;
    }
    m_answerLine = m_answerLine.right(LongestKeptLine);
}
