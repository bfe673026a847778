#include "data/DatabaseCopy.h"

#include "base/Errors.h"
#include "base/WorkProgress.h"
#include "data/Database.h"
#include "data/Schema.h"

namespace DatabaseCopy {

namespace {

// What brivora-newdb writes into a fresh database (the two languages, the schema's
// number) gives way to the source's.
bool givesWay(const QString &table)
{
    return table == QLatin1String("languages") || table == QLatin1String("options");
}

qint64 rowsOf(Database &database, const QString &table)
{
    const auto statement = database.select(QStringLiteral("SELECT count(*) FROM %1").arg(database.table(table)));
    return statement->step() ? statement->integer(0) : 0;
}

} // namespace

QVector<TableCount> count(Database &database)
{
    QVector<TableCount> counts;
    database.readConsistently([&] {
        const QStringList tables = Schema::tables();
        for (const QString &table : tables)
            counts << TableCount{table, rowsOf(database, table)};
    });
    return counts;
}

QVector<TableCount> copy(Database &from, Database &to, const std::function<void(const TableCount &)> &copied,
                         WorkProgress *progress)
{
    if (from.description() == to.description())
        throw BrivoraError(QStringLiteral("A database cannot be copied into itself: %1").arg(from.description()));
    if (!to.hasTables())
        throw BrivoraError(
            QStringLiteral("%1 holds no Brivora tables: make them first with brivora-newdb").arg(to.description()));
    const QStringList tables = Schema::tables();
    QVector<TableCount> counts;
    to.transaction([&] {
        counts.clear(); // a server may run this twice
        for (const QString &table : tables)
            if (!givesWay(table) && rowsOf(to, table) > 0)
                throw BrivoraError(QStringLiteral("%1 already holds rows (in the table %2): copy only into a "
                                                  "database just made with brivora-newdb")
                                       .arg(to.description(), table));
        qint64 total = 0;
        qint64 rowsCopied = 0;
        from.readConsistently([&] {
            if (progress)
                for (const QString &table : tables)
                    total += rowsOf(from, table);
            for (const QString &table : tables) {
                QStringList names;
                QStringList quoted;
                for (const Column &column : from.columns(table)) {
                    names << column.name;
                    quoted << QStringLiteral("\"%1\"").arg(column.name);
                }
                // In row order, so a table without a counter keeps its order.
                const auto rows =
                    from.select(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                                    .arg(quoted.join(QStringLiteral(", ")), from.table(table), from.rowKey(table)));
                if (givesWay(table))
                    to.execute(to.prepared(QStringLiteral("DELETE FROM %1").arg(to.table(table))));
                Database::RowInsert insert(to, table, names);
                QVector<QVariant> values(names.size());
                TableCount done{table, 0};
                while (rows->step()) {
                    if (progress)
                        progress->advance(rowsCopied++, total);
                    const PackedRow row = rows->row(0);
                    for (int column = 0; column < values.size(); ++column)
                        values[column] = row.value(column);
                    insert.add(values);
                    ++done.rows;
                }
                insert.finish();
                counts << done;
                if (copied)
                    copied(done);
            }
        });
        to.catchUpCounters();
        // A stop asked for at the last row still leaves nothing stored.
        if (progress)
            progress->advance(total, total);
    });
    return counts;
}

} // namespace DatabaseCopy
