#include "data/SqliteAccess.h"

#include "base/Errors.h"

#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QVarLengthArray>

#include <sqlite3.h>

#include <cstring>

namespace SqliteAccess {

namespace {

sqlite3 *handleOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0 || !handle.data())
        throw BrivoraError(QStringLiteral("The database connection is not SQLite"));
    return *static_cast<sqlite3 *const *>(handle.data());
}

[[noreturn]] void refuse(sqlite3 *handle)
{
    fail(QString::fromUtf8(sqlite3_errmsg(handle)), sqlite3_errcode(handle));
}

sqlite3_stmt *prepare(sqlite3 *handle, const QString &sql)
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(handle, text.constData(), static_cast<int>(text.size()), &statement, nullptr) != SQLITE_OK)
        refuse(handle);
    return statement;
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
        refuse(handleOf(db));
}

namespace {

class HandleStatement : public Database::Statement {
public:
    HandleStatement(const QSqlDatabase &db, const QString &sql)
        : m_handle(handleOf(db))
        , m_statement(prepare(m_handle, sql))
    {
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
                refuse(m_handle);
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
    sqlite3 *m_handle = nullptr;
    sqlite3_stmt *m_statement = nullptr;
};

// A value goes in as NULL, as a number, or as a text.
enum class Binding { Null, Integer, Real, Text };

Binding bindingOf(const QVariant &value)
{
    switch (value.typeId()) {
        case QMetaType::UnknownType:
            return Binding::Null;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Bool:
            return Binding::Integer;
        case QMetaType::Double:
            return Binding::Real;
        case QMetaType::QString:
            return static_cast<const QString *>(value.constData())->isNull() ? Binding::Null : Binding::Text;
        default:
            return value.isNull() ? Binding::Null : Binding::Text;
    }
}

} // namespace

RowInsert::RowInsert(const QSqlDatabase &db, const QString &sql)
    : m_handle(handleOf(db))
    , m_statement(prepare(m_handle, sql))
{
}

RowInsert::~RowInsert()
{
    sqlite3_finalize(m_statement);
}

void RowInsert::run(const QVector<QVariant> &values)
{
    const qsizetype count = values.size();
    QVarLengthArray<Binding, 24> bindings(count);
    // The texts where they are: a text value's own, another kind's made here.
    QVarLengthArray<QStringView, 24> texts(count);
    QVarLengthArray<QString, 4> made;
    qsizetype space = 0;
    for (qsizetype column = 0; column < count; ++column) {
        const QVariant &value = values.at(column);
        bindings[column] = bindingOf(value);
        if (bindings[column] != Binding::Text)
            continue;
        if (value.typeId() == QMetaType::QString) {
            texts[column] = *static_cast<const QString *>(value.constData());
        } else {
            made.append(value.toString());
            texts[column] = made.last();
        }
        space += m_encoder.requiredSpace(texts[column].size()) + 1;
    }
    // Every text in UTF-8, as the file keeps it, in one buffer for the row: handed over as
    // UTF-16, each one made SQLite allocate and convert a copy.
    if (m_texts.size() < space)
        m_texts.resize(space);
    char *out = m_texts.data();
    for (qsizetype column = 0; column < count; ++column) {
        const QVariant &value = values.at(column);
        const int place = static_cast<int>(column) + 1;
        int bound = SQLITE_OK;
        switch (bindings[column]) {
            case Binding::Null:
                bound = sqlite3_bind_null(m_statement, place);
                break;
            case Binding::Integer:
                bound = sqlite3_bind_int64(m_statement, place, value.toLongLong());
                break;
            case Binding::Real:
                bound = sqlite3_bind_double(m_statement, place, value.toDouble());
                break;
            case Binding::Text: {
                char *const text = out;
                out = m_encoder.appendToBuffer(out, texts[column]);
                const int length = static_cast<int>(out - text);
                *out++ = '\0';
                // Bound as ended by its NUL, so that SQLite need not copy it to end it when a
                // CHECK reads it; a text holding a NUL of its own goes by its length.
                const bool ended = std::memchr(text, 0, static_cast<size_t>(length)) == nullptr;
                bound = sqlite3_bind_text(m_statement, place, text, ended ? -1 : length, SQLITE_STATIC);
                break;
            }
        }
        if (bound != SQLITE_OK)
            refuse(m_handle);
    }
    step();
}

void RowInsert::runTexts(std::span<const QByteArrayView> texts)
{
    for (size_t column = 0; column < texts.size(); ++column) {
        if (sqlite3_bind_text(m_statement, static_cast<int>(column) + 1, texts[column].data(), -1, SQLITE_STATIC)
            != SQLITE_OK)
            refuse(m_handle);
    }
    step();
}

void RowInsert::step()
{
    if (sqlite3_step(m_statement) != SQLITE_DONE) {
        const QString text = QString::fromUtf8(sqlite3_errmsg(m_handle));
        const int code = sqlite3_errcode(m_handle);
        sqlite3_reset(m_statement);
        fail(text, code);
    }
    sqlite3_reset(m_statement);
}

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
