#include "contacts/Workbook.h"

#include "base/Errors.h"

#include <QDir>
#include <QFile>

WorkbookRows readSheet1(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw BrivoraError(QStringLiteral("Cannot open the workbook \"%1\": %2")
                               .arg(QDir::toNativeSeparators(path), file.errorString()));
    const QByteArray start = file.read(8);
    file.close();
    // A zip's local file header, as every .xlsx begins; the compound document signature of .xls.
    if (start.startsWith("PK\x03\x04"))
        return readXlsxSheet1(path);
    if (start == QByteArray::fromHex("d0cf11e0a1b11ae1"))
        return readXlsSheet1(path);
    throw BrivoraError(
        QStringLiteral("\"%1\" is not an Excel workbook (.xls or .xlsx)").arg(QDir::toNativeSeparators(path)));
}
