#include "contacts/Workbook.h"

#include "base/Errors.h"

#include <QFile>

WorkbookFormat workbookFormat(const QString &path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return WorkbookFormat::None;
    const QByteArray head = file.read(8);
    if (head == QByteArray::fromHex("d0cf11e0a1b11ae1"))
        return WorkbookFormat::Xls;
    if (head.startsWith("PK\x03\x04"))
        return WorkbookFormat::Xlsx;
    return WorkbookFormat::None;
}

WorkbookRows readSheet1(const QString &path)
{
    switch (workbookFormat(path)) {
        case WorkbookFormat::Xls:
            return readXlsSheet1(path);
        case WorkbookFormat::Xlsx:
            return readXlsxSheet1(path);
        case WorkbookFormat::None:
            break;
    }
    throw BrivoraError(QStringLiteral("The file %1 does not exist or is no Excel workbook").arg(path));
}
