#include "broadcast/FailureMarker.h"

#include "base/Clock.h"
#include "base/Errors.h"
#include "broadcast/Records.h"
#include "broadcast/RunState.h"
#include "modem/AtExchange.h"

FailureMarker::FailureMarker(AtExchange &exchange, RunState &runState, Records &records, Clock &clock, Dialogs &dialogs,
                             QObject *parent)
    : QObject(parent)
    , m_exchange(exchange)
    , m_runState(runState)
    , m_records(records)
    , m_clock(clock)
    , m_dialogs(dialogs)
{
    connect(&exchange, &AtExchange::errorAnswered, this, &FailureMarker::markCurrentRow);
}

void FailureMarker::markCurrentRow()
{
    // Delivery of the modem's answers goes on whatever happens here.
    guarded(m_dialogs, [this] {
        // An error before any message was made current has no row to mark.
        if (m_runState.currentDetailId.isEmpty())
            return;
        if (m_markedRow == m_runState.currentDetailId && m_markedPart == m_exchange.partsWritten())
            return;
        m_markedRow = m_runState.currentDetailId;
        m_markedPart = m_exchange.partsWritten();
        m_records.markFailed([id = m_runState.currentDetailId.toLongLong()] { return id; }, m_clock.now());
        // A running send stops with the database's refusal before its next part; with
        // none running, the operator learns of it now. The mark is kept either way.
        if (!m_runState.isSending())
            m_records.flush();
    });
}
