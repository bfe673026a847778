#pragma once

#include "modem/NetworkPdu.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>

class Clock;
class Database;
class InboxStore;
class ModemSession;
class Settings;
struct AtReply;

// Hears what comes in through one modem: asks it to announce new messages ("+CMTI:") and
// delivery reports ("+CDS:" routed, "+CDSI:" held), and lists what the SIM holds when the
// port opens and every ListEveryMs, since announcements get lost on many modems. Each
// message is read, stored, and only then deleted from the SIM: a message the program
// could not store stays on the SIM for the next listing.
class InboxReader : public QObject {
    Q_OBJECT

public:
    static constexpr int ListEveryMs = 5 * 60000;
    // A report may come before its SMS is recorded (a fast network, the fixed pace): it
    // is tried again this often, for ReportKeptMs.
    static constexpr int ReportRetryMs = 10000;
    static constexpr int ReportKeptMs = 15 * 60000;
    static constexpr auto SimFullText = "The SIM card in %1 is full: messages cannot come in until some are deleted.";

    InboxReader(ModemSession &session, Database &database, const Settings &settings, Clock &clock,
                QObject *parent = nullptr);

    // Lists what the SIM holds now (as every ListEveryMs).
    void listHeld();

Q_SIGNALS:
    // A message came in whole (or as much of it as came in a day), stored.
    void messageStored(const QString &number, const QString &text);
    // A report changed an SMS's delivery.
    void deliveryChanged();
    // Told once until the SIM has room again.
    void warning(const QString &text);
    // Storing failed: the database's words; the message stays on the SIM.
    void storeFailed(const QString &text);

private:
    void opened();
    void readIndex(int index);
    void take(int index, const QByteArray &pdu);
    void takeRouted(const QByteArray &pdu);
    // Stores what the PDU says; false when the database refused it.
    bool store(const QByteArray &pdu);
    void checkRoom();
    // A command of the reader's own, told how it ended when done is given.
    void submit(const QByteArray &line, std::function<void(const AtReply &)> done = {});
    // Where what came in is stored, with the words and the country code as set now.
    InboxStore inbox() const;
    // Matches the reports still waiting for their SMS; those kept long enough go.
    void matchWaitingReports();

    ModemSession &m_session;
    Database &m_database;
    const Settings &m_settings;
    Clock &m_clock;
    QTimer m_listTimer;
    // Indexes read and waiting for their answer, so a listing and an announcement do not
    // read one message twice.
    QSet<int> m_reading;
    struct WaitingReport {
        StatusReportPdu report;
        QDateTime received;
    };
    QList<WaitingReport> m_waitingReports;
    QTimer m_reportTimer;
    bool m_toldFull = false;
    bool m_started = false; // since the port opened
    bool m_acknowledges = false; // each routed report with AT+CNMA
};
