#pragma once

#include <QDateTime>
#include <QtGlobal>

#include <functional>

class QTimer;

// Every wait and every reading of the current time goes through the clock. Waits are
// timers, never sleeps: the window's thread goes on with its events while one runs.
// The program runs the clock at scale 1; tests shrink the waits (scale 0.001 runs a
// broadcast with its real waits in milliseconds) and fix the time of day.
class Clock {
public:
    QDateTime now() const;
    void setFixedNow(const QDateTime &now) { m_fixedNow = now; }

    // Shrinks every wait and time-out alike.
    void setScale(double scale) { m_scale = m_timeoutScale = scale; }
    // Shrinks only the time-outs: how long the program gives a modem to answer. Tests of
    // a modem that answers keep them real while the paced waits run in milliseconds.
    void setTimeoutScale(double scale) { m_timeoutScale = scale; }
    double scale() const { return m_scale; }
    // A program interval in milliseconds, as the clock runs it.
    int scaled(int milliseconds) const;

    // Starts timer as a single shot of a program interval. examinesAnswers tells the
    // listener what kind of wait of a send it is: one during which the modem's error
    // answers are taken as they come, or one that keeps them for later.
    void startWait(QTimer &timer, int milliseconds, bool examinesAnswers = true) const;
    // Starts timer as the longest time something may take to answer. The listener is told
    // unless the time-out is none of a send's (tellListener false: the modem's own checks).
    void startTimeout(QTimer &timer, int milliseconds, bool tellListener = true) const;
    // Starts timer for work that comes round again by itself (a modem's health, every
    // minute): at the period scale, which neither setScale nor setTimeoutScale touch, so
    // that tests see it only when they ask for it; the listener is not told.
    void startPeriod(QTimer &timer, int milliseconds) const;
    void setPeriodScale(double scale) { m_periodScale = scale; }

    // Told of every wait before it starts (tests check the order of writes and waits,
    // and may hold the program at a wait until an answer has been handled).
    using WaitListener = std::function<void(int milliseconds, bool examinesAnswers)>;
    void setWaitListener(WaitListener listener) { m_waitListener = std::move(listener); }

    // With TZ unset, the C library reads the zone file again for every local time the
    // program works out (every date shown or stored: a listing of 50 000 log rows spends
    // most of its time there). Naming the system zone reads it once. Call at start,
    // before any thread runs.
    static void readTimeZoneOnce();

private:
    void start(QTimer &timer, int milliseconds, double scale, bool examinesAnswers, bool tellListener = true) const;

    double m_scale = 1.0;
    double m_timeoutScale = 1.0;
    double m_periodScale = 1.0;
    QDateTime m_fixedNow;
    WaitListener m_waitListener;
};
