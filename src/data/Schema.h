#pragma once

#include "data/Database.h"

#include <QSqlDatabase>
#include <QStringList>

// The program's one schema (schema.sql) and its form on a server.
namespace Schema {

// The statements that make a database file, in order.
QStringList fileStatements();
// The same tables on a PostgreSQL database (see the definition for how each column
// type is carried over).
QStringList serverStatements();
// One statement of the schema file in its form on a server; empty for one a server has no
// use for.
QString serverForm(const QString &statement);

// Each change of the schema since the twelve tables, numbered: the tables it added, the
// columns it added to tables made before ("table.column"), and what it made on a server
// alone. A database keeps the number of its last change in options ("schema"); one
// without that row but with the options table is at 1, one without it at 0.
struct Migration {
    int number;
    QStringList tables;
    QStringList columns = {};
    QStringList onServerOnly = {};
};
const QList<Migration> &migrations();

// On a server, every committed change to a table other desks show is announced on this
// channel, its payload "<schema>.<table>", by a trigger in the changing transaction.
constexpr auto ChangesChannel = "brivora_changes";
QStringList announcedTables();
QStringList announcementStatements();
int latestSchema();
// The statement that makes one table of the schema, on a file or on a server.
QString tableStatement(const QString &table, bool onServer);
// The statement that adds one column ("table.column") to a table made before it had it.
QString addColumnStatement(const QString &tableColumn, bool onServer);
// The program's tables, in the order the schema makes them.
QStringList tables();

// The columns of a table as SQLite describes it on the connection db.
TableColumns columnsOf(QSqlDatabase &db, const QString &table);
// The columns of a table of the schema itself, as a server holds them.
TableColumns columns(const QString &table);

} // namespace Schema
