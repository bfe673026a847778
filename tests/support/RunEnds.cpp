#include "support/RunEnds.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
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
    // steps of a run follow each other as fast as the engine takes them.
    const QDeadlineTimer deadline(timeoutMilliseconds);
    QTimer wakeAtTheDeadline;
    wakeAtTheDeadline.setSingleShot(true);
    wakeAtTheDeadline.start(timeoutMilliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}
