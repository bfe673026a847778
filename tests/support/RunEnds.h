#pragma once

#include "broadcast/RunState.h"

#include <QList>
#include <QObject>

#include <functional>

// The runs of a run state as they end, for tests to wait on: a sender returns at once
// and its run goes on from the event loop.
class RunEnds : public QObject {
    Q_OBJECT

public:
    explicit RunEnds(RunState &state);

    // Waits until one more run has ended than had ended at the last call, and then
    // until settled holds; false when the time is up.
    bool wait(const std::function<bool()> &settled = {}, int timeoutMilliseconds = 30000);

    // Every run's report, in the order they ended.
    QList<RunReport> reports;

private:
    qsizetype m_awaited = 0;
};
