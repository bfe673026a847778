#include "data/Database.h"

#include "base/Errors.h"
#include "data/Dataset.h"
#include "data/PostgresAccess.h"
#include "data/Schema.h"
#include "data/SqliteAccess.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlDriver>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrlQuery>

#include <utility>

namespace {

constexpr auto DateTimeFormat = "yyyy-MM-dd HH:mm:ss";
// What a transaction that another desk's made fail is refused with, the second time.
constexpr auto ConcurrentChangeText =
    "Another desk changed the same rows at the same moment, so nothing was stored. Please try again";
// Rows held for one COPY to a server: large enough that a round trip costs nothing beside
// them, small enough to keep memory low while a million rows are copied.
constexpr qsizetype HeldBytes = 4 * 1024 * 1024;

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("brivora-con-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString errorText(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.trimmed();
}

[[noreturn]] void failSqlite(const QSqlError &error)
{
    bool numbered = false;
    const int code = error.nativeErrorCode().toInt(&numbered);
    SqliteAccess::fail(errorText(error), numbered ? code : 1 /* SQLITE_ERROR */);
}

bool concurrencyFailure(const DatabaseError &error)
{
    // Serialization failure and deadlock: the other desk's transaction won.
    return error.code() == QStringLiteral("40001") || error.code() == QStringLiteral("40P01");
}

// A value for a connection option of libpq: quoted, so blanks and quotes stay in it.
QString optionValue(QString value)
{
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

class QueryStatement : public Database::Statement {
public:
    QueryStatement(Database &database, const QString &sql)
        : m_database(database)
        , m_query(database.connection())
    {
        m_query.setForwardOnly(true);
        if (!m_query.exec(sql))
            m_database.fail(m_query.lastError());
    }

    bool step() override
    {
        if (m_query.next())
            return true;
        // The driver answers false at the end and on a refusal alike.
        if (m_query.lastError().isValid())
            m_database.fail(m_query.lastError());
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
    Database &m_database;
    QSqlQuery m_query;
};

} // namespace

DatabaseError::DatabaseError(const QString &text, const QString &code, bool passing)
    : BrivoraError(text)
    , m_code(code)
    , m_passing(passing)
{
}

Database::Database(const QString &location)
    : m_connectionName(nextConnectionName())
{
    QString where = location;
    m_workingFolders = location.isEmpty();
    if (where.isEmpty()) {
        // The working folder's data: on the server its "Dovrel.server" names, if it has one.
        QFile server(QDir::current().absoluteFilePath(QString::fromLatin1(ServerFileName)));
        where = QString::fromLatin1(FileName);
        if (server.exists()) {
            where = server.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(server.readLine()).trimmed()
                                                                       : QString();
            if (!isServerUri(where))
                m_problem = QStringLiteral("The file '%1' must hold the address of the database server on its first "
                                           "line, as postgresql://user@host/database")
                                .arg(QDir::toNativeSeparators(server.fileName()));
        }
    }
    if (isServerUri(where)) {
        m_engine = Engine::Postgres;
        m_server = QUrl(where, QUrl::TolerantMode);
        // A password would sit in a file every desk reads; libpq takes it from ~/.pgpass.
        if (!m_server.isValid() || !m_server.password().isEmpty())
            m_problem = QStringLiteral("The server's address must be a PostgreSQL address without a password, as "
                                       "postgresql://user@host/database (the password goes in ~/.pgpass): %1")
                            .arg(m_server.toString(QUrl::RemovePassword));
    } else {
        m_fileName = where;
    }
}

Database::~Database()
{
    m_prepared.clear();
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase::database(m_connectionName, false).close();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

bool Database::isServerUri(const QString &location)
{
    return location.startsWith(QStringLiteral("postgresql://")) || location.startsWith(QStringLiteral("postgres://"));
}

QString Database::description() const
{
    return m_engine == Engine::Postgres ? m_server.toString(QUrl::RemovePassword)
                                        : QDir::toNativeSeparators(filePath());
}

QString Database::filePath() const
{
    return m_engine == Engine::Postgres ? QString() : QDir::current().absoluteFilePath(m_fileName);
}

QSqlDatabase Database::connection()
{
    if (!m_problem.isEmpty())
        throw BrivoraError(m_problem);
    if (m_open) {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            return db;
        letGo();
    }
    QSqlDatabase db = QSqlDatabase::contains(m_connectionName)
        ? QSqlDatabase::database(m_connectionName, false)
        : QSqlDatabase::addDatabase(m_engine == Engine::Postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"),
                                    m_connectionName);
    if (m_engine == Engine::Postgres)
        openServer(db);
    else
        open(db);
    return db;
}

void Database::run(QSqlDatabase &db, const QString &statement)
{
    QSqlQuery query(db);
    if (!query.exec(statement))
        fail(query.lastError());
}

void Database::open(QSqlDatabase &db)
{
    // SQLite would create a missing file; the program never creates its database.
    const QString path = filePath();
    if (!QFileInfo(path).isFile())
        throw BrivoraError(QStringLiteral("Could not find file '%1'").arg(QDir::toNativeSeparators(path)));
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeout));
    if (!db.open())
        failSqlite(db.lastError());
    try {
        m_usesDriverHandle = m_driverHandleAllowed && SqliteAccess::driverSharesOurSqlite(db);
        if (m_usesDriverHandle)
            SqliteAccess::ignoreCaseBeyondAscii(db);
        // The first statement that reads the file: one that is no database is refused here.
        QSqlQuery wal(db);
        if (!wal.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
            failSqlite(wal.lastError());
        wal.finish();
        m_open = true;
        bringUpToDate(db);
    } catch (...) {
        // The next use tries again from the start.
        m_open = false;
        db.close();
        throw;
    }
}

void Database::openServer(QSqlDatabase &db)
{
    QUrlQuery parameters(m_server);
    db.setHostName(parameters.hasQueryItem(QStringLiteral("host")) ? parameters.queryItemValue(QStringLiteral("host"))
                                                                   : m_server.host());
    db.setPort(parameters.hasQueryItem(QStringLiteral("port"))
                   ? parameters.queryItemValue(QStringLiteral("port")).toInt()
                   : m_server.port(-1));
    db.setDatabaseName(m_server.path().mid(1));
    db.setUserName(m_server.userName());
    // A server that does not answer is given up after a few seconds, not the system's minutes.
    QStringList options{QStringLiteral("connect_timeout=10")};
    const QList<QPair<QString, QString>> items = parameters.queryItems(QUrl::FullyDecoded);
    for (const auto &[name, value] : items)
        if (name != QStringLiteral("host") && name != QStringLiteral("port"))
            options << name + QLatin1Char('=') + optionValue(value);
    db.setConnectOptions(options.join(QLatin1Char(';')));
    if (!db.open())
        throw PostgresAccess::refusal(errorText(db.lastError()), db.lastError().nativeErrorCode(), true);
    m_open = true;
    try {
        // A row another desk's transaction holds is waited for as long as a locked file.
        run(db, lockWaitStatement(m_busyTimeout));
        // The server's notices ("already exists, skipping") are not the operator's business.
        run(db, QStringLiteral("SET client_min_messages = warning"));
        bringUpToDate(db);
        listenForChanges(db);
    } catch (...) {
        letGo();
        throw;
    }
}

void Database::setChangeListener(std::function<void(const QString &)> listener)
{
    m_changeListener = std::move(listener);
    if (m_open && m_engine == Engine::Postgres) {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        listenForChanges(db);
    }
}

void Database::listenForChanges(QSqlDatabase &db)
{
    QSqlDriver *driver = db.driver();
    if (!m_changeListener || !driver)
        return;
    // The database's other schemas (other offices' data, other tests) announce on the same
    // channel: only this one's tables are told.
    QSqlQuery schema(db);
    if (!schema.exec(QStringLiteral("select current_schema()")) || !schema.next())
        fail(schema.lastError());
    m_listenedSchema = schema.value(0).toString() + QLatin1Char('.');
    // The driver forgets what it listened to when its connection closes; its signal stays.
    if (m_listenedDriver != driver) {
        m_listenedDriver = driver;
        QObject::connect(driver, &QSqlDriver::notification, driver,
                         [this](const QString &channel, QSqlDriver::NotificationSource source, const QVariant &payload) {
                             const QString table = payload.toString();
                             if (channel == QLatin1String(Schema::ChangesChannel)
                                 && source == QSqlDriver::OtherSource && m_changeListener
                                 && table.startsWith(m_listenedSchema))
                                 m_changeListener(table.mid(m_listenedSchema.size()));
                         });
    }
    // A server that will not let this desk listen (a standby that only reads) still serves
    // it: other desks' changes then show at the next showing, as on a file.
    const QString channel = QString::fromLatin1(Schema::ChangesChannel);
    if (!driver->subscribedToNotifications().contains(channel) && !driver->subscribeToNotification(channel))
        qWarning("Other desks' changes are not heard: %s", qUtf8Printable(driver->lastError().text()));
}

void Database::letGo()
{
    // Statements prepared on a connection that is gone cannot run on the next one.
    m_prepared.clear();
    m_open = false;
    m_inTransaction = false;
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::database(m_connectionName, false).close();
}

void Database::bringUpToDate(QSqlDatabase &db)
{
    // Each change of the schema is made once, whichever program opens the database first:
    // the number is read again inside the transaction that makes the changes.
    const bool onServer = m_engine == Engine::Postgres;
    const auto count = [&](const QString &sql) {
        QSqlQuery query(db);
        if (!query.exec(sql) || !query.next())
            fail(query.lastError());
        return query.value(0).toInt();
    };
    const auto hasTable = [&](const QString &name) {
        return count(onServer ? QStringLiteral("select count(*) from information_schema.tables where "
                                               "table_schema = current_schema() and table_name = '%1'")
                                    .arg(name)
                              : QStringLiteral("select count(*) from sqlite_master where type = 'table' and "
                                               "name = '%1'")
                                    .arg(name))
            > 0;
    };
    const auto schema = [&] {
        if (!hasTable(QStringLiteral("options")))
            return 0;
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("select value from options where name = 'schema'")))
            fail(query.lastError());
        return query.next() ? query.value(0).toInt() : 1;
    };
    // A database that is not Brivora's is left as it is; the program will not work on a
    // server's that holds none of its tables (a tool may be about to make them).
    if (!hasTable(QStringLiteral("profile"))) {
        if (onServer && m_workingFolders)
            throw BrivoraError(QString::fromLatin1(NoTablesText).arg(m_server.toString(QUrl::RemovePassword)));
        return;
    }
    const int found = schema();
    if (found > Schema::latestSchema())
        throw BrivoraError(QString::fromLatin1(NewerSchemaText).arg(found));
    if (found == Schema::latestSchema())
        return;
    transaction([&] {
        const int at = schema();
        // A table made here is made as it is now, with the columns added since.
        QSet<QString> made;
        for (const Schema::Migration &migration : Schema::migrations()) {
            if (migration.number <= at)
                continue;
            for (const QString &table : migration.tables) {
                run(db, Schema::tableStatement(table, onServer));
                made.insert(table);
            }
            for (const QString &column : migration.columns)
                if (!made.contains(column.section(QLatin1Char('.'), 0, 0)))
                    run(db, Schema::addColumnStatement(column, onServer));
            if (onServer)
                for (const QString &statement : migration.onServerOnly)
                    run(db, statement);
        }
        QSqlQuery mark(db);
        if (!mark.prepare(QStringLiteral("INSERT INTO options (name, value) VALUES ('schema', ?) "
                                         "ON CONFLICT (name) DO UPDATE SET value = excluded.value")))
            fail(mark.lastError());
        mark.bindValue(0, QString::number(Schema::latestSchema()));
        if (!mark.exec())
            fail(mark.lastError());
    });
}

const TableColumns &Database::columns(const QString &table)
{
    const QString key = table.toLower();
    auto found = m_columns.constFind(key);
    if (found != m_columns.constEnd())
        return *found;
    if (m_engine == Engine::Postgres)
        return *m_columns.insert(key, Schema::columns(key));
    QSqlDatabase db = connection();
    return *m_columns.insert(key, Schema::columnsOf(db, table));
}

QString Database::table(const QString &name) const
{
    // PostgreSQL reserves "grouping"; SQLite statements keep their names as written.
    return m_engine == Engine::Postgres ? QStringLiteral("\"%1\"").arg(name.toLower()) : name;
}

QString Database::rowKey(const QString &table)
{
    if (m_engine == Engine::Sqlite)
        return QStringLiteral("rowid");
    for (const Column &column : columns(table))
        if (column.kind == Column::Kind::Counter)
            return QStringLiteral("\"%1\"").arg(column.name);
    return QStringLiteral("\"%1\"").arg(QLatin1String(RowNumberColumn));
}

QString Database::rowSelectList(const QString &table)
{
    if (m_engine == Engine::Sqlite)
        return QStringLiteral("rowid AS __rowid, *");
    QStringList names{rowKey(table) + QStringLiteral(" AS __rowid")};
    for (const Column &column : columns(table))
        names << QStringLiteral("\"%1\"").arg(column.name);
    return names.join(QStringLiteral(", "));
}

QString Database::lockWaitStatement(int milliseconds) const
{
    // A server's lock_timeout of 0 would wait for ever: 1 ms is "not at all".
    return m_engine == Engine::Postgres ? QStringLiteral("SET lock_timeout = %1").arg(std::max(milliseconds, 1))
                                        : QStringLiteral("PRAGMA busy_timeout = %1").arg(milliseconds);
}

void Database::withoutWaiting(const std::function<void()> &work)
{
    // A server that went away is not called again from here: connecting could wait for
    // the network's time-out. The next action of the operator connects again.
    if (m_engine == Engine::Postgres && !m_open)
        throw DatabaseError(QString::fromLatin1(UnreachableText).arg(QStringLiteral("not connected")), {}, true);
    QSqlDatabase db = connection();
    run(db, lockWaitStatement(0));
    const auto restore = qScopeGuard([&] {
        if (m_open)
            QSqlQuery(db).exec(lockWaitStatement(m_busyTimeout));
    });
    work();
}

void Database::transaction(const std::function<void()> &work)
{
    writingTransaction(QStringLiteral("BEGIN"), work);
}

void Database::transactionAtOneMoment(const std::function<void()> &work)
{
    writingTransaction(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ"), work);
}

void Database::writingTransaction(const QString &serverBegin, const std::function<void()> &work)
{
    QSqlDatabase db = connection();
    if (m_inTransaction) {
        work();
        return;
    }
    if (m_engine == Engine::Sqlite) {
        // IMMEDIATE takes the write lock before work runs, waiting for another program's
        // as long as the busy timeout allows. Deferred, work that reads and then writes
        // would be refused at its first write whenever another program had committed
        // since that read.
        runTransaction(db, QStringLiteral("BEGIN IMMEDIATE"), work);
        return;
    }
    // A server's own isolation keeps its transactions apart; one that another desk's made
    // fail is run once more, when that one has ended.
    for (int attempt = 1;; ++attempt) {
        try {
            runTransaction(db, serverBegin, work);
            return;
        } catch (const DatabaseError &error) {
            if (!concurrencyFailure(error))
                throw;
            if (attempt == 2)
                throw DatabaseError(QString::fromLatin1(ConcurrentChangeText), error.code(), false);
        }
    }
}

void Database::readConsistently(const std::function<void()> &work)
{
    QSqlDatabase db = connection();
    if (m_inTransaction) {
        work();
        return;
    }
    // A file's read transaction sees one state of the write-ahead log.
    runTransaction(db,
                   m_engine == Engine::Sqlite ? QStringLiteral("BEGIN")
                                              : QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"),
                   work);
}

void Database::runTransaction(QSqlDatabase &db, const QString &begin, const std::function<void()> &work)
{
    run(db, begin);
    m_inTransaction = true;
    try {
        work();
        run(db, QStringLiteral("COMMIT"));
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
    // A failed COMMIT may already have been rolled back; the caller is owed the error that
    // brought us here, not ROLLBACK's answer. A lost server has rolled back by itself.
    if (m_open)
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

QString Database::returningKey(const QString &table)
{
    return m_engine == Engine::Postgres ? QStringLiteral(" RETURNING ") + rowKey(table) : QString();
}

qint64 Database::insertReturningKey(QSqlQuery &insert)
{
    execute(insert);
    // SQLite's last row id costs nothing; a result row would have to be stepped to.
    const qint64 key = m_engine == Engine::Postgres ? (insert.next() ? insert.value(0).toLongLong() : 0)
                                                    : insert.lastInsertId().toLongLong();
    insert.finish();
    return key;
}

void Database::fail(const QSqlError &error)
{
    if (m_engine == Engine::Sqlite)
        failSqlite(error);
    failServer(errorText(error), error.nativeErrorCode());
}

void Database::failServer(const QString &text, const QString &sqlState)
{
    const bool lost = !m_open || PostgresAccess::connectionLost(QSqlDatabase::database(m_connectionName, false));
    DatabaseError error = PostgresAccess::refusal(text, sqlState, lost);
    if (lost || error.isPassing())
        letGo();
    throw error;
}

DatabaseError Database::tooLong(const QString &field, int characters)
{
    return DatabaseError(QStringLiteral("The field %1 takes at most %2 characters").arg(field).arg(characters), {},
                         false);
}

Database::RowInsert::RowInsert(Database &database, const QString &table, const QStringList &columns)
    : m_database(database)
    , m_columns(columns)
{
    QStringList quoted;
    for (const QString &name : columns)
        quoted << u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
    const QString into = database.table(table) + QStringLiteral(" (") + quoted.join(QLatin1Char(',')) + u')';
    if (database.engine() == Engine::Postgres) {
        const TableColumns &described = database.columns(table);
        for (const QString &name : columns) {
            const auto column = std::find_if(described.cbegin(), described.cend(), [&](const Column &candidate) {
                return candidate.name.compare(name, Qt::CaseInsensitive) == 0;
            });
            m_sizes << (column != described.cend() && column->kind == Column::Kind::Text ? column->size : 0);
        }
        m_copy = QStringLiteral("COPY %1 FROM STDIN").arg(into);
        return;
    }
    const QStringList marks(columns.size(), QStringLiteral("?"));
    const QString insert = QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(into, marks.join(u','));
    const QSqlDatabase db = database.connection(); // which way a file is written is known once it is open
    if (database.usesDriverHandle())
        m_handleInsert = std::make_unique<SqliteAccess::RowInsert>(db, insert);
    else
        m_insert = &database.prepared(insert);
}

Database::RowInsert::~RowInsert() = default;

void Database::RowInsert::add(const QVector<QVariant> &values)
{
    // The file refuses an over-long value with this very row.
    if (m_handleInsert) {
        m_handleInsert->run(values);
        return;
    }
    if (m_insert) {
        for (int column = 0; column < values.size(); ++column)
            m_insert->bindValue(column, values.at(column));
        m_database.execute(*m_insert);
        return;
    }
    // The server would refuse it with the whole batch: checked here, in characters as the
    // server counts them.
    for (int column = 0; column < m_sizes.size(); ++column) {
        const int size = m_sizes.at(column);
        const QString text = size > 0 ? values.at(column).toString() : QString();
        if (text.size() > size && leftCharacters(text, size).size() < text.size())
            throw tooLong(m_columns.at(column), size);
    }
    for (int column = 0; column < values.size(); ++column) {
        if (column > 0)
            m_held += '\t';
        PostgresAccess::appendValue(m_held, values.at(column));
    }
    m_held += '\n';
    if (m_held.size() >= HeldBytes)
        flush();
}

void Database::RowInsert::addTexts(std::span<const QByteArrayView> texts)
{
    if (m_handleInsert) {
        m_handleInsert->runTexts(texts);
        return;
    }
    QVector<QVariant> values;
    values.reserve(static_cast<qsizetype>(texts.size()));
    for (const QByteArrayView text : texts)
        values << QString::fromUtf8(text);
    add(values);
}

void Database::RowInsert::finish()
{
    if (m_insert)
        m_insert->finish();
    else
        flush();
}

void Database::RowInsert::flush()
{
    if (m_held.isEmpty())
        return;
    const QByteArray rows = std::exchange(m_held, {});
    PostgresAccess::copyIn(m_database, m_database.connection(), m_copy, rows);
}

void Database::catchUpCounters()
{
    if (m_engine != Engine::Postgres)
        return;
    QSqlDatabase db = connection();
    const QStringList tables = Schema::tables();
    for (const QString &name : tables) {
        const QString key = rowKey(name);
        run(db,
            QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), max(%3)) FROM %1")
                .arg(table(name), key.mid(1).chopped(1), key));
    }
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
    // Local time as text sorts right; NULL comes last under "desc".
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
    if (text.isNull())
        return QString(QLatin1String(""));
    // Most texts hold no NUL: they are kept as they are, not copied.
    if (!text.contains(QChar(u'\0')))
        return text;
    QString stored = text;
    stored.remove(QChar(u'\0'));
    return stored;
}

bool Database::hasTables()
{
    const auto found = select(
        m_engine == Engine::Postgres
            ? QStringLiteral("select count(*) from information_schema.tables where table_schema = current_schema() "
                             "and table_name = 'profile'")
            : QStringLiteral("select count(*) from sqlite_master where type = 'table' and name = 'profile'"));
    return found->step() && found->integer(0) > 0;
}

void Database::create(const QString &location)
{
    if (isServerUri(location)) {
        Database server(location);
        if (server.hasTables())
            throw BrivoraError(
                QStringLiteral("The database '%1' already holds Brivora's tables").arg(server.description()));
        const QStringList statements = Schema::serverStatements();
        QSqlDatabase db = server.connection();
        server.transaction([&] {
            for (const QString &statement : statements)
                server.run(db, statement);
        });
        return;
    }
    // An empty file is one reserved for the new database, as a backup's temporary file.
    if (QFileInfo(location).size() > 0)
        throw BrivoraError(QStringLiteral("The file '%1' already exists").arg(location));
    const QString name = nextConnectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(location);
        const auto forget = [&] {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
        };
        if (!db.open()) {
            const QSqlError error = db.lastError();
            forget();
            failSqlite(error);
        }
        const QStringList statements = Schema::fileStatements();
        for (const QString &statement : statements) {
            QSqlQuery query(db);
            if (!query.exec(statement)) {
                const QSqlError error = query.lastError();
                query = QSqlQuery();
                forget();
                QFile::remove(location);
                failSqlite(error);
            }
        }
        forget();
    }
}

std::unique_ptr<Database::Statement> Database::select(const QString &sql)
{
    const QSqlDatabase db = connection();
    if (m_engine == Engine::Postgres)
        return PostgresAccess::select(*this, db, sql);
    if (m_usesDriverHandle)
        return SqliteAccess::select(db, sql);
    return std::make_unique<QueryStatement>(*this, sql);
}
