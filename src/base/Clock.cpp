#include "base/Clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <cmath>

QDateTime Clock::now() const
{
    return m_fixedNow.isValid() ? m_fixedNow : QDateTime::currentDateTime();
}

int Clock::scaled(int milliseconds) const
{
    return static_cast<int>(std::lround(milliseconds * m_scale));
}

void Clock::sleep(int milliseconds) const
{
    if (m_waitListener)
        m_waitListener(milliseconds, false);
    const int wait = scaled(milliseconds);
    if (wait > 0)
        QThread::msleep(static_cast<unsigned long>(wait));
}

void Clock::Delay(int milliseconds) const
{
    if (m_waitListener)
        m_waitListener(milliseconds, true);
    const quint32 wait = static_cast<quint32>(std::max(0, scaled(milliseconds)));
    const quint32 start = tickCount();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const quint32 elapsed = ticksBetween(start, tickCount());
        if (elapsed >= wait)
            break;
        // Sleep inside an event loop, so events arriving meanwhile are handled at once.
        const int slice = static_cast<int>(std::min<quint32>(wait - elapsed, 50));
        QEventLoop loop;
        QTimer::singleShot(slice, &loop, &QEventLoop::quit);
        // Once the application has been asked to quit, no event loop runs any more:
        // sleep the slice instead of spinning through the rest of the wait.
        if (loop.exec() < 0)
            QThread::msleep(static_cast<unsigned long>(slice));
    }
}

void Clock::readTimeZoneOnce()
{
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
}

quint32 Clock::tickCount()
{
    using namespace std::chrono;
    return static_cast<quint32>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
