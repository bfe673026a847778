#include "base/Errors.h"
#include "contacts/Workbook.h"
WorkbookRows readXlsxSheet1(const QString &)
{
    throw BrivoraError(QStringLiteral("not yet"));
}
