// Profiles from a workbook ("Import Profile") and to a delimited file ("Export
// Profile"), through the window and the two tools scripts use.
#include "contacts/CsvExport.h"
#include "contacts/ImportWindow.h"
#include "contacts/ProfileImport.h"
#include "contacts/ProfileStore.h"
#include "contacts/ProfileTab.h"
#include "data/DataModule.h"
#include "data/Database.h"
#include "support/FolderTreeStart.h"
#include "support/ScriptedDialogs.h"
#include "support/TestWorkspace.h"
#include "widgets/DatasetGrid.h"
#include "widgets/DatasetNavigator.h"

#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QToolButton>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

QString fixture(const QString &name)
{
    return QStringLiteral(BRIVORA_FIXTURES) + QLatin1Char('/') + name;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Office {
    Office() { ws.exec(u"insert into profile(name, mobile_number) values ('Old One', '6011'), ('Old Two', '6022')"_s); }

    // Display, as the operator would: the path typed, the button clicked.
    void display(const QString &path)
    {
        window.Edit1->setText(path);
        QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    }
    void import(Dialogs::Answer answer)
    {
        dialogs.answer(answer);
        QTest::mouseClick(window.BitBtn2, Qt::LeftButton);
    }
    QList<QStringList> profiles() const
    {
        return ws.rows(u"select name, mobile_number, birthday, maritial_status, aniversary, income, notes, var1, var2 "
                       "from profile order by id_profile"_s);
    }

    TestWorkspace ws;
    ScriptedDialogs dialogs;
    DataModule dm;
    QWidget owner;
    ImportWindow window{dm, dialogs, &owner};
};

const QStringList TanAhKow{u"Tan Ah Kow"_s,
                           u"60123456789"_s,
                           u"09/12/1980"_s,
                           u"MARRIED"_s,
                           u"18/06/2005"_s,
                           u"4500"_s,
                           u"Says \"call after six\""_s,
                           u"A1"_s,
                           u"B1"_s};
const QStringList SitiAminah{u"Siti Aminah"_s, u"60198765432"_s, u"31/01/1975"_s, u"MARRIED"_s, QString(),
                             u"3200.5"_s,      u"Prefers SMS"_s, u"A2"_s,         QString()};

// Every column of every profile, in the order they were stored.
QList<QStringList> storedProfiles(const TestWorkspace &ws)
{
    return ws.rows(u"select name, nickname, mobile_number, group_name, birthday, aniversary, maritial_status, "
                   "income, greeting, email, languages, notes, festive, var1, var2 from profile order by id_profile"_s);
}

} // namespace

class TestImportExport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void displayThenAddTwiceThenReplace();
    void foldersStartAtHomeUnderTheRoot();
    void bothKindsOfWorkbookGiveTheSameRows();
    void displayFailuresSayWhichStepFailed();
    void importWithoutASheetDeletesNothing();
    void failedReplaceKeepsEveryOldProfile();
    void aCancelledReadingOrImportStoresNothing();
    void editsInThePreviewAreImported();
    void rowsWithNoValueAreSkipped();
    void bothWaysOfWritingAFileStoreTheSameProfiles();
    void previewIsImportedAsItStands();
    void previewRowsAreWrittenOnlyOnceItIsChanged();
    void datesAreKeptAsDayMonthYear();
    void exportWritesEveryFieldUnescaped();
    void toolsPrintWhatTheyDidAndFailWithTheProgramsMessage();
};

void TestImportExport::displayThenAddTwiceThenReplace()
{
    Office office;
    QCOMPARE(office.window.windowTitle(),
             u"Brivora ver 1.1 ~ Personalise SMS Broadcaster - Importing records from MsExcel"_s);
    office.display(fixture(u"profiles.xls"_s));
    QVERIFY(office.dialogs.shown().isEmpty());
    QCOMPARE(office.window.DBGrid1->model()->rowCount(), 4);
    QCOMPARE(office.window.DBGrid1->model()->columnCount(), 16); // the unknown column is shown too
    QCOMPARE(office.window.DBGrid1->model()->headerData(0, Qt::Horizontal).toString(), u"mobile_number"_s);

    office.window.show();
    office.import(Dialogs::Answer::Cancel);
    QVERIFY(office.window.isVisible());
    QCOMPARE(office.profiles().size(), 2);

    ProfileTab profiles(office.dm, office.dialogs);
    office.dm.q_profile.open();
    QCOMPARE(profiles.Label32->text(), u"2"_s);
    office.import(Dialogs::Answer::No);
    QCOMPARE(profiles.Label32->text(), u"6"_s); // the profile count follows at once
    QCOMPARE(office.dialogs.texts(u"confirm"_s).first(),
             u"Did you want to delete all the previous profile record and replace with this new one?"_s);
    QCOMPARE(office.dialogs.texts(u"information"_s),
             QStringList{u"Profile import, completed. Please check your record!"_s});
    QVERIFY(!office.window.isVisible());
    QCOMPARE(office.dm.q_profile.recordCount(), 6); // the profile list shows them at once
    office.import(Dialogs::Answer::No);
    QCOMPARE(office.profiles().size(), 10);

    office.import(Dialogs::Answer::Yes);
    const QList<QStringList> stored = office.profiles();
    QCOMPARE(stored.size(), 4);
    QCOMPARE(stored.at(0), TanAhKow);
    QCOMPARE(stored.at(1), SitiAminah); // MARRIED, with no anniversary
}

void TestImportExport::foldersStartAtHomeUnderTheRoot()
{
    TestHome home;
    Office office;
    office.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&office.window));
    QTRY_COMPARE_WITH_TIMEOUT(folderTreeStartProblem(office.window.ShellTreeView1), QString(), 30000);
}

void TestImportExport::bothKindsOfWorkbookGiveTheSameRows()
{
    Office office;
    auto shown = [&](const QString &name) {
        office.display(fixture(name));
        QList<QStringList> rows;
        const QAbstractItemModel *model = office.window.DBGrid1->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < model->columnCount(); ++column)
                cells << model->index(row, column).data().toString();
            rows << cells;
        }
        return rows;
    };
    const QList<QStringList> xls = shown(u"profiles.xls"_s);
    QCOMPARE(shown(u"profiles.xlsx"_s), xls);
    QCOMPARE(xls.first().at(5), u"15/03/2024 14:30:00"_s); // a time of day only where the cell holds one
    QVERIFY(office.dialogs.shown().isEmpty());
}

void TestImportExport::displayFailuresSayWhichStepFailed()
{
    const QString connect = u"Unable to connect to Excel, make sure the workbook %1 exist!"_s;
    const QString read = u"Unable to read data from Excel, make sure the query %1 is meaningful!"_s;
    Office office;
    office.display(fixture(u"profiles.xls"_s));
    for (const auto &[path, first, reason] :
         {std::tuple{QString(), connect.arg(QString()), u"Cannot open the workbook"_s},
          std::tuple{fixture(u"make_workbooks.py"_s), connect.arg(fixture(u"make_workbooks.py"_s)),
                     u"is not an Excel workbook"_s},
          std::tuple{fixture(u"wrong_kind.xls"_s), read.arg(fixture(u"wrong_kind.xls"_s)),
                     u"column mobile_number: a number is expected"_s},
          std::tuple{fixture(u"no_sheet1.xlsx"_s), read.arg(fixture(u"no_sheet1.xlsx"_s)), u"Sheet1"_s},
          std::tuple{fixture(u"missing_column.xls"_s), read.arg(fixture(u"missing_column.xls"_s)),
                     u"no column named festive"_s}}) {
        office.dialogs.clear();
        office.display(path);
        const QStringList errors = office.dialogs.errors();
        QCOMPARE(errors.size(), 2);
        QCOMPARE(errors.at(0), first);
        QVERIFY2(errors.at(1).contains(reason), qPrintable(errors.at(1)));
        QCOMPARE(office.window.DBGrid1->model()->rowCount(), 4); // the rows shown before stay
    }
}

void TestImportExport::importWithoutASheetDeletesNothing()
{
    Office office;
    office.import(Dialogs::Answer::Yes);
    office.display(fixture(u"profiles.xls"_s));
    office.display(fixture(u"wrong_kind.xls"_s)); // failed: its rows are not what was asked for
    office.dialogs.clear();
    office.import(Dialogs::Answer::Yes);
    QCOMPARE(office.dialogs.warnings(), QStringList{u"Please display a workbook before importing it."_s});
    QCOMPARE(office.dialogs.shown().size(), 1);
    QCOMPARE(office.profiles().size(), 2);
}

void TestImportExport::failedReplaceKeepsEveryOldProfile()
{
    Office office;
    office.display(fixture(u"long_income.xls"_s)); // its third row's income has seven digits
    const QList<QStringList> before = office.profiles();
    for (const Dialogs::Answer answer : {Dialogs::Answer::Yes, Dialogs::Answer::No}) {
        office.dialogs.clear();
        office.import(answer);
        QCOMPARE(office.dialogs.errors().size(), 1);
        QVERIFY2(office.dialogs.errors().first().startsWith(u"Sheet row 3: "_s),
                 qPrintable(office.dialogs.errors().first()));
        QVERIFY(office.dialogs.errors().first().contains(u"income"_s));
        QCOMPARE(office.profiles(), before);
        QVERIFY(office.dialogs.texts(u"information"_s).isEmpty());
    }
}

void TestImportExport::aCancelledReadingOrImportStoresNothing()
{
    Office office;
    office.display(fixture(u"profiles.xls"_s));
    QCOMPARE(office.dialogs.progressShown().first(), u"Display|Reading the workbook|0/5"_s);
    QCOMPARE(office.dialogs.progressShown().last(), u"Display|Reading the workbook|5/5"_s);
    const QList<QStringList> before = office.profiles();

    // Cancelled in the midst of replacing: the old profiles stay, and no box is shown.
    office.dialogs.cancelProgressAfter(2);
    office.import(Dialogs::Answer::Yes);
    QCOMPARE(office.dialogs.progressShown().last(), u"Import|Storing the contacts|1/4"_s);
    QCOMPARE(office.profiles(), before);
    QCOMPARE(office.dialogs.texts(u"information"_s), QStringList{});
    QVERIFY(office.dialogs.errors().isEmpty());

    // A reading cancelled keeps the preview as it was, but it is not what was asked for.
    office.display(fixture(u"profiles.xlsx"_s));
    QCOMPARE(office.window.DBGrid1->model()->rowCount(), 4);
    office.import(Dialogs::Answer::No);
    QCOMPARE(office.dialogs.warnings(), QStringList{u"Please display a workbook before importing it."_s});
    office.dialogs.cancelProgressAfter(-1);
    office.display(fixture(u"profiles.xlsx"_s));
    office.import(Dialogs::Answer::No);
    QCOMPARE(office.dialogs.progressShown().last(), u"Import|Storing the contacts|4/4"_s);
    QCOMPARE(office.profiles().size(), before.size() + 4);
}

void TestImportExport::editsInThePreviewAreImported()
{
    QTemporaryDir folder;
    const QString copy = folder.filePath(u"copy.xls"_s);
    QVERIFY(QFile::copy(fixture(u"profiles.xls"_s), copy));
    const QByteArray original = contents(copy);
    Office office;
    office.display(copy);
    QAbstractItemModel *preview = office.window.DBGrid1->model();
    QVERIFY(preview->setData(preview->index(0, 1), u"Tan Ah Kow Jr"_s));
    office.import(Dialogs::Answer::Yes);
    QCOMPARE(office.profiles().first().first(), u"Tan Ah Kow Jr"_s);
    QCOMPARE(contents(copy), original); // the workbook is never written
}

void TestImportExport::rowsWithNoValueAreSkipped()
{
    Office office;
    office.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&office.window));
    office.display(fixture(u"profiles.xls"_s));
    // A row whose every cell was emptied, and a row inserted with the navigator and left
    // as it was: neither is a profile.
    QAbstractItemModel *preview = office.window.DBGrid1->model();
    for (int column = 0; column < preview->columnCount(); ++column)
        QVERIFY(preview->setData(preview->index(3, column), QString()));
    QTest::mouseClick(office.window.DBNavigator1->findChild<QToolButton *>(u"Insert"_s), Qt::LeftButton);
    QCOMPARE(preview->rowCount(), 5);
    office.import(Dialogs::Answer::Yes);
    QCOMPARE(office.dialogs.errors(), QStringList());
    const QList<QStringList> stored = office.profiles();
    QCOMPARE(stored.size(), 3);
    for (const QStringList &profile : stored)
        QVERIFY2(!profile.first().isEmpty(), qPrintable(profile.join(u'|')));
    QCOMPARE(office.dialogs.texts(u"information"_s),
             QStringList{u"Profile import, completed. Please check your record!\n\n"
                         "2 rows with no value were skipped."_s});
}

void TestImportExport::bothWaysOfWritingAFileStoreTheSameProfiles()
{
    SKIP_ON_SERVER("the file's two writers");
    TestWorkspace ws;
    Database throughHandle(ws.location());
    Database throughQuery(ws.location());
    throughQuery.setDriverHandleAllowed(false);
    for (const QString &workbook : {u"profiles.xlsx"_s, u"odd_texts.xlsx"_s, u"long_income.xls"_s}) {
        ProfileSheet sheet;
        QVERIFY(!sheet.display(fixture(workbook)));
        QList<QList<QStringList>> stored;
        QStringList refusals;
        for (Database *database : {&throughHandle, &throughQuery}) {
            try {
                sheet.importInto(*database, true);
            } catch (const BrivoraError &error) {
                refusals << error.text();
            }
            stored << storedProfiles(ws);
        }
        QVERIFY(throughHandle.usesDriverHandle());
        QVERIFY(!throughQuery.usesDriverHandle());
        QCOMPARE(stored.last(), stored.first());
        if (workbook == u"long_income.xls"_s)
            QCOMPARE(refusals, QStringList(2, u"Sheet row 3: The field income takes at most 6 characters"_s));
        else
            QVERIFY2(refusals.isEmpty(), qPrintable(refusals.join(u'\n')));
    }
    // The NUL goes, the emoji, the line break and the quotes stay.
    const QStringList tan = storedProfiles(ws).first();
    QCOMPARE(tan.at(1), u"Ah \"Kow\""_s);
    QCOMPARE(tan.at(11), u"Jalan \U0001F600  dua\nbaris"_s);
}

void TestImportExport::previewIsImportedAsItStands()
{
    TestWorkspace ws;
    Database database(ws.location());
    ProfileSheet sheet;
    Dataset &preview = sheet.rows();
    const auto show = [&] {
        QVERIFY(!sheet.display(fixture(u"odd_texts.xlsx"_s)));
        QVERIFY(sheet.isUnedited());
    };
    const auto setCell = [&](int row, const QString &field, const QString &text) {
        preview.setCurrentRow(row);
        preview.edit();
        preview.setValue(field, text);
        preview.post();
    };
    show();
    // The preview keeps the NUL a cell holds; the profile does not.
    QCOMPARE(preview.valueAt(0, preview.fieldIndex(u"notes"_s)).toString(), u"Jalan \U0001F600 \u0000 dua\nbaris"_s);
    QCOMPARE(sheet.importInto(database, true), 2);
    const QList<QStringList> asRead = storedProfiles(ws);
    QCOMPARE(asRead.size(), 2);

    // A cell set to what it held already: the rows are read from the preview, and stored the same.
    setCell(0, u"notes"_s, preview.text(u"notes"_s));
    QVERIFY(!sheet.isUnedited());
    QCOMPARE(sheet.importInto(database, true), 2);
    QCOMPARE(storedProfiles(ws), asRead);

    QList<QStringList> changed = asRead;
    changed[0][0] = u"Tan Ah Kow Jr"_s;
    QList<QStringList> deleted = asRead.mid(1);
    QList<QStringList> inserted = asRead;
    inserted << QStringList{u"New One"_s, QString(), u"60190000000"_s} + QStringList(12, QString());
    const struct {
        const char *what;
        std::function<void()> edit;
        QList<QStringList> expected;
    } edits[] = {
        {"a cell changed", [&] { setCell(0, u"name"_s, u"Tan Ah Kow Jr"_s); }, changed},
        {"a row deleted", [&] { preview.removeRow(0); }, deleted},
        {"a row inserted",
         [&] {
             preview.append();
             preview.setValue(u"name"_s, u"New One"_s);
             preview.setValue(u"mobile_number"_s, u"60190000000"_s);
             preview.post();
         },
         inserted},
    };
    for (const auto &[what, edit, expected] : edits) {
        show();
        edit();
        QVERIFY2(!sheet.isUnedited(), what);
        QCOMPARE(sheet.importInto(database, true), static_cast<int>(expected.size()));
        QCOMPARE(storedProfiles(ws), expected);
    }
}

void TestImportExport::previewRowsAreWrittenOnlyOnceItIsChanged()
{
    // The sheet's scratch file, read as another program would: the sheet is made while
    // TMPDIR names a folder of the test's own.
    QTemporaryDir temporary;
    const QByteArray tmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temporary.path()));
    ProfileSheet sheet;
    tmpdir.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmpdir);
    QDirIterator files(temporary.path(), {u"sheet.db"_s}, QDir::Files, QDirIterator::Subdirectories);
    QVERIFY(files.hasNext());
    QSqlDatabase scratch = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"scratch"_s);
    scratch.setDatabaseName(files.next());
    scratch.setConnectOptions(u"QSQLITE_OPEN_READONLY"_s);
    QVERIFY(scratch.open());
    Dataset &preview = sheet.rows();
    const auto written = [&] {
        QSqlQuery query(scratch);
        if (!query.exec(u"SELECT rowid, name, mobile_number FROM %1 ORDER BY rowid"_s.arg(preview.table())))
            return QList<QStringList>{QStringList{query.lastError().text()}};
        QList<QStringList> rows;
        while (query.next())
            rows << QStringList{query.value(0).toString(), query.value(1).toString(), query.value(2).toString()};
        return rows;
    };

    TestWorkspace ws;
    Database database(ws.location());
    // A second Display drops the first one's table, never written either.
    for (const QString &workbook : {u"profiles.xlsx"_s, u"profiles.xls"_s}) {
        QVERIFY(!sheet.display(fixture(workbook)));
        QCOMPARE(sheet.importInto(database, true), 4);
        QCOMPARE(written(), QList<QStringList>());
    }
    QList<QStringList> shown;
    for (int row = 0; row < preview.recordCount(); ++row)
        shown << QStringList{QString::number(row + 1), preview.valueAt(row, preview.fieldIndex(u"name"_s)).toString(),
                             preview.valueAt(row, preview.fieldIndex(u"mobile_number"_s)).toString()};
    QCOMPARE(shown.size(), 4);

    // The first change writes every row, numbered as the preview shows them, and then itself.
    preview.setCurrentRow(2);
    preview.edit();
    preview.setValue(u"name"_s, u"Changed"_s);
    preview.post();
    shown[2][1] = u"Changed"_s;
    QCOMPARE(written(), shown);
    preview.removeRow(1);
    shown.removeAt(1);
    QCOMPARE(written(), shown);
    preview.append();
    preview.setValue(u"name"_s, u"New One"_s);
    preview.post();
    shown << QStringList{u"5"_s, u"New One"_s, QString()};
    QCOMPARE(written(), shown);

    QCOMPARE(sheet.importInto(database, true), 4);
    QList<QStringList> names;
    for (const QStringList &row : std::as_const(shown))
        names << row.mid(1, 1);
    QCOMPARE(ws.rows(u"select name from profile order by id_profile"_s), names);
    scratch = QSqlDatabase();
    QSqlDatabase::removeDatabase(u"scratch"_s);
}

void TestImportExport::datesAreKeptAsDayMonthYear()
{
    // Written by hand, so checked against Qt's own formatting, years of fewer and more digits too.
    for (const QDate date : {QDate(1, 1, 1), QDate(5, 3, 1), QDate(999, 12, 31), QDate(1000, 1, 9), QDate(1980, 12, 9),
                             QDate(2000, 2, 29), QDate(9999, 12, 31), QDate(10000, 1, 1), QDate(-44, 3, 15), QDate()})
        QCOMPARE(ProfileStore::dateText(date), date.toString(u"dd/MM/yyyy"_s));
    QVERIFY(ProfileStore::dateText(QDate()).isNull());
}

void TestImportExport::exportWritesEveryFieldUnescaped()
{
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    DataModule dm;
    dm.q_profile.open();
    const QString header =
        u"\"id_profile\"|\"name\"|\"nickname\"|\"mobile_number\"|\"email\"|\"group_name\"|\"festive\"|"
        "\"birthday\"|\"maritial_status\"|\"aniversary\"|\"income\"|\"greeting\"|\"languages\"|"
        "\"notes\"|\"var1\"|\"var2\"|\r\n"_s;
    QTemporaryDir folder;
    const QString path = folder.filePath(u"profiles"_s);
    QCOMPARE(CsvExport::exportProfiles(dm.con, CsvExport::withDefaultExtension(path)), 0);
    QCOMPARE(QString::fromUtf8(contents(path + u".CSV"_s)), header);

    ws.exec(u"insert into profile(name, mobile_number, notes, aniversary, var1) values "
            "('Siti \u00e9', '6011', 'Jalan \"Ampang\" | 2', null, 'x')"_s);
    ProfileTab tab(dm, dialogs);
    dialogs.choose(path);
    QTest::mouseClick(tab.suiButton3, Qt::LeftButton);
    QCOMPARE(QString::fromUtf8(contents(path + u".CSV"_s)),
             header
                 + u"\"1\"|\"Siti \u00e9\"|\"\"|\"6011\"|\"\"|\"\"|\"\"|\"\"|\"\"|\"\"|\"\"|\"\"|\"\"|"
                   "\"Jalan \"Ampang\" | 2\"|\"x\"|\"\"|\r\n"_s);
    QVERIFY(tab.DBGrid1->isEnabled());

    dialogs.choose(folder.filePath(u"no/such/folder/out.csv"_s));
    QTest::mouseClick(tab.suiButton3, Qt::LeftButton);
    QCOMPARE(dialogs.errors().size(), 1);
    QVERIFY(dialogs.errors().first().startsWith(u"Cannot create "_s));
    QVERIFY(tab.DBGrid1->isEnabled());
}

void TestImportExport::toolsPrintWhatTheyDidAndFailWithTheProgramsMessage()
{
    TestWorkspace ws;
    auto run = [](const QString &tool, const QStringList &arguments) {
        QProcess process;
        process.start(qEnvironmentVariable("BRIVORA_TOOLS") + QLatin1Char('/') + tool, arguments);
        process.waitForFinished(60000);
        return std::pair{process.exitCode(),
                         QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
    };
    const QString db = ws.location();
    auto [code, text] = run(u"brivora-import"_s, {db, fixture(u"profiles.xlsx"_s), u"--add"_s});
    QCOMPARE(code, 0);
    QCOMPARE(text, u"read 4 rows from %1\nstored 4 profiles\n"_s.arg(fixture(u"profiles.xlsx"_s)));
    std::tie(code, text) = run(u"brivora-import"_s, {db, fixture(u"long_income.xls"_s), u"--replace"_s});
    QCOMPARE(code, 1);
    QVERIFY2(text.contains(u"brivora-import: Sheet row 3: "_s), qPrintable(text));
    QCOMPARE(ws.value(u"select count(*) from profile"_s), u"4"_s);
    std::tie(code, text) = run(u"brivora-import"_s, {db, fixture(u"profiles.xls"_s)});
    QCOMPARE(code, 2);

    QTemporaryDir folder;
    std::tie(code, text) = run(u"brivora-export"_s, {db, folder.filePath(u"out"_s)});
    QCOMPARE(code, 0);
    QCOMPARE(text, u"wrote 4 profiles to %1\n"_s.arg(folder.filePath(u"out.CSV"_s)));
    QCOMPARE(contents(folder.filePath(u"out.CSV"_s)).count("\r\n"), 5);
    std::tie(code, text) = run(u"brivora-export"_s, {folder.filePath(u"missing.mdb"_s), folder.filePath(u"x"_s)});
    QCOMPARE(code, 1);
    QVERIFY2(text.startsWith(u"brivora-export: Could not find file"_s), qPrintable(text));
}

QTEST_MAIN(TestImportExport)
#include "tst_importexport.moc"
