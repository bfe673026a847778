#include "support/RunEnds.h"

#include <QTest>

RunEnds::RunEnds(RunState &state)
{
    connect(&state, &RunState::runEnded, this, [this](const RunReport &report) { reports << report; });
}

bool RunEnds::wait(const std::function<bool()> &settled, int timeoutMilliseconds)
{
    const qsizetype awaited = ++m_awaited;
    return QTest::qWaitFor([&] { return reports.size() >= awaited && (!settled || settled()); }, timeoutMilliseconds);
}
