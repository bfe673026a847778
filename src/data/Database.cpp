#include "data/Database.h"

#include "base/Errors.h"
#include "data/Dataset.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sqlite3.h>

#include <utility>

// The schema lives in a resource of the static core library; nothing else references
// it, so it must be registered by hand.
static void registerSchemaResource()
{
    Q_INIT_RESOURCE(schema);
}

namespace {

constexpr auto DateTimeFormat = "yyyy-MM-dd HH:mm:ss";

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("brivora-con-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString schemaText()
{
    registerSchemaResource();
    QFile schema(QStringLiteral(":/data/schema.sql"));
    if (!schema.open(QIODevice::ReadOnly))
        throw BrivoraError(QStringLiteral("The database schema is missing from the program"));
    return QString::fromUtf8(schema.readAll());
}

// Splits the schema into statements at the semicolons that end a line.
QStringList schemaStatements()
{
    QStringList statements;
    QString current;
    const QStringList lines = schemaText().split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QStringLiteral("--")) || trimmed.isEmpty())
            continue;
        current += line + QLatin1Char('\n');
        if (trimmed.endsWith(QLatin1Char(';'))) {
            statements << current;
            current.clear();
        }
    }
    return statements;
}

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

// SQLite's NOCASE folds ASCII letters only; on the program's connection it folds every
// letter, so "ÉCOLE" finds "école" as the users' old database engine did.
void ignoreCaseBeyondAscii(const QSqlDatabase &db)
{
    if (sqlite3_create_collation_v2(handleOf(db), "NOCASE", SQLITE_UTF8, nullptr, &compareIgnoringCase, nullptr)
        != SQLITE_OK)
        Database::fail(QString::fromUtf8(sqlite3_errmsg(handleOf(db))), sqlite3_errcode(handleOf(db)));
}

void exec(QSqlDatabase &db, const QString &statement)
{
    QSqlQuery query(db);
    if (!query.exec(statement))
        Database::fail(query.lastError());
}

// The one value a statement answers while the connection is being opened; a refusal
// leaves the connection closed.
QVariant openingValue(QSqlDatabase &db, const QString &statement)
{
    QSqlQuery query(db);
    if (!query.exec(statement) || !query.next()) {
        const QSqlError error = query.lastError();
        db.close();
        Database::fail(error);
    }
    return query.value(0);
}

// SQLite's C interface may only be used on the driver's handle when the driver runs on
// the very library the program links; a driver built with its own copy answers with
// another source id.
bool driverSharesOurSqlite(QSqlDatabase &db)
{
    return openingValue(db, QStringLiteral("select sqlite_source_id()")).toString()
        == QString::fromLatin1(sqlite3_sourceid());
}

class HandleStatement : public Database::Statement {
public:
    HandleStatement(const QSqlDatabase &db, const QString &sql)
        : m_handle(handleOf(db))
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(m_handle, text.constData(), static_cast<int>(text.size()), &m_statement, nullptr)
            != SQLITE_OK)
            fail();
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
                fail();
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
    [[noreturn]] void fail() const
    {
        Database::fail(QString::fromUtf8(sqlite3_errmsg(m_handle)), sqlite3_errcode(m_handle));
    }

    sqlite3 *m_handle = nullptr;
    sqlite3_stmt *m_statement = nullptr;
};

class QueryStatement : public Database::Statement {
public:
    QueryStatement(const QSqlDatabase &db, const QString &sql)
        : m_query(db)
    {
        m_query.setForwardOnly(true);
        if (!m_query.exec(sql))
            Database::fail(m_query.lastError());
    }

    bool step() override
    {
        if (m_query.next())
            return true;
        // The driver answers false at the end and on a refusal alike.
        if (m_query.lastError().isValid())
            Database::fail(m_query.lastError());
        return false;
    }

    qint64 integer(int column) const override { return m_query.value(column).toLongLong(); }

    PackedRow row(int firstColumn) const override
    {
        QVector<QVariant> values;
        const int columns = m_query.record().count();
        values.reserve(columns - firstColumn);
        for (int column = firstColumn; column < columns; ++column)
            values << m_query.value(column);
        return PackedRow::fromValues(values);
    }

private:
    QSqlQuery m_query;
};

} // namespace

DatabaseError::DatabaseError(const QString &text, int sqliteCode)
    : BrivoraError(text)
    , m_sqliteCode(sqliteCode)
{
}

bool DatabaseError::isPassing() const
{
    switch (m_sqliteCode & 0xff) {
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

Database::Database(QString fileName)
    : m_fileName(std::move(fileName))
    , m_connectionName(nextConnectionName())
{
}

Database::~Database()
{
    m_prepared.clear();
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase::database(m_connectionName, false).close();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

QString Database::filePath() const
{
    return QDir::current().absoluteFilePath(m_fileName);
}

QSqlDatabase Database::connection()
{
    if (m_open)
        return QSqlDatabase::database(m_connectionName, false);

    // SQLite would create a missing file; the program never creates its database.
    const QString path = filePath();
    if (!QFileInfo(path).isFile())
        throw BrivoraError(QStringLiteral("Could not find file '%1'").arg(QDir::toNativeSeparators(path)));

    QSqlDatabase db = QSqlDatabase::contains(m_connectionName)
        ? QSqlDatabase::database(m_connectionName, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeout));
    if (!db.open())
        fail(db.lastError());
    m_usesDriverHandle = m_driverHandleAllowed && driverSharesOurSqlite(db);
    if (m_usesDriverHandle)
        ignoreCaseBeyondAscii(db);
    openingValue(db, QStringLiteral("PRAGMA journal_mode=WAL"));
    m_open = true;
    try {
        addOptionsTable(db);
    } catch (...) {
        // The next use tries again from the start.
        m_open = false;
        db.close();
        throw;
    }
    return db;
}

void Database::addOptionsTable(QSqlDatabase &db)
{
    // The one change the program makes to a schema: a file made before the settings
    // table existed gets it, once, whichever program opens it first.
    const QString exists =
        QStringLiteral("select count(*) from sqlite_master where type = 'table' and name = 'options'");
    QSqlQuery query(db);
    if (!query.exec(exists) || !query.next())
        fail(query.lastError());
    if (query.value(0).toInt() > 0)
        return;
    query.finish();
    const QStringList statements = schemaStatements();
    const auto table = std::find_if(statements.cbegin(), statements.cend(), [](const QString &statement) {
        return statement.startsWith(QStringLiteral("CREATE TABLE options"));
    });
    transaction([&] {
        QSqlQuery again(db);
        if (!again.exec(exists) || !again.next())
            fail(again.lastError());
        if (again.value(0).toInt() == 0)
            exec(db, *table);
    });
}

const TableColumns &Database::columns(const QString &table)
{
    const QString key = table.toLower();
    auto found = m_columns.constFind(key);
    if (found != m_columns.constEnd())
        return *found;

    QSqlDatabase db = connection();
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table)))
        fail(query.lastError());
    static const QRegularExpression sized(QStringLiteral(R"(^VARCHAR\((\d+)\)$)"),
                                          QRegularExpression::CaseInsensitiveOption);
    TableColumns columns;
    while (query.next()) {
        Column column;
        column.name = query.value(1).toString();
        const QString type = query.value(2).toString().trimmed();
        const QRegularExpressionMatch match = sized.match(type);
        if (match.hasMatch()) {
            column.kind = Column::Kind::Text;
            column.size = match.captured(1).toInt();
        } else if (type.compare(QStringLiteral("DATETIME"), Qt::CaseInsensitive) == 0) {
            column.kind = Column::Kind::DateTime;
        } else if (query.value(5).toInt() > 0) {
            column.kind = Column::Kind::Counter;
        }
        columns << column;
    }
    if (columns.isEmpty())
        throw BrivoraError(QStringLiteral("The database has no table '%1'").arg(table));
    return *m_columns.insert(key, columns);
}

void Database::withoutWaiting(const std::function<void()> &work)
{
    QSqlDatabase db = connection();
    exec(db, QStringLiteral("PRAGMA busy_timeout = 0"));
    const auto restore =
        qScopeGuard([&] { QSqlQuery(db).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(m_busyTimeout)); });
    work();
}

void Database::transaction(const std::function<void()> &work)
{
    QSqlDatabase db = connection();
    if (m_inTransaction) {
        work();
        return;
    }
    // IMMEDIATE takes the write lock before work runs, waiting for another program's as long
    // as the busy timeout allows. Deferred, work that reads and then writes would be refused
    // at its first write whenever another program had committed since that read.
    exec(db, QStringLiteral("BEGIN IMMEDIATE"));
    m_inTransaction = true;
    try {
        work();
        exec(db, QStringLiteral("COMMIT"));
    } catch (...) {
        rollBack(db);
        throw;
    }
    m_inTransaction = false;
    m_writers.clear();
}

void Database::rollBack(QSqlDatabase &db)
{
    m_inTransaction = false;
    // A failed COMMIT may already have been rolled back by SQLite; the caller is owed the
    // error that brought us here, not ROLLBACK's answer.
    QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    const QVector<QPointer<Dataset>> writers = std::exchange(m_writers, {});
    for (const QPointer<Dataset> &writer : writers) {
        if (!writer)
            continue;
        // One that cannot be read again is closed rather than left showing rows taken back.
        try {
            writer->refresh();
        } catch (...) {
            writer->close();
        }
    }
}

void Database::noteWriter(Dataset &dataset)
{
    if (m_inTransaction && !m_writers.contains(&dataset))
        m_writers << &dataset;
}

QSqlQuery &Database::prepared(const QString &sql)
{
    auto found = m_prepared.find(sql);
    if (found != m_prepared.end())
        return **found;
    auto query = std::make_shared<QSqlQuery>(connection());
    if (!query->prepare(sql))
        fail(query->lastError());
    return **m_prepared.insert(sql, query);
}

void Database::execute(QSqlQuery &query)
{
    if (query.exec())
        return;
    const QSqlError error = query.lastError();
    query.finish();
    fail(error);
}

QString Database::leftCharacters(const QString &text, int characters)
{
    qsizetype end = 0;
    for (int taken = 0; taken < characters && end < text.size(); ++taken) {
        const bool pair = text.at(end).isHighSurrogate() && end + 1 < text.size() && text.at(end + 1).isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return text.left(end);
}

QVariant Database::storedDateTime(const QDateTime &moment)
{
    // Local time as text sorts right, and NULL comes last under "desc".
    if (!moment.isValid())
        return QVariant(QMetaType(QMetaType::QString));
    return moment.toString(QString::fromLatin1(DateTimeFormat));
}

QDateTime Database::dateTimeOf(const QVariant &stored)
{
    if (stored.isNull())
        return {};
    return QDateTime::fromString(stored.toString(), QString::fromLatin1(DateTimeFormat));
}

QString Database::storedText(const QString &text)
{
    QString stored = text;
    stored.remove(QChar(u'\0'));
    return stored.isNull() ? QString(QLatin1String("")) : stored;
}

void Database::fail(const QSqlError &error)
{
    bool numbered = false;
    const int code = error.nativeErrorCode().toInt(&numbered);
    fail(error.databaseText().isEmpty() ? error.text() : error.databaseText(), numbered ? code : SQLITE_ERROR);
}

void Database::fail(const QString &databaseText, int sqliteCode)
{
    static const QRegularExpression tooLong(QStringLiteral(R"(CHECK constraint failed: length\((\w+)\)\s*<=\s*(\d+))"));
    const QRegularExpressionMatch match = tooLong.match(databaseText);
    if (match.hasMatch())
        throw DatabaseError(
            QStringLiteral("The field %1 takes at most %2 characters").arg(match.captured(1), match.captured(2)),
            sqliteCode);
    throw DatabaseError(databaseText.trimmed(), sqliteCode);
}

void Database::create(const QString &filePath)
{
    if (QFileInfo::exists(filePath))
        throw BrivoraError(QStringLiteral("The file '%1' already exists").arg(filePath));
    const QString name = nextConnectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(filePath);
        if (!db.open()) {
            const QSqlError error = db.lastError();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            fail(error);
        }
        try {
            const QStringList statements = schemaStatements();
            for (const QString &statement : statements)
                exec(db, statement);
        } catch (...) {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            QFile::remove(filePath);
            throw;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

std::unique_ptr<Database::Statement> Database::select(const QString &sql)
{
    const QSqlDatabase db = connection();
    if (m_usesDriverHandle)
        return std::make_unique<HandleStatement>(db, sql);
    return std::make_unique<QueryStatement>(db, sql);
}
