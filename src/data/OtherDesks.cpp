#include "data/OtherDesks.h"

#include "base/Errors.h"
#include "data/DataModule.h"

OtherDesks::OtherDesks(DataModule &dm, std::function<bool()> busy, QObject *parent)
    : QObject(parent)
    , m_dm(dm)
    , m_busy(std::move(busy))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &OtherDesks::show);
    dm.con.setChangeListener([this](const QString &table) { heard(table); });
}

OtherDesks::~OtherDesks()
{
    m_dm.con.setChangeListener({});
}

void OtherDesks::heard(const QString &table)
{
    m_changed.insert(table.toLower());
    if (!m_timer.isActive())
        m_timer.start(GatherMs);
}

void OtherDesks::show()
{
    if (m_busy && m_busy()) {
        m_timer.start(RetryMs);
        return;
    }
    if (m_lastShown.isValid() && m_lastShown.elapsed() < LeastBetweenMs) {
        m_timer.start(static_cast<int>(LeastBetweenMs - m_lastShown.elapsed()));
        return;
    }
    m_lastShown.start();
    QSet<QString> waiting;
    QSet<QString> shown;
    try {
        const QList<Dataset *> datasets = m_dm.shownLists();
        for (Dataset *dataset : datasets) {
            const QString table = dataset->table().toLower();
            if (!dataset->isOpen() || !m_changed.contains(table))
                continue;
            if (!dataset->canReadAgain()) {
                waiting.insert(table);
                continue;
            }
            dataset->readAgain();
            shown.insert(table);
        }
    } catch (const BrivoraError &error) {
        // Tried again with the next change; the operator is told now.
        m_changed.clear();
        Q_EMIT readFailed(error.text());
        return;
    }
    // A table whose query objects all waited is shown elsewhere only once they have it.
    for (const QString &table : std::as_const(m_changed))
        if (!waiting.contains(table))
            shown.insert(table);
    m_changed = waiting;
    if (!m_changed.isEmpty())
        m_timer.start(RetryMs);
    if (!shown.isEmpty())
        Q_EMIT tablesChanged(shown);
}
