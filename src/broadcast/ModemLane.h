#pragma once

#include "broadcast/FailureMarker.h"
#include "modem/AtExchange.h"
#include "modem/ModemSession.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <memory>

class Clock;
class Dialogs;
class Records;
class RunState;
class Settings;

// One modem as the engine sends through it, from run to run: its session and part
// exchange, the row an error answer marks at the fixed pace, its own message centre
// number, and what it sent today.
class ModemLane : public QObject {
    Q_OBJECT

public:
    ModemLane(Records &records, RunState &runState, Clock &clock, Dialogs &dialogs, QObject *parent = nullptr);

    ModemSession &session() { return m_session; }
    const ModemSession &session() const { return m_session; }
    AtExchange &exchange() { return m_exchange; }
    QString port() const { return m_session.port(); }

    // The project_detail row an error answer marks at the fixed pace (the current detail
    // id): made current by each sender as it records a part on this modem, and current
    // until another is, across runs. A new row's id is filled in once the database has
    // stored it; until then the row is current all the same.
    void setCurrentRow(std::shared_ptr<const qint64> row) { m_currentRow = std::move(row); }
    void setCurrentDetailId(qint64 id) { m_currentRow = std::make_shared<const qint64>(id); }
    const std::shared_ptr<const qint64> &currentRow() const { return m_currentRow; }

    // The number of the message centre of its SIM; empty: the Preference tab's.
    void setCentreNumber(const QString &number) { m_centreNumber = number; }
    QString centreNumber(const Settings &settings) const;

    // What it sent today, and what the modem refused or left unconfirmed.
    void countSent();
    void countRefused();
    // Its health and today's counts, for the light's tool tip and the modem list:
    // "ttyUSB2: CelcomDigi, signal 4 of 5 (-71 dBm), home network; today 12 sent, 1 refused".
    QString statusText() const;

private:
    void turnOfDay() const;

    Clock &m_clock;
    ModemSession m_session;
    AtExchange m_exchange;
    FailureMarker m_marker;
    std::shared_ptr<const qint64> m_currentRow;
    QString m_centreNumber;
    mutable QDate m_countedOn;
    mutable int m_sentToday = 0;
    mutable int m_refusedToday = 0;
};
