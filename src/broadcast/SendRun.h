#pragma once

#include "broadcast/MessageRecord.h"
#include "broadcast/RunState.h"
#include "compose/MessageSplit.h"
#include "data/OptOutList.h"
#include "modem/AtExchange.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Dialogs;
class ModemLane;
class SendEngine;

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
    // Where the run's error box goes; the engine's dialogs when null.
    Dialogs *boxes = nullptr;
    // Whether a message to a number on the opt-out list is left out, its row as it was
    // (every bulk send); a single SMS asked the operator already.
    bool leavesOutOptedOut = true;
};

// The one send engine: a run walks its sender's messages as a state machine over the
// modems' exchanges and the clock's timers, so the window's thread never waits. Every
// open modem that can send takes part, each taking the next message when it is free; all
// parts of a message go through the modem that sent its first part. For each part, in
// this order: "AT+CMGF=0", "AT+CMGS=<n>", the PDU, the record (the row marked or added,
// and made current on that modem), the last wait or the final answer, a part the modem
// did not confirm marked "FAIL", the "SEND" log row (with the modem and the reference
// the network gave the SMS), and the progress update where the policy puts it.
//
// Waiting for answers, a message the modem refused at its first part goes once to
// another modem before it is marked "FAIL"; a part left unanswered is never sent again
// (it may have gone out). A modem that leaves SilentPartsToStop parts in a row
// unanswered, or whose port is lost, leaves the run, which goes on with the others.
//
// A run holds the one-send-at-a-time lock for its life. It stops between messages,
// never inside one: when the operator asks it to (at once during the hold and a pause),
// when the database refused a record of an SMS already sent (the record is kept for
// later), and when no modem is left; a message cut short is marked "FAIL". It ends with
// the sender's end steps, or without them after a stop or an error, whose box it shows
// itself; then it deletes itself.
class SendRun : public QObject {
    Q_OBJECT

public:
    static constexpr auto ModemSilentText =
        "The modem stopped answering. %1 messages were not confirmed and are in the failed-message queue.";
    static constexpr auto DisconnectedText = "The modem on %1 was disconnected.";
    static constexpr auto LeftSilentText = "The modem on %1 stopped answering and left the run.";
    static constexpr auto NoModemCanSendText = "No modem can send now: %1.";
    static constexpr int SilentPartsToStop = 3;
    // What the progress window reckons a message takes until a modem has measured it.
    static constexpr int NominalSecondsPerMessage = 6;
    static constexpr int MessagesBeforeMeasuring = 3;
    // Waiting for answers, a modem that keeps the radio link between messages drops it
    // after a few idle seconds; it is asked again after this long.
    static constexpr int KeptLinkMs = 4000;

    // Starts a run of plan.total messages: the progress window is shown and the first
    // message goes out from the event loop, after the window's hold. While another send
    // runs it warns with RunState::BusyText and gives nullptr. Records an earlier send
    // could not write come first: while the database still refuses them, this throws
    // its error and nothing starts.
    static SendRun *start(SendEngine &engine, const SendPolicy &policy, SendPlan plan);

private:
    enum class Phase { Holding, Sending, Pausing, Ended };

    // One modem's share of the run.
    struct Lane {
        ModemLane *modem = nullptr;
        quint64 partsWrittenBefore = 0;
        bool joined = false; // it has the modem to itself for the run (the fixed pace)
        bool busy = false; // a message in flight
        bool left = false;
        int index = -1; // the message in flight
        Outgoing message;
        SmsPlan sms;
        int reference = 0;
        int partIndex = 0;
        MessageRecord part;
        // The part's project_detail row; filled once the database has taken a new row.
        std::shared_ptr<qint64> partRow;
        // A retried message's row where each part has its own: its first part's again.
        std::shared_ptr<qint64> retryRow;
        bool messageUnconfirmed = false;
        bool retry = false; // the message was refused by another modem first
        int silentInRow = 0;
        int messagesSent = 0;
        QElapsedTimer messageTimer;
        double sendingMs = 0;
        // Waiting for answers: whether the modem keeps its radio link (AT+CMMS=2), and
        // since when it has been idle.
        bool keepsLink = true;
        bool askedToKeepLink = false;
        QElapsedTimer idleSince;
    };
    // A message one modem refused at its first part, for another.
    struct Retry {
        int index;
        Outgoing message;
        std::shared_ptr<qint64> row;
        Lane *refusedBy;
    };

    SendRun(SendEngine &engine, const SendPolicy &policy, SendPlan plan, RunState::SendLock lock);
    void waitFor(int milliseconds, Phase phase);
    void waitEnded();
    void stopAsked();
    void beginSending();
    // Every free modem takes the next message; once all are free, the run pauses or ends.
    void dispatch();
    void offerWork(Lane &lane);
    void beginMessage(Lane &lane, int index, std::optional<Retry> retry);
    void keepLink(Lane &lane);
    void sendPart(Lane &lane);
    void recordPart(Lane &lane);
    void partDone(Lane &lane, const PartResult &result);
    // The message in flight ends with the parts from firstUnsent on never sent: "FAIL".
    void cutShort(Lane &lane, int firstUnsent);
    void messageEnded(Lane &lane, bool whole, bool dispatchNext = true);
    void leave(Lane &lane, const QString &why);
    void refuseForGood(const Retry &retry);
    void startPause();
    void updateEstimate();
    bool otherModemCanTake(const Lane &refusedBy) const;
    void end(RunReport::End how, std::exception_ptr error = {});
    // Runs one step from the event loop: what it throws ends the run once the messages
    // in flight have ended.
    void step(const std::function<void()> &work);
    void fail(std::exception_ptr error);

    SendEngine &m_engine;
    RunState &m_runState;
    SendPolicy m_policy;
    SendPlan m_plan;
    std::optional<RunState::SendLock> m_lock;
    QTimer m_timer;
    Phase m_phase = Phase::Holding;
    bool m_awaitAnswers = false;
    bool m_asksReports = false;

    std::vector<std::unique_ptr<Lane>> m_lanes;
    int m_next = 0; // the next message to take
    QList<Retry> m_retries;
    // The pause "Pause every" asks for before the message m_next, once the modems are free.
    std::optional<int> m_pauseDue;
    bool m_pauseAsked = false; // for the message m_next
    std::exception_ptr m_error;
    QString m_lastLeft; // why the last modem to leave left
    int m_unconfirmedMessages = 0;

    // The opt-out list as the run began, when it leaves those numbers out.
    std::optional<OptOutList> m_optedOut;
    RunReport m_report;
};
