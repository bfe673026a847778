#include "contacts/Workbook.h"

#include "base/Errors.h"

#include <quazip.h>
#include <quazipfile.h>

#include <QDir>
#include <QHash>
#include <QXmlStreamReader>

#include <cmath>
#include <functional>
#include <optional>

using namespace Qt::StringLiterals;

// An .xlsx workbook is a zip of XML parts (Office Open XML). Elements are matched by their
// local names only, so the transitional and the strict namespaces both read.

namespace {

[[noreturn]] void fail(const QString &path, const QString &why)
{
    throw BrivoraError(QStringLiteral("Cannot read the workbook \"%1\": %2").arg(QDir::toNativeSeparators(path), why));
}

class Package {
public:
    explicit Package(const QString &path)
        : m_path(path)
        , m_zip(path)
    {
        if (!m_zip.open(QuaZip::mdUnzip))
            fail(path, QStringLiteral("it cannot be opened as a zip archive"));
    }

    // Streams the part through parse. A parser that meets a value it cannot take calls
    // raiseError, so every fault is told with the part's name and line.
    // progress, when given, is told the bytes of the part read so far.
    void read(const QString &part, const std::function<void(QXmlStreamReader &)> &parse,
              WorkProgress *progress = nullptr)
    {
        // Part names are not case-sensitive in a workbook; zip entry names are.
        if (!m_zip.setCurrentFile(part, QuaZip::csInsensitive))
            fail(m_path, QStringLiteral("it has no part %1").arg(part));
        QuaZipFile file(&m_zip);
        if (!file.open(QIODevice::ReadOnly))
            fail(m_path, QStringLiteral("its part %1 cannot be unpacked (error %2)").arg(part).arg(file.getZipError()));
        QXmlStreamReader xml(&file);
        xml.setNamespaceProcessing(true);
        m_progress = progress;
        m_part = &file;
        parse(xml);
        tell();
        m_progress = nullptr;
        if (xml.hasError())
            fail(m_path, QStringLiteral("%1, line %2: %3").arg(part).arg(xml.lineNumber()).arg(xml.errorString()));
        file.close();
        if (file.getZipError() != UNZ_OK)
            fail(m_path, QStringLiteral("its part %1 is damaged (error %2)").arg(part).arg(file.getZipError()));
    }

    // Tells the progress of the part being read how far its reading is.
    void tell() const
    {
        if (m_progress)
            m_progress->advance(m_part->pos(), m_part->usize());
    }

private:
    QString m_path;
    QuaZip m_zip;
    WorkProgress *m_progress = nullptr;
    QuaZipFile *m_part = nullptr;
};

bool isTrue(QStringView value)
{
    return value == u"1" || value == u"true";
}

// Characters XML cannot carry are written as _xHHHH_ (a carriage return as _x000D_), and a
// literal "_x" that would look like one as _x005F_x.
QString unescaped(const QString &text)
{
    if (!text.contains(u"_x"))
        return text;
    const auto isHex = [](QChar c) { return c.isDigit() || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); };
    QString result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_' && isHex(text[i + 2])
            && isHex(text[i + 3]) && isHex(text[i + 4]) && isHex(text[i + 5])) {
            result += QChar(char16_t(QStringView(text).sliced(i + 2, 4).toUShort(nullptr, 16)));
            i += 7;
        } else {
            result += text[i++];
        }
    }
    return result;
}

// The text of a shared or inline string, which is one <t> or runs of them (<r><t>);
// phonetic guides (<rPh>) are not part of the text.
QString stringItem(QXmlStreamReader &xml)
{
    QString text;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"t") {
            text += xml.readElementText();
        } else if (xml.name() == u"r") {
            while (xml.readNextStartElement()) {
                if (xml.name() == u"t")
                    text += xml.readElementText();
                else
                    xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    return unescaped(text);
}

struct Relationship {
    QString type;
    QString part;
};

// A target is relative to the folder of the part that names it, or absolute from the root.
QHash<QString, Relationship> relationships(Package &package, const QString &relsPart, const QString &folder)
{
    QHash<QString, Relationship> result;
    package.read(relsPart, [&](QXmlStreamReader &xml) {
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Relationship")
                continue;
            const auto attributes = xml.attributes();
            if (attributes.value("TargetMode"_L1) == u"External")
                continue;
            const QString target = attributes.value("Target"_L1).toString();
            const QString part = target.startsWith(u'/') ? target.mid(1) : folder + target;
            result.insert(attributes.value("Id"_L1).toString(),
                          {attributes.value("Type"_L1).toString(), QDir::cleanPath(part)});
        }
    });
    return result;
}

QString partOfType(const QHash<QString, Relationship> &relationships, QStringView typeEnd)
{
    for (const Relationship &relationship : relationships)
        if (relationship.type.endsWith(typeEnd))
            return relationship.part;
    return QString();
}

// The date formats Excel has built in and does not write into the workbook.
bool isBuiltInDateFormat(int id)
{
    return (id >= 14 && id <= 22) || (id >= 45 && id <= 47);
}

// A format shows a date or a time when it has a day, month, year, hour or second letter
// outside quoted text, [colour] and [$locale] sections and escaped characters (\x, and the
// padding _x and fill *x, which take the next character as their argument).
bool isDateFormatCode(QStringView code)
{
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'"') {
            const qsizetype close = code.indexOf(u'"', i + 1);
            i = close < 0 ? code.size() : close;
        } else if (c == u'[') {
            const qsizetype close = code.indexOf(u']', i + 1);
            i = close < 0 ? code.size() : close;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (QStringView(u"dmyhsDMYHS").contains(c)) {
            return true;
        }
    }
    return false;
}

// For each cell format (a cell's s attribute), whether it shows its number as a date.
QList<bool> dateStyles(Package &package, const QString &part)
{
    QHash<int, QString> customFormats;
    QList<bool> result;
    package.read(part, [&](QXmlStreamReader &xml) {
        bool inCellFormats = false;
        while (!xml.atEnd()) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs")
                inCellFormats = false;
            if (token != QXmlStreamReader::StartElement)
                continue;
            const auto attributes = xml.attributes();
            if (xml.name() == u"numFmt") {
                customFormats.insert(attributes.value("numFmtId"_L1).toInt(),
                                     attributes.value("formatCode"_L1).toString());
            } else if (xml.name() == u"cellXfs") {
                inCellFormats = true;
            } else if (inCellFormats && xml.name() == u"xf") {
                const int id = attributes.value("numFmtId"_L1).toInt();
                const auto custom = customFormats.constFind(id);
                result << (custom != customFormats.cend() ? isDateFormatCode(*custom) : isBuiltInDateFormat(id));
            }
        }
    });
    return result;
}

WorkbookCell textCell(QString text)
{
    WorkbookCell cell;
    cell.kind = WorkbookCell::Kind::Text;
    cell.text = std::move(text);
    return cell;
}

WorkbookCell numberCell(double number)
{
    WorkbookCell cell;
    cell.kind = WorkbookCell::Kind::Number;
    cell.number = number;
    return cell;
}

// A moment is a date alone when it falls at midnight.
WorkbookCell momentCell(QDate date, QTime time)
{
    WorkbookCell cell;
    cell.kind = time.msecsSinceStartOfDay() == 0 ? WorkbookCell::Kind::Date : WorkbookCell::Kind::DateTime;
    cell.moment = QDateTime(date, time);
    return cell;
}

// Excel counts days from 0 January 1900 and holds 1900 for a leap year: serial 60 is
// 29 February 1900, which never was, so from 1 March 1900 on the count is one day ahead.
// The 1904 date system counts from 1 January 1904. A number beyond the years Excel shows
// as dates stays a number.
std::optional<WorkbookCell> dateCell(double serial, bool date1904)
{
    constexpr qint64 MsPerDay = 86'400'000;
    constexpr double LastSerial = 2'958'466; // 10000-01-01 in the 1900 system
    if (!(serial >= 0 && serial < LastSerial))
        return std::nullopt;
    qint64 days = qint64(std::floor(serial));
    qint64 ms = std::llround((serial - double(days)) * double(MsPerDay));
    if (ms == MsPerDay) {
        ++days;
        ms = 0;
    }
    QDate date;
    if (date1904)
        date = QDate(1904, 1, 1).addDays(days);
    else
        date = QDate(1899, 12, days < 60 ? 31 : 30).addDays(days);
    return momentCell(date, QTime::fromMSecsSinceStartOfDay(int(ms)));
}

struct Tables {
    QStringList sharedStrings;
    QList<bool> dateStyles;
    bool date1904 = false;
};

// "C5" for row 5, column 3.
QString cellName(int row, int column)
{
    QString letters;
    for (; column > 0; column = (column - 1) / 26)
        letters.prepend(QChar(u'A' + (column - 1) % 26));
    return letters + QString::number(row);
}

// Reads one <c> element to its end. A cell without a value (only formatted) is Empty.
WorkbookCell readCell(QXmlStreamReader &xml, const QXmlStreamAttributes &attributes, const Tables &tables, int row,
                      int column)
{
    const QStringView type = attributes.value("t"_L1);
    const int style = attributes.value("s"_L1).toInt();
    std::optional<QString> value;
    std::optional<QString> inlineText;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"v")
            value = xml.readElementText();
        else if (xml.name() == u"is")
            inlineText = stringItem(xml);
        else
            xml.skipCurrentElement();
    }
    if (type == u"inlineStr")
        return inlineText ? textCell(*inlineText) : WorkbookCell();
    if (!value)
        return WorkbookCell();
    const auto refuse = [&](const QString &why) {
        xml.raiseError(QStringLiteral("cell %1 %2").arg(cellName(row, column), why));
        return WorkbookCell();
    };
    if (type == u"s") {
        bool ok = false;
        const int index = value->toInt(&ok);
        if (!ok || index < 0 || index >= tables.sharedStrings.size())
            return refuse(QStringLiteral("names shared string %1, which the workbook does not have").arg(*value));
        return textCell(tables.sharedStrings[index]);
    }
    if (type == u"str" || type == u"e")
        return textCell(unescaped(*value));
    if (type == u"b")
        return numberCell(isTrue(*value) ? 1 : 0);
    if (type == u"d") {
        const QDateTime moment = QDateTime::fromString(*value, Qt::ISODateWithMs);
        if (!moment.isValid())
            return refuse(QStringLiteral("holds no date: %1").arg(*value));
        return momentCell(moment.date(), moment.time());
    }
    bool ok = false;
    const double number = value->toDouble(&ok);
    if (!ok)
        return refuse(QStringLiteral("holds no number: %1").arg(*value));
    if (style >= 0 && style < tables.dateStyles.size() && tables.dateStyles[style])
        if (const auto date = dateCell(number, tables.date1904))
            return *date;
    return numberCell(number);
}

constexpr int MaxRows = 1'048'576;
constexpr int MaxColumns = 16'384;

// The 1-based column of a reference such as "C5", or 0 when it has none.
int columnOf(QStringView reference)
{
    int column = 0;
    for (const QChar c : reference) {
        if (c < u'A' || c > u'Z')
            break;
        column = column * 26 + (c.unicode() - u'A' + 1);
        if (column > MaxColumns)
            return 0;
    }
    return column;
}

// Cells and rows without a reference follow the one before them.
WorkbookRows readCells(QXmlStreamReader &xml, const Tables &tables, const std::function<void()> &rowRead)
{
    WorkbookRows rows;
    qsizetype width = 0;
    int row = 0;
    int column = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"row") {
            rowRead();
            const QXmlStreamAttributes attributes = xml.attributes();
            const QStringView number = attributes.value("r"_L1);
            row = number.isEmpty() ? row + 1 : number.toInt();
            column = 0;
            if (row < 1 || row > MaxRows)
                xml.raiseError(QStringLiteral("row number %1 is not valid").arg(number));
        } else if (xml.name() == u"c") {
            const QXmlStreamAttributes attributes = xml.attributes();
            const QStringView reference = attributes.value("r"_L1);
            column = reference.isEmpty() ? column + 1 : columnOf(reference);
            if (column < 1 || column > MaxColumns) {
                xml.raiseError(QStringLiteral("cell reference %1 is not valid").arg(reference));
                break;
            }
            if (row < 1) {
                xml.raiseError(QStringLiteral("a cell stands outside every row"));
                break;
            }
            WorkbookCell cell = readCell(xml, attributes, tables, row, column);
            if (cell.kind == WorkbookCell::Kind::Empty)
                continue;
            if (rows.size() < row)
                rows.resize(row);
            auto &cells = rows[row - 1];
            if (cells.size() < column)
                cells.resize(column);
            cells[column - 1] = std::move(cell);
            width = std::max(width, cells.size());
        }
    }
    for (auto &cells : rows)
        cells.resize(width);
    return rows;
}

} // namespace

WorkbookRows readXlsxSheet1(const QString &path, WorkProgress *progress)
{
    const QString sheetName = QStringLiteral("Sheet1");
    Package package(path);
    Tables tables;
    QString sheetId;
    package.read(QStringLiteral("xl/workbook.xml"), [&](QXmlStreamReader &xml) {
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const auto attributes = xml.attributes();
            if (xml.name() == u"workbookPr") {
                tables.date1904 = isTrue(attributes.value("date1904"_L1));
            } else if (xml.name() == u"sheet" && attributes.value("name"_L1) == sheetName) {
                // The relationship id is the one attribute of the sheet in a namespace.
                for (const QXmlStreamAttribute &attribute : attributes)
                    if (attribute.name() == u"id" && !attribute.namespaceUri().isEmpty())
                        sheetId = attribute.value().toString();
            }
        }
    });
    if (sheetId.isEmpty())
        throw BrivoraError(QStringLiteral("The workbook \"%1\" has no worksheet named %2")
                               .arg(QDir::toNativeSeparators(path), sheetName));

    const auto parts = relationships(package, QStringLiteral("xl/_rels/workbook.xml.rels"), QStringLiteral("xl/"));
    const auto sheet = parts.constFind(sheetId);
    if (sheet == parts.cend())
        fail(path, QStringLiteral("its part for the sheet %1 is not named").arg(sheetName));

    const QString sharedStringsPart = partOfType(parts, u"/sharedStrings");
    if (!sharedStringsPart.isEmpty()) {
        package.read(sharedStringsPart, [&](QXmlStreamReader &xml) {
            while (!xml.atEnd())
                if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
                    tables.sharedStrings << stringItem(xml);
        });
    }
    const QString stylesPart = partOfType(parts, u"/styles");
    if (!stylesPart.isEmpty())
        tables.dateStyles = dateStyles(package, stylesPart);

    WorkbookRows rows;
    package.read(
        sheet->part, [&](QXmlStreamReader &xml) { rows = readCells(xml, tables, [&] { package.tell(); }); },
        progress);
    return rows;
}
