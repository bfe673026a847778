#include "support/TestWorkspace.h"

#include "data/Database.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace {

template<typename Work>
void withConnection(const QString &path, Work work)
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

} // namespace

TestWorkspace::TestWorkspace(bool withDatabase)
    : m_previousDir(QDir::currentPath())
{
    QDir::setCurrent(m_dir.path());
    if (withDatabase)
        Database::create(databasePath());
}

TestWorkspace::~TestWorkspace()
{
    QDir::setCurrent(m_previousDir);
}

QString TestWorkspace::databasePath() const
{
    return QDir(m_dir.path()).absoluteFilePath(QString::fromLatin1(Database::FileName));
}

void TestWorkspace::exec(const QString &statement) const
{
    withConnection(databasePath(), [&](QSqlDatabase &db) {
        QSqlQuery query(db);
        if (!query.exec(statement))
            qFatal("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
    });
}

QList<QStringList> TestWorkspace::rows(const QString &statement) const
{
    QList<QStringList> result;
    withConnection(databasePath(), [&](QSqlDatabase &db) {
        QSqlQuery query(db);
        if (!query.exec(statement))
            qFatal("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        while (query.next()) {
            QStringList row;
            for (int c = 0; c < query.record().count(); ++c)
                row << (query.value(c).isNull() ? QStringLiteral("<null>") : query.value(c).toString());
            result << row;
        }
    });
    return result;
}

QString TestWorkspace::value(const QString &statement) const
{
    const QList<QStringList> all = rows(statement);
    return all.isEmpty() || all.first().isEmpty() ? QStringLiteral("<none>") : all.first().first();
}
