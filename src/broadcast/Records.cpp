#include "broadcast/Records.h"

#include "base/Clock.h"
#include "data/Database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

const auto DetailTable = QStringLiteral("project_detail");
const auto LogTable = QStringLiteral("transaction_log");

} // namespace

Records::Records(Database &database, const Clock &clock)
    : m_database(database)
    , m_clock(clock)
{
    connect(&m_retry, &QTimer::timeout, this, &Records::retry);
}

void Records::appendDetail(const MessageRecord &record, std::function<void(qint64)> written)
{
    write([this, record, written = std::move(written)] {
        const qint64 id = insert(DetailTable, record);
        if (written)
            written(id);
    });
}

void Records::appendLog(const MessageRecord &record)
{
    write([this, record] { insert(LogTable, record); });
}

void Records::markSent(qint64 id, const QDateTime &sent)
{
    write([this, id, sent] {
        QSqlQuery &update = m_database.prepared(
            QStringLiteral("UPDATE project_detail SET date_send = ?, status = 'SEND' WHERE id = ?"));
        update.bindValue(0, Database::storedDateTime(sent));
        update.bindValue(1, id);
        m_database.execute(update);
        update.finish();
    });
}

void Records::markFailed(std::shared_ptr<const qint64> row, const QDateTime &when)
{
    // Marking again is harmless, so a step refused halfway is simply written again.
    write([this, row = std::move(row), when] {
        const qint64 id = *row;
        std::optional<MessageRecord> failed = detail(id);
        if (!failed)
            return;
        QSqlQuery &update =
            m_database.prepared(QStringLiteral("UPDATE project_detail SET status = 'FAIL' WHERE id = ?"));
        update.bindValue(0, id);
        m_database.execute(update);
        update.finish();
        failed->sent = when;
        failed->status = QStringLiteral("FAIL");
        insert(LogTable, *failed);
    });
}

std::optional<MessageRecord> Records::detail(qint64 id)
{
    QSqlQuery &select = m_database.prepared(
        QStringLiteral("SELECT project_name, date_send, mobile_number, name, nickname, group_name, msg_send, status "
                       "FROM project_detail WHERE id = ?"));
    select.bindValue(0, id);
    m_database.execute(select);
    std::optional<MessageRecord> found;
    if (select.next())
        found = MessageRecord::fromColumns([&](const QString &name) { return select.value(name); });
    select.finish();
    return found;
}

qint64 Records::insert(const QString &table, const MessageRecord &record)
{
    QSqlQuery &statement = m_database.prepared(
        QStringLiteral("INSERT INTO %1 (project_name, date_send, mobile_number, name, nickname, group_name, msg_send, "
                       "status) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
            .arg(table)
        + m_database.returningKey(table));
    statement.bindValue(0, fitted(table, QStringLiteral("project_name"), record.projectName));
    statement.bindValue(1, Database::storedDateTime(record.sent));
    statement.bindValue(2, fitted(table, QStringLiteral("mobile_number"), record.mobileNumber));
    statement.bindValue(3, fitted(table, QStringLiteral("name"), record.name));
    statement.bindValue(4, fitted(table, QStringLiteral("nickname"), record.nickname));
    statement.bindValue(5, fitted(table, QStringLiteral("group_name"), record.groupName));
    // An empty text is stored as empty, not NULL, as a form stores it.
    statement.bindValue(6, Database::storedText(record.message));
    statement.bindValue(7, fitted(table, QStringLiteral("status"), record.status));
    return m_database.insertReturningKey(statement);
}

QString Records::fitted(const QString &table, const QString &field, const QString &text)
{
    const QString value = Database::storedText(text);
    for (const Column &column : m_database.columns(table))
        if (column.kind == Column::Kind::Text && column.name == field)
            return Database::leftCharacters(value, column.size);
    return value;
}

void Records::write(Write step)
{
    m_pending << std::move(step);
    // Behind a refusal the record waits its turn: the action has waited once already.
    if (m_pending.size() == 1)
        writePending(true);
}

bool Records::writePending(bool mayWait)
{
    const auto writeAll = [this] {
        while (!m_pending.isEmpty()) {
            try {
                m_pending.first()();
            } catch (const DatabaseError &error) {
                if (!error.isPassing()) {
                    // It would be refused for ever; what waits behind it still gets its turn.
                    m_pending.removeFirst();
                    throw;
                }
                m_refusal = error;
                return;
            }
            m_pending.removeFirst();
        }
        m_refusal.reset();
    };
    if (mayWait)
        writeAll();
    else
        m_database.withoutWaiting(writeAll);
    if (m_pending.isEmpty()) {
        m_retry.stop();
        return true;
    }
    if (!m_retry.isActive())
        m_clock.startTimeout(m_retry, RetryMs);
    return false;
}

void Records::retry()
{
    try {
        writePending(false);
    } catch (const BrivoraError &error) {
        Q_EMIT writeFailed(error.text());
        if (!m_pending.isEmpty())
            m_clock.startTimeout(m_retry, RetryMs);
    }
}

void Records::flush(bool mayWait)
{
    if (m_pending.isEmpty())
        return;
    if (!writePending(mayWait))
        throw *m_refusal;
}
