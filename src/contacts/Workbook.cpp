#include "contacts/Workbook.h"

#include "base/Errors.h"

#include <QDir>
#include <QFile>

WorkbookFormat workbookFormat(const QString &path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return WorkbookFormat::None;
    const QByteArray start = file.read(8);
    // A zip's local file header, as every .xlsx begins; the compound document signature of .xls.
    if (start.startsWith("PK\x03\x04"))
        return WorkbookFormat::Xlsx;
    if (start == QByteArray::fromHex("d0cf11e0a1b11ae1"))
        return WorkbookFormat::Xls;
    return WorkbookFormat::None;
}

WorkbookRows readSheet1(const QString &path, WorkProgress *progress)
{
    switch (workbookFormat(path)) {
        case WorkbookFormat::Xls:
            return readXlsSheet1(path, progress);
        case WorkbookFormat::Xlsx:
            return readXlsxSheet1(path, progress);
        case WorkbookFormat::None:
            break;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw BrivoraError(QStringLiteral("Cannot open the workbook \"%1\": %2")
                               .arg(QDir::toNativeSeparators(path), file.errorString()));
    throw BrivoraError(
        QStringLiteral("\"%1\" is not an Excel workbook (.xls or .xlsx)").arg(QDir::toNativeSeparators(path)));
}
