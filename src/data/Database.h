#pragma once

#include "base/Errors.h"
#include "data/PackedRow.h"

#include <QDateTime>
#include <QHash>
#include <QPointer>
#include <QSqlDatabase>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>
#include <span>

class Dataset;
class QSqlError;
class QSqlQuery;
namespace SqliteAccess {
class RowInsert;
}

// One column of a table as the data layer needs it.
struct Column {
    enum class Kind { Counter, Text, Memo, DateTime };
    QString name;
    Kind kind = Kind::Memo;
    int size = 0; // characters, for Text columns
};

using TableColumns = QVector<Column>;

// A refusal of the database. Some pass (another program holds the file locked, the
// disk is full, the server cannot be reached): what was refused can be written again
// later. The code is SQLite's result code or PostgreSQL's SQLSTATE.
class DatabaseError : public BrivoraError {
public:
    DatabaseError(const QString &text, const QString &code, bool passing);
    const QString &code() const { return m_code; }
    bool isPassing() const { return m_passing; }

private:
    QString m_code;
    bool m_passing;
};

// The connection "con": the data of the working folder, opened on first use. That is
// the file "Dovrel.mdb", shared with other programs on this computer (WAL journal, busy
// time-out), or, when the folder holds "Dovrel.server", the PostgreSQL database named in
// it, shared with the other desks of the office. Tools name a file or a server directly.
class Database {
public:
    static constexpr auto FileName = "Dovrel.mdb";
    static constexpr auto ServerFileName = "Dovrel.server";
    static constexpr auto UnreachableText = "The database server cannot be reached: %1";
    static constexpr auto NoTablesText = "The database %1 holds no Brivora tables. Make them with: brivora-newdb %1";
    static constexpr auto NewerSchemaText =
        "This database was brought up to date by a newer Brivora (schema %1). Please update Brivora on this desk.";
    // On a server, the column a table without a counter numbers its rows in, found as
    // SQLite's rowid is on a file.
    static constexpr auto RowNumberColumn = "rowid";
    enum class Engine { Sqlite, Postgres };

    // The database at location: a file's path, or a server's "postgresql://" URI; empty:
    // the working folder's. Nothing is opened yet; a "Dovrel.server" that cannot be read,
    // or a URI holding a password, makes every use throw BrivoraError saying so.
    explicit Database(const QString &location = {});
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    static bool isServerUri(const QString &location);

    Engine engine() const { return m_engine; }
    // What the operator is told the data is: the file's path or the server's URI.
    QString description() const;
    // The file's path; empty on a server.
    QString filePath() const;

    // Opens the database on first use, and again after the server was lost; throws
    // BrivoraError when it cannot.
    QSqlDatabase connection();
    bool isOpen() const { return m_open; }
    // How long a statement waits for another program's lock before it is refused;
    // takes effect at the first use.
    void setBusyTimeout(int milliseconds) { m_busyTimeout = milliseconds; }
    // For tests, before the first use: false makes a file's connection act as when the Qt
    // driver brings a SQLite of its own, so nothing is called on the driver's handle.
    void setDriverHandleAllowed(bool allowed) { m_driverHandleAllowed = allowed; }
    // Whether reads and the NOCASE override go through SQLite's C interface on the
    // driver's handle; known once open.
    bool usesDriverHandle() const { return m_usesDriverHandle; }

    const TableColumns &columns(const QString &table);
    // How a table, a column or a row is named in this database's statements: the table
    // quoted (PostgreSQL reserves "grouping"), the column by which a row is found (SQLite's
    // rowid; on a server the table's counter, or a row number kept for the one table
    // without a counter), and every column of a table, that column first as "__rowid".
    QString table(const QString &name) const;
    QString rowKey(const QString &table);
    QString rowSelectList(const QString &table);

    // On a server, listener is told, from the event loop, the name of each table that
    // another connection's committed change touched; this connection's own changes are
    // not told back. It listens from the next open on, or at once when open. On a file it
    // is never told anything.
    void setChangeListener(std::function<void(const QString &table)> listener);

    // Runs work without waiting for another program's lock: a statement meeting one is
    // refused at once.
    void withoutWaiting(const std::function<void()> &work);

    // Runs work in one transaction: all of it is stored, or (on an error) none of it.
    // Called inside another one, work just runs in the outer transaction. On a server,
    // work that another desk's transaction made fail is run once more, then refused with
    // a message saying so.
    void transaction(const std::function<void()> &work);
    // The same, for work that writes what it reads: all its reads see one state of the
    // database, so rows another desk commits meanwhile are in all of them or in none. A
    // file's write lock gives that anyway; a server reads one snapshot.
    void transactionAtOneMoment(const std::function<void()> &work);
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

    // Turns a refusal of this database into the user's message: a value too long for its
    // column names the field and its limit; a server that went away is let go, so the
    // next action connects again.
    [[noreturn]] void fail(const QSqlError &error);
    [[noreturn]] void failServer(const QString &text, const QString &sqlState);
    // The refusal of a value longer than its column takes, as both engines word it.
    static DatabaseError tooLong(const QString &field, int characters);

    // A statement prepared once on the connection and kept for reuse.
    QSqlQuery &prepared(const QString &sql);
    // Runs a statement; the caller reads what it gives, then finishes it. A refused one
    // is finished here, ready for its next use, and thrown as the user's message.
    void execute(QSqlQuery &query);
    // What ends an INSERT into table for insertReturningKey: on a server "RETURNING <key>";
    // a file gives the key without it.
    QString returningKey(const QString &table);
    // Runs an INSERT ended by returningKey: the new row's key.
    qint64 insertReturningKey(QSqlQuery &insert);

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

    // Rows added to one table in one go, inside a transaction: on a file each is inserted
    // as it comes; to a server they go many at a time (COPY), since one statement a row
    // costs a round trip each. Every value is checked against its column's size as it is
    // added, so a refusal comes with the row that brought it. Values are stored as given:
    // texts as Database::storedText makes them, date/times as storedDateTime.
    class RowInsert {
    public:
        RowInsert(Database &database, const QString &table, const QStringList &columns);
        ~RowInsert();
        void add(const QVector<QVariant> &values);
        // A row of texts in UTF-8, each with a NUL just past it and none within.
        void addTexts(std::span<const QByteArrayView> texts);
        // Sends the rows still held; those not finished are dropped.
        void finish();

    private:
        void flush();

        Database &m_database;
        QStringList m_columns;
        QVector<int> m_sizes; // to a server: characters a text column takes, 0 for no limit
        QSqlQuery *m_insert = nullptr; // on a file
        std::unique_ptr<SqliteAccess::RowInsert> m_handleInsert; // on a file, through the driver's handle
        QString m_copy; // to a server: the COPY statement
        QByteArray m_held; // and the rows for it, in COPY's text form
    };

    // Runs work reading one state of the whole database, whatever other programs commit
    // meanwhile: a copy's tables agree with each other.
    void readConsistently(const std::function<void()> &work);
    // On a server, sets every counter to go on after the largest value stored: rows copied
    // in with their own ids leave the counters behind.
    void catchUpCounters();

    // Makes a fresh database at location from the schema: a file, which must not exist
    // yet or be empty, or the tables on a server database, which must have none of them yet.
    static void create(const QString &location);
    // Whether the database holds the program's tables.
    bool hasTables();

private:
    void open(QSqlDatabase &db);
    void openServer(QSqlDatabase &db);
    void letGo();
    void rollBack(QSqlDatabase &db);
    // Makes the schema's changes this database has not had yet; refuses a database
    // changed by a newer program.
    void bringUpToDate(QSqlDatabase &db);
    void runTransaction(QSqlDatabase &db, const QString &begin, const std::function<void()> &work);
    void writingTransaction(const QString &serverBegin, const std::function<void()> &work);
    // Runs a statement that gives no rows; a refusal is thrown as the user's message.
    void run(QSqlDatabase &db, const QString &statement);
    void listenForChanges(QSqlDatabase &db);
    // How long a statement of this connection waits for another program's lock.
    QString lockWaitStatement(int milliseconds) const;

    Engine m_engine = Engine::Sqlite;
    QString m_fileName; // a file's path, relative to the working folder
    QUrl m_server; // a server's URI
    QString m_problem; // why the data named cannot be used
    bool m_workingFolders = false; // the program's own data, which must be Brivora's
    QString m_connectionName;
    bool m_open = false;
    bool m_inTransaction = false;
    int m_busyTimeout = 5000;
    bool m_driverHandleAllowed = true;
    bool m_usesDriverHandle = false;
    QVector<QPointer<Dataset>> m_writers;
    QHash<QString, TableColumns> m_columns;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_prepared;
    std::function<void(const QString &)> m_changeListener;
    QPointer<QObject> m_listenedDriver;
    QString m_listenedSchema; // "<schema>." of the tables listened for
};
