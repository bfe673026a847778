#pragma once

#include "base/Clock.h"
#include "broadcast/Records.h"
#include "broadcast/RunState.h"
#include "broadcast/SendEngine.h"
#include "broadcast/SendRun.h"
#include "data/DataModule.h"
#include "data/Settings.h"
#include "modem/AtExchange.h"
#include "modem/SerialLink.h"
#include "support/RunEnds.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModem.h"
#include "support/TestWorkspace.h"

#include <memory>

// One part of text in the GSM alphabet, as an exchange is handed it.
inline SmsPart gsm(const QString &text)
{
    return {text, Alphabet::Gsm7, std::nullopt};
}

// What the senders stand on, as the main window has it: the send engine over a fresh
// database, its first modem a test modem whose port is open and has been asked its first
// questions (what it said then is forgotten). Waits run at a hundredth of their length,
// the clock reads `now`, and another program's lock is waited for only briefly.
struct SendBench {
    explicit SendBench(const QDateTime &now);

    // A recipient row of the project "RAYA", as populating a project leaves it; its id.
    qint64 addRecipient(const QString &name, const QString &number, const QString &message) const;
    // Recipient rows of "RAYA", one per message, for clients numbered from the rows
    // already there: "Client 1" at "601", "Client 2" at "602" ...
    void addRecipients(const QStringList &messages) const;
    // The recipient rows, first to last, as a runner captures them.
    QList<Outgoing> recipients() const;
    // The wait-th wait of the send (counted from 1) goes on only once the modem's error
    // answer has been logged, so that the steps after it see the row marked "FAIL".
    void holdWaitUntilFailLogged(int wait);
    // Waits until one more run has ended than had ended at the last call (a sender
    // returns at once; its run goes on from the event loop) and the modem has read every
    // message written; false when the time is up.
    bool waitForRunEnd(int timeoutMilliseconds = 30000);
    // Sends one part through the first modem's exchange and waits up to 30 s for its
    // result (failed when none came); record runs where a sender records the part.
    PartResult sendPart(const PartRequest &request, const std::function<void()> &record = {});
    // More modems beside the first, each a test modem of its own, opened as the modem list
    // opens them; false when one did not open or answer.
    bool addModems(int count);

    TestWorkspace ws;
    ScriptedDialogs dialogs;
    Clock clock;
    DataModule dm;
    // The Preference tab's working copy: the centre number +60120000000, the fixed pace.
    Settings settings{dm};
    SendEngine engine{dm.con, settings, clock, dialogs};
    RunState &runState = engine.runState();
    Records &records = engine.records();
    ModemLane &lane = engine.firstLane();
    ModemSession &session = lane.session();
    SerialLink &link = session.link();
    AtExchange &exchange = lane.exchange();
    // A pointer, so that a test can pull the device away.
    std::unique_ptr<TestModem> modem;
    // The modems addModems added, in the engine's order after the first.
    std::vector<std::unique_ptr<TestModem>> others;
    RunEnds runs{runState};
    // Every run's report, in the order they ended.
    const QList<RunReport> &ended = runs.reports;
};

// A text of forty words that needs two SMS.
QString twoPartText();
