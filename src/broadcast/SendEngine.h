#pragma once

#include "broadcast/ModemLane.h"
#include "broadcast/Records.h"
#include "broadcast/RunState.h"
#include "data/Settings.h"

#include <QList>
#include <QObject>

class Clock;
class Database;
class Dialogs;

// What every sender sends with: the modems, each in its lane with its session, the
// records of what was sent, and the run state. The main window, the tests and the
// benchmarks each make one; senders start their runs on it.
class SendEngine : public QObject {
    Q_OBJECT

public:
    SendEngine(Database &database, Settings &settings, Clock &clock, Dialogs &dialogs, QObject *parent = nullptr);
    ~SendEngine() override;

    RunState &runState() { return m_runState; }
    Records &records() { return m_records; }
    Database &database() { return m_database; }
    const Settings &settings() const { return m_settings; }
    Clock &clock() { return m_clock; }
    Dialogs &dialogs() { return m_dialogs; }

    // One lane a modem of the list, the first modem's first; there is always that one,
    // whose port the light shows, open or not.
    const QList<ModemLane *> &lanes() const { return m_lanes; }
    ModemLane &firstLane() { return *m_lanes.first(); }

    // Closes every modem, then opens those given, in order, each with its own centre
    // number. What one cannot open does not keep the others closed: the first refusal
    // is thrown once every modem was tried, the first modem's own words unchanged and
    // another's after its port.
    void openModems(const QList<ModemSetup> &modems);
    void closeModems();
    // From now on every modem also hears what comes in (InboxReader): the program's
    // window asks for it; a test of what is sent hears only what it sends.
    void hearIncoming();

Q_SIGNALS:
    // A modem's change for the worse (its SIM asks for its PIN, it has no network, it no
    // longer answers), told once, by the modem's port.
    void warning(const QString &port, const QString &text, bool asksPin);
    // A modem opened, closed, was lost or told of its health.
    void modemsChanged();
    // Reading what a modem sent failed: the text, for the operator. Delivery goes on.
    void receiveFailed(const QString &text);
    // A message came in and was stored; a report changed the delivery of an SMS sent.
    void messageStored(const QString &port, const QString &number, const QString &text);
    void deliveryChanged();

private:
    ModemLane *addLane();
    void addInboxReader(ModemLane *lane);

    Database &m_database;
    Settings &m_settings;
    Clock &m_clock;
    Dialogs &m_dialogs;
    Records m_records;
    RunState m_runState;
    QList<ModemLane *> m_lanes;
    bool m_hearsIncoming = false;
};
