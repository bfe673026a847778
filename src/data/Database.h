#pragma once

#include "base/Errors.h"
#include "data/PackedRow.h"

#include <QDateTime>
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

// One column of a table as the data layer needs it.
struct Column {
    enum class Kind { Counter, Text, Memo, DateTime };
    QString name;
    Kind kind = Kind::Memo;
    int size = 0; // characters, for Text columns
};

using TableColumns = QVector<Column>;

// A refusal of the database. Some pass (another program holds the file locked, the
// disk is full): what was refused can be written again later.
class DatabaseError : public BrivoraError {
public:
    DatabaseError(const QString &text, int sqliteCode);
    int sqliteCode() const { return m_sqliteCode; }
    bool isPassing() const;

private:
    int m_sqliteCode;
};

// The connection "con": the file "Dovrel.mdb" in the working folder, opened on first
// use, shared with other processes (WAL journal, busy time-out).
class Database {
public:
    static constexpr auto FileName = "Dovrel.mdb";

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
    // For tests, before the first use: false makes the connection act as when the Qt
    // driver brings a SQLite of its own, so nothing is called on the driver's handle.
    void setDriverHandleAllowed(bool allowed) { m_driverHandleAllowed = allowed; }
    // Whether reads and the NOCASE override go through SQLite's C interface on the
    // driver's handle; known once open.
    bool usesDriverHandle() const { return m_usesDriverHandle; }
    QString filePath() const;

    const TableColumns &columns(const QString &table);

    // Runs work without waiting for another program's lock: a statement meeting one is
    // refused at once.
    void withoutWaiting(const std::function<void()> &work);

    // Runs work in one transaction: all of it is stored, or (on an error) none of it.
    // Called inside another one, work just runs in the outer transaction.
    void transaction(const std::function<void()> &work);
    // A query object that has written in the running transaction: should that roll back,
    // it is read again, so it shows no rows the database does not have.
    void noteWriter(Dataset &dataset);

    // A text as the database is to keep it: empty rather than NULL, and without NUL
    // characters, at which SQLite's length() and comparisons stop, so that a value
    // holding one could never be found again and would slip past its size check. Every
    // value stored or spliced into a statement goes through here, and sizes are
    // counted on what it gives.
    static QString storedText(const QString &text);
    // A moment as a date/time column holds it (NULL for none), and back.
    static QVariant storedDateTime(const QDateTime &moment);
    static QDateTime dateTimeOf(const QVariant &stored);
    // The first `characters` characters of a text, counted as SQLite's length() counts
    // them: a character beyond the 16-bit range (an emoji) is one, though it takes two
    // UTF-16 units, and is never cut in half.
    static QString leftCharacters(const QString &text, int characters);

    // Turns a database refusal into the user's message: a value too long for its column
    // names the field and its limit.
    [[noreturn]] static void fail(const QSqlError &error);
    [[noreturn]] static void fail(const QString &databaseText, int sqliteCode = 1);

    // A statement prepared once on the connection and kept for reuse.
    QSqlQuery &prepared(const QString &sql);
    // Runs a kept statement; the caller reads what it gives, then finishes it. A refused
    // one is finished here, ready for its next use, and thrown as the user's message.
    static void execute(QSqlQuery &query);

    // A SELECT read row by row.
    class Statement {
    public:
        virtual ~Statement() = default;
        // Moves to the next row; false at the end.
        virtual bool step() = 0;
        virtual qint64 integer(int column) const = 0;
        // The cells from firstColumn on, packed as they are.
        virtual PackedRow row(int firstColumn) const = 0;
    };
    // Directly on the driver's SQLite handle when that is safe (several times faster),
    // otherwise through QSqlQuery.
    std::unique_ptr<Statement> select(const QString &sql);

    // Creates a fresh database file from the schema; refuses to overwrite a file.
    static void create(const QString &filePath);

private:
    void rollBack(QSqlDatabase &db);
    void addOptionsTable(QSqlDatabase &db);

    QString m_fileName;
    QString m_connectionName;
    bool m_open = false;
    bool m_inTransaction = false;
    int m_busyTimeout = 5000;
    bool m_driverHandleAllowed = true;
    bool m_usesDriverHandle = false;
    QVector<QPointer<Dataset>> m_writers;
    QHash<QString, TableColumns> m_columns;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_prepared;
};
