#pragma once

#include <QObject>

#include <memory>

class Clock;
class Dialogs;
class ModemLane;
class Records;
class RunState;

// At the fixed pace: marks the row current on its modem "FAIL", with a "FAIL" log row,
// when that modem answers with an error. It writes through the records' own statements,
// never through a query object that a sender walks or appends to. A modem that repeats
// its error for one part gets one mark and one log row for it.
class FailureMarker : public QObject {
    Q_OBJECT

public:
    FailureMarker(ModemLane &lane, RunState &runState, Records &records, Clock &clock, Dialogs &dialogs,
                  QObject *parent = nullptr);

    void markCurrentRow();

private:
    void mark();

    ModemLane &m_lane;
    RunState &m_runState;
    Records &m_records;
    Clock &m_clock;
    Dialogs &m_dialogs;
    // The part and row last marked.
    quint64 m_markedPart = 0;
    std::shared_ptr<const qint64> m_markedRow;
};
