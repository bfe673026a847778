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
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(std::min<quint32>(wait - elapsed, 50)), &loop,
                           &QEventLoop::quit);
        loop.exec();
    }
}

quint32 Clock::tickCount()
{
    using namespace std::chrono;
    return static_cast<quint32>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
