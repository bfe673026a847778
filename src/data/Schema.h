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
// The program's tables, in the order the schema makes them.
QStringList tables();

// The columns of a table as SQLite describes it on the connection db.
TableColumns columnsOf(QSqlDatabase &db, const QString &table);
// The columns of a table of the schema itself, as a server holds them.
TableColumns columns(const QString &table);

} // namespace Schema
