#include "broadcast/ModemLane.h"

#include "base/Clock.h"
#include "data/Settings.h"

ModemLane::ModemLane(Records &records, RunState &runState, Clock &clock, Dialogs &dialogs, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_session(clock)
    , m_exchange(m_session, clock)
    , m_marker(*this, runState, records, clock, dialogs)
{
}

QString ModemLane::centreNumber(const Settings &settings) const
{
    return m_centreNumber.isEmpty() ? settings.centreNumber() : m_centreNumber;
}

void ModemLane::turnOfDay() const
{
    const QDate today = m_clock.now().date();
    if (m_countedOn == today)
        return;
    m_countedOn = today;
    m_sentToday = 0;
    m_refusedToday = 0;
}

void ModemLane::countSent()
{
    turnOfDay();
    ++m_sentToday;
}

void ModemLane::countRefused()
{
    turnOfDay();
    ++m_refusedToday;
}

QString ModemLane::statusText() const
{
    turnOfDay();
    const QString health =
        m_session.isOpen() ? m_session.health().describe(port()) : QStringLiteral("%1: closed").arg(port());
    return QStringLiteral("%1; today %2 sent, %3 refused").arg(health).arg(m_sentToday).arg(m_refusedToday);
}
