#include "broadcast/GreetingTimer.h"

#include "base/Clock.h"
#include "broadcast/RunState.h"

#include <utility>

GreetingTimer::GreetingTimer(RunState &runState, const Clock &clock, const Settings &settings, Broadcast broadcast,
                             QObject *parent)
    : QObject(parent)
    , m_runState(runState)
    , m_clock(clock)
    , m_settings(settings)
    , m_broadcast(std::move(broadcast))
    , m_previousTick(clock.now())
{
}

void GreetingTimer::Timer1Timer()
{
    // A box a greeting shows as it starts (an error, a busy warning) lets later ticks in:
    // the tick that started it looks at the minutes they cover once it is done.
    if (m_ticking)
        return;
    m_ticking = true;
    const QDateTime now = m_clock.now();
    for (const Greeting greeting : {Greeting::Birthday, Greeting::Anniversary}) {
        const GreetingSettings setting = m_settings.greeting(greeting);
        if (!setting.autoBroadcast || !setting.at.isValid())
            continue;
        if (const auto minute = minuteBetween(setting.at, m_previousTick, now))
            runOrDefer({greeting, *minute});
    }
    m_previousTick = now;
    m_ticking = false;
}

std::optional<QDateTime> GreetingTimer::minuteBetween(QTime at, const QDateTime &from, const QDateTime &to)
{
    const QTime start(at.hour(), at.minute());
    // A late tick just after midnight may cover yesterday's minute.
    for (const QDate day : {to.date(), to.date().addDays(-1)}) {
        const QDateTime minute(day, start);
        if (minute <= to && minute.addSecs(60) > from)
            return minute;
    }
    return std::nullopt;
}

QDateTime &GreetingTimer::lastRun(Greeting greeting)
{
    return greeting == Greeting::Birthday ? m_lastBirthday : m_lastAnniversary;
}

void GreetingTimer::runOrDefer(const Due &due)
{
    QDateTime &last = lastRun(due.greeting);
    if (last == due.minute)
        return;
    if (m_runState.isSending()) {
        for (const Due &waiting : std::as_const(m_deferred))
            if (waiting.greeting == due.greeting && waiting.minute == due.minute)
                return;
        m_deferred << due;
        // Posted, so it runs once the ending send has unwound, not inside it.
        m_runState.whenIdle(
            [this] { QMetaObject::invokeMethod(this, &GreetingTimer::runDeferred, Qt::QueuedConnection); });
        return;
    }
    last = due.minute;
    m_broadcast(due.greeting);
}

void GreetingTimer::runDeferred()
{
    const QList<Due> waiting = std::exchange(m_deferred, {});
    for (const Due &due : waiting)
        runOrDefer(due);
}
