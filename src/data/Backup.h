#pragma once

#include <QDate>
#include <QString>

class Database;
class WorkProgress;

// Dated copies of the database file in a folder of the user's choice.
namespace Backup {

// The copy's name: the folder, one "/" (none added after a path that already ends with
// one, such as the root), the date in the given format with "_" for its separators
// (a "/" would make folders of it), and the database's file name:
// "/home/ops/Save", "dd/MM/yyyy", 8 December 2026 -> "/home/ops/Save/08_12_2026Dovrel.mdb".
QString targetPath(const QString &folder, const QString &dateFormat, const QDate &date);

// Writes a consistent copy of everything committed in the database into the folder
// under the dated name, replacing an earlier copy of that name, and returns its path.
// The live file is only read; a server's rows are copied into a new file, so a backup
// can always be opened by the program on one desk. Throws BrivoraError saying why when no folder is given,
// it is missing, not a folder or not writable, or the copy cannot be written.
// progress, when given, shows a server's rows as they are copied.
QString backUp(Database &database, const QString &folder, const QString &dateFormat, const QDate &date,
               WorkProgress *progress = nullptr);

} // namespace Backup
