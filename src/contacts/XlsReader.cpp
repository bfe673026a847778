#include "base/Errors.h"
#include "contacts/Workbook.h"

#include <QFile>

#include <freexl.h>

#include <memory>

namespace {

QString freexlText(int code)
{
    switch (code) {
        case FREEXL_FILE_NOT_FOUND:
            return QStringLiteral("the file does not exist or cannot be read");
        case FREEXL_INSUFFICIENT_MEMORY:
            return QStringLiteral("not enough memory");
        case FREEXL_INVALID_CFBF_HEADER:
        case FREEXL_CFBF_INVALID_SIGNATURE:
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
            return QStringLiteral("the file is not an Excel 97-2003 workbook");
        case FREEXL_CFBF_READ_ERROR:
        case FREEXL_CFBF_SEEK_ERROR:
            return QStringLiteral("the file could not be read to its end");
        case FREEXL_UNSUPPORTED_CHARSET:
        case FREEXL_INVALID_CHARACTER:
            return QStringLiteral("its text is in a character set that cannot be read");
        default:
            return QStringLiteral("the workbook is damaged (FreeXL error %1)").arg(code);
    }
}

void check(int code, const QString &path)
{
    if (code != FREEXL_OK)
        throw BrivoraError(QStringLiteral("Cannot read the workbook %1: %2").arg(path, freexlText(code)));
}

struct HandleCloser {
    void operator()(const void *handle) const { freexl_close(handle); }
};
using Handle = std::unique_ptr<const void, HandleCloser>;

WorkbookCell cellOf(const FreeXL_CellValue &value)
{
    WorkbookCell cell;
    switch (value.type) {
        case FREEXL_CELL_INT:
            cell.kind = WorkbookCell::Kind::Number;
            cell.number = value.value.int_value;
            break;
        case FREEXL_CELL_DOUBLE:
            cell.kind = WorkbookCell::Kind::Number;
            cell.number = value.value.double_value;
            break;
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
            cell.kind = WorkbookCell::Kind::Text;
            cell.text = QString::fromUtf8(value.value.text_value);
            break;
        case FREEXL_CELL_DATE:
            cell.kind = WorkbookCell::Kind::Date;
            cell.moment =
                QDateTime(QDate::fromString(QString::fromLatin1(value.value.text_value), Qt::ISODate), QTime(0, 0));
            break;
        case FREEXL_CELL_DATETIME:
            cell.kind = WorkbookCell::Kind::DateTime;
            cell.moment = QDateTime::fromString(QString::fromLatin1(value.value.text_value),
                                                QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            break;
        case FREEXL_CELL_TIME:
            // A time of day alone stands for that time on no particular day.
            cell.kind = WorkbookCell::Kind::Text;
            cell.text = QString::fromLatin1(value.value.text_value);
            break;
        default:
            break;
    }
    return cell;
}

} // namespace

WorkbookRows readXlsSheet1(const QString &path, WorkProgress *progress)
{
    const void *opened = nullptr;
    check(freexl_open(QFile::encodeName(path).constData(), &opened), path);
    const Handle workbook(opened);

    unsigned int sheets = 0;
    check(freexl_get_info(workbook.get(), FREEXL_BIFF_SHEET_COUNT, &sheets), path);
    int sheet1 = -1;
    for (unsigned int index = 0; index < sheets && sheet1 < 0; ++index) {
        const char *name = nullptr;
        check(freexl_get_worksheet_name(workbook.get(), static_cast<unsigned short>(index), &name), path);
        if (name && QString::fromUtf8(name) == QStringLiteral("Sheet1"))
            sheet1 = static_cast<int>(index);
    }
    if (sheet1 < 0)
        throw BrivoraError(QStringLiteral("The workbook %1 has no sheet named \"Sheet1\"").arg(path));
    check(freexl_select_active_worksheet(workbook.get(), static_cast<unsigned short>(sheet1)), path);

    unsigned int rowCount = 0;
    unsigned short columnCount = 0;
    check(freexl_worksheet_dimensions(workbook.get(), &rowCount, &columnCount), path);
    WorkbookRows rows;
    rows.reserve(static_cast<qsizetype>(rowCount));
    for (unsigned int row = 0; row < rowCount; ++row) {
        if (progress)
            progress->advance(row, rowCount);
        QList<WorkbookCell> cells;
        cells.reserve(columnCount);
        for (unsigned short column = 0; column < columnCount; ++column) {
            FreeXL_CellValue value;
            check(freexl_get_cell_value(workbook.get(), row, column, &value), path);
            cells << cellOf(value);
        }
        rows << cells;
    }
    if (progress)
        progress->advance(rowCount, rowCount);
    return rows;
}
