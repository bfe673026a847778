#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

// What the progress window does for the senders; the window implements it, tests
// may record it or leave it out.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    // Shows the window (running its showing steps when it becomes visible); the
    // runners also set the bar to 0.
    virtual void showProgress(bool resetBar) = 0;
    // Bar := rounded current * 100 / total, current shown.
    virtual void updateProgress() = 0;
    virtual void showPause(int minutes) = 0;
    virtual void endPause() = 0;
};

// The program-wide run state that the main window owns: the progress counters, the
// current detail id the receive handler marks, and the one-send-at-a-time guard.
class RunState {
public:
    static constexpr auto BusyText = "A broadcast is already running. Please wait until it has finished.";

    // Held by a sender for the whole of its run.
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

    // Empty while another send runs: the caller then warns with BusyText and sends nothing.
    std::optional<SendLock> tryBeginSend()
    {
        if (m_sending)
            return std::nullopt;
        return std::optional<SendLock>(std::in_place, *this);
    }
    bool isSending() const { return m_sending; }

    // Asks the running send to stop at its next part boundary.
    void requestStop() { m_stopRequested = m_sending; }
    bool stopRequested() const { return m_stopRequested; }
    // Runs step once no send runs: now, or as the running one ends. It runs while a
    // send unwinds, so it must not throw; it may post work for later.
    void whenIdle(std::function<void()> step)
    {
        if (m_sending)
            m_idleSteps << std::move(step);
        else
            step();
    }

    int progressTotal = 0;
    int progressCurrent = 0;
    QString currentDetailId;

    // Start: counters set, window shown.
    void startProgress(int total, int current, bool resetBar)
    {
        progressTotal = total;
        progressCurrent = current;
        if (m_display)
            m_display->showProgress(resetBar);
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

private:
    void sendEnded()
    {
        m_sending = false;
        m_stopRequested = false;
        const QList<std::function<void()>> steps = std::exchange(m_idleSteps, {});
        for (const auto &step : steps)
            step();
    }

    ProgressDisplay *m_display = nullptr;
    bool m_sending = false;
    bool m_stopRequested = false;
    QList<std::function<void()>> m_idleSteps;
};
