#pragma once

#include "modem/AtLineReader.h"
#include "modem/ModemHealth.h"
#include "modem/SerialLink.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

class Clock;

// What became of one command.
struct AtReply {
    enum class End {
        Ok, // "OK"
        Error, // "ERROR", "+CMS ERROR: <n>", "+CME ERROR: <n>"
        NoPrompt, // a command with a body: no prompt in time, nothing of the body written
        TimedOut, // no final answer in time
        Lost, // the port closed or its device went away
        Failed // a write threw: error holds it
    };
    End end = End::Ok;
    QByteArray finalLine; // "OK", "+CMS ERROR: 500"
    QList<QByteArray> lines; // the rest of its answer: "+CSQ: 20,99", "+CMGS: 12"
    bool bodyWritten = false;
    std::exception_ptr error;
};

// One AT command as the session runs it: its line, the lines of its own answer, its one
// prompt where it has one (which releases its body, a PDU ended by Ctrl-Z), its own
// time-outs and whom to tell how it ended.
struct AtCommand {
    QByteArray line; // "AT+CSQ": the session ends it with CR LF
    // Lines of its answer that a modem also sends on its own ("+CREG:" for AT+CREG?): while
    // the command runs they are its answer.
    QByteArray answerPrefix;
    int timeoutMs = 2000; // for its final answer, or for the prompt when it has a body
    QByteArray body;
    int bodyTimeoutMs = 0; // for its final answer once the body is written
    // Runs right after the body is written; it must not throw.
    std::function<void()> bodyWritten;
    // Told once, from the event loop; it must not throw.
    std::function<void(const AtReply &)> done;
    // Written just before the line (Escape, to leave a prompt the modem may still hold).
    QByteArray before;
    // A command of the session's own bringing the modem back in step: its time-out calls
    // for no more of that.
    bool bringsBackInStep = false;
    // A command of a send: its time-outs are the send's waits, which the clock's listener
    // is told of.
    bool ofASend = false;
};

// One modem on one port. It hears everything the modem says: a line reader cuts the
// bytes into lines whether a command waits or not; a queue runs one command at a time,
// each with its final answers, its prompt and its time-out, so that every answer
// belongs to its command; lines the modem sends on its own (+CMTI, +CDS, +CREG, ^RSSI,
// RING ...) are matched by their prefix and handed to whoever subscribed, never taken
// as an answer (a +CDS: or +CMT: header takes the PDU line after it along).
//
// After a command went unanswered the session brings the modem back in step before its
// next command: Escape and "AT", until "OK" (Reinitialisations times at most, after which
// the modem is shown as not answering until it is opened again). An answer that comes
// after its command has ended changes nothing. When the port opens, and every
// HealthEveryMs while nobody holds the modem, it asks after the SIM, the signal, the
// network and the operator.
//
// A sender that writes at its own pace (the fixed waits) reserves the modem: once the
// queue is empty it has the port to itself, writes through write() and hears every
// chunk (chunkHeard); no check of health starts until it releases it.
class ModemSession : public QObject {
    Q_OBJECT

public:
    static constexpr int ProbeMs = 2000;
    static constexpr int HealthCommandMs = 5000;
    static constexpr int HealthEveryMs = 60000;
    static constexpr int Reinitialisations = 3;
    static constexpr auto NoModemText = "No modem answers on %1. Check the cable, the power and the port settings.";
    static constexpr auto NotAtPortText = "%1 does not take AT commands; try another port of the same modem: %2";
    static constexpr auto PinText = "The SIM card in %1 asks for its PIN.";
    static constexpr auto NoNetworkText = "%1 has no network: %2.";

    explicit ModemSession(Clock &clock, QObject *parent = nullptr);
    ~ModemSession() override;

    SerialLink &link() { return m_link; }
    const SerialLink &link() const { return m_link; }
    QString port() const { return m_link.settings().portName; }
    // Closes the port if open, opens it with these settings (throws SerialError when it
    // cannot), then asks "AT" and, when the modem answers, after its health.
    void open(const SerialSettings &settings);
    // Ends what runs and waits (told as Lost) and closes the port.
    void close();
    bool isOpen() const { return m_link.isOpen(); }

    void submit(AtCommand command);
    // For the holder of the reservation: bytes written as they are; throws SerialError.
    void write(const QByteArray &bytes);
    // granted runs once no command runs or waits (at once when none does); until release
    // no check of health starts. The holder's own commands run as they come.
    void reserve(std::function<void()> granted);
    void release();
    bool isReserved() const { return m_reserved; }
    // A command runs or waits.
    bool isBusy() const { return m_running.has_value() || !m_queue.isEmpty(); }

    // Lines the modem sends on its own that start with prefix go to handler, with the
    // line after it when takesPdu.
    using Unsolicited = std::function<void(const QByteArray &line, const QByteArray &pdu)>;
    void subscribe(const QByteArray &prefix, Unsolicited handler, bool takesPdu = false);

    const ModemHealth &health() const { return m_health; }
    // Asks the modem after its health now, or as soon as nobody holds it.
    void checkHealth();
    // "AT+CPIN=<pin>" for a SIM that asks for it, then its health again; the PIN is kept
    // nowhere. A PIN that is not 4 to 8 digits is not sent.
    void enterPin(const QString &pin);

Q_SIGNALS:
    // Every byte the modem sent, as it was read.
    void chunkHeard(const QByteArray &bytes);
    void lineHeard(const QByteArray &line);
    void openChanged(bool open);
    // The port's device went away (a USB modem pulled out); openChanged(false) follows.
    void lost();
    void healthChanged();
    // A change for the worse, told once: the SIM asks for its PIN (asksPin), no network,
    // no modem answers.
    void warning(const QString &text, bool asksPin);

private:
    struct Running {
        AtCommand command;
        AtReply reply;
        quint64 serial = 0;
        bool awaitingBody = false;
    };
    struct Subscription {
        QByteArray prefix;
        Unsolicited handler;
        bool takesPdu;
    };

    void next();
    void start(AtCommand command);
    void writeBody();
    void timeUp();
    void finish(AtReply::End end, const QByteArray &finalLine = {});
    void endEverything(AtReply::End end);
    void received(int byteCount);
    void hear(const QByteArray &line);
    bool unsolicited(const QByteArray &line);
    void healthDue();
    // "AT" after Escape, the modem's own time to answer it.
    static AtCommand escapeAndAt(std::function<void(const AtReply &)> done);
    // why: the warning that the modem stopped answering.
    void showNotAnswering(const QString &why);
    void applyHealth(const ModemHealth &health, const QString &silentText = {});
    void deviceLost();

    Clock &m_clock;
    SerialLink m_link;
    AtLineReader m_reader;
    QTimer m_timeout;
    QTimer m_healthTimer;
    QList<AtCommand> m_queue;
    std::optional<Running> m_running;
    quint64 m_serial = 0;
    QList<Subscription> m_subscriptions;
    // The handler whose header came, waiting for its PDU line.
    Unsolicited m_pduFor;
    QByteArray m_pduHeader;

    bool m_reserved = false;
    std::function<void()> m_granted;
    bool m_outOfStep = false;
    int m_stepAttempts = 0;
    bool m_checking = false;
    bool m_healthDue = false;
    ModemHealth m_health;
};
