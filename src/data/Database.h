#pragma once

#include "base/Errors.h"
#include "data/PackedRow.h"

#include <QHash>
#include <QPointer>
#include <QSqlDatabase>
#include <QString>

#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>

class Dataset;
class QSqlError;
class QSqlQuery;
struct sqlite3;
struct sqlite3_stmt;

// One column of a table as the data layer needs it.
struct Column
{
    enum class Kind { Counter, Text, Memo, DateTime };
    QString name;
    Kind kind = Kind::Memo;
    int size = 0; // characters, for Text columns
};

using TableColumns = QVector<Column>;

// A refusal of the database. Some pass (another program holds the file locked, the
// disk is full): what was refused can be written again later.
class DatabaseError : public BrivoraError
{
public:
    DatabaseError(const QString &text, int sqliteCode);
    int sqliteCode() const { return m_sqliteCode; }
    bool isPassing() const;

private:
    int m_sqliteCode;
};

// The connection "con": the file "Dovrel.mdb" in the working folder, opened on first
// use, shared with other processes (WAL journal, busy time-out).
class Database
{
public:
    static constexpr auto FileName = "Dovrel.mdb";
    // How date/time columns hold local time: sorts right as text.
    static constexpr auto DateTimeFormat = "yyyy-MM-dd HH:mm:ss";

    explicit Database(QString fileName = QString::fromLatin1(FileName));
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens the file on first use; throws BrivoraError when it cannot.
    QSqlDatabase connection();
    bool isOpen() const { return m_open; }
    // How long a statement waits for another program's lock before it is refused;
    // takes effect at the first use.
    void setBusyTimeout(int milliseconds) { m_busyTimeout = milliseconds; }
    QString filePath() const;

    const TableColumns &columns(const QString &table);

    // Runs work in one transaction: all of it is stored, or (on an error) none of it.
    // Called inside another one, work just runs in the outer transaction.
    void transaction(const std::function<void()> &work);
    // A query object that has written in the running transaction: should that roll back,
    // it is read again, so it shows no rows the database does not have.
    void noteWriter(Dataset &dataset);

    // Turns a database refusal into the user's message: a value too long for its column
    // names the field and its limit.
    [[noreturn]] static void fail(const QSqlError &error);
    [[noreturn]] static void fail(const QString &databaseText, int sqliteCode = 1);

    // A statement prepared once on the connection and kept for reuse.
    QSqlQuery &prepared(const QString &sql);

    // A SELECT run directly on the connection's SQLite handle, row by row.
    class Statement
    {
    public:
        Statement(const QSqlDatabase &db, const QString &sql);
        ~Statement();
        Statement(const Statement &) = delete;
        Statement &operator=(const Statement &) = delete;
        // Moves to the next row; false at the end.
        bool step();
        qint64 integer(int column) const;
        // The cells from firstColumn on, packed as they are.
        PackedRow row(int firstColumn) const;

    private:
        sqlite3 *m_handle = nullptr;
        sqlite3_stmt *m_statement = nullptr;
    };

    // Creates a fresh database file from the schema; refuses to overwrite a file.
    static void create(const QString &filePath);

private:
    void rollBack(QSqlDatabase &db);

    QString m_fileName;
    QString m_connectionName;
    bool m_open = false;
    bool m_inTransaction = false;
    int m_busyTimeout = 5000;
    QVector<QPointer<Dataset>> m_writers;
    QHash<QString, TableColumns> m_columns;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_prepared;
};
