#include "data/PostgresAccess.h"

#include "base/Errors.h"

#include <QRegularExpression>
#include <QSqlDriver>

#include <libpq-fe.h>

#include <cstdlib>
#include <utility>

namespace PostgresAccess {

namespace {

// Type numbers of the server's built-in types, as pg_type lists them.
constexpr Oid Int8Type = 20;
constexpr Oid Int2Type = 21;
constexpr Oid Int4Type = 23;
constexpr Oid Float4Type = 700;
constexpr Oid Float8Type = 701;

PGconn *handleOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    // The driver names the type by the struct behind libpq's typedef.
    if (db.driverName() != QStringLiteral("QPSQL") || qstrcmp(handle.typeName(), "pg_conn*") != 0 || !handle.data())
        throw BrivoraError(QStringLiteral("The database connection is not PostgreSQL"));
    return *static_cast<PGconn *const *>(handle.data());
}

QString stateOf(const PGresult *result)
{
    return QString::fromLatin1(PQresultErrorField(result, PG_DIAG_SQLSTATE));
}

QString messageOf(const PGresult *result)
{
    const char *primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
    return QString::fromUtf8(primary ? primary : PQresultErrorMessage(result)).trimmed();
}

// Reads and drops what the server still sends for the statement running.
void drain(PGconn *connection)
{
    while (PGresult *rest = PQgetResult(connection))
        PQclear(rest);
}

// Ends a statement the server refused (result), or that could not be sent (no result):
// what the server still sends is dropped, and the refusal thrown as the user's message.
[[noreturn]] void refuse(Database &database, PGconn *connection, PGresult *result)
{
    const QString message = result ? messageOf(result) : QString::fromUtf8(PQerrorMessage(connection)).trimmed();
    const QString state = result ? stateOf(result) : QString();
    PQclear(result);
    drain(connection);
    database.failServer(message, state);
}

class ServerStatement : public Database::Statement {
public:
    ServerStatement(Database &database, const QSqlDatabase &db, const QString &sql)
        : m_database(database)
        , m_connection(handleOf(db))
    {
        if (!PQsendQuery(m_connection, sql.toUtf8().constData()))
            refuse(m_database, m_connection, nullptr);
        PQsetSingleRowMode(m_connection);
    }
    ~ServerStatement() override
    {
        PQclear(m_result);
        if (!m_done)
            drain(m_connection);
    }
    ServerStatement(const ServerStatement &) = delete;
    ServerStatement &operator=(const ServerStatement &) = delete;

    bool step() override
    {
        if (m_done)
            return false;
        PQclear(m_result);
        m_result = PQgetResult(m_connection);
        if (m_result && PQresultStatus(m_result) == PGRES_SINGLE_TUPLE)
            return true;
        m_done = true;
        PGresult *last = std::exchange(m_result, nullptr);
        if (last && PQresultStatus(last) != PGRES_TUPLES_OK)
            refuse(m_database, m_connection, last);
        PQclear(last);
        drain(m_connection);
        return false;
    }

    qint64 integer(int column) const override { return std::strtoll(PQgetvalue(m_result, 0, column), nullptr, 10); }

    PackedRow row(int firstColumn) const override
    {
        const int columns = PQnfields(m_result);
        PackedRow::Builder builder(columns - firstColumn);
        for (int column = firstColumn; column < columns; ++column) {
            if (PQgetisnull(m_result, 0, column)) {
                builder.addNull();
                continue;
            }
            const char *text = PQgetvalue(m_result, 0, column);
            switch (PQftype(m_result, column)) {
                case Int8Type:
                case Int4Type:
                case Int2Type:
                    builder.addInteger(std::strtoll(text, nullptr, 10));
                    break;
                case Float4Type:
                case Float8Type:
                    builder.addReal(std::strtod(text, nullptr));
                    break;
                default:
                    builder.addText(text, PQgetlength(m_result, 0, column));
            }
        }
        return builder.finish();
    }

private:
    Database &m_database;
    PGconn *m_connection;
    PGresult *m_result = nullptr;
    bool m_done = false;
};

} // namespace

std::unique_ptr<Database::Statement> select(Database &database, const QSqlDatabase &db, const QString &sql)
{
    return std::make_unique<ServerStatement>(database, db, sql);
}

void copyIn(Database &database, const QSqlDatabase &db, const QString &copyStatement, const QByteArray &rows)
{
    PGconn *connection = handleOf(db);
    PGresult *start = PQexec(connection, copyStatement.toUtf8().constData());
    if (PQresultStatus(start) != PGRES_COPY_IN)
        refuse(database, connection, start);
    PQclear(start);
    if (PQputCopyData(connection, rows.constData(), static_cast<int>(rows.size())) != 1
        || PQputCopyEnd(connection, nullptr) != 1)
        refuse(database, connection, nullptr);
    while (PGresult *result = PQgetResult(connection)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK)
            refuse(database, connection, result);
        PQclear(result);
    }
}

void appendValue(QByteArray &row, const QVariant &value)
{
    if (value.isNull()) {
        row += "\\N";
        return;
    }
    const QByteArray text = value.toString().toUtf8();
    row.reserve(row.size() + text.size());
    for (const char c : text) {
        switch (c) {
            case '\\':
                row += "\\\\";
                break;
            case '\n':
                row += "\\n";
                break;
            case '\r':
                row += "\\r";
                break;
            case '\t':
                row += "\\t";
                break;
            default:
                row += c;
        }
    }
}

bool connectionLost(const QSqlDatabase &db)
{
    return PQstatus(handleOf(db)) == CONNECTION_BAD;
}

DatabaseError refusal(const QString &text, const QString &sqlState, bool lost)
{
    // Class 08 is a failed connection; 57P01 to 57P03 a server shutting down or starting.
    if (lost || sqlState.startsWith(QStringLiteral("08")) || sqlState.startsWith(QStringLiteral("57P")))
        return DatabaseError(QString::fromLatin1(Database::UnreachableText).arg(text), sqlState, true);
    static const QRegularExpression tooLong(
        QStringLiteral(R"re(violates check constraint "length\((\w+)\)<=(\d+)")re"));
    const QRegularExpressionMatch match = tooLong.match(text);
    if (match.hasMatch())
        return Database::tooLong(match.captured(1), match.captured(2).toInt());
    // A lock another desk holds past the time-out passes, as a locked file does.
    return DatabaseError(text, sqlState, sqlState == QStringLiteral("55P03"));
}

} // namespace PostgresAccess
