#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

#include <signal.h>

// How far a long piece of work has come (an import, an export, a report, a copy), for
// whoever shows it: a bar in the window, a line on the terminal. The work tells every
// unit it finishes; what shows it hears at most every half percent, and is asked then
// whether the operator wants the work stopped: a work that can be cancelled then ends
// with ActionStopped, inside its transaction, so nothing of it is stored.
class WorkProgress {
public:
    virtual ~WorkProgress() = default;

    // done of total units; total 0 while it is not known.
    void advance(qint64 done, qint64 total);
    // A new stage of the work, with its own count ("Reading the workbook").
    void stage(const QString &what);

protected:
    virtual void show(const QString &what, qint64 done, qint64 total) = 0;
    // Whether the operator asked to stop; only a work shown as cancellable asks.
    virtual bool cancelRequested() { return false; }

private:
    QString m_what;
    qint64 m_shown = -1;
};

// Work that nobody watches.
class NoProgress final : public WorkProgress {
protected:
    void show(const QString &, qint64, qint64) override {}
};

// A line on the terminal's error output, rewritten in place when it is a terminal
// ("Copying: 45 % (12000 of 26000 rows)"), a line for each stage otherwise. Ctrl-C asks
// the work to stop, when it can be cancelled; a second Ctrl-C ends the program at once.
class TerminalProgress final : public WorkProgress {
public:
    TerminalProgress(const QString &units, bool cancellable);
    ~TerminalProgress() override;

    // A line of its own to standard output, the progress line moved below it.
    void note(const QString &line);

protected:
    void show(const QString &what, qint64 done, qint64 total) override;
    bool cancelRequested() override;

private:
    QString m_units;
    bool m_cancellable;
    bool m_onTerminal;
    QString m_lastStage;
    bool m_lineOpen = false;
    struct sigaction m_previousInterrupt {};
};
