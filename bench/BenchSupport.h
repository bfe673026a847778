#pragma once

#include "base/Dialogs.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <algorithm>

class Records;
class ModemLane;

// Dialogs for benchmarks: no box is expected, so any box ends the run with its text.
class SilentDialogs : public Dialogs {
public:
    void warning(const QString &text) override { fail(text); }
    void error(const QString &text) override { fail(text); }
    void information(const QString &, const QString &) override { }
    Answer confirm(const QString &, Buttons) override { return Answer::No; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
    bool setUpPrinter(QPrinter &, int, int) override { return false; }
    std::optional<QString> askSecret(const QString &text) override { fail(text); }

private:
    [[noreturn]] static void fail(const QString &text);
};

// Runs script through the sqlite3 shell on the database and returns its seconds;
// a failing shell ends the run.
double shellSeconds(const QString &database, const QString &script);

// Makes the folder the working folder, with a fresh "Dovrel.mdb" in it, as the program
// finds its database; returns the database's path.
QString freshWorkingDatabase(const QString &folder);

// The longest the event loop went without answering while it was watched: a timer asks for
// the loop every millisecond, and the longest gap between its ticks, less that
// millisecond, is how long a window would have gone without answering.
class LoopWatch {
public:
    LoopWatch();
    void start();
    void stop() { m_timer.stop(); }
    double longestGapMs() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    double m_longest = 0;
};

// Resident memory of this process, in kilobytes.
long residentKilobytes();
// The most it has been since the process started, in kilobytes.
long peakResidentKilobytes();

// The shortest of runs of work, in seconds.
template<typename Work>
double bestOf(int runs, Work work)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

// Records one Individual SMS, numbered so each differs, as a send does (its detail row,
// made current, then its log row, both written): the milliseconds that took.
double recordIndividualSms(Records &records, ModemLane &lane, int number);
