#pragma once

#include "broadcast/GreetingBroadcast.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QTime>

#include <functional>
#include <optional>

class Clock;
class RunState;

// The one-minute timer's work: each greeting whose "Auto Broadcast at" minute came since
// the previous tick goes out, the birthday first. A tick that comes late (a busy
// machine, a suspended one) still finds the minute it missed; a greeting whose minute comes while
// another send runs goes out as soon as that send ends; and a greeting goes out at most
// once for one minute of one day.
class GreetingTimer : public QObject {
    Q_OBJECT

public:
    using Broadcast = std::function<void(Greeting)>;

    // The settings are read afresh at every tick, as they stand on screen.
    GreetingTimer(RunState &runState, const Clock &clock, const Settings &settings, Broadcast broadcast,
                  QObject *parent = nullptr);

    void Timer1Timer();
    // The greetings waiting for a send to end go no more: the program is ending.
    void dropWaiting() { m_deferred.clear(); }

private:
    struct Due {
        Greeting greeting;
        QDateTime minute;
    };

    // The start of the configured minute that falls in (from, to], if any.
    static std::optional<QDateTime> minuteBetween(QTime at, const QDateTime &from, const QDateTime &to);
    void runOrDefer(const Due &due);
    void runDeferred();
    QDateTime &lastRun(Greeting greeting);

    RunState &m_runState;
    const Clock &m_clock;
    const Settings &m_settings;
    Broadcast m_broadcast;
    QDateTime m_previousTick;
    QDateTime m_lastBirthday;
    QDateTime m_lastAnniversary;
    QList<Due> m_deferred;
    bool m_ticking = false;
};
