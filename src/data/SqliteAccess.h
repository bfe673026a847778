#pragma once

#include "data/Database.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QStringEncoder>

#include <memory>
#include <span>

struct sqlite3;
struct sqlite3_stmt;

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

// An INSERT run once for each row straight on the handle: QSqlQuery keeps books on every
// value bound, which cost more than SQLite's own work. An invalid value or a null text
// goes in as NULL, integers and reals as numbers, anything else as its text.
class RowInsert {
public:
    RowInsert(const QSqlDatabase &db, const QString &sql);
    ~RowInsert();
    RowInsert(const RowInsert &) = delete;
    RowInsert &operator=(const RowInsert &) = delete;

    // Throws the refusal of this row; the statement is ready for the next one either way.
    void run(const QVector<QVariant> &values);
    // The same for a row of texts in UTF-8, each with a NUL just past it and none within,
    // bound where they lie.
    void runTexts(std::span<const QByteArrayView> texts);

private:
    void step();

    sqlite3 *m_handle = nullptr;
    sqlite3_stmt *m_statement = nullptr;
    QStringEncoder m_encoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
    QByteArray m_texts; // the row's texts, bound where they lie; as large as the largest row's
};

// Throws a refusal SQLite gave, with its result code: a value too long for its column
// names the field; a lock, a full disk or a file that cannot be opened pass.
[[noreturn]] void fail(const QString &databaseText, int sqliteCode);

} // namespace SqliteAccess
