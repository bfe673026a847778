#pragma once

#include "base/Clock.h"

// The clock a main window is built on in tests: waits at a thousandth of their length,
// the modem given its real time to answer, and a fixed moment, 9 December 2026 at 10:30.
// Made before the window, which takes its timers' intervals from it.
struct WindowClock : Clock {
    WindowClock()
    {
        setScale(0.001);
        setTimeoutScale(1);
        setFixedNow(QDateTime(QDate(2026, 12, 9), QTime(10, 30)));
    }
};
