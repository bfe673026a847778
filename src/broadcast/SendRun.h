#pragma once

#include "broadcast/MessageRecord.h"
#include "broadcast/RunState.h"
#include "compose/MessageSplit.h"
#include "modem/AtExchange.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

class Clock;
class Dialogs;
class Records;
class Settings;

// What every sender sends with: one modem link and what it records into.
struct SendServices {
    AtExchange &exchange;
    RunState &runState;
    Records &records;
    Clock &clock;
    Dialogs &dialogs;
    // The message centre number as it is at each part, and whether a run waits for the
    // modem's answers, as it starts.
    const Settings &settings;
};

// One message to one contact: the contact's fields and the whole message.
struct Outgoing {
    MessageRecord record;
    // The project_detail row that its first part marks "SEND" and makes current;
    // 0: each part gets a row of its own, added as it goes out.
    qint64 detailId = 0;
};

struct SendPolicy {
    // When the progress window is updated, for each part: before its record is written
    // (right after the PDU), after the last wait and before the log row, or after it.
    enum class Progress { Never, BeforeRecord, BeforeLog, AfterLog };

    // How a message is cut into SMS: every message by the one rule (a blank added, cut
    // at blanks), or a message that fits one SMS whole as typed, and only a longer one cut.
    enum class Parts { Split, WholeWhenItFits };

    Sender sender;
    Parts parts = Parts::Split;
    Progress progress = Progress::AfterLog;
    // 0: a runner, which raises progress current before each message and starts the
    // bar at 0; otherwise the current message number for the whole send.
    int startCurrent = 0;
};

// What a sender hands a run besides its policy: its messages, what follows each one,
// and its own end steps.
struct SendPlan {
    // What the run is, for the operator ("Broadcast"); empty for a single SMS.
    QString what;
    int total = 0;
    // The message of the index-th turn (from 0), built as its turn comes.
    std::function<Outgoing(int index)> message;
    // Asked before each message, once progress current counts it: the minutes to pause
    // first, if any (the announcement runner's pause).
    std::function<std::optional<int>()> pauseFirst;
    // The seconds of pause still to come before the messages from index on.
    std::function<int(int index)> pausesAhead;
    // Before the first part and after the last part of each message.
    std::function<void(int index)> starting;
    std::function<void(int index)> sent;
    // The end steps of a run that sent every message.
    std::function<void()> completed;
    // Every end, completed, stopped or failed, after the end steps; must not throw.
    std::function<void(const RunReport &)> ended;
    // Where the run's error box goes; the services' dialogs when null.
    Dialogs *boxes = nullptr;
};

// The one send engine: a run walks its sender's messages as a state machine over the
// link's exchange and the clock's timers, so the window's thread never waits. For each
// part, in this order: "AT+CMGF=0", "AT+CMGS=<n>", the PDU, the record (the row marked
// or added, and made current), the last wait or the final answer, a part the modem did
// not confirm marked "FAIL", the "SEND" log row, and the progress update where the
// policy puts it.
//
// A run holds the one-send-at-a-time lock for its life. It stops before its next part
// when the operator asks it to (at once during the hold and a pause), when the database
// refused a record of an SMS already sent (the record is kept for later), and when the
// modem leaves SilentPartsToStop parts in a row unanswered. It ends with the sender's
// end steps, or without them after a stop or an error, whose box it shows itself; then
// it deletes itself.
class SendRun : public QObject {
    Q_OBJECT

public:
    static constexpr auto ModemSilentText =
        "The modem stopped answering. %1 messages were not confirmed and are in the failed-message queue.";
    static constexpr int SilentPartsToStop = 3;
    // What the progress window reckons a message takes until the run has measured it.
    static constexpr int NominalSecondsPerMessage = 6;
    static constexpr int MessagesBeforeMeasuring = 3;

    // Starts a run of plan.total messages: the progress window is shown and the first
    // message goes out from the event loop, after the window's hold. While another send
    // runs it warns with RunState::BusyText and gives nullptr. Records an earlier send
    // could not write come first: while the database still refuses them, this throws
    // its error and nothing starts.
    static SendRun *start(SendServices &services, const SendPolicy &policy, SendPlan plan);

private:
    enum class Phase { Holding, Pausing, Skipping, Sending, Ended };

    SendRun(SendServices &services, const SendPolicy &policy, SendPlan plan, RunState::SendLock lock);
    void waitFor(int milliseconds, Phase phase);
    void waitEnded();
    void nextMessage();
    void beginMessage();
    void sendPart();
    void recordPart();
    void partDone(const PartResult &result);
    void stopAsked();
    void updateEstimate();
    void end(RunReport::End how, std::exception_ptr error = {});
    // Runs one step from the event loop: what it throws ends the run.
    void step(const std::function<void()> &work);

    SendServices &m_services;
    SendPolicy m_policy;
    SendPlan m_plan;
    std::optional<RunState::SendLock> m_lock;
    QTimer m_timer;
    Phase m_phase = Phase::Holding;

    int m_index = 0;
    Outgoing m_message;
    SmsPlan m_sms;
    int m_reference = 0;
    int m_partIndex = 0;
    MessageRecord m_part;
    // The part's project_detail row; filled once the database has taken a new row.
    std::shared_ptr<qint64> m_partRow;
    bool m_messageUnconfirmed = false;
    // Between the message's starting step and its sent step.
    bool m_messageInFlight = false;
    int m_unconfirmedMessages = 0;
    int m_silentInRow = 0;

    RunReport m_report;
    quint64 m_partsWrittenBefore = 0;
    // Time spent sending (pauses and the hold left out), in the program's milliseconds.
    QElapsedTimer m_messageTimer;
    double m_sendingMs = 0;
};
