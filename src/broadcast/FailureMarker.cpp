#include "broadcast/FailureMarker.h"

#include "base/Clock.h"
#include "base/Errors.h"
#include "broadcast/ModemLane.h"
#include "broadcast/Records.h"
#include "broadcast/RunState.h"

FailureMarker::FailureMarker(ModemLane &lane, RunState &runState, Records &records, Clock &clock, Dialogs &dialogs,
                             QObject *parent)
    : QObject(parent)
    , m_lane(lane)
    , m_runState(runState)
    , m_records(records)
    , m_clock(clock)
    , m_dialogs(dialogs)
{
    connect(&lane.exchange(), &AtExchange::errorAnswered, this, &FailureMarker::markCurrentRow);
}

void FailureMarker::markCurrentRow()
{
    try {
        mark();
    } catch (...) {
        // Delivery of the modem's answers goes on whatever happens here, and the box opens
        // from the event loop, not in the midst of the modem's answer.
        if (const std::optional<QString> text = errorBoxText(std::current_exception()))
            QMetaObject::invokeMethod(this, [this, box = *text] { m_dialogs.error(box); }, Qt::QueuedConnection);
    }
}

void FailureMarker::mark()
{
    // An error before any message was made current has no row to mark.
    const std::shared_ptr<const qint64> row = m_lane.currentRow();
    if (!row)
        return;
    const quint64 part = m_lane.exchange().partsWritten();
    if (m_markedRow == row && m_markedPart == part)
        return;
    m_markedRow = row;
    m_markedPart = part;
    // A row that still waits for the database is marked once it is stored: the mark
    // waits behind it.
    m_records.markFailed(row, m_clock.now());
    m_runState.countRefusal(row);
    m_lane.countRefused();
    // A running send stops with the database's refusal before its next part; with
    // none running, the operator learns of it now. The mark is kept either way.
    if (!m_runState.isSending())
        m_records.flush();
}
