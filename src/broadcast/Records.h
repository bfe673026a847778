#pragma once

#include "broadcast/MessageRecord.h"
#include "data/Database.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class Clock;

// The rows that tell what was sent: project_detail and transaction_log. Each record
// goes straight to its table through a prepared statement, without reading the table.
//
// An SMS that has gone to the modem must keep its record. When the database refuses a
// record for a passing reason (another program holds the file locked, the disk is
// full), the record is kept and written, in order, before any later one. A write waits
// for another program's lock (the database's busy time-out) only when nothing waits
// before it, so one user action waits for a lock at most once; what waits is asked for
// again every few seconds without waiting, so it reaches the file soon after the lock
// has gone, without waiting for the next send. A record the database refuses for good
// (for no passing reason) is never dropped without a word: the error names the SMS.
class Records : public QObject {
    Q_OBJECT

public:
    static constexpr int RetryMs = 3000;
    static constexpr auto RefusedText = "The record of the SMS to %1 (\"%2\") could not be stored: %3";

    // Which modem sent an SMS, and the reference the network gave it (-1: not told).
    struct SentPart {
        QString modem;
        int reference = -1;
        // The recipient row it was sent for (its id filled in once stored), or none.
        std::shared_ptr<const qint64> row;
        // A report of its delivery was asked: "pending" until one comes.
        bool reportAsked = false;
    };

    Records(Database &database, const Clock &clock);

    // A new project_detail row; written() gets its id once it is stored.
    void appendDetail(const MessageRecord &record, std::function<void(qint64 id)> written);
    // date_send and status "SEND" of an existing project_detail row, its id read when the
    // mark is written.
    void markSent(std::shared_ptr<const qint64> row, const QDateTime &sent);
    // The row becomes "FAIL" and a "FAIL" log row copies it; a row that no longer
    // exists is not brought back. The id is read when the mark is written, so a row
    // whose own record still waits for the database is marked once it is stored.
    void markFailed(std::shared_ptr<const qint64> row, const QDateTime &when);
    // A transaction_log row; for an SMS the modem was handed, with its sms_part row.
    void appendLog(const MessageRecord &record, const std::optional<SentPart> &sent = {});

    // The records still waiting for the database.
    int pendingCount() const { return static_cast<int>(m_pending.size()); }
    // Writes what waits; throws the database's error while it still refuses. A new user
    // action may wait for the lock once (mayWait); within an action that has already
    // waited, the database is asked without waiting.
    void flush(bool mayWait = false);

    // The stored project_detail row, if it exists.
    std::optional<MessageRecord> detail(qint64 id);

Q_SIGNALS:
    // What waited could not be written for good (the database refused it for no passing
    // reason): its text, for the operator.
    void writeFailed(const QString &text);

private:
    struct Write {
        std::function<void()> step;
        // The SMS it records, for the operator should the database refuse it for good.
        QString number;
        QString message;
    };
    // Writes now, or after what already waits; a passing refusal keeps the write.
    void write(Write step);
    bool writePending(bool mayWait);
    [[noreturn]] void dropRefused(const BrivoraError &error);
    void retry();
    qint64 insert(const QString &table, const MessageRecord &record);
    // The contact's fields are copies; a nickname may be longer than the record keeps,
    // and a message already handed to the modem must still be recorded: so the field is
    // cut to its column's size, at a whole character.
    QString fitted(const QString &table, const QString &field, const QString &text);

    Database &m_database;
    const Clock &m_clock;
    QTimer m_retry;
    QList<Write> m_pending;
    // The database's last word on what waits.
    std::optional<DatabaseError> m_refusal;
};
