// Prints what importing a workbook and exporting the profiles cost at an office's
// largest sizes, beside the sqlite3 shell doing the same work on the same data: a
// workbook of 65 535 profiles (an Excel 97-2003 sheet holds 65 536 rows at most) and of
// 100 000 profiles as .xlsx, each replacing every profile, with the program's own work
// beside the reader's; then 100 000 profiles exported.
#include "base/Clock.h"
#include "BenchSupport.h"
#include "contacts/CsvExport.h"
#include "contacts/ProfileImport.h"
#include "contacts/Workbook.h"
#include "data/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Writes the workbook with Debian's python3-xlwt or python3-openpyxl, and the same rows
// as a CSV file for the shell.
void makeWorkbook(const QString &path, const QString &csv, int rows)
{
    const QString script = QStringLiteral(R"(
import sys, datetime
path, csv, rows = sys.argv[1], sys.argv[2], int(sys.argv[3])
header = ["name", "nickname", "mobile_number", "email", "group_name", "festive", "birthday",
          "maritial_status", "aniversary", "income", "greeting", "languages", "var1", "var2", "notes"]
def row(i):
    return ["Contact %d" % i, "Nick %d" % i, 60120000000 + i, "c%d@example.com" % i, "GROUP %d" % (i % 20),
            "ISLAM", datetime.date(1970 + i % 40, 1 + i % 12, 1 + i % 28), "MARRIED",
            datetime.date(2000 + i % 20, 1 + i % 12, 1 + i % 28), 1000 + i % 9000, "Encik", "MALAY",
            "A", "B", "Jalan %d" % i]
with open(csv, "w") as out:
    for i in range(rows):
        r = row(i)
        out.write(",".join(str(v) if not isinstance(v, datetime.date) else v.strftime("%d/%m/%Y") for v in r) + "\n")
if path.endswith(".xlsx"):
    import openpyxl
    book = openpyxl.Workbook(write_only=True)
    sheet = book.create_sheet("Sheet1")
    sheet.append(header)
    for i in range(rows):
        sheet.append(row(i))
    book.save(path)
else:
    import xlwt
    book = xlwt.Workbook()
    sheet = book.add_sheet("Sheet1")
    date = xlwt.easyxf(num_format_str="dd/mm/yyyy")
    for c, name in enumerate(header):
        sheet.write(0, c, name)
    for i in range(rows):
        for c, value in enumerate(row(i)):
            sheet.write(i + 1, c, value, date if isinstance(value, datetime.date) else xlwt.Style.default_style)
    book.save(path)
)");
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path, csv, QString::number(rows)});
    if (!python.waitForFinished(-1) || python.exitCode() != 0) {
        std::fprintf(stderr, "making the workbook failed: %s\n", python.readAllStandardError().constData());
        std::exit(1);
    }
}

double seconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e9;
}

void importFigures(const QString &database, const QString &workbook, int rows)
{
    const QString csv = workbook + QStringLiteral(".csv");
    makeWorkbook(workbook, csv, rows);
    Database con(database);
    QElapsedTimer timer;
    timer.start();
    {
        ProfileSheet sheet;
        if (const auto failure = sheet.display(workbook)) {
            std::fprintf(stderr, "%s %s\n", qPrintable(failure->message), qPrintable(failure->reason));
            std::exit(1);
        }
        sheet.importInto(con, true);
    }
    const double importing = seconds(timer);

    // The reader's part and the program's own (the preview's rows and the copy into the
    // profiles) measured apart, each the shortest of a few runs: the difference of two
    // whole imports is lost in a run's noise. Each run is a window's first Display,
    // replacing the profiles the one before stored.
    constexpr int Runs = 3;
    WorkbookRows read;
    const double reading = bestOf(Runs, [&] { read = readSheet1(workbook); });
    double own = 1e9;
    for (int run = 0; run < Runs; ++run) {
        ProfileSheet sheet;
        timer.restart();
        sheet.display(workbook, read);
        sheet.importInto(con, true);
        own = std::min(own, seconds(timer));
    }
    // Display leaves the rows out of the preview's scratch table: its first change writes them.
    double firstChange = 1e9;
    for (int run = 0; run < Runs; ++run) {
        ProfileSheet sheet;
        sheet.display(workbook, read);
        Dataset &preview = sheet.rows();
        timer.restart();
        preview.edit();
        preview.setValue(QStringLiteral("name"), QStringLiteral("Changed"));
        preview.post();
        firstChange = std::min(firstChange, seconds(timer));
    }

    const double shell = shellSeconds(
        database,
        QStringLiteral("BEGIN;\nDELETE FROM profile;\nCREATE TEMP TABLE sheet(name, nickname, mobile_number, "
                       "email, group_name, festive, birthday, maritial_status, aniversary, income, "
                       "greeting, languages, var1, var2, notes);\n.mode csv\n.import %1 sheet\n"
                       "INSERT INTO profile(name, nickname, mobile_number, email, group_name, festive, "
                       "birthday, maritial_status, aniversary, income, greeting, languages, var1, var2, "
                       "notes) SELECT * FROM sheet;\nROLLBACK;\n")
            .arg(csv));
    std::printf("import of %d rows (%s), replacing every profile: %.2f s (target < 5 s); reading the workbook "
                "alone %.2f s; program's own work: %.2f s, %.0f %% of the reading (target <= 20 %%); the sqlite3 "
                "shell importing the same rows as CSV: %.2f s; the preview's first change: %.2f s\n",
                static_cast<int>(read.size()) - 1, qPrintable(QFileInfo(workbook).suffix()), importing, reading, own,
                100 * own / reading, shell, firstChange);
}

} // namespace

int main(int argc, char *argv[])
{
    Clock::readTimeZoneOnce(); // as the program does
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString database = folder.filePath(QString::fromLatin1(Database::FileName));
    Database::create(database);

    importFigures(database, folder.filePath(QStringLiteral("profiles.xls")), 65535);
    importFigures(database, folder.filePath(QStringLiteral("profiles.xlsx")), 100000);

    Database con(database);
    const QString out = folder.filePath(QStringLiteral("out.csv"));
    QElapsedTimer timer;
    timer.start();
    const int written = CsvExport::exportProfiles(con, out);
    const double exporting = seconds(timer);
    const double shell = shellSeconds(database,
                                      QStringLiteral(".mode csv\n.output %1\nselect * from profile;\n")
                                          .arg(folder.filePath(QStringLiteral("shell.csv"))));
    std::printf("export of %d profiles: %.2f s; the sqlite3 shell writing them as CSV: %.2f s; ratio %.2f "
                "(target <= 2)\n",
                written, exporting, shell, exporting / shell);
    return 0;
}
