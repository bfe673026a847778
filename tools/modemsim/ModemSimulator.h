#pragma once

#include "modem/Pdu.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>

class QSocketNotifier;
class QTimer;

// A GSM modem on a pseudo-terminal, for tests and for trials without a phone.
// Open devicePath() as a serial port and talk to it in PDU mode:
//   "AT+CMGF=0"               -> "OK"
//   "AT+CMGS=<n>"             -> "> " (then the PDU, ended by Ctrl-Z, is awaited)
//   <PDU hex> Ctrl-Z          -> "+CMGS: <ref>" "OK"
//   "AT+CPIN?"                -> "+CPIN: READY" (or "SIM PIN") "OK"
//   "AT+CPIN=<pin>"           -> "OK" for its PIN, else "+CME ERROR: 16"
//   "AT+CSQ"                  -> "+CSQ: <signal>,99" "OK"
//   "AT+CREG?"                -> "+CREG: 0,<state>" "OK"
//   "AT+COPS?"                -> "+COPS: 0,0,"<operator>",2" "OK" (no network: "+COPS: 0")
//   "AT+CMMS=2" / "AT+CMMS=0" -> "OK": the radio link is kept between messages, or not
//   "AT+CMGL=4"               -> "+CMGL: <i>,1,,<n>" and the PDU, for each message held; "OK"
//   "AT+CMGR=<i>"             -> "+CMGR: 1,,<n>" and the PDU, "OK"; "+CMS ERROR: 321" for none
//   "AT+CMGD=<i>"             -> "OK", the message at <i> gone
//   "AT+CPMS?"                -> "+CPMS: "SM",<held>,<room>,..." "OK"
//   "AT+CSMS=<n>"             -> "+CSMS: 1,1,1" "OK"
//   "AT+CNMI=..."             -> "OK" ("ERROR" for routed reports before AT+CSMS=1 when so set)
//   any other "AT..." line    -> "OK"
// (Escape instead of the PDU abandons the message, as on a phone.)
// Answers end with CR LF, except the prompt. A PDU whose length differs from the one
// announced, or that cannot be decoded, is answered "+CMS ERROR: 304" as a phone would.
// Input that is neither a command nor an awaited PDU is recorded and ignored.
//
// It runs on the event loop of the thread that made it (no threads of its own):
// input is read, and answered, when that loop processes events, and delays and
// pauses are timers, never sleeps.
class ModemSimulator : public QObject {
    Q_OBJECT

public:
    // What a scripted answer replaces the normal answer of.
    enum class Input { ModeCommand, LengthCommand, Pdu };

    struct ReceivedPdu {
        QString hex; // as written by the sender, without Ctrl-Z
        int announcedLength = 0; // the <n> of the AT+CMGS before it
        bool decoded = false; // false: message is empty and the PDU was refused
        SubmitPdu message;
    };
    // A message as the phone shows it: one SMS, or every part of a concatenated one put
    // together in their order.
    struct ShownMessage {
        QString destination;
        QString text;
        Alphabet alphabet = Alphabet::Gsm7;
        int parts = 1;
    };

    // Opens the pseudo-terminal; throws BrivoraError when the system refuses one.
    explicit ModemSimulator(QObject *parent = nullptr);
    ~ModemSimulator() override;

    // The device to open as serial port, such as "/dev/pts/3".
    QString devicePath() const { return m_devicePath; }
    // Shows the device under a link of its own as well, as udev names a USB modem under
    // /dev/serial/by-id: devicePath() is the link from then on, and the link goes when
    // the modem is pulled out. False when the link cannot be made.
    bool appearAs(const QString &linkPath);

    // Scripting. answer is written instead of the normal answer (CR LF is added; an
    // empty answer means no answer at all) to the occurrence-th such input counted
    // from 1 since the simulator started, or to every one when occurrence is 0.
    // A rule for one occurrence wins over a rule for every one.
    // An answer to AT+CMGS other than the prompt leaves the modem in command mode, as
    // an error does on a phone: the PDU that follows is then ignored.
    void answerWith(Input input, const QByteArray &answer, int occurrence = 0);
    // Nothing at all is answered while silent; input is still recorded.
    void setSilent(bool silent) { m_silent = silent; }
    // Each command line is echoed (with CR LF) before its answer.
    void setEcho(bool echo) { m_echo = echo; }
    // Each answer is written this many milliseconds after its input was read or, when
    // answers queue up, after the answer before it: a slow modem.
    void setDelay(int milliseconds) { m_delay = milliseconds; }
    // The answer to a message (its reference and "OK", or its error) comes this many
    // milliseconds later still: the network's time to take it.
    void setMessageLatency(int milliseconds) { m_messageLatency = milliseconds; }
    // Lines the modem sends on its own, as a phone reports its signal, the network or a
    // call: one of them, in turn, goes before every answer.
    void setUnsolicitedLines(const QList<QByteArray> &lines) { m_unsolicited = lines; }
    // Each answer longer than `at` bytes is written in two pieces, the second
    // pauseMilliseconds after the first and not before the port has read the first:
    // "ERROR" with at = 3 arrives as "ERR", "OR", however busy the machine.
    void setSplit(int at, int pauseMilliseconds);
    // Writes bytes to the port at once, as if the modem had sent them on its own.
    void send(const QByteArray &bytes);

    // Its health, as the health commands tell it: the SIM waits for this PIN (empty: it
    // is ready), the signal (AT+CSQ's 0 to 31, 99 unknown), the network (AT+CREG's state:
    // 1 home, 5 roaming, 2 searching, 0 none, 3 denied) and the operator's name.
    void setPinWanted(const QString &pin) { m_pinWanted = pin; }
    void setSignal(int signal) { m_signal = signal; }
    void setRegistration(int state) { m_registration = state; }
    void setOperatorName(const QByteArray &name) { m_operator = name; }
    // While the radio link is kept (AT+CMMS=2, until KeptLinkIdleMs pass without a
    // message), the answer to a message comes after this latency instead.
    static constexpr int KeptLinkIdleMs = 5000;
    void setKeptLinkLatency(int milliseconds) { m_keptLatency = milliseconds; }
    // The network brings a message (a deliver or status-report PDU, in hex with its
    // service centre information): it is held on the SIM at the first free index and,
    // when announced, told with "+CMTI: "SM",<i>" ("+CDSI:" for a report). A full SIM
    // holds nothing more; false then.
    bool deliver(const QByteArray &pduHex, bool announced = true);
    // A message from that number, in as many SMS as it needs (cut as the program cuts a
    // greeting), held and, when announced, told; false when the SIM had no room for all.
    bool deliverMessage(const QString &number, const QString &text, bool announced = true);
    // A status report routed straight to the port: "+CDS: <n>" and its PDU, not held.
    void routeReport(const QByteArray &pduHex);
    // What the network sends, in hex as a modem gives it, from the centre +60120000015 at
    // 09:30 of 10 December 2026 (UTC+8): a message from a number (national when it starts
    // with the trunk "0", else international) in the GSM alphabet when that carries it,
    // else in UCS-2 (a part of a long one with its 8-bit reference), and a report on the
    // message with that reference to that number, delivered or not (TP-ST) at 09:45 UTC.
    static QByteArray deliverPdu(const QString &number, const QString &text,
                                 std::optional<Concatenation> part = std::nullopt);
    static QByteArray reportPdu(int reference, const QString &number, int status);
    // Each message taken that asks for a report gets one for each of these statuses
    // (none when empty; "still trying" and then "delivered": 0x20, 0x00), afterMs apart,
    // routed or held on the SIM; its recipient's reply (setReplies) comes afterMs later.
    void setReports(const QList<int> &statuses, bool held, int afterMs = 1500)
    {
        m_reportStatuses = statuses;
        m_reportsHeld = held;
        m_reportAfterMs = afterMs;
    }
    // Reports are routed to the port (AT+CNMI=...,1,...) only in phase 2+ (AT+CSMS=1),
    // as on some modems; "ERROR" before.
    void setRoutesInPhase2Only(bool only) { m_routesInPhase2Only = only; }
    // Each whole message taken is answered by its recipient with this text (none when
    // empty), announced.
    void setReplies(const QString &text) { m_replyText = text; }
    // How many messages the SIM holds at most.
    void setStoreRoom(int room) { m_storeRoom = room; }
    // The messages the SIM holds, by index.
    const QMap<int, QByteArray> &stored() const { return m_stored; }

    // The modem is pulled out: its port's device goes away.
    void pullOut();
    bool isPulledOut() const { return m_master < 0; }
    // Forgets what it received and sent so far (not how it answers): a test looks at
    // what comes after the modem was opened.
    void forgetTheRecord();

    // What was received: the raw bytes, every command line and PDU in order (without
    // line ends or Ctrl-Z), and every PDU with its decoded content.
    const QByteArray &receivedBytes() const { return m_receivedBytes; }
    const QStringList &inputs() const { return m_inputs; }
    const QList<ReceivedPdu> &pdus() const { return m_pdus; }
    // The messages as phones show them, each once its last part has come.
    const QList<ShownMessage> &messages() const { return m_messages; }
    // Everything written to the port so far.
    const QByteArray &sentBytes() const { return m_sentBytes; }
    // True when no answer waits for its delay or pause.
    bool isIdle() const { return m_output.isEmpty(); }
    // Bytes written to the port that it has not read yet.
    int unreadByPort() const;

    // Writes devicePath() to the file that tells the port setup of a running
    // simulator (SimulatorDevice); unpublish() removes it again (also done
    // by the destructor) if it still names this simulator's device.
    bool publish();
    void unpublish();

Q_SIGNALS:
    // A command line or a PDU was read (in the form inputs() keeps).
    void inputReceived(const QString &input);

private:
    struct Chunk {
        int waitMilliseconds;
        QByteArray bytes;
        // Written only once the port has read everything written before it.
        bool afterRead = false;
    };

    void readInput();
    void parse();
    void handleCommand(const QByteArray &line);
    void handlePdu(const QByteArray &hex);
    void putTogether(const SubmitPdu &pdu);
    // The scripted answer for the count-th input of its kind, if one was scripted.
    bool scripted(Input input, int count, QByteArray *answer) const;
    void answer(const QByteArray &bytes, bool splittable = true, int latency = 0);
    void flushOutput();
    void writeNow(const QByteArray &bytes);

    int m_master = -1;
    int m_slave = -1;
    QString m_devicePath;
    QString m_linkPath;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_outputTimer = nullptr;
    bool m_published = false;

    QHash<qint64, QByteArray> m_rules; // key: input kind and occurrence
    bool m_silent = false;
    bool m_echo = false;
    int m_delay = 0;
    int m_messageLatency = 0;
    QList<QByteArray> m_unsolicited;
    int m_nextUnsolicited = 0;
    QString m_pinWanted;
    int m_signal = 20;
    int m_registration = 1;
    QMap<int, QByteArray> m_stored;
    int m_storeRoom = 30;
    QList<int> m_reportStatuses;
    bool m_reportsHeld = false;
    bool m_routesInPhase2Only = false;
    int m_reportAfterMs = 1500;
    bool m_phase2 = false;
    QString m_replyText;
    int m_nextIncomingReference = 1;
    QByteArray m_operator = "Brivora Mobile";
    int m_keptLatency = -1;
    bool m_linkKept = false;
    qint64 m_lastMessageAt = -1; // when the last message was answered, in ms of m_clock
    QElapsedTimer m_clock;
    int m_splitAt = 0;
    int m_splitPause = 0;

    QByteArray m_pending; // received, not yet parsed
    bool m_awaitingPdu = false;
    int m_announcedLength = 0;
    QHash<int, int> m_counts; // inputs seen, per kind
    int m_nextReference = 1;
    QList<Chunk> m_output;

    QByteArray m_receivedBytes;
    QByteArray m_sentBytes;
    QStringList m_inputs;
    QList<ReceivedPdu> m_pdus;
    QList<ShownMessage> m_messages;
    // Parts of concatenated messages still waiting for the rest, by destination and
    // reference.
    QHash<QString, QMap<int, SubmitPdu>> m_waitingParts;
};
