#include "broadcast/Records.h"

#include "base/Clock.h"
#include "data/Database.h"

#include <QScopeGuard>
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
    write({[this, record, written = std::move(written)] {
               const qint64 id = insert(DetailTable, record);
               if (written)
                   written(id);
           },
           record.mobileNumber, record.message});
}

void Records::appendLog(const MessageRecord &record, const std::optional<SentPart> &sent)
{
    // A step refused halfway is written again: the log row goes in once.
    auto logId = std::make_shared<qint64>(0);
    write({[this, record, sent, logId] {
               if (*logId == 0)
                   *logId = insert(LogTable, record);
               if (!sent)
                   return;
               QSqlQuery &part = m_database.prepared(
                   QStringLiteral("INSERT INTO sms_part (log_id, modem, reference, sent, detail_id, delivery) VALUES "
                                  "(?, ?, ?, ?, ?, ?)"));
               part.bindValue(0, *logId);
               part.bindValue(1, Database::storedText(sent->modem));
               part.bindValue(2, sent->reference >= 0 ? QVariant(sent->reference) : QVariant());
               part.bindValue(3, Database::storedDateTime(record.sent));
               const qint64 row = sent->row ? *sent->row : 0;
               part.bindValue(4, row > 0 ? QVariant(row) : QVariant());
               part.bindValue(5, sent->reportAsked ? QVariant(QStringLiteral("pending")) : QVariant());
               m_database.execute(part);
               part.finish();
           },
           record.mobileNumber, record.message});
}

void Records::markSent(std::shared_ptr<const qint64> row, const QDateTime &sent)
{
    write({[this, row = std::move(row), sent] {
               QSqlQuery &update = m_database.prepared(
                   QStringLiteral("UPDATE project_detail SET date_send = ?, status = 'SEND' WHERE id = ?"));
               update.bindValue(0, Database::storedDateTime(sent));
               update.bindValue(1, *row);
               m_database.execute(update);
               update.finish();
           },
           {}, {}});
}

void Records::markFailed(std::shared_ptr<const qint64> row, const QDateTime &when)
{
    // Marking again is harmless, so a step refused halfway is simply written again.
    write({[this, row = std::move(row), when] {
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
    }, {}, {}});
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
    // The values first: reading a table's columns may open the connection again, which
    // lets go of every prepared statement.
    const QVariantList values{fitted(table, QStringLiteral("project_name"), record.projectName),
                              Database::storedDateTime(record.sent),
                              fitted(table, QStringLiteral("mobile_number"), record.mobileNumber),
                              fitted(table, QStringLiteral("name"), record.name),
                              fitted(table, QStringLiteral("nickname"), record.nickname),
                              fitted(table, QStringLiteral("group_name"), record.groupName),
                              // An empty text is stored as empty, not NULL, as a form stores it.
                              Database::storedText(record.message),
                              fitted(table, QStringLiteral("status"), record.status)};
    QSqlQuery &statement = m_database.prepared(
        QStringLiteral("INSERT INTO %1 (project_name, date_send, mobile_number, name, nickname, group_name, msg_send, "
                       "status) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
            .arg(table)
        + m_database.returningKey(table));
    for (int i = 0; i < values.size(); ++i)
        statement.bindValue(i, values.at(i));
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
                m_pending.first().step();
            } catch (const DatabaseError &error) {
                if (!error.isPassing())
                    dropRefused(error);
                m_refusal = error;
                return;
            } catch (const BrivoraError &error) {
                dropRefused(error);
            }
            m_pending.removeFirst();
        }
        m_refusal.reset();
    };
    // Whatever becomes of this try, what still waits is asked for again.
    const auto keepTrying = qScopeGuard([this] {
        if (m_pending.isEmpty())
            m_retry.stop();
        else if (!m_retry.isActive())
            m_clock.startTimeout(m_retry, RetryMs);
    });
    if (mayWait)
        writeAll();
    else
        m_database.withoutWaiting(writeAll);
    return m_pending.isEmpty();
}

void Records::dropRefused(const BrivoraError &error)
{
    // It would be refused for ever: it goes, saying which SMS it was, and what waits
    // behind it still gets its turn.
    const Write refused = m_pending.takeFirst();
    if (refused.number.isEmpty() && refused.message.isEmpty())
        throw; // the error being handled, as it is
    throw BrivoraError(QString::fromLatin1(RefusedText)
                           .arg(refused.number, Database::leftCharacters(refused.message, 50), error.text()));
}

void Records::retry()
{
    try {
        writePending(false);
    } catch (const BrivoraError &error) {
        Q_EMIT writeFailed(error.text());
    }
}

void Records::flush(bool mayWait)
{
    if (m_pending.isEmpty())
        return;
    if (!writePending(mayWait))
        throw *m_refusal;
}
