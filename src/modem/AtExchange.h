#pragma once

#include "modem/ModemSession.h"
#include "modem/Pdu.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <exception>
#include <functional>

class Clock;

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
        Lost, // the port's device went away with the part
        Failed // a write or the record step threw: error holds it
    };
    Outcome outcome = Outcome::Written;
    std::exception_ptr error;
    // The reference the network gave the SMS ("+CMGS: <n>"), when the modem told it.
    int reference = -1;
    // Whether the PDU reached the modem (a part refused at its first command did not).
    bool pduWritten = false;
};

// The AT command exchange of one SMS part in PDU mode over the modem's session, as a
// state machine driven by the clock's timers and what the session hears: no call here
// waits.
//
// At the fixed pace its sender holds the session reserved and the exchange writes the
// commands itself, each followed by its wait, whatever the modem says; an error answer
// marks the current row (errorAnswered). Waiting for answers, each command is a command
// of the session's queue, so each answer belongs to its part.
class AtExchange : public QObject {
    Q_OBJECT

public:
    static constexpr int FinalAnswerMs = 60000;

    AtExchange(ModemSession &session, Clock &clock, QObject *parent = nullptr);

    void setPace(Pace pace) { m_pace = pace; }
    Pace pace() const { return m_pace; }
    // How long the network may take to take a message, FinalAnswerMs unless set (tests
    // make a modem that never answers run out sooner, the other waits kept).
    void setFinalAnswerMs(int milliseconds) { m_finalAnswerMs = milliseconds; }

    // Encodes the part (throws, writing nothing, when the encoder refuses the text) and
    // starts its exchange: "AT+CMGF=0", "AT+CMGS=<n>", the PDU and Ctrl-Z, then record
    // (the sender marks or adds its row and makes it current), then the last wait or the
    // final answer. A part that the modem refuses or leaves unanswered before its PDU
    // still runs record, so its row can be marked. done gets the result, from the
    // event loop, once.
    void sendPart(const PartRequest &request, std::function<void()> record,
                  std::function<void(const PartResult &)> done);
    bool isSending() const { return m_step != Step::Idle; }

    // PDUs written so far: tells one part from the next.
    quint64 partsWritten() const { return m_partsWritten; }
    // The reference of the next concatenated message through this modem.
    int takeReference() { return m_references.take(); }

Q_SIGNALS:
    // Fixed pace: the modem refused; the row current now is the one to mark.
    void errorAnswered();

private:
    enum class Step { Idle, ModeCommand, LengthCommand, Message };

    // The fixed pace: a command written, then its wait.
    void writeStep(Step step, const QByteArray &command, const Wait &wait);
    void writeLengthCommand();
    void writePdu();
    void startWait(const Wait &wait, int milliseconds);
    void timeUp();
    // Waiting for answers: the two commands of the session's queue.
    void askMode();
    void askLength();
    void lengthAnswered(const AtReply &reply);

    void finish(PartResult::Outcome outcome, std::exception_ptr error = {});
    // The part ends before its PDU: its row is recorded, to be marked by the sender.
    void finishUnsent(PartResult::Outcome outcome);
    void examineForErrors(const QByteArray &chunk);
    void releaseHeldError();
    void heardLine(const QByteArray &line);
    void deviceLost();
    // Runs a step of the machine from the event loop: what it throws ends the part.
    void guardedStep(const std::function<void()> &step);

    ModemSession &m_session;
    Clock &m_clock;
    QTimer m_timer;
    Pace m_pace = Pace::Fixed;
    Step m_step = Step::Idle;

    PartWaits m_waits;
    QByteArray m_pdu;
    int m_length = 0;
    std::function<void()> m_record;
    std::function<void(const PartResult &)> m_done;
    int m_reference = -1;
    bool m_pduWritten = false;
    int m_finalAnswerMs = FinalAnswerMs;

    // Fixed pace: the unfinished last line of the answers so far ("ERR" waits here for
    // "OR"), and an error answer kept by a wait that holds answers.
    QByteArray m_unfinishedLine;
    bool m_holding = false;
    bool m_errorHeld = false;
    quint64 m_partsWritten = 0;
    ConcatenationReferences m_references;
};
