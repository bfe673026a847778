#include "support/TestWorkspace.h"

#include "data/Database.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

namespace {

QString serverAddress()
{
    return qEnvironmentVariable("BRIVORA_TEST_SERVER");
}

template<typename Work>
void withFileConnection(const QString &path, Work work)
{
    const QString name = QStringLiteral("test-workspace");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void runOn(QSqlDatabase db, const QString &statement, QList<QStringList> *result = nullptr)
{
    QSqlQuery query(db);
    if (!query.exec(statement))
        qFatal("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
    while (result && query.next()) {
        QStringList row;
        for (int c = 0; c < query.record().count(); ++c) {
            const QVariant value = query.value(c);
            // A truth value reads as SQLite gives it.
            row << (value.isNull()                          ? QStringLiteral("<null>")
                        : value.typeId() == QMetaType::Bool ? QString::number(value.toBool() ? 1 : 0)
                                                            : value.toString());
        }
        *result << row;
    }
}

} // namespace

bool TestWorkspace::onServer()
{
    return qEnvironmentVariable("BRIVORA_TEST_ENGINE") == QStringLiteral("postgresql");
}

TestWorkspace::TestWorkspace(bool withDatabase)
    : m_previousDir(QDir::currentPath())
{
    QDir::setCurrent(m_dir.path());
    if (!onServer()) {
        if (withDatabase)
            Database::create(databasePath());
        return;
    }
    if (serverAddress().isEmpty())
        qFatal("BRIVORA_TEST_ENGINE=postgresql needs the test server's address in BRIVORA_TEST_SERVER "
               "(scripts/test starts the server and sets both)");
    // A schema of its own on the shared test database: tests run side by side.
    static QAtomicInt made;
    m_schema = QStringLiteral("ws_%1_%2").arg(QCoreApplication::applicationPid()).arg(made.fetchAndAddRelaxed(1));
    {
        Database admin(serverAddress());
        runOn(admin.connection(), QStringLiteral("CREATE SCHEMA %1").arg(m_schema));
        // SQLite's group_concat, which the tests' own statements use, in the order rows come.
        runOn(admin.connection(),
              QStringLiteral("CREATE FUNCTION %1.group_concat_step(list text, value text) RETURNS text "
                             "LANGUAGE sql IMMUTABLE AS $$ SELECT CASE WHEN value IS NULL THEN list "
                             "WHEN list IS NULL THEN value ELSE list || ',' || value END $$")
                  .arg(m_schema));
        runOn(admin.connection(),
              QStringLiteral("CREATE AGGREGATE %1.group_concat(text) (sfunc = %1.group_concat_step, stype = text)")
                  .arg(m_schema));
        // And its datetime(moment, '+n minutes').
        runOn(admin.connection(),
              QStringLiteral("CREATE FUNCTION %1.datetime(moment text, shift text) RETURNS text LANGUAGE sql "
                             "IMMUTABLE AS $$ SELECT to_char(moment::timestamp + shift::interval, "
                             "'YYYY-MM-DD HH24:MI:SS') $$")
                  .arg(m_schema));
    }
    QUrl address(serverAddress());
    QUrlQuery parameters(address);
    parameters.addQueryItem(
        QStringLiteral("options"),
        QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("-c search_path=%1,public").arg(m_schema))));
    address.setQuery(parameters);
    m_server = address.toString(QUrl::FullyEncoded);
    QFile named(QDir(m_dir.path()).absoluteFilePath(QString::fromLatin1(Database::ServerFileName)));
    if (!named.open(QIODevice::WriteOnly) || named.write(m_server.toUtf8() + '\n') < 0)
        qFatal("cannot write %s", qPrintable(named.fileName()));
    named.close();
    if (withDatabase)
        Database::create(m_server);
    m_peer = std::make_unique<Database>(m_server);
}

TestWorkspace::~TestWorkspace()
{
    QDir::setCurrent(m_previousDir);
    if (m_schema.isEmpty())
        return;
    m_peer.reset();
    // The cluster goes at the end of the run; dropping early keeps it small.
    try {
        Database admin(serverAddress());
        QSqlQuery drop(admin.connection());
        if (!drop.exec(QStringLiteral("SET lock_timeout = 2000"))
            || !drop.exec(QStringLiteral("SET client_min_messages = warning"))
            || !drop.exec(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_schema)))
            qWarning("the test schema %s stays: %s", qPrintable(m_schema), qPrintable(drop.lastError().text()));
    } catch (const std::exception &error) {
        qWarning("the test schema %s stays: %s", qPrintable(m_schema), error.what());
    }
}

QString TestWorkspace::databasePath() const
{
    if (onServer())
        qFatal("a test on the server asked for the database file: skip it there with SKIP_ON_SERVER");
    return QDir(m_dir.path()).absoluteFilePath(QString::fromLatin1(Database::FileName));
}

QString TestWorkspace::location() const
{
    return onServer() ? m_server : databasePath();
}

QString TestWorkspace::serverStatement(const QString &statement) const
{
    static const QRegularExpression grouping(QStringLiteral(R"((?<!")\bgrouping\b(?!"))"));
    static const QRegularExpression ifnull(QStringLiteral(R"(\bifnull\s*\()"),
                                           QRegularExpression::CaseInsensitiveOption);
    QString translated = statement;
    translated.replace(grouping, QStringLiteral("\"grouping\""));
    translated.replace(ifnull, QStringLiteral("coalesce("));
    // char(13, 10) is a type to the server.
    static const QRegularExpression characters(QStringLiteral(R"(\bchar\(([\d,\s]+)\))"),
                                               QRegularExpression::CaseInsensitiveOption);
    for (QRegularExpressionMatch match = characters.match(translated); match.hasMatch();
         match = characters.match(translated)) {
        QStringList codes;
        for (const QString &code : match.captured(1).split(QLatin1Char(',')))
            codes << QStringLiteral("chr(%1)").arg(code.trimmed());
        translated.replace(match.capturedStart(0), match.capturedLength(0),
                           QLatin1Char('(') + codes.join(QStringLiteral(" || ")) + QLatin1Char(')'));
    }
    return translated;
}

void TestWorkspace::exec(const QString &statement) const
{
    if (!m_peer) {
        withFileConnection(databasePath(), [&](QSqlDatabase &db) { runOn(db, statement); });
        return;
    }
    runOn(m_peer->connection(), serverStatement(statement));
    if (statement.trimmed().startsWith(QStringLiteral("insert"), Qt::CaseInsensitive))
        m_peer->catchUpCounters();
}

QList<QStringList> TestWorkspace::rows(const QString &statement) const
{
    QList<QStringList> result;
    if (m_peer)
        runOn(m_peer->connection(), serverStatement(statement), &result);
    else
        withFileConnection(databasePath(), [&](QSqlDatabase &db) { runOn(db, statement, &result); });
    return result;
}

QString TestWorkspace::value(const QString &statement) const
{
    const QList<QStringList> all = rows(statement);
    return all.isEmpty() || all.first().isEmpty() ? QStringLiteral("<none>") : all.first().first();
}
