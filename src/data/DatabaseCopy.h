#pragma once

#include <QString>
#include <QVector>

#include <functional>

class Database;
class WorkProgress;

// Every row of one database copied into another, a file to a server or back: each
// table's rows with their own ids, all of them or (on an error) none. The target holds
// the program's tables and no rows yet.
namespace DatabaseCopy {

struct TableCount {
    QString table;
    qint64 rows = 0;
};

// Tells each table's count as it is copied; gives them all at the end. progress, when
// given, is told the rows of all tables as they go, and may cancel the copy
// (ActionStopped): nothing of it is stored.
QVector<TableCount> copy(Database &from, Database &to, const std::function<void(const TableCount &)> &copied = {},
                         WorkProgress *progress = nullptr);
// The rows each table of a database holds.
QVector<TableCount> count(Database &database);

} // namespace DatabaseCopy
