#pragma once

#include "base/WorkProgress.h"

#include <QDateTime>
#include <QList>
#include <QString>

// One cell of a worksheet as the workbook holds it.
struct WorkbookCell {
    enum class Kind { Empty, Text, Number, Date, DateTime };
    Kind kind = Kind::Empty;
    QString text; // Text
    double number = 0; // Number
    QDateTime moment; // Date (at midnight) and DateTime, as local date and time
};

// The cells of a worksheet, row by row, from its first row (the column names) to its
// last; every row has the same number of cells.
using WorkbookRows = QList<QList<WorkbookCell>>;

enum class WorkbookFormat { None, Xls, Xlsx };
// What the file's first bytes say it is; None for a file that cannot be opened or is
// no workbook.
WorkbookFormat workbookFormat(const QString &path);

// The worksheet named "Sheet1" of an Excel workbook: the 97-2003 kind (.xls, read with
// FreeXL) or the 2007 and later kind (.xlsx), told apart by the file's first bytes, not by
// its name. Throws BrivoraError with the reader's own text when the file cannot be read
// or has no sheet of that name.
// progress, when given, is told how far the reading is (rows of a .xls, bytes of the
// sheet of a .xlsx).
WorkbookRows readSheet1(const QString &path, WorkProgress *progress = nullptr);

// The two readers behind it.
WorkbookRows readXlsSheet1(const QString &path, WorkProgress *progress = nullptr);
WorkbookRows readXlsxSheet1(const QString &path, WorkProgress *progress = nullptr);
