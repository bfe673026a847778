#pragma once

#include <QObject>

#include <memory>

class AtExchange;
class Clock;
class Dialogs;
class Records;
class RunState;

// Marks the current row "FAIL", with a "FAIL" log row, when the modem answers with an
// error. It writes through the records' own statements, never through a query object
// that a sender walks or appends to. A modem that repeats its error for one part gets
// one mark and one log row for it.
class FailureMarker : public QObject {
    Q_OBJECT

public:
    FailureMarker(AtExchange &exchange, RunState &runState, Records &records, Clock &clock, Dialogs &dialogs,
                  QObject *parent = nullptr);

    void markCurrentRow();

private:
    AtExchange &m_exchange;
    RunState &m_runState;
    Records &m_records;
    Clock &m_clock;
    Dialogs &m_dialogs;
    // The part and row last marked.
    quint64 m_markedPart = 0;
    std::shared_ptr<const qint64> m_markedRow;
};
