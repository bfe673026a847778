#pragma once

#include "data/Database.h"

#include <QSqlDatabase>

#include <memory>

// What the data layer does through SQLite's own interface, on the handle of the Qt
// driver's connection.
namespace SqliteAccess {

// Whether the driver runs on the very SQLite library the program links: only then may
// its handle be used (a driver built with its own copy answers with another source id).
bool driverSharesOurSqlite(QSqlDatabase &db);
// SQLite's NOCASE folds ASCII letters only; on the program's connection it folds every
// letter, so "ÉCOLE" finds "école" as the users' old database engine did.
void ignoreCaseBeyondAscii(const QSqlDatabase &db);
// A SELECT read row by row straight from the handle: several times faster than QSqlQuery.
std::unique_ptr<Database::Statement> select(const QSqlDatabase &db, const QString &sql);

// Throws a refusal SQLite gave, with its result code: a value too long for its column
// names the field; a lock, a full disk or a file that cannot be opened pass.
[[noreturn]] void fail(const QString &databaseText, int sqliteCode);

} // namespace SqliteAccess
