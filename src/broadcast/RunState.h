#pragma once

#include "base/Dialogs.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

// What the progress window does for the senders; the window implements it, tests
// may record it or leave it out.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    // Shows the window (running its showing steps when it becomes visible); the
    // runners also set the bar to 0. Returns how long, in program milliseconds, the
    // sender holds before its first message: the window has just appeared and is read.
    virtual int showProgress(bool resetBar) = 0;
    // The hold is over and the first message goes out.
    virtual void holdEnded() = 0;
    // Bar := rounded current * 100 / total, current and the time still to go shown.
    virtual void updateProgress() = 0;
    virtual void showPause(int minutes) = 0;
    virtual void endPause() = 0;
};

// What one run did, told as it ends.
struct RunReport {
    enum class End { Completed, Stopped, Failed };
    QString what; // what the run was, for the operator ("Broadcast"); empty for a single SMS
    End end = End::Completed;
    int total = 0; // messages the run was started with
    int messagesSent = 0; // messages whose every part went to the modem
    int partsWritten = 0; // SMS written to the modem
    int messagesRefused = 0; // messages the modem refused or did not confirm
    int messagesLeftOut = 0; // messages to numbers that asked not to receive any
    QString error; // the error box's text, for a run that failed
    // Each modem that left the run before its end, and why: "The modem on ttyUSB2 was
    // disconnected."
    QStringList modemsLeft;

    // How it went, in a line: "Broadcast finished: 12 messages sent (18 SMS), 2 refused by
    // the modem (they are in the failed-message queue)." or "Broadcast stopped after 4 of 9
    // messages."
    QString resultText() const;
};

// What belongs to the run, whichever modems send it: the one-send-at-a-time guard, the
// stop request, the progress counters and each run's report. What belongs to a modem
// (the row an error answer marks, its silence) is its lane's.
class RunState : public QObject {
    Q_OBJECT

public:
    static constexpr auto BusyText = "A broadcast is already running. Please wait until it has finished.";

    // Held by a run for its whole life.
    class SendLock {
    public:
        explicit SendLock(RunState &state)
            : m_state(&state)
        {
            m_state->m_sending = true;
        }
        SendLock(SendLock &&other) noexcept
            : m_state(std::exchange(other.m_state, nullptr))
        {
        }
        SendLock(const SendLock &) = delete;
        SendLock &operator=(const SendLock &) = delete;
        SendLock &operator=(SendLock &&) = delete;
        ~SendLock()
        {
            if (m_state)
                m_state->sendEnded();
        }

    private:
        RunState *m_state;
    };

    void setDisplay(ProgressDisplay *display) { m_display = display; }

    // Empty while another send runs: the caller then warns with BusyText and sends
    // nothing. onStop is called when the operator asks the run to stop.
    std::optional<SendLock> tryBeginSend(std::function<void()> onStop = {})
    {
        if (m_sending)
            return std::nullopt;
        m_onStop = std::move(onStop);
        m_refusedRows.clear();
        return std::optional<SendLock>(std::in_place, *this);
    }
    bool isSending() const { return m_sending; }
    // An error answer has marked a row while a send runs: its message counts once in the
    // run's report, however many of its parts were refused.
    void countRefusal(const std::shared_ptr<const qint64> &row)
    {
        if (m_sending && !m_refusedRows.contains(row.get()))
            m_refusedRows << row.get();
    }
    int refusalsThisRun() const { return static_cast<int>(m_refusedRows.size()); }
    // For actions that would change what a running send walks: true, after the busy
    // warning, while one runs.
    bool refusedWhileSending(Dialogs &dialogs) const
    {
        // The warning is modal: the send may well have ended by the time it is closed.
        const bool refused = m_sending;
        if (refused)
            dialogs.warning(QString::fromLatin1(BusyText));
        return refused;
    }

    // Asks the running send to stop once the part going out has its records.
    void requestStop()
    {
        if (!m_sending || m_stopRequested)
            return;
        m_stopRequested = true;
        if (m_onStop)
            m_onStop();
    }
    bool stopRequested() const { return m_stopRequested; }
    // Runs step once no send runs: now, or as the running one ends. It runs while the
    // run ends, so it must not throw; it may post work for later.
    void whenIdle(std::function<void()> step)
    {
        if (m_sending)
            m_idleSteps << std::move(step);
        else
            step();
    }

    int progressTotal = 0;
    int progressCurrent = 0;
    // The time the run still needs, in seconds, as the progress window shows it.
    int secondsToGo = 0;
    // A line for each modem of a run over several: its port, the messages it sent, and
    // the seconds a message takes it (0 until measured).
    struct ModemProgress {
        QString port;
        int messagesSent = 0;
        double secondsPerMessage = 0;
    };
    QList<ModemProgress> modems;

    // Start: counters set, window shown; the hold before the first message.
    int startProgress(int total, int current, bool resetBar)
    {
        progressTotal = total;
        progressCurrent = current;
        return m_display ? m_display->showProgress(resetBar) : 0;
    }
    void holdEnded()
    {
        if (m_display)
            m_display->holdEnded();
    }
    void updateProgress()
    {
        if (m_display)
            m_display->updateProgress();
    }
    void showPause(int minutes)
    {
        if (m_display)
            m_display->showPause(minutes);
    }
    void endPause()
    {
        if (m_display)
            m_display->endPause();
    }
    // Finish: a current of 0 lets the window close itself at its next tick.
    void finishProgress() { progressCurrent = 0; }
    ProgressDisplay *display() const { return m_display; }

    void tellRunEnded(const RunReport &report) { Q_EMIT runEnded(report); }

Q_SIGNALS:
    // A run has ended, its end steps done; the send lock is still held.
    void runEnded(const RunReport &report);

private:
    void sendEnded()
    {
        m_sending = false;
        m_stopRequested = false;
        m_onStop = {};
        const QList<std::function<void()>> steps = std::exchange(m_idleSteps, {});
        for (const auto &step : steps)
            step();
    }

    ProgressDisplay *m_display = nullptr;
    bool m_sending = false;
    bool m_stopRequested = false;
    // The rows error answers marked during this send; only compared, never read.
    QList<const void *> m_refusedRows;
    std::function<void()> m_onStop;
    QList<std::function<void()>> m_idleSteps;
};
