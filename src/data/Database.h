#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include "data/PackedRow.h"

#include <QVariant>
#include <QVector>

#include <functional>

class QSqlError;
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

// The connection "con": the file "Dovrel.mdb" in the working folder, opened on first
// use, shared with other processes (WAL journal, busy time-out).
class Database
{
public:
    static constexpr auto FileName = "Dovrel.mdb";

    explicit Database(QString fileName = QString::fromLatin1(FileName));
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens the file on first use; throws BrivoraError when it cannot.
    QSqlDatabase connection();
    bool isOpen() const { return m_open; }
    QString filePath() const;

    const TableColumns &columns(const QString &table);

    // Runs work in one transaction: all of it is stored, or (on an error) none of it.
    void transaction(const std::function<void()> &work);

    // Turns a database refusal into the user's message: a value too long for its column
    // names the field and its limit.
    [[noreturn]] static void fail(const QSqlError &error);
    [[noreturn]] static void fail(const QString &databaseText);

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
    QString m_fileName;
    QString m_connectionName;
    bool m_open = false;
    int m_transactionDepth = 0;
    QHash<QString, TableColumns> m_columns;
};
