// The "Reports" tab: the list runs a report into the preview; the bar zooms, turns pages,
// prints and saves.
#include "app/MainWindow.h"
#include "base/Clock.h"
#include "data/DataModule.h"
#include "reports/ReportCatalog.h"
#include "reports/ReportPrinting.h"
#include "reports/ReportsTab.h"
#include "reports/ReportViewer.h"
#include "support/ScriptedDialogs.h"
#include "support/TestWorkspace.h"
#include "support/WindowClock.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// A report of any length that tells which of its pages were built.
class NumberedPages : public Reports::PagedReport {
public:
    explicit NumberedPages(int count, QVector<int> *built = nullptr)
        : m_count(count)
        , m_built(built)
    {
    }
    int pageCount() const override { return m_count; }
    Reports::Page page(int index) const override
    {
        if (m_built)
            m_built->append(index);
        Reports::Page page;
        page.items.append(
            {Reports::PageItem::Kind::Text, {10, false}, QRectF(0, 0, 50, 6), QString::number(index + 1)});
        return page;
    }

private:
    int m_count;
    QVector<int> *m_built;
};

int pdfPages(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression page(u"/Type\\s*/Page\\b(?!s)"_s);
    return int(QString::fromLatin1(file.readAll()).count(page));
}

// What a user picks in the print dialog: a PDF file, and the pages and copies.
ScriptedDialogs::PrinterSetup printTo(const QString &path, QPrinter::PrintRange range, const QString &ranges = {},
                                      int copies = 1, bool collate = false)
{
    return [=](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPrintRange(range);
        if (!ranges.isEmpty())
            printer.setPageRanges(QPageRanges::fromString(ranges));
        printer.setCopyCount(copies);
        printer.setCollateCopies(collate);
        return true;
    };
}

} // namespace

class TestReportsTab : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
    void viewerBuildsOnlyThePageShown();
    void zoomFitsThePaperAndFollowsTheView();
    void choosingAnEntryRunsItsStatementEveryTime();
    void zoomButtonsKeepAtMostOneDown();
    void pageButtonsAndPageBox();
    void chosenPagesFollowTheDialog();
    void printsTheChosenPagesThroughThePrintDialog();
    void savesAsPdf();
    void fitsTheMainWindow();

private:
    WindowClock m_clock;
};

void TestReportsTab::viewerBuildsOnlyThePageShown()
{
    ReportViewer viewer;
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QVector<int> built;
    QSignalSpy turned(&viewer, &ReportViewer::pageChanged);
    viewer.setReport(std::make_unique<NumberedPages>(2000, &built));
    viewer.last();
    viewer.repaint(); // painting draws the page kept, never builds it again
    viewer.next(); // past the end
    viewer.setCurrentPage(0);
    viewer.setCurrentPage(2001);
    QCOMPARE(viewer.currentPage(), 2000);
    QCOMPARE(built, (QVector<int>{0, 1999}));
    QCOMPARE(turned.size(), 2);

    // The keyboard turns pages where scrolling ends.
    QTest::keyClick(&viewer, Qt::Key_PageDown);
    QCOMPARE(viewer.currentPage(), 2000);
    QTest::keyClick(&viewer, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&viewer, Qt::Key_PageDown);
    QCOMPARE(viewer.currentPage(), 2);
    QTest::keyClick(&viewer, Qt::Key_PageUp);
    QCOMPARE(viewer.currentPage(), 1);
    QTest::keyClick(&viewer, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(viewer.currentPage(), 2000);
    QCOMPARE(built, (QVector<int>{0, 1999, 0, 1, 0, 1999}));
    viewer.clear();
    QCOMPARE(viewer.currentPage(), 0);
    QCOMPARE(viewer.pageCount(), 0);
    QCOMPARE(turned.size(), 7);
}

void TestReportsTab::zoomFitsThePaperAndFollowsTheView()
{
    ReportViewer viewer;
    viewer.setReport(std::make_unique<NumberedPages>(3));
    viewer.resize(400, 300);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QCOMPARE(viewer.zoomMode(), ReportViewer::ZoomMode::WholePage);
    const QRect view = viewer.viewport()->rect();
    QVERIFY(view.contains(viewer.paperRect()));
    QCOMPARE(viewer.verticalScrollBar()->maximum(), 0);
    const int small = viewer.zoomPercent();
    viewer.resize(400, 600);
    QVERIFY(viewer.zoomPercent() > small);

    viewer.resize(400, 300);
    viewer.setZoomMode(ReportViewer::ZoomMode::PageWidth);
    QVERIFY(viewer.verticalScrollBar()->maximum() > 0);
    QCOMPARE(viewer.horizontalScrollBar()->maximum(), 0);
    QVERIFY(viewer.paperRect().width() > viewer.viewport()->width() * 9 / 10);

    viewer.setZoomPercent(100);
    QCOMPARE(viewer.zoomPercent(), 100);
    QCOMPARE(viewer.pixelsPerMm(), viewer.logicalDpiX() / 25.4);
    QVERIFY(viewer.horizontalScrollBar()->maximum() > 0); // A4 is wider than 400 pixels

    viewer.setZoomMode(ReportViewer::ZoomMode::WholePage);
    viewer.holdZoom();
    const double held = viewer.pixelsPerMm();
    viewer.resize(800, 900);
    QCOMPARE(viewer.pixelsPerMm(), held);
}

void TestReportsTab::choosingAnEntryRunsItsStatementEveryTime()
{
    TestWorkspace ws;
    QString values;
    for (int i = 0; i < 200; ++i)
        values += u"%1('Client %2', '60%2', '%3')"_s.arg(i ? u", "_s : QString()).arg(i).arg(i % 97);
    ws.exec(u"insert into profile(name, mobile_number, income) values "_s + values);
    ScriptedDialogs dialogs;
    DataModule dm;
    ReportsTab tab(dm, dialogs, m_clock);
    tab.resize(900, 500);
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    const QVector<Reports::ReportEntry> &entries = Reports::reportEntries();
    QCOMPARE(tab.ListBox1->count(), 13);
    QCOMPARE(tab.ListBox1->item(12)->text(), u"Delivery of a project"_s);
    tab.ListBox1->setFocus(Qt::TabFocusReason);
    QCOMPARE(tab.ppViewer1->report(), nullptr); // nothing runs before a choice

    const auto click = [&](int row) {
        QListWidget *list = tab.ListBox1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    };
    click(0);
    QCOMPARE(dm.rpt_prof.sql(), entries.at(0).statement);
    QCOMPARE(dm.rpt_prof.recordCount(), 200);
    QVERIFY(tab.ppViewer1->pageCount() >= 1);
    QCOMPARE(tab.mskPreviewPage->text(), u"1"_s);

    // The same entry again reads the rows as they are now.
    ws.exec(u"insert into profile(name) values ('Late')"_s);
    click(0);
    QCOMPARE(dm.rpt_prof.recordCount(), 201);

    click(5); // by income
    QCOMPARE(dm.rpt_prof.sql(), entries.at(5).statement);
    tab.ListBox1->setFocus();
    QTest::keyClick(tab.ListBox1, Qt::Key_Down);
    QCOMPARE(tab.ListBox1->currentRow(), 6);
    QCOMPARE(dm.rpt_proj_detail.sql(), entries.at(6).statement);
    QCOMPARE(dm.rpt_prof.sql(), entries.at(5).statement); // kept where the last profile report left it
    // The project's report needs the project chosen in the composer's list.
    QTest::keyClick(tab.ListBox1, Qt::Key_End);
    QCOMPARE(dialogs.warnings(), QStringList{QString::fromLatin1(ReportsTab::NoProjectText)});
    QCOMPARE(tab.ppViewer1->report(), nullptr);
    ws.exec(u"insert into project(project_name) values ('RAYA')"_s);
    dm.q_prj.refresh();
    dm.q_prj.first();
    click(12);
    QCOMPARE(dm.rpt_proj_detail.sql(), entries.at(12).statementFor(u"RAYA"_s));
    QTest::keyClick(tab.ListBox1, Qt::Key_Up);
    QCOMPARE(dm.rpt_proj_detail.sql(), entries.at(11).statement);
    QVERIFY(tab.ppViewer1->pageCount() >= 1);
    QVERIFY(dialogs.errors().isEmpty());

    // A report that fails is shown as an error and leaves nothing to print or save.
    ws.exec(u"drop table profile"_s);
    click(1);
    QCOMPARE(dialogs.errors().size(), 1);
    QCOMPARE(tab.ppViewer1->report(), nullptr);
    QCOMPARE(tab.mskPreviewPage->text(), QString());
    tab.spbPreviewPrint->click();
    tab.spbPreviewPdf->click();
    QCOMPARE(dialogs.shown().size(), 2); // the project's warning, and the error
}

void TestReportsTab::zoomButtonsKeepAtMostOneDown()
{
    ScriptedDialogs dialogs;
    DataModule dm;
    ReportsTab tab(dm, dialogs, m_clock);
    tab.resize(900, 500);
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    tab.ppViewer1->setReport(std::make_unique<NumberedPages>(5));
    const QList<QToolButton *> zooms{tab.spbPreviewWhole, tab.spbPreviewWidth, tab.spbPreview100Percent};
    const auto down = [&] {
        QList<QToolButton *> result;
        for (QToolButton *button : zooms)
            if (button->isChecked())
                result << button;
        return result;
    };
    const QRegularExpression percentage(u"^\\d{1,3} %$"_s);
    QCOMPARE(down(), QList<QToolButton *>{tab.spbPreviewWhole});
    const QString whole = tab.mskPreviewPercentage->text();
    QVERIFY2(percentage.match(whole).hasMatch(), qPrintable(whole));

    QTest::mouseClick(tab.spbPreviewWidth, Qt::LeftButton);
    QCOMPARE(down(), QList<QToolButton *>{tab.spbPreviewWidth});
    const QString width = tab.mskPreviewPercentage->text();
    QVERIFY(width.section(u' ', 0, 0).toInt() > whole.section(u' ', 0, 0).toInt());

    QTest::mouseClick(tab.spbPreviewWidth, Qt::LeftButton); // released; the zoom stays
    QVERIFY(down().isEmpty());
    QCOMPARE(tab.mskPreviewPercentage->text(), width);

    tab.ppViewer1->setCurrentPage(3);
    QTest::mouseClick(tab.spbPreview100Percent, Qt::LeftButton);
    QCOMPARE(down(), QList<QToolButton *>{tab.spbPreview100Percent});
    QCOMPARE(tab.mskPreviewPercentage->text(), u"100 %"_s);
    QCOMPARE(tab.mskPreviewPage->text(), u"1"_s);

    QTest::mouseClick(tab.spbPreviewWhole, Qt::LeftButton);
    QCOMPARE(down(), QList<QToolButton *>{tab.spbPreviewWhole});
    QCOMPARE(tab.mskPreviewPercentage->text(), whole);
}

void TestReportsTab::pageButtonsAndPageBox()
{
    ScriptedDialogs dialogs;
    DataModule dm;
    ReportsTab tab(dm, dialogs, m_clock);
    tab.ppViewer1->setReport(std::make_unique<NumberedPages>(12));
    QLineEdit *box = tab.mskPreviewPage;
    const auto press = [&](QToolButton *button) {
        QTest::mouseClick(button, Qt::LeftButton);
        return box->text();
    };
    QCOMPARE(box->text(), u"1"_s);
    QCOMPARE(press(tab.spbPreviewPrior), u"1"_s);
    QCOMPARE(press(tab.spbPreviewNext), u"2"_s);
    QCOMPARE(press(tab.spbPreviewLast), u"12"_s);
    QCOMPARE(press(tab.spbPreviewNext), u"12"_s);
    QCOMPARE(press(tab.spbPreviewPrior), u"11"_s);
    QCOMPARE(press(tab.spbPreviewFirst), u"1"_s);

    const auto enter = [&](const QString &text) {
        box->setText(text);
        QTest::keyClick(box, Qt::Key_Return);
        return box->text();
    };
    QCOMPARE(enter(u"7"_s), u"7"_s);
    QCOMPARE(tab.ppViewer1->currentPage(), 7);
    for (const QString &wrong : {u"0"_s, u"13"_s, QString(), u"abc"_s})
        QCOMPARE(enter(wrong), u"7"_s);
    QCOMPARE(tab.ppViewer1->currentPage(), 7);
}

void TestReportsTab::chosenPagesFollowTheDialog()
{
    QPrinter printer;
    QCOMPARE(Reports::chosenPages(printer, 1, 3), (QVector<int>{0, 1, 2}));
    printer.setPrintRange(QPrinter::CurrentPage);
    QCOMPARE(Reports::chosenPages(printer, 4, 10), QVector<int>{4});
    printer.setPrintRange(QPrinter::PageRange);
    printer.setPageRanges(QPageRanges::fromString(u"1-3,8-20"_s));
    QCOMPARE(Reports::chosenPages(printer, 0, 10), (QVector<int>{0, 1, 2, 7, 8, 9}));
    printer.setPageRanges(QPageRanges::fromString(u"15-20"_s));
    QVERIFY(Reports::chosenPages(printer, 0, 10).isEmpty());

    QCOMPARE(Reports::withCopies({3, 4}, 2, true), (QVector<int>{3, 4, 3, 4}));
    QCOMPARE(Reports::withCopies({3, 4}, 2, false), (QVector<int>{3, 3, 4, 4}));
}

void TestReportsTab::printsTheChosenPagesThroughThePrintDialog()
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    DataModule dm;
    ReportsTab tab(dm, dialogs, m_clock);
    tab.ppViewer1->setReport(std::make_unique<NumberedPages>(10));
    tab.ppViewer1->setCurrentPage(4);
    const auto print = [&](const QString &name, ScriptedDialogs::PrinterSetup setup) {
        dialogs.setUpPrinterWith(std::move(setup));
        tab.spbPreviewPrint->click();
        return pdfPages(dir.filePath(name));
    };
    QCOMPARE(print(u"ranges.pdf"_s, printTo(dir.filePath(u"ranges.pdf"_s), QPrinter::PageRange, u"2-3,9-12"_s)), 4);
    QCOMPARE(dialogs.texts(u"print"_s), QStringList{u"page 4 of 10"_s});
    QCOMPARE(print(u"current.pdf"_s, printTo(dir.filePath(u"current.pdf"_s), QPrinter::CurrentPage)), 1);
    // A PDF printer makes no copies itself, so each copy is printed in full.
    QCOMPARE(print(u"copies.pdf"_s, printTo(dir.filePath(u"copies.pdf"_s), QPrinter::AllPages, {}, 2, true)), 20);

    const auto cancelled = [&](QPrinter &printer) {
        return !printTo(dir.filePath(u"no.pdf"_s), QPrinter::AllPages)(printer);
    };
    QCOMPARE(print(u"no.pdf"_s, cancelled), -1);
    tab.spbPreviewPrint->click(); // nothing queued: the dialog is cancelled
    // Cancel in the box stops printing and takes the unfinished file away.
    dialogs.cancelProgressAfter(2);
    QCOMPARE(print(u"stopped.pdf"_s, printTo(dir.filePath(u"stopped.pdf"_s), QPrinter::AllPages)), -1);
    QCOMPARE(dialogs.progressShown().last(), u"Brivora|Printing...|2/10"_s);
    dialogs.cancelProgressAfter(-1);
    QCOMPARE(dialogs.texts(u"print"_s).size(), 6);
    QVERIFY(dialogs.errors().isEmpty());
}

void TestReportsTab::savesAsPdf()
{
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    DataModule dm;
    ReportsTab tab(dm, dialogs, m_clock);
    tab.ListBox1->setCurrentRow(0);
    tab.spbPreviewPdf->click(); // nothing chosen
    QCOMPARE(dialogs.texts(u"save"_s), QStringList{u"List of Client by Name.pdf"_s});
    QVERIFY(QDir(ws.path()).entryList({u"*.pdf"_s}).isEmpty());

    dialogs.choose(ws.path() + u"/clients"_s);
    tab.spbPreviewPdf->click();
    QCOMPARE(pdfPages(ws.path() + u"/clients.pdf"_s), tab.ppViewer1->pageCount());
    QVERIFY(dialogs.errors().isEmpty());
}

void TestReportsTab::fitsTheMainWindow()
{
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    MainWindow window(dialogs, m_clock);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *tabs = window.findChild<QTabWidget *>(u"PageControl1"_s);
    QWidget *reports = window.findChild<QWidget *>(u"TabSheet2"_s);
    tabs->setCurrentWidget(reports);
    const QSize needed = reports->minimumSizeHint();
    QVERIFY2(
        needed.width() <= reports->width() && needed.height() <= reports->height(),
        qPrintable(
            u"%1x%2 in %3x%4"_s.arg(needed.width()).arg(needed.height()).arg(reports->width()).arg(reports->height())));
    auto *bar = window.findChild<QWidget *>(u"pnlPreviewBar"_s);
    QVERIFY(bar->minimumSizeHint().width() <= bar->width());
}

QTEST_MAIN(TestReportsTab)
#include "tst_reportstab.moc"
