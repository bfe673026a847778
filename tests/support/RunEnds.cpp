#include "support/RunEnds.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

RunEnds::RunEnds(RunState &state)
{
    connect(&state, &RunState::runEnded, this, [this](const RunReport &report) { reports << report; });
}

bool RunEnds::wait(const std::function<bool()> &settled, int timeoutMilliseconds)
{
    const qsizetype awaited = ++m_awaited;
    const auto done = [&] { return reports.size() >= awaited && (!settled || settled()); };
    // Woken by each event rather than looking every 10 ms as QTest::qWaitFor does, so the
    // steps of a run follow each other as fast as the engine takes them; the deadline's
    // timer is an event too.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(timeoutMilliseconds);
    while (!done()) {
        if (!deadline.isActive())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}
