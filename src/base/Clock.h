#pragma once

#include <QDateTime>
#include <QtGlobal>

#include <functional>

// Every wait and every reading of the current time goes through the clock.
// The program runs it at scale 1; tests shrink the waits (scale 0.001 runs a
// broadcast with its real waits in milliseconds) and fix the time of day.
class Clock {
public:
    QDateTime now() const;
    void setFixedNow(const QDateTime &now) { m_fixedNow = now; }

    void setScale(double scale) { m_scale = scale; }
    // A program interval in milliseconds, as the clock runs it.
    int scaled(int milliseconds) const;

    // Blocking wait: nothing of the user-interface thread is processed.
    void sleep(int milliseconds) const;
    // Pumping wait: events (clicks, timers, received characters) are processed until
    // the time has passed.
    void Delay(int milliseconds) const;

    // Told of every wait before it starts (tests check the order of writes and waits).
    using WaitListener = std::function<void(int milliseconds, bool pumping)>;
    void setWaitListener(WaitListener listener) { m_waitListener = std::move(listener); }

    // With TZ unset, the C library reads the zone file again for every local time the
    // program works out (every date shown or stored: a listing of 50 000 log rows spends
    // most of its time there). Naming the system zone reads it once. Call at start,
    // before any thread runs.
    static void readTimeZoneOnce();

    // Milliseconds between two readings of a 32-bit tick counter, right across its wrap.
    static quint32 ticksBetween(quint32 start, quint32 end) { return end - start; }

private:
    static quint32 tickCount();

    double m_scale = 1.0;
    QDateTime m_fixedNow;
    WaitListener m_waitListener;
};
