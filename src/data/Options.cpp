#include "data/Options.h"

#include "data/Database.h"

#include <QSqlQuery>
#include <QVariant>

Options::Options(Database &database)
    : m_database(database)
{
}

QString Options::value(const QString &name)
{
    QSqlQuery &select = m_database.prepared(QStringLiteral("SELECT value FROM options WHERE name = ?"));
    select.bindValue(0, name);
    m_database.execute(select);
    const QString value = select.next() ? select.value(0).toString() : QString();
    select.finish();
    return value;
}

void Options::setValue(const QString &name, const QString &value)
{
    QSqlQuery &upsert = m_database.prepared(QStringLiteral(
        "INSERT INTO options (name, value) VALUES (?, ?) ON CONFLICT (name) DO UPDATE SET value = excluded.value"));
    upsert.bindValue(0, name);
    upsert.bindValue(1, Database::storedText(value));
    m_database.execute(upsert);
    upsert.finish();
}
