// The twelve reports' pages: what each entry reads, how rows fall into groups and
// onto pages, what is cut, and that the PDF draws the items where the pages put them.
#include "data/DataModule.h"
#include "reports/PageDrawing.h"
#include "reports/ReportLayouts.h"
#include "reports/TextMeasure.h"
#include "support/TestWorkspace.h"

#include <QPageLayout>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Reports;

namespace {

const QDate PrintedOn(2026, 12, 9);

void addProfile(const TestWorkspace &ws, const QString &name, const QString &group, const QString &income = u"100"_s,
                const QString &notes = {})
{
    ws.exec(u"insert into profile(name, nickname, group_name, income, notes, mobile_number) "
            "values ('%1', 'nick', '%2', '%3', '%4', '0123')"_s.arg(name, group, income, notes));
}

// n messages of a project, the first sent at `first` and each later one a minute on.
void addMessages(const TestWorkspace &ws, int n, const QString &project, const QString &group = u"G"_s,
                 const QString &message = u"hello"_s, const QString &first = u"2026-01-01 08:00:00"_s)
{
    ws.exec(u"insert into project_detail(project_name, date_send, name, group_name, msg_send, festive) "
            "with recursive k(i) as (select 0 union all select i + 1 from k where i + 1 < %1) "
            "select '%2', datetime('%3', '+' || i || ' minutes'), 'name ' || i, '%4', '%5', 'F' from k"_s.arg(n)
                .arg(project, first, group, message));
}

QVector<PageItem> texts(const Page &page, const QString &text)
{
    QVector<PageItem> found;
    for (const PageItem &item : page.items)
        if (item.kind == PageItem::Kind::Text && item.text == text)
            found.append(item);
    return found;
}

int count(const PagedReport &report, const QString &text)
{
    int n = 0;
    for (int p = 0; p < report.pageCount(); ++p)
        n += int(texts(report.page(p), text).size());
    return n;
}

// Group headers of the cards, in 14 pt.
int groupHeaders(const Page &page, const QString &group)
{
    int n = 0;
    for (const PageItem &item : texts(page, group))
        n += item.style.pointSize == 14;
    return n;
}

// The running numbers printed on a page, in order.
QList<int> numbers(const Page &page, double x)
{
    QList<int> found;
    for (const PageItem &item : page.items) {
        bool isNumber = false;
        const int n = item.text.toInt(&isNumber);
        if (item.kind == PageItem::Kind::Text && isNumber && item.area.left() <= x)
            found.append(n);
    }
    return found;
}

// A word of a PDF page as poppler reads it, in millimetres from the corner inside the margins.
struct Word {
    double left, top, right;
    QString text;
};

QList<Word> pdfWords(const QString &pdf)
{
    QProcess reader;
    reader.start(QStandardPaths::findExecutable(u"pdftotext"_s), {u"-bbox"_s, pdf, u"-"_s});
    if (!reader.waitForFinished(60000))
        return {};
    const QString html = QString::fromUtf8(reader.readAllStandardOutput());
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"[\\d.]+\">([^<]*)</word>"));
    const auto mm = [](const QString &points) { return points.toDouble() * 25.4 / 72 - Margin; };
    QList<Word> words;
    for (const QRegularExpressionMatch &m : word.globalMatch(html))
        words.append({mm(m.captured(1)), mm(m.captured(2)), mm(m.captured(3)), m.captured(4)});
    return words;
}

// One page printed on a device of that resolution (a printer's, or a screen's as the
// preview draws at its zoom), read back.
QList<Word> printedWords(const PagedReport &report, int page, int dotsPerInch, const QString &pdf)
{
    {
        QPdfWriter writer(pdf);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setResolution(dotsPerInch);
        printPages(writer, report, {page});
    }
    return pdfWords(pdf);
}

} // namespace

class TestReportLayouts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
    void everyEntryRepointsItsQueryObject();
    void contactListsAndGroups();
    void incomeSortsAsText();
    void keptTogetherGroupsAndLongGroups();
    void addressLabelsFillAcrossThenDown();
    void messagesNewestTenThousandAndUnsentLast();
    void greetingEntriesHoldOnlyTheirRows();
    void longTextsAreCutNotGrown();
    void valuesStopBeforeTheNextColumnAtEveryResolution();
    void pdfDrawsTheModelAndTheToolWritesEveryEntry();
    void anEmojiIsDrawnAndReadBackFromThePdf();
    void aProjectsDeliveryCountsAndShowsEachMessage();
};

void TestReportLayouts::everyEntryRepointsItsQueryObject()
{
    TestWorkspace ws;
    DataModule dm;
    for (const ReportEntry &entry : reportEntries()) {
        if (entry.isOfAProject()) {
            QVERIFY_THROWS_EXCEPTION(BrivoraError, runReport(dm, entry, PrintedOn));
            continue;
        }
        const auto report = runReport(dm, entry, PrintedOn);
        Dataset &rows = entry.number <= 6 ? dm.rpt_prof : dm.rpt_proj_detail;
        QCOMPARE(&reportDataset(dm, entry), &rows);
        QCOMPARE(rows.sql(), entry.statement);
        QVERIFY(rows.isOpen());
        QCOMPARE(report->pageCount(), 1); // an empty report still has its page
    }
    QCOMPARE(reportEntry(8).title, u"Broadcast by Name (10k)"_s);
    QCOMPARE(reportEntry(6).title, u"List of Client by Income"_s);
    QVERIFY_THROWS_EXCEPTION(BrivoraError, reportEntry(14));
    QVERIFY_THROWS_EXCEPTION(BrivoraError, reportEntry(0));
}

void TestReportLayouts::contactListsAndGroups()
{
    TestWorkspace ws;
    addProfile(ws, u"Adam"_s, u"VIP"_s);
    addProfile(ws, u"Bella"_s, u"Staff"_s);
    addProfile(ws, u"Chen"_s, u"VIP"_s);
    addProfile(ws, u"Dina"_s, u"VIP"_s);
    DataModule dm;

    const Page list = runReport(dm, reportEntry(1), PrintedOn)->page(0);
    const PageItem title = texts(list, u"List of Client by Name"_s).value(0);
    QVERIFY(title.area.left() >= 53 && title.area.left() <= 67);
    QCOMPARE(title.style, (TextStyle{18, true}));
    QCOMPARE(texts(list, u"09/12/2026"_s).value(0).area.topLeft(), QPointF(182.6, 8.7));
    QCOMPARE(texts(list, u"Phone"_s).size(), 1); // the column titles once, in the page header
    const PageItem adam = texts(list, u"Adam"_s).value(0);
    QCOMPARE(adam.area.left(), 4.2);
    QCOMPARE(texts(list, u"Bella"_s).value(0).area.top() - adam.area.top(), 4.2);
    QCOMPARE(texts(list, u"VIP"_s).value(0).area.left(), 105.0);
    QCOMPARE(numbers(list, 4.0), (QList<int>{1, 2, 3, 4}));

    // By group: a group begins wherever the group differs from the row before.
    const Page byGroup = runReport(dm, reportEntry(4), PrintedOn)->page(0);
    QCOMPARE(texts(byGroup, u"VIP"_s).size(), 2);
    QCOMPARE(texts(byGroup, u"Staff"_s).size(), 1);
    QCOMPARE(texts(byGroup, u"Phone"_s).size(), 3); // titles in each group header
    QCOMPARE(texts(byGroup, u"Group"_s).size(), 0);
    QCOMPARE(numbers(byGroup, 4.0), (QList<int>{1, 2, 3, 4})); // counting on over groups
}

void TestReportLayouts::incomeSortsAsText()
{
    TestWorkspace ws;
    addProfile(ws, u"Small"_s, u"G"_s, u"900"_s);
    addProfile(ws, u"Large"_s, u"G"_s, u"1200"_s);
    DataModule dm;
    for (int entry : {5, 6}) {
        const Page page = runReport(dm, reportEntry(entry), PrintedOn)->page(0);
        QVERIFY2(texts(page, u"Small"_s).value(0).area.top() < texts(page, u"Large"_s).value(0).area.top(),
                 qPrintable(QString::number(entry)));
    }
}

void TestReportLayouts::keptTogetherGroupsAndLongGroups()
{
    TestWorkspace ws;
    // Cards of 41.3 mm: five of group A fill most of the first page, so the three of
    // group B move to the second page whole; group C, longer than a page, starts
    // under B and is split.
    for (int i = 0; i < 5; ++i)
        addProfile(ws, u"A%1"_s.arg(i), u"A"_s, u"9"_s);
    for (int i = 0; i < 3; ++i)
        addProfile(ws, u"B%1"_s.arg(i), u"B"_s, u"8"_s);
    for (int i = 0; i < 9; ++i)
        addProfile(ws, u"C%1"_s.arg(i), u"C"_s, u"7"_s);
    DataModule dm;
    const auto cards = runReport(dm, reportEntry(5), PrintedOn);
    QCOMPARE(cards->pageCount(), 3);
    QCOMPARE(texts(cards->page(0), u"B0"_s).size(), 0);
    QCOMPARE(groupHeaders(cards->page(1), u"B"_s), 1);
    QCOMPARE(texts(cards->page(1), u"B2"_s).size(), 1);
    // Group C starts under B and goes on over the next page, its header on both.
    QCOMPARE(groupHeaders(cards->page(1), u"C"_s), 1);
    QCOMPARE(texts(cards->page(1), u"C2"_s).size(), 1);
    QCOMPARE(groupHeaders(cards->page(2), u"C"_s), 1);
    QCOMPARE(texts(cards->page(2), u"C3"_s).size(), 1);
    QCOMPARE(texts(cards->page(2), u"C8"_s).size(), 1);

    // Without keeping together (by name), cards simply follow on: six to a page.
    const auto byName = runReport(dm, reportEntry(2), PrintedOn);
    QCOMPARE(byName->pageCount(), 3);
    QCOMPARE(texts(byName->page(0), u"Home Address:"_s).size(), 6);
}

void TestReportLayouts::addressLabelsFillAcrossThenDown()
{
    TestWorkspace ws;
    for (int i = 0; i < 31; ++i)
        addProfile(ws, u"N%1"_s.arg(i, 2, 10, QLatin1Char('0')), u"G"_s, u"1"_s,
                   u"Line one of a rather long address that wraps\r\nTown\r\nState\r\nCountry\r\nFifth line"_s);
    DataModule dm;
    const auto labels = runReport(dm, reportEntry(3), PrintedOn);
    QCOMPARE(labels->pageCount(), 2); // thirty labels to a page
    const Page first = labels->page(0);
    const auto at = [&](const QString &name) { return texts(first, name).value(0).area.topLeft(); };
    QCOMPARE(at(u"N00"_s).x(), 3.0);
    QCOMPARE(at(u"N01"_s).x() + Margin, 72.14 + 3.0);
    QCOMPARE(at(u"N02"_s).x() + Margin, 137.94 + 3.0);
    QCOMPARE(at(u"N03"_s), at(u"N00"_s) + QPointF(0, 28.3));
    QVERIFY(first.items.first().kind == PageItem::Kind::Box);
    QCOMPARE(first.items.first().area.size(), QSizeF(65.1, 27.8));
    // The address is wrapped inside its area and what does not fit is left out.
    QCOMPARE(texts(first, u"Fifth line"_s).size(), 0);
    QCOMPARE(texts(first, u"Town"_s).size(), 30);
    // Each address line starts in its own label and ends within that label's area.
    const QVector<double> labelLefts{0.0, 72.14 - Margin, 137.94 - Margin};
    int lines = 0;
    for (const PageItem &item : first.items) {
        if (item.style != TextStyle{9, false})
            continue;
        const auto label = std::find_if(labelLefts.begin(), labelLefts.end(),
                                        [&](double left) { return std::abs(left + 3.0 - item.area.left()) < 1e-9; });
        QVERIFY2(label != labelLefts.end(), qPrintable(item.text));
        QVERIFY2(item.area.right() <= *label + 3.0 + 57.4 + 1e-9, qPrintable(item.text));
        ++lines;
    }
    QCOMPARE(lines, 30 * 4); // a wrapped first line and three more fill the 17.5 mm
    QCOMPARE(texts(labels->page(1), u"N30"_s).value(0).area.topLeft(), QPointF(3.0, 1.8));
}

void TestReportLayouts::messagesNewestTenThousandAndUnsentLast()
{
    TestWorkspace ws;
    addMessages(ws, 10005, u"P"_s);
    ws.exec(u"insert into project_detail(project_name, name, msg_send) values ('NEVER', 'unsent', 'x')"_s);
    DataModule dm;
    for (int entry : {7, 8, 9, 10}) {
        const auto report = runReport(dm, reportEntry(entry), PrintedOn);
        QCOMPARE(dm.rpt_proj_detail.recordCount(), 10000);
        const Page first = report->page(0);
        QCOMPARE(texts(first, u"name 10004"_s).size(), 1); // the newest first
        QCOMPARE(numbers(first, 5.0).value(0), 1);
        QCOMPARE(numbers(report->page(report->pageCount() - 1), 5.0).last(), 10000);
        QCOMPARE(count(*report, u"unsent"_s), 0);
        QCOMPARE(count(*report, u"name 4"_s), 0); // the oldest five are left out
    }
    // With fewer rows, the unsent one comes after every sent one.
    ws.exec(u"delete from project_detail where name <> 'unsent' and name <> 'name 0'"_s);
    const auto report = runReport(dm, reportEntry(10), PrintedOn);
    const Page page = report->page(0);
    QVERIFY(texts(page, u"name 0"_s).value(0).area.top() < texts(page, u"unsent"_s).value(0).area.top());
    QCOMPARE(texts(page, u"01/01/2026"_s).size(), 1);
    QCOMPARE(texts(page, u"08:00:00"_s).size(), 1);
}

void TestReportLayouts::greetingEntriesHoldOnlyTheirRows()
{
    TestWorkspace ws;
    addMessages(ws, 3, u"BIRTHDAY"_s);
    addMessages(ws, 2, u"ANNIVERSARY"_s);
    addMessages(ws, 4, u"XMAS"_s);
    DataModule dm;
    const auto birthdays = runReport(dm, reportEntry(11), PrintedOn);
    QCOMPARE(dm.rpt_proj_detail.recordCount(), 3);
    QCOMPARE(count(*birthdays, u"BIRTHDAY"_s), 3);
    QCOMPARE(count(*birthdays, u"XMAS"_s), 0);
    // Titles only above the group: no line with the project's name.
    QCOMPARE(count(*birthdays, u"Date Send"_s), 1);
    const auto anniversaries = runReport(dm, reportEntry(12), PrintedOn);
    QCOMPARE(dm.rpt_proj_detail.recordCount(), 2);
    QCOMPARE(count(*anniversaries, u"ANNIVERSARY"_s), 2);
    QCOMPARE(count(*anniversaries, u"BIRTHDAY"_s), 0);
}

void TestReportLayouts::longTextsAreCutNotGrown()
{
    TestWorkspace ws;
    const QString longMessage = u"word "_s.repeated(200) + u"END"_s;
    addMessages(ws, 2, u"P"_s, u"G"_s, longMessage);
    addProfile(ws, u"Someone with a name far too long for the name column of the list"_s, u"G"_s);
    DataModule dm;
    const Page messages = runReport(dm, reportEntry(9), PrintedOn)->page(0);
    QCOMPARE(texts(messages, u"name 1"_s).size(), 1);
    const double first = texts(messages, u"name 1"_s).value(0).area.top();
    QCOMPARE(texts(messages, u"name 0"_s).value(0).area.top() - first, 15.3); // rows keep their height
    int lines = 0;
    for (const PageItem &item : messages.items) {
        if (!item.text.startsWith(u"word"_s))
            continue;
        ++lines;
        QVERIFY(item.area.left() == 151.1 && item.area.right() <= 151.1 + 44.7);
        QVERIFY(item.area.bottom() <= first + 14.0 + 0.01 || item.area.top() >= first + 15.3);
    }
    QCOMPARE(lines, 8); // four lines in each of the two boxes
    QCOMPARE(texts(messages, u"END"_s).size(), 0);

    const Page list = runReport(dm, reportEntry(1), PrintedOn)->page(0);
    for (const PageItem &item : list.items)
        if (item.text.startsWith(u"Someone"_s))
            QVERIFY(item.area.right() <= 45.0 && item.text.size() < 60);
}

void TestReportLayouts::valuesStopBeforeTheNextColumnAtEveryResolution()
{
    TestWorkspace ws;
    // Values too long for their columns: birthdays enough for the running number to reach
    // 9 999 in entry 11, and the newest row of another project, so that it reaches 10 000
    // in entry 10.
    ws.exec(u"insert into project_detail(project_name, date_send, name, mobile_number, nickname, group_name, "
            "status, msg_send) with recursive k(i) as (select 0 union all select i + 1 from k where i + 1 < 9999) "
            "select 'BIRTHDAY', datetime('2026-01-01 08:00:00', '+' || i || ' minutes'), "
            "'Muhammad Abdullah bin Ismail', '+601234567890123', 'Mamat the great', 'WHOLESALE', 'SEND', "
            "'Happy birthday' from k"_s);
    ws.exec(u"insert into project_detail(project_name, date_send, name, mobile_number, nickname, group_name, status, "
            "msg_send) values ('HARI RAYA AIDILFITRI GREETINGS', '2026-12-01 08:00:00', 'WWWWWWWWWWWWWWWWWWWW', "
            "'88888888888888888888', 'MMMMMMMMMMMMMMMMMMMM', 'WWWWWWWWWWWWWWWWWWWW', 'FAILED', 'Selamat')"_s);
    DataModule dm;
    // Where each column of entries 9 to 12 starts, and where the message box ends.
    const QVector<double> starts{5.3, 37.8, 61.6, 84.4, 105.3, 121.4, 137.6, 151.1, 151.1 + 44.7};
    const auto columnEnd = [&](double left) {
        return *std::upper_bound(starts.begin(), starts.end() - 1, left + 1e-9);
    };
    QTemporaryDir folder;
    TextMeasure measure;
    for (int entry : {10, 11}) {
        const auto report = runReport(dm, reportEntry(entry), PrintedOn);
        for (const int page : {0, report->pageCount() - 1}) {
            const Page model = report->page(page);
            const auto where = [&](const PageItem &item) {
                return u"entry %1 page %2: \"%3\" at %4 to %5"_s.arg(entry)
                    .arg(page + 1)
                    .arg(item.text)
                    .arg(item.area.left())
                    .arg(item.area.right());
            };
            int values = 0;
            for (const PageItem &item : model.items) {
                if (item.kind != PageItem::Kind::Text)
                    continue;
                QVERIFY2(item.area.left() >= 0, qPrintable(where(item))); // never in the margin
                if (item.style == TextStyle{8, false} && item.area.top() > 13.0) {
                    // A value ends a gap before the next column starts.
                    QVERIFY2(item.area.right() <= columnEnd(item.area.left()) - 0.5 + 1e-9, qPrintable(where(item)));
                    ++values;
                } else if (item.style == TextStyle{7, false}) {
                    // The running number, a gap before its row's first value.
                    const auto first = std::find_if(model.items.begin(), model.items.end(), [&](const PageItem &v) {
                        return v.style == TextStyle{8, false} && v.area.top() == item.area.top()
                            && v.area.left() < 37.8;
                    });
                    QVERIFY(first != model.items.end());
                    QVERIFY2(item.area.right() <= first->area.left() - 0.5 + 1e-9, qPrintable(where(item)));
                }
            }
            QVERIFY(values >= 8); // a row at least
            QVERIFY(numbers(model, 5.3).contains(page == 0 ? 1 : entry == 10 ? 10000 : 9999));

            // Printed at a printer's resolution, or a screen's as the preview draws it at
            // 100 % and at a whole page's zoom, each text is as wide as the page says.
            for (const int dotsPerInch : {1200, 96, 40}) {
                const QList<Word> words =
                    printedWords(*report, page, dotsPerInch, folder.filePath(u"page%1.pdf"_s.arg(dotsPerInch)));
                QVERIFY(!words.isEmpty());
                for (const PageItem &item : model.items) {
                    if (item.kind != PageItem::Kind::Text)
                        continue;
                    double left = 1e9;
                    double right = -1e9;
                    for (const Word &w : words) {
                        if (std::abs(w.top - item.area.top()) <= 0.5 && w.left > item.area.left() - 0.3
                            && w.left < item.area.right()) {
                            left = std::min(left, w.left);
                            right = std::max(right, w.right);
                        }
                    }
                    // A value cut after a blank ends, as a word, before it.
                    QString ink = item.text;
                    while (ink.endsWith(u' '))
                        ink.chop(1);
                    const double end = item.area.left() + measure.width(item.style, ink);
                    const QString drawn = u" drawn at %1 to %2 at %3 dpi"_s.arg(left).arg(right).arg(dotsPerInch);
                    QVERIFY2(std::abs(left - item.area.left()) <= 0.15 && std::abs(right - end) <= 0.15,
                             qPrintable(where(item) + drawn));
                }
            }
        }
    }
}

void TestReportLayouts::pdfDrawsTheModelAndTheToolWritesEveryEntry()
{
    const QString pdftotext = QStandardPaths::findExecutable(u"pdftotext"_s);
    QVERIFY2(!pdftotext.isEmpty(), "pdftotext (poppler-utils) is needed");
    TestWorkspace ws;
    addProfile(ws, u"Adam Smith"_s, u"VIP"_s, u"1200"_s, u"1 Main Road\r\nTown"_s);
    addMessages(ws, 3, u"XMAS"_s, u"VIP"_s, u"Dear Adam, a merry Christmas to you and yours from all of us"_s);
    DataModule dm;

    // Each word's left edge and top as poppler reads them, against the items' areas.
    for (int entry : {1, 2, 9}) {
        const auto report = runReport(dm, reportEntry(entry), PrintedOn);
        const QString pdf = ws.path() + u"/model.pdf"_s;
        QVERIFY(writePdf(*report, pdf));
        const QList<Word> words = pdfWords(pdf);
        int checked = 0;
        for (const PageItem &item : report->page(0).items) {
            if (item.kind != PageItem::Kind::Text)
                continue;
            const QString firstWord = item.text.split(u' ', Qt::SkipEmptyParts).value(0).toHtmlEscaped();
            bool found = false;
            // A value printed right after a label ("RM." and the income) reads as one word.
            for (const Word &w : words)
                found = found
                    || (std::abs(w.top - item.area.top()) <= 0.5
                        && ((w.text.startsWith(firstWord) && std::abs(w.left - item.area.left()) <= 0.5)
                            || (w.text.contains(firstWord) && w.left < item.area.left()
                                && item.area.left() < w.right)));
            QVERIFY2(found,
                     qPrintable(u"entry %1: \"%2\" at %3, %4"_s.arg(entry)
                                    .arg(item.text)
                                    .arg(item.area.left())
                                    .arg(item.area.top())));
            ++checked;
        }
        QVERIFY(checked > 15);
    }

    // The tool writes every entry over the same pages, the project's one for the project
    // named, and refuses a fourteenth and a project's report without its project.
    const QString tool = qEnvironmentVariable("BRIVORA_TOOLS") + u"/brivora-report"_s;
    for (int entry = 1; entry <= 15; ++entry) {
        QProcess run;
        const QString out = ws.path() + u"/entry%1.pdf"_s.arg(entry);
        // The fifteenth turn is the project's report without its project.
        QStringList arguments{ws.location(), QString::number(entry == 15 ? 13 : entry), out};
        if (entry == 13)
            arguments.prepend(u"--project=XMAS"_s);
        run.start(tool, arguments);
        QVERIFY(run.waitForFinished(60000));
        const QString said = QString::fromUtf8(run.readAllStandardOutput() + run.readAllStandardError());
        if (entry >= 14) {
            QCOMPARE(run.exitCode(), 1);
            QVERIFY2(said.contains(entry == 14 ? u"There is no report number 14"_s : u"name it with --project"_s),
                     qPrintable(said));
            QVERIFY(!QFile::exists(out));
            continue;
        }
        QVERIFY2(run.exitCode() == 0, qPrintable(said));
        QFile written(out);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.read(5) == "%PDF-");
    }
}

void TestReportLayouts::aProjectsDeliveryCountsAndShowsEachMessage()
{
    TestWorkspace ws;
    ws.exec(u"insert into project_detail(id, project_name, date_send, name, mobile_number, group_name, status) values "
            "(1, 'RAYA', '2026-12-09 09:00:00', 'Ali', '0123456701', 'VIP', 'SEND'), "
            "(2, 'RAYA', '2026-12-09 09:00:07', 'Siti', '0123456702', 'VIP', 'SEND'), "
            "(3, 'RAYA', '2026-12-09 09:00:14', 'Wong', '0123456703', 'VIP', 'FAIL'), "
            "(4, 'OTHER', '2026-12-09 09:00:21', 'Tan', '0123456704', 'VIP', 'SEND')"_s);
    // Ali's two parts delivered; one of Siti's failed; Wong's asked no report.
    ws.exec(u"insert into sms_part(detail_id, sent, delivery, delivery_code, delivery_time) values "
            "(1, '2026-12-09 09:00:00', 'delivered', 0, '2026-12-09 09:01:00'), "
            "(1, '2026-12-09 09:00:03', 'delivered', 0, '2026-12-09 09:02:00'), "
            "(2, '2026-12-09 09:00:07', 'failed', 70, '2026-12-09 09:03:00'), "
            "(2, '2026-12-09 09:00:10', 'pending', NULL, NULL), "
            "(4, '2026-12-09 09:00:21', 'pending', NULL, NULL)"_s);
    DataModule dm;
    const Page page = runProjectReport(dm, reportEntry(13), u"RAYA"_s, PrintedOn)->page(0);
    QCOMPARE(texts(page, u"Delivery of RAYA"_s).size(), 1);
    QCOMPARE(texts(page, u"RAYA: 1 delivered, 0 pending, 1 failed"_s).size(), 1);
    QCOMPARE(texts(page, u"delivered 09:02"_s).size(), 1);
    QCOMPARE(texts(page, u"failed (0x46)"_s).size(), 1);
    QCOMPARE(texts(page, u"Tan"_s).size(), 0);
    QCOMPARE(numbers(page, 5.3), (QList<int>{1, 2, 3}));
}

void TestReportLayouts::anEmojiIsDrawnAndReadBackFromThePdf()
{
    TestWorkspace ws;
    addProfile(ws, u"Party \U0001F389 Planner"_s, u"VIP"_s);
    DataModule dm;
    const auto report = runReport(dm, reportEntry(1), PrintedOn);
    const QString pdf = ws.path() + u"/emoji.pdf"_s;
    QVERIFY(writePdf(*report, pdf));
    QProcess reader;
    reader.start(QStandardPaths::findExecutable(u"pdftotext"_s), {pdf, u"-"_s});
    QVERIFY(reader.waitForFinished(60000));
    const QString text = QString::fromUtf8(reader.readAllStandardOutput());
    QVERIFY2(text.contains(u"Party \U0001F389 Planner"_s), qPrintable(text));
    // Drawn in outlines: the page embeds no colour emoji font, whose bitmaps readers leave blank.
    QFile written(pdf);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    QVERIFY(bytes.contains("Symbola"));
    QVERIFY(!bytes.contains("NotoColorEmoji"));
}

QTEST_MAIN(TestReportLayouts)
#include "tst_reportlayouts.moc"
