#include "data/SqliteAccess.h"

#include "base/Errors.h"

#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlQuery>

#include <sqlite3.h>

namespace SqliteAccess {

namespace {

sqlite3 *handleOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0 || !handle.data())
        throw BrivoraError(QStringLiteral("The database connection is not SQLite"));
    return *static_cast<sqlite3 *const *>(handle.data());
}

int compareIgnoringCase(void *, int leftBytes, const void *left, int rightBytes, const void *right)
{
    const QString a = QString::fromUtf8(static_cast<const char *>(left), leftBytes);
    const QString b = QString::fromUtf8(static_cast<const char *>(right), rightBytes);
    return a.compare(b, Qt::CaseInsensitive);
}

} // namespace

void ignoreCaseBeyondAscii(const QSqlDatabase &db)
{
    if (sqlite3_create_collation_v2(handleOf(db), "NOCASE", SQLITE_UTF8, nullptr, &compareIgnoringCase, nullptr)
        != SQLITE_OK)
        fail(QString::fromUtf8(sqlite3_errmsg(handleOf(db))), sqlite3_errcode(handleOf(db)));
}

namespace {

class HandleStatement : public Database::Statement {
public:
    HandleStatement(const QSqlDatabase &db, const QString &sql)
        : m_handle(handleOf(db))
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(m_handle, text.constData(), static_cast<int>(text.size()), &m_statement, nullptr)
            != SQLITE_OK)
            refuse();
    }
    ~HandleStatement() override { sqlite3_finalize(m_statement); }
    HandleStatement(const HandleStatement &) = delete;
    HandleStatement &operator=(const HandleStatement &) = delete;

    bool step() override
    {
        switch (sqlite3_step(m_statement)) {
            case SQLITE_ROW:
                return true;
            case SQLITE_DONE:
                return false;
            default:
                refuse();
        }
    }

    qint64 integer(int column) const override { return sqlite3_column_int64(m_statement, column); }

    PackedRow row(int firstColumn) const override
    {
        const int columns = sqlite3_column_count(m_statement);
        PackedRow::Builder builder(columns - firstColumn);
        for (int column = firstColumn; column < columns; ++column) {
            // One column call a cell, then its parts from the value: each column call costs
            // about as much as reading a part. SQLite calls such a value unprotected, which
            // matters only under its mutex: the driver opens the connection without one, and
            // one thread uses it.
            sqlite3_value *cell = sqlite3_column_value(m_statement, column);
            switch (sqlite3_value_type(cell)) {
                case SQLITE_NULL:
                    builder.addNull();
                    break;
                case SQLITE_INTEGER:
                    builder.addInteger(sqlite3_value_int64(cell));
                    break;
                case SQLITE_FLOAT:
                    builder.addReal(sqlite3_value_double(cell));
                    break;
                default: {
                    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(cell));
                    builder.addText(text, sqlite3_value_bytes(cell));
                }
            }
        }
        return builder.finish();
    }

private:
    [[noreturn]] void refuse() const
    {
        SqliteAccess::fail(QString::fromUtf8(sqlite3_errmsg(m_handle)), sqlite3_errcode(m_handle));
    }

    sqlite3 *m_handle = nullptr;
    sqlite3_stmt *m_statement = nullptr;
};

} // namespace

bool driverSharesOurSqlite(QSqlDatabase &db)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("select sqlite_source_id()")) && query.next()
        && query.value(0).toString() == QString::fromLatin1(sqlite3_sourceid());
}

std::unique_ptr<Database::Statement> select(const QSqlDatabase &db, const QString &sql)
{
    return std::make_unique<HandleStatement>(db, sql);
}

namespace {

bool isPassing(int code)
{
    switch (code & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case SQLITE_IOERR:
        case SQLITE_FULL:
        case SQLITE_CANTOPEN:
        case SQLITE_PROTOCOL:
            return true;
        default:
            return false;
    }
}

} // namespace

void fail(const QString &databaseText, int sqliteCode)
{
    static const QRegularExpression tooLong(QStringLiteral(R"(CHECK constraint failed: length\((\w+)\)\s*<=\s*(\d+))"));
    const QRegularExpressionMatch match = tooLong.match(databaseText);
    if (match.hasMatch())
        throw Database::tooLong(match.captured(1), match.captured(2).toInt());
    throw DatabaseError(databaseText.trimmed(), QString::number(sqliteCode), isPassing(sqliteCode));
}

} // namespace SqliteAccess
