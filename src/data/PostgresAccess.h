#pragma once

#include "data/Database.h"

#include <QByteArray>
#include <QSqlDatabase>

#include <memory>

// What the data layer does through libpq, on the connection of Qt's PostgreSQL driver:
// reading whole results fast and sending many rows at once.
namespace PostgresAccess {

// A SELECT read row by row as the server sends it, without Qt's conversion of every
// cell to a QVariant, which made reading several times slower than the server.
std::unique_ptr<Database::Statement> select(Database &database, const QSqlDatabase &db, const QString &sql);
// Sends rows in COPY's text form (see appendValue) to "COPY <table> (<columns>) FROM STDIN".
void copyIn(Database &database, const QSqlDatabase &db, const QString &copyStatement, const QByteArray &rows);
// Appends a value to a row in COPY's text form; the caller separates values with a tab
// and ends the row with a line feed.
void appendValue(QByteArray &row, const QVariant &value);

// Whether the connection to the server is gone: restarted, network down.
bool connectionLost(const QSqlDatabase &db);
// The refusal a server's error means to the user: one that comes from a lost connection
// names the server as unreachable and passes, as does a lock held past the time-out.
DatabaseError refusal(const QString &text, const QString &sqlState, bool lost);

} // namespace PostgresAccess
