#include "contacts/Workbook.h"

#include "base/Errors.h"

// Stands in until the FreeXL reader of Excel 97-2003 workbooks replaces this file.
WorkbookRows readXlsSheet1(const QString &)
{
    throw BrivoraError(QStringLiteral("not yet"));
}
