#include "app/HelpWindow.h"
#include "app/MainWindow.h"
#include "base/Clock.h"
#include "support/ScriptedDialogs.h"
#include "support/TestWorkspace.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// A page of the guide as the browser reads it.
std::unique_ptr<QTextDocument> pageDocument(const QUrl &url)
{
    QFile file(u":"_s + url.path());
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    auto document = std::make_unique<QTextDocument>();
    document->setHtml(QString::fromUtf8(file.readAll()));
    return document;
}

// What a page refers to and offers to be referred to, read from its document.
struct PageReferences {
    QStringList pictures; // <img src>
    QStringList links; // <a href>
    QSet<QString> anchors; // id and name targets
};

PageReferences referencesOf(const QTextDocument &document)
{
    PageReferences found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextCharFormat format = fragment.fragment().charFormat();
            if (format.isImageFormat())
                found.pictures << format.toImageFormat().name();
            if (!format.anchorHref().isEmpty())
                found.links << format.anchorHref();
            for (const QString &name : format.anchorNames())
                found.anchors.insert(name);
        }
    }
    return found;
}

// Where the browser's selection is: the page (by its place in the contents) and the
// selection's start.
using Place = std::pair<int, int>;

// A word of at least eight letters that occurs on the page of that index and on no other.
QString wordOnlyOn(int index, const QStringList &texts)
{
    static const QRegularExpression word(u"\\b[A-Za-z]{8,}\\b"_s);
    for (const QRegularExpressionMatch &match : word.globalMatch(texts.at(index))) {
        const QString candidate = match.captured();
        int pages = 0;
        for (const QString &text : texts)
            pages += text.contains(candidate, Qt::CaseInsensitive) ? 1 : 0;
        if (pages == 1)
            return candidate;
    }
    return {};
}

// A main window on a fresh workspace whose URL opener records what it is handed and
// answers as a desktop that can, or cannot, open it.
struct Shell {
    explicit Shell(Clock &clock)
        : window(dialogs, clock)
    {
        window.setUrlOpener([this](const QUrl &url) {
            opened << url;
            return desktopOpens;
        });
        window.show();
    }

    // Clicks "Built-in Help"; the help window, when one opened.
    HelpWindow *clickHelp()
    {
        QTest::mouseClick(window.findChild<QLabel *>(u"suiURLLabel2"_s), Qt::LeftButton);
        return window.findChild<HelpWindow *>();
    }

    TestWorkspace ws;
    ScriptedDialogs dialogs;
    MainWindow window;
    QList<QUrl> opened;
    bool desktopOpens = true;
};

} // namespace

class TestHelpWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void helpLinkWithoutHelpFileOpensTheGuide();
    void helpFileOpensWhenTheDesktopCan();
    void contentsAndLinksTurnThePages();
    void findTurnsToTheFollowingPagesAndWrapsRound();
    void findVisitsEveryOccurrenceInReadingOrder();
    void wordFoundNowhereShowsTheNote();
    void everyLinkAndPictureResolves();

private:
    static void find(HelpWindow &help, const QString &word);
    static Place place(const HelpWindow &help);
    static QStringList pageTexts();

    Clock m_clock;
};

void TestHelpWindow::init()
{
    m_clock.setScale(0.001);
    m_clock.setFixedNow(QDateTime(QDate(2026, 12, 8), QTime(10, 15)));
}

void TestHelpWindow::find(HelpWindow &help, const QString &word)
{
    help.findBox->clear();
    QTest::keyClicks(help.findBox, word);
    QTest::keyClick(help.findBox, Qt::Key_Return);
}

Place TestHelpWindow::place(const HelpWindow &help)
{
    return {help.contents->currentRow(), help.browser->textCursor().selectionStart()};
}

QStringList TestHelpWindow::pageTexts()
{
    QStringList texts;
    for (const HelpWindow::Page &page : HelpWindow::pages())
        texts << pageDocument(page.url)->toPlainText();
    return texts;
}

void TestHelpWindow::helpLinkWithoutHelpFileOpensTheGuide()
{
    Shell shell(m_clock);
    shell.window.move(120, 80);
    HelpWindow *help = shell.clickHelp();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QVERIFY(!help->isModal());
    // It opens over the middle of the main window, not at the screen's corner.
    QVERIFY((help->frameGeometry().center() - shell.window.frameGeometry().center()).manhattanLength() <= 4);
    QVERIFY(shell.opened.isEmpty());
    QVERIFY(shell.dialogs.shown().isEmpty());

    const QList<HelpWindow::Page> pages = HelpWindow::pages();
    QVERIFY(pages.size() > 1);
    QCOMPARE(help->browser->source(), pages.first().url);
    QCOMPARE(help->contents->currentRow(), 0);
    QStringList listed;
    for (int row = 0; row < help->contents->count(); ++row)
        listed << help->contents->item(row)->text();
    QStringList titles;
    for (const HelpWindow::Page &page : pages)
        titles << page.title;
    QCOMPARE(listed, titles);
    QCOMPARE(listed.first(), u"First start"_s);

    // Closed and asked for again: the same window, as it was left.
    help->showPage(2);
    help->close();
    QCOMPARE(shell.clickHelp(), help);
    QCOMPARE(shell.window.findChildren<HelpWindow *>().size(), 1);
    QVERIFY(help->isVisible());
    QCOMPARE(help->browser->source(), pages.at(2).url);
}

void TestHelpWindow::helpFileOpensWhenTheDesktopCan()
{
    Shell shell(m_clock);
    QFile helpFile(shell.ws.path() + u"/brivora-1.chm"_s);
    QVERIFY(helpFile.open(QIODevice::WriteOnly));

    QVERIFY(!shell.clickHelp());
    QCOMPARE(shell.opened.size(), 1);
    QCOMPARE(QFileInfo(shell.opened.first().toLocalFile()).canonicalFilePath(),
             QFileInfo(helpFile).canonicalFilePath());

    // A desktop with nothing to open the file with: the guide instead.
    shell.desktopOpens = false;
    HelpWindow *help = shell.clickHelp();
    QCOMPARE(shell.opened.size(), 2);
    QVERIFY(help && help->isVisible());
    QVERIFY(shell.dialogs.shown().isEmpty());
}

void TestHelpWindow::contentsAndLinksTurnThePages()
{
    Shell shell(m_clock);
    HelpWindow &help = *shell.clickHelp();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    const QList<HelpWindow::Page> pages = HelpWindow::pages();

    QListWidget &contents = *help.contents;
    const int last = contents.count() - 1;
    contents.scrollToItem(contents.item(last));
    QTest::mouseClick(contents.viewport(), Qt::LeftButton, {}, contents.visualItemRect(contents.item(last)).center());
    QCOMPARE(help.browser->source(), pages.at(last).url);

    // The first link of the first page that leads to another page, clicked where it is shown.
    help.showPage(0);
    QTextDocument &document = *help.browser->document();
    int linkAt = -1;
    QUrl target;
    for (QTextBlock block = document.begin(); block.isValid() && linkAt < 0; block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QString href = fragment.fragment().charFormat().anchorHref();
            if (!href.isEmpty() && !href.startsWith(u'#')) {
                linkAt = fragment.fragment().position();
                target = pages.first().url.resolved(QUrl(href));
                break;
            }
        }
    }
    QVERIFY(linkAt >= 0);
    QTextCursor onLink(&document);
    onLink.setPosition(linkAt + 1);
    help.browser->setTextCursor(onLink);
    help.browser->ensureCursorVisible();
    QTest::mouseClick(help.browser->viewport(), Qt::LeftButton, {}, help.browser->cursorRect(onLink).center());
    QCOMPARE(help.browser->source(), target);
    int targetRow = -1;
    for (int row = 0; row < pages.size(); ++row)
        if (pages.at(row).url == target.adjusted(QUrl::RemoveFragment))
            targetRow = row;
    QCOMPARE(contents.currentRow(), targetRow);

    // Back returns to the first page, and the contents follow.
    auto *back = help.findChild<QToolButton *>(u"back"_s);
    QVERIFY(back && back->isEnabled());
    QTest::mouseClick(back, Qt::LeftButton);
    QCOMPARE(help.browser->source(), pages.first().url);
    QCOMPARE(contents.currentRow(), 0);
}

void TestHelpWindow::findTurnsToTheFollowingPagesAndWrapsRound()
{
    Shell shell(m_clock);
    HelpWindow &help = *shell.clickHelp();
    const QList<HelpWindow::Page> pages = HelpWindow::pages();
    const QStringList texts = pageTexts();

    // A word only the last page has: from the first page, the pages between are passed over.
    const int last = static_cast<int>(pages.size()) - 1;
    const QString late = wordOnlyOn(last, texts);
    QVERIFY2(!late.isEmpty(), "the last page has no word of its own");
    find(help, late);
    QCOMPARE(help.browser->source(), pages.at(last).url);
    QCOMPARE(help.contents->currentRow(), last);
    QCOMPARE(help.browser->textCursor().selectedText().toLower(), late.toLower());
    QVERIFY(help.notFoundNote->isHidden());

    // From the last page on, a word only the first page has is found after wrapping round.
    const QString early = wordOnlyOn(0, texts);
    QVERIFY2(!early.isEmpty(), "the first page has no word of its own");
    find(help, early);
    QCOMPARE(help.browser->source(), pages.first().url);
    QCOMPARE(help.contents->currentRow(), 0);
    QCOMPARE(help.browser->textCursor().selectedText().toLower(), early.toLower());
}

void TestHelpWindow::findVisitsEveryOccurrenceInReadingOrder()
{
    Shell shell(m_clock);
    HelpWindow &help = *shell.clickHelp();
    const QList<HelpWindow::Page> pages = HelpWindow::pages();

    // Every occurrence, page after page, as the browser's own search finds them.
    const QString word = u"modem"_s;
    QList<Place> expected;
    QSet<int> pagesWithIt;
    for (int index = 0; index < pages.size(); ++index) {
        const auto document = pageDocument(pages.at(index).url);
        for (QTextCursor hit = document->find(word); !hit.isNull(); hit = document->find(word, hit)) {
            expected << Place{index, hit.selectionStart()};
            pagesWithIt.insert(index);
        }
    }
    QVERIFY(pagesWithIt.size() >= 2);
    QVERIFY(expected.size() > pagesWithIt.size());

    QList<Place> visited;
    QTest::keyClicks(help.findBox, word);
    for (int i = 0; i <= expected.size(); ++i) {
        QTest::keyClick(help.findBox, Qt::Key_Return);
        visited << place(help);
    }
    // Once round, then the first occurrence again.
    QCOMPARE(visited.mid(0, expected.size()), expected);
    QCOMPARE(visited.last(), expected.first());
    QVERIFY(help.notFoundNote->isHidden());
}

void TestHelpWindow::wordFoundNowhereShowsTheNote()
{
    Shell shell(m_clock);
    HelpWindow &help = *shell.clickHelp();
    help.showPage(3);
    const Place before = place(help);

    find(help, u"zebracrossing"_s);
    QVERIFY(!help.notFoundNote->isHidden());
    QCOMPARE(help.notFoundNote->text(), u"Not found"_s);
    QCOMPARE(place(help), before);
    QVERIFY(shell.dialogs.shown().isEmpty());

    // Typing again takes the note away; a word that is there keeps it away.
    QTest::keyClick(help.findBox, Qt::Key_Backspace);
    QVERIFY(help.notFoundNote->isHidden());
    find(help, u"modem"_s);
    QVERIFY(help.notFoundNote->isHidden());
    QVERIFY(help.browser->textCursor().hasSelection());
}

void TestHelpWindow::everyLinkAndPictureResolves()
{
    QStringList pageFiles;
    QStringList pictureFiles;
    QDirIterator resources(u":/help"_s, QDirIterator::Subdirectories);
    while (resources.hasNext()) {
        const QString path = resources.next();
        if (path.endsWith(u".html"_s))
            pageFiles << path;
        else if (path.endsWith(u".png"_s))
            pictureFiles << path;
    }

    // The contents list every page once.
    QStringList listed;
    for (const HelpWindow::Page &page : HelpWindow::pages()) {
        listed << u":"_s + page.url.path();
        QVERIFY2(!page.title.isEmpty(), qPrintable(page.url.toString()));
    }
    listed.sort();
    pageFiles.sort();
    QCOMPARE(listed, pageFiles);

    QMap<QString, PageReferences> references;
    for (const QString &file : std::as_const(pageFiles))
        references.insert(file, referencesOf(*pageDocument(QUrl(u"qrc"_s + file))));

    QSet<QString> picturesShown;
    for (auto page = references.cbegin(); page != references.cend(); ++page) {
        const QUrl base(u"qrc"_s + page.key());
        for (const QString &src : page.value().pictures) {
            const QString file = u":"_s + base.resolved(QUrl(src)).path();
            const QImage picture(file);
            QVERIFY2(!picture.isNull(), qPrintable(page.key() + u" shows "_s + src));
            // As wide as the browser of a help window of its first size, without scrolling.
            QVERIFY2(picture.width() <= 720, qPrintable(src));
            picturesShown.insert(file);
        }
        for (const QString &href : page.value().links) {
            const QUrl target = base.resolved(QUrl(href));
            QCOMPARE(target.scheme(), u"qrc"_s);
            const QString file = u":"_s + target.path();
            QVERIFY2(references.contains(file), qPrintable(page.key() + u" links to "_s + href));
            if (target.hasFragment())
                QVERIFY2(references.value(file).anchors.contains(target.fragment()),
                         qPrintable(page.key() + u" links to "_s + href));
        }
    }
    // No picture is kept that no page shows.
    pictureFiles.sort();
    QStringList shown = picturesShown.values();
    shown.sort();
    QCOMPARE(shown, pictureFiles);
}

QTEST_MAIN(TestHelpWindow)
#include "tst_helpwindow.moc"
