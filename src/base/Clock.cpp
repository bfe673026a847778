#include "base/Clock.h"

#include <QTimer>

#include <cmath>

QDateTime Clock::now() const
{
    return m_fixedNow.isValid() ? m_fixedNow : QDateTime::currentDateTime();
}

int Clock::scaled(int milliseconds) const
{
    return static_cast<int>(std::lround(milliseconds * m_scale));
}

void Clock::startWait(QTimer &timer, int milliseconds, bool examinesAnswers) const
{
    start(timer, milliseconds, m_scale, examinesAnswers);
}

void Clock::startTimeout(QTimer &timer, int milliseconds, bool tellListener) const
{
    start(timer, milliseconds, m_timeoutScale, true, tellListener);
}

void Clock::startPeriod(QTimer &timer, int milliseconds) const
{
    start(timer, milliseconds, m_periodScale, true, false);
}

void Clock::start(QTimer &timer, int milliseconds, double scale, bool examinesAnswers, bool tellListener) const
{
    if (m_waitListener && tellListener)
        m_waitListener(milliseconds, examinesAnswers);
    // A coarse timer may fire 5 % late: 250 ms on a five-second wait, at every message.
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    timer.start(std::max(0, static_cast<int>(std::lround(milliseconds * scale))));
}

void Clock::readTimeZoneOnce()
{
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
}
