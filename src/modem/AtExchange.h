#pragma once

#include "modem/Pdu.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <exception>
#include <functional>

class Clock;
class SerialLink;

// One wait of the exchange. In the fixed pace the modem's error answers either mark the
// current row as they come (a wait that examines them) or are kept until the next wait
// that does, or the end of the part (a wait that holds them).
struct Wait {
    int milliseconds = 0;
    bool examinesAnswers = true;
};

// The waits of one SMS part: after "AT+CMGF=0", after "AT+CMGS=", after the PDU.
struct PartWaits {
    Wait w1;
    Wait w2;
    Wait w3;
};

// Who sends: each sender has its own waits.
enum class Sender { Individual, Announcement, ScheduleList, Greeting, FailQueue };

// The waits for part `index` (from 0) of a message of `count` parts.
PartWaits waitsFor(Sender sender, int index, int count);

// How a part moves on. Fixed: after each command its wait, whatever the modem says; an
// error answer marks the current row (errorAnswered). Answers: each command waits for
// its own answer, with the fixed waits as the longest waits for "OK" and the prompt, and
// FinalAnswerMs for the message's own answer, so each answer belongs to its part.
enum class Pace { Fixed, Answers };

// One SMS to go out.
struct PartRequest {
    QString centreNumber;
    QString mobileNumber;
    SmsPart part;
    PartWaits waits;
};

// What became of one part.
struct PartResult {
    enum class Outcome {
        Written, // fixed pace: written to the modem, nothing awaited
        Confirmed, // "+CMGS: <reference>" and "OK"
        Refused, // "ERROR", "+CMS ERROR: <code>" or "+CME ERROR: <code>"
        Unanswered, // no prompt or no final answer in time
        Failed // a write or the record step threw: error holds it
    };
    Outcome outcome = Outcome::Written;
    std::exception_ptr error;
};

// The AT command exchange of one SMS part in PDU mode, as a state machine driven by the
// clock's timers and the link's received bytes: no call here waits.
//
// Lines that the modem sends on its own (^RSSI, RING, +CMTI, +CREG ...) and the echo of
// a command are never taken as an answer: only "OK", the errors, "+CMGS: <n>" and the
// prompt "> " are answers, and only while a command awaits one.
class AtExchange : public QObject {
    Q_OBJECT

public:
    static constexpr int FinalAnswerMs = 60000;
    static constexpr int ProbeMs = 2000;

    AtExchange(SerialLink &link, Clock &clock, QObject *parent = nullptr);

    void setPace(Pace pace) { m_pace = pace; }

    // Encodes the part (throws, writing nothing, when the encoder refuses the text) and
    // starts its exchange: "AT+CMGF=0", "AT+CMGS=<n>", the PDU and Ctrl-Z, then record
    // (the sender marks or adds its row and makes it current), then the last wait or the
    // final answer. A part that the modem refuses or leaves unanswered before its PDU
    // still runs record, so its row can be marked. done gets the result, from the
    // event loop, once.
    void sendPart(const PartRequest &request, std::function<void()> record,
                  std::function<void(const PartResult &)> done);
    bool isSending() const { return m_step != Step::Idle && m_step != Step::Probe; }

    // "AT" on a port just opened: answered(false) when no "OK" comes within ProbeMs.
    // A part sent meanwhile takes over the link, and the probe ends unheard.
    void probe(std::function<void(bool answered)> answered);

    // Reads what the modem sent.
    void ComPort1RxChar(int byteCount);

    // PDUs written so far: tells one part from the next.
    quint64 partsWritten() const { return m_partsWritten; }
    // The reference of the next concatenated message through this modem.
    int takeReference() { return m_references.take(); }

Q_SIGNALS:
    // Fixed pace: the modem refused; the row current now is the one to mark.
    void errorAnswered();

private:
    enum class Step { Idle, Probe, ModeCommand, LengthCommand, Message };
    enum class Heard { Nothing, Ok, Prompt, Reference, Error };

    void startStep(Step step, const QByteArray &command, const Wait &wait);
    void sendLengthCommand();
    // Waits for the step's time, or at most that long for its answer when awaiting answers.
    void startWait(const Wait &wait, int milliseconds);
    void timeUp();
    void endProbe(bool answered);
    void writePdu();
    void finish(PartResult result);
    // The part ends before its PDU: the modem leaves prompt mode, the row is recorded
    // and marked by the sender.
    void finishUnsent(PartResult::Outcome outcome);
    void examineForErrors(const QByteArray &chunk);
    void releaseHeldError();
    void hearLines(const QByteArray &chunk);
    void hear(Heard heard);
    // Runs a step of the machine from the event loop: what it throws ends the part.
    void guardedStep(const std::function<void()> &step);

    SerialLink &m_link;
    Clock &m_clock;
    QTimer m_timer;
    Pace m_pace = Pace::Fixed;
    Step m_step = Step::Idle;

    PartWaits m_waits;
    QByteArray m_pdu;
    int m_length = 0;
    std::function<void()> m_record;
    std::function<void(const PartResult &)> m_done;
    std::function<void(bool)> m_probeAnswered;
    bool m_referenceHeard = false;

    // Fixed pace: the unfinished last line of the answers so far ("ERR" waits here for
    // "OR"), and an error answer kept by a wait that holds answers.
    QByteArray m_unfinishedLine;
    bool m_holding = false;
    bool m_errorHeld = false;
    // Awaiting answers: the unfinished last line.
    QByteArray m_answerLine;
    quint64 m_partsWritten = 0;
    ConcatenationReferences m_references;
};
