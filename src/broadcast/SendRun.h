#pragma once

#include "broadcast/MessageRecord.h"
#include "broadcast/RunState.h"
#include "modem/AtExchange.h"

#include <functional>
#include <optional>

class Clock;
class Dialogs;
class Records;

// What every sender sends with.
struct SendServices {
    AtExchange &exchange;
    RunState &runState;
    Records &records;
    Clock &clock;
    Dialogs &dialogs;
    // The message centre number as the Preference tab holds it at this moment.
    std::function<QString()> centreNumber;
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

    Sender sender;
    // Split into SMS of 160 characters; otherwise the message goes whole.
    bool split = true;
    Progress progress = Progress::AfterLog;
    // 0: a runner, which raises progress current before each message and starts the
    // bar at 0; otherwise the current message number for the whole send.
    int startCurrent = 0;
};

// The one send loop: every sender supplies its messages, its policy and its own end
// steps. For each part, in this order: "AT+CMGF=0", "AT+CMGS=<n>", the PDU, the record
// (the row marked or added, and made current), the last wait, the "SEND" log row and
// the progress update where the policy puts it.
//
// A run holds the one-send-at-a-time lock for its life. Between parts it stops when the
// operator asked it to (ActionStopped), and when the database refused a record of an
// SMS already sent (the database's error, the record kept for later).
class SendRun {
public:
    // Starts the progress window with total messages; while another send runs it
    // warns with RunState::BusyText and gives nothing.
    static std::optional<SendRun> begin(SendServices &services, const SendPolicy &policy, int total);

    // beforeParts runs once progress current counts the message, before its first part
    // (the announcement runner's pause check).
    void send(const Outgoing &message, const std::function<void()> &beforeParts = {});
    // The announcement runner's pause: a pumping wait of so many minutes, shown.
    void pause(int minutes);
    // Progress current back to 0: the progress window closes itself at its next tick.
    void finish();

private:
    SendRun(SendServices &services, const SendPolicy &policy, RunState::SendLock lock);
    void sendPart(const Outgoing &message, const QString &text, int index, int count);
    void record(const Outgoing &message, MessageRecord &part, int index);

    SendServices *m_services;
    SendPolicy m_policy;
    RunState::SendLock m_lock;
};
