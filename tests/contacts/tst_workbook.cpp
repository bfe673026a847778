#include "contacts/Workbook.h"
#include "support/ErrorText.h"

#include <quazip.h>
#include <quazipfile.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Kind = WorkbookCell::Kind;

QString fixture(const QString &name)
{
    return QStringLiteral(BRIVORA_FIXTURES) + u'/' + name;
}

// What a workbook made by hand holds besides its fixed parts.
struct Parts {
    QByteArray sheetData; // the rows of Sheet1
    QByteArray sharedStrings; // <si> items; no part when empty
    QByteArray styles; // <numFmts> and <cellXfs>; no part when empty
    QByteArray workbookPr = "<workbookPr/>";
};

void writeZip(const QString &path, const QList<std::pair<QString, QByteArray>> &files)
{
    QuaZip zip(path);
    QVERIFY(zip.open(QuaZip::mdCreate));
    for (const auto &[name, data] : files) {
        QuaZipFile file(&zip);
        QVERIFY(file.open(QIODevice::WriteOnly, QuaZipNewInfo(name)));
        file.write(data);
        file.close();
    }
    zip.close();
}

// Sheet1 is the second sheet, its part named relative to the workbook as Excel does.
void writePackage(const QString &path, const Parts &parts)
{
    const QByteArray main = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    QList<std::pair<QString, QByteArray>> files = {
        {u"xl/workbook.xml"_s,
         "<workbook " + main + " xmlns:r=\"" + rel + "\">" + parts.workbookPr
             + "<sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/>"
               "<sheet name=\"Sheet1\" sheetId=\"2\" r:id=\"rId2\"/></sheets></workbook>"},
        {u"xl/worksheets/sheet1.xml"_s, "<worksheet " + main + "><sheetData/></worksheet>"},
        {u"xl/worksheets/sheet2.xml"_s,
         "<worksheet " + main + "><sheetData>" + parts.sheetData + "</sheetData></worksheet>"},
    };
    QByteArray relationships = "<Relationship Id=\"rId1\" Type=\"" + rel
        + "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" + rel
        + "/worksheet\" Target=\"worksheets/sheet2.xml\"/>";
    if (!parts.sharedStrings.isEmpty()) {
        files.append({u"xl/sharedStrings.xml"_s, "<sst " + main + ">" + parts.sharedStrings + "</sst>"});
        relationships += "<Relationship Id=\"rId3\" Type=\"" + rel + "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
    }
    if (!parts.styles.isEmpty()) {
        files.append({u"xl/styles.xml"_s, "<styleSheet " + main + ">" + parts.styles + "</styleSheet>"});
        relationships += "<Relationship Id=\"rId4\" Type=\"" + rel + "/styles\" Target=\"styles.xml\"/>";
    }
    files.append({u"xl/_rels/workbook.xml.rels"_s,
                  "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                      + relationships + "</Relationships>"});
    writeZip(path, files);
}

QByteArray numberCells(const QList<QByteArray> &serials, int style)
{
    QByteArray cells;
    for (const QByteArray &serial : serials)
        cells += "<c s=\"" + QByteArray::number(style) + "\"><v>" + serial + "</v></c>";
    return "<row>" + cells + "</row>";
}

} // namespace

class TestWorkbook : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    WorkbookRows readMade(const Parts &parts)
    {
        const QString path = m_dir.filePath(u"made.xlsx"_s);
        QFile::remove(path);
        writePackage(path, parts);
        return readSheet1(path);
    }

private Q_SLOTS:
    void profilesByKind()
    {
        const WorkbookRows rows = readSheet1(fixture(u"profiles.xlsx"_s));
        QCOMPARE(rows.size(), 5);
        for (const auto &row : rows)
            QCOMPARE(row.size(), 16);
        // Sheet1 comes after "Other", whose first cell is "not".
        QCOMPARE(rows[0][0].text, u"mobile_number"_s);
        QCOMPARE(rows[0][15].text, u"notes"_s);

        const auto &tan = rows[1];
        QCOMPARE(tan[0].kind, Kind::Number);
        QCOMPARE(tan[0].number, 60123456789.0);
        QCOMPARE(tan[1].text, u"Tan Ah Kow"_s);
        QCOMPARE(tan[2].kind, Kind::Date); // built-in format 14
        QCOMPARE(tan[2].moment.date(), QDate(1980, 12, 9));
        QCOMPARE(tan[2].moment.time(), QTime(0, 0));
        QCOMPARE(tan[5].kind, Kind::DateTime);
        QCOMPARE(tan[5].moment, QDateTime(QDate(2024, 3, 15), QTime(14, 30)));
        QCOMPARE(tan[8].kind, Kind::Date); // a format of the workbook's own
        QCOMPARE(tan[8].moment.date(), QDate(2005, 6, 18));
        // "RM" is quoted text in the income's format, not a month.
        QCOMPARE(tan[10].kind, Kind::Number);
        QCOMPARE(tan[10].number, 4500.0);
        QCOMPARE(tan[15].text, uR"(Says "call after six")"_s);

        const auto &siti = rows[2];
        QCOMPARE(siti[7].text, u"MARRIED"_s);
        QCOMPARE(siti[8].kind, Kind::Empty);
        QCOMPARE(siti[14].kind, Kind::Empty);
        QCOMPARE(siti[10].number, 3200.5);
        // The last rows end before the widest one does.
        QCOMPARE(rows[3][15].kind, Kind::Empty);
        QCOMPARE(rows[4][2].moment.date(), QDate(2000, 2, 29));
        QCOMPARE(rows[4][0].number, 6012000111.0);

        QCOMPARE(readSheet1(fixture(u"wrong_kind.xlsx"_s))[1][0].text, u"012-3456789"_s);
    }

    void stringsAndGaps()
    {
        Parts parts;
        parts.sharedStrings = "<si><t>plain</t></si>"
                              "<si><r><t>rich </t></r><r><rPr><b/></rPr><t>text</t></r><rPh><t>ruby</t></rPh></si>"
                              "<si><t>one_x000D_\ntwo _x005F_x000D_</t></si>";
        parts.sheetData = "<row r=\"2\"><c r=\"C2\" t=\"s\"><v>0</v></c><c t=\"s\"><v>1</v></c>"
                          "<c r=\"F2\" s=\"0\"/></row>"
                          "<row r=\"4\"><c r=\"A4\" t=\"s\"><v>2</v></c><c t=\"b\"><v>1</v></c>"
                          "<c t=\"str\"><f>A1</f><v>formula</v></c><c t=\"e\"><v>#N/A</v></c></row>";
        const WorkbookRows rows = readMade(parts);
        QCOMPARE(rows.size(), 4);
        for (const auto &row : rows)
            QCOMPARE(row.size(), 4); // the formatted empty F2 makes no column
        QCOMPARE(rows[0][0].kind, Kind::Empty);
        QCOMPARE(rows[1][0].kind, Kind::Empty);
        QCOMPARE(rows[1][2].text, u"plain"_s);
        QCOMPARE(rows[1][3].text, u"rich text"_s);
        QCOMPARE(rows[2][3].kind, Kind::Empty);
        QCOMPARE(rows[3][0].text, u"one\r\ntwo _x000D_"_s);
        QCOMPARE(rows[3][1].kind, Kind::Number);
        QCOMPARE(rows[3][1].number, 1.0);
        QCOMPARE(rows[3][2].text, u"formula"_s);
        QCOMPARE(rows[3][3].text, u"#N/A"_s);
    }

    void dateFormats_data()
    {
        QTest::addColumn<QByteArray>("format"); // a number for a built-in id, else a code
        QTest::addColumn<bool>("isDate");
        QTest::newRow("13 fraction") << QByteArray("13") << false;
        QTest::newRow("14 first date") << QByteArray("14") << true;
        QTest::newRow("22 last date") << QByteArray("22") << true;
        QTest::newRow("23") << QByteArray("23") << false;
        QTest::newRow("44") << QByteArray("44") << false;
        QTest::newRow("45 mm:ss") << QByteArray("45") << true;
        QTest::newRow("47 mmss.0") << QByteArray("47") << true;
        QTest::newRow("48") << QByteArray("48") << false;
        QTest::newRow("locale and date") << QByteArray("[$-409]d-mmm-yy") << true;
        QTest::newRow("time of day") << QByteArray("h:mm AM/PM") << true;
        QTest::newRow("colour") << QByteArray("[Red]#,##0") << false;
        QTest::newRow("quoted") << QByteArray("&quot;days&quot; 0") << false;
        QTest::newRow("escaped") << QByteArray("0\\d") << false;
        QTest::newRow("padding and fill") << QByteArray("0_m*s") << false;
        QTest::newRow("general") << QByteArray("General") << false;
    }

    void dateFormats()
    {
        QFETCH(QByteArray, format);
        QFETCH(bool, isDate);
        bool builtIn = false;
        format.toInt(&builtIn);
        Parts parts;
        if (builtIn)
            parts.styles = "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"" + format + "\"/></cellXfs>";
        else
            parts.styles = "<numFmts><numFmt numFmtId=\"164\" formatCode=\"" + format
                + "\"/></numFmts><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/></cellXfs>";
        parts.sheetData = numberCells({"45000"}, 1);
        const WorkbookCell cell = readMade(parts)[0][0];
        QCOMPARE(cell.kind, isDate ? Kind::Date : Kind::Number);
    }

    void serialNumbers()
    {
        Parts parts;
        parts.styles = "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"22\"/></cellXfs>";
        // Serial 60 is Excel's 29 February 1900; the 1900 system runs one day ahead after it.
        parts.sheetData = numberCells({"1", "59", "61", "45000", "45000.25", "45000.99999999999", "-1"}, 1);
        WorkbookRows rows = readMade(parts);
        const auto &cells = rows[0];
        QCOMPARE(cells[0].moment.date(), QDate(1900, 1, 1));
        QCOMPARE(cells[1].moment.date(), QDate(1900, 2, 28));
        QCOMPARE(cells[2].moment.date(), QDate(1900, 3, 1));
        QCOMPARE(cells[3].kind, Kind::Date);
        QCOMPARE(cells[3].moment, QDateTime(QDate(2023, 3, 15), QTime(0, 0)));
        QCOMPARE(cells[4].kind, Kind::DateTime);
        QCOMPARE(cells[4].moment, QDateTime(QDate(2023, 3, 15), QTime(6, 0)));
        QCOMPARE(cells[5].kind, Kind::Date); // a rounding error short of midnight
        QCOMPARE(cells[5].moment.date(), QDate(2023, 3, 16));
        QCOMPARE(cells[6].kind, Kind::Number);

        // Dates written as ISO 8601 text rather than serial numbers.
        parts.sheetData = R"(<row><c t="d"><v>2024-03-15</v></c><c t="d"><v>2024-03-15T14:30:00</v></c></row>)";
        rows = readMade(parts);
        QCOMPARE(rows[0][0].kind, Kind::Date);
        QCOMPARE(rows[0][0].moment, QDateTime(QDate(2024, 3, 15), QTime(0, 0)));
        QCOMPARE(rows[0][1].kind, Kind::DateTime);
        QCOMPARE(rows[0][1].moment, QDateTime(QDate(2024, 3, 15), QTime(14, 30)));

        parts.workbookPr = "<workbookPr date1904=\"1\"/>";
        parts.sheetData = numberCells({"0", "43538"}, 1);
        rows = readMade(parts);
        QCOMPARE(rows[0][0].moment.date(), QDate(1904, 1, 1));
        QCOMPARE(rows[0][1].moment.date(), QDate(2023, 3, 15));
    }

    void refusals()
    {
        const auto errorReading = [](const QString &path) { return errorOf([&] { readSheet1(path); }); };
        const QString noSheet = errorReading(fixture(u"no_sheet1.xlsx"_s));
        QVERIFY2(noSheet.contains(u"no worksheet named Sheet1"_s) && noSheet.contains(u"no_sheet1.xlsx"_s),
                 qPrintable(noSheet));

        const QString text = m_dir.filePath(u"profiles.csv.xlsx"_s);
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("name,mobile_number\n");
        file.close();
        // The file's name says .xlsx, its first bytes say otherwise.
        const QString notWorkbook = errorReading(text);
        QVERIFY2(notWorkbook.contains(text) && notWorkbook.contains(u"Excel workbook"_s), qPrintable(notWorkbook));

        const QString missing = m_dir.filePath(u"gone.xlsx"_s);
        QVERIFY(errorReading(missing).contains(missing));

        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("PK\x03\x04 but not a zip");
        file.close();
        QCOMPARE(errorReading(text),
                 u"Cannot read the workbook \""_s + text + u"\": it cannot be opened as a zip archive"_s);

        writeZip(text, {{u"[Content_Types].xml"_s, "<Types/>"}});
        QCOMPARE(errorReading(text), u"Cannot read the workbook \""_s + text + u"\": it has no part xl/workbook.xml"_s);

        Parts parts;
        parts.sheetData = "<row r=\"7\"><c/><c t=\"s\"><v>3</v></c></row>";
        QString error = errorOf([&] { readMade(parts); });
        QVERIFY2(error.endsWith(u"xl/worksheets/sheet2.xml, line 1: cell B7 names shared string 3, which the "
                                u"workbook does not have"_s),
                 qPrintable(error));
        parts.sheetData = "<row><c r=\"A1\"><v>1</v></row>";
        error = errorOf([&] { readMade(parts); });
        QVERIFY2(error.contains(u"xl/worksheets/sheet2.xml, line 1: "_s), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
