#pragma once

#include <QString>

class Database;
class WorkProgress;
class Dataset;

// Profiles written to a delimited text file, the format other programs read back:
// every field as "<text>"| (nothing escaped), the field names first, lines ended by
// CR LF, in UTF-8.
namespace CsvExport {

constexpr auto DefaultExtension = "CSV";

// The name as saved: a name given without an extension gets ".CSV".
QString withDefaultExtension(const QString &fileName);

// Creates or overwrites the file: the header line, then one line for each row from the
// dataset's current row to its end. A file that cannot be written throws the system's
// error; what was written before stays.
// progress, when given, is told the rows as they are written.
void SaveAsCSV(const QString &fileName, Dataset &dataset, WorkProgress *progress = nullptr);

// Every profile, read afresh. Returns the rows written.
int exportProfiles(Database &database, const QString &fileName, WorkProgress *progress = nullptr);

} // namespace CsvExport
