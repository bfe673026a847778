#include "data/OptOutList.h"

#include "data/Database.h"
#include "data/PhoneNumbers.h"

#include <QSqlQuery>

#include <algorithm>

OptOutList OptOutList::read(Database &database, const QString &countryCode)
{
    OptOutList list;
    list.m_countryCode = countryCode;
    QSqlQuery &select = database.prepared(QStringLiteral("SELECT id, number, date_asked, message FROM opt_out ORDER BY id"));
    database.execute(select);
    while (select.next()) {
        const OptOut entry{select.value(0).toLongLong(), select.value(1).toString(),
                           Database::dateTimeOf(select.value(2)), select.value(3).toString()};
        // The first time a number asked is the one kept.
        const QString key = numberKey(entry.number, countryCode);
        if (!list.m_byKey.contains(key))
            list.m_byKey.insert(key, entry);
    }
    select.finish();
    return list;
}

std::optional<OptOut> OptOutList::find(QStringView number) const
{
    const auto found = m_byKey.constFind(numberKey(number, m_countryCode));
    if (found == m_byKey.constEnd())
        return std::nullopt;
    return *found;
}

QList<OptOut> OptOutList::entries() const
{
    QList<OptOut> entries = m_byKey.values();
    std::sort(entries.begin(), entries.end(), [](const OptOut &a, const OptOut &b) { return a.id > b.id; });
    return entries;
}

void OptOutList::add(Database &database, const QString &countryCode, const OptOut &entry)
{
    database.transaction([&] {
        if (read(database, countryCode).contains(entry.number))
            return;
        QSqlQuery &insert =
            database.prepared(QStringLiteral("INSERT INTO opt_out (number, date_asked, message) VALUES (?, ?, ?)"));
        insert.bindValue(0, Database::storedText(entry.number));
        insert.bindValue(1, Database::storedDateTime(entry.asked));
        insert.bindValue(2, Database::storedText(entry.message));
        database.execute(insert);
        insert.finish();
    });
}

void OptOutList::remove(Database &database, const QString &countryCode, QStringView number)
{
    const QString key = numberKey(number, countryCode);
    database.transaction([&] {
        QList<qint64> ids;
        QSqlQuery &select = database.prepared(QStringLiteral("SELECT id, number FROM opt_out"));
        database.execute(select);
        while (select.next())
            if (numberKey(select.value(1).toString(), countryCode) == key)
                ids << select.value(0).toLongLong();
        select.finish();
        QSqlQuery &erase = database.prepared(QStringLiteral("DELETE FROM opt_out WHERE id = ?"));
        for (const qint64 id : std::as_const(ids)) {
            erase.bindValue(0, id);
            database.execute(erase);
            erase.finish();
        }
    });
}
