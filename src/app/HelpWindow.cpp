#include "app/HelpWindow.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QSplitter>
#include <QStringList>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

// The guide lives in a resource of the static window library; nothing else references
// it, so it must be registered by hand.
static void registerGuideResources()
{
    Q_INIT_RESOURCE(help);
}

namespace {

QToolButton *arrowButton(const QString &name, Qt::ArrowType arrow, const QString &tip)
{
    auto *button = new QToolButton;
    button->setObjectName(name);
    button->setArrowType(arrow);
    button->setToolTip(tip);
    button->setEnabled(false);
    return button;
}

} // namespace

QList<HelpWindow::Page> HelpWindow::pages()
{
    registerGuideResources();
    QList<Page> result;
    QFile list(QStringLiteral(":/help/contents.txt"));
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        return result;
    const QStringList names = QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &name : names) {
        const QUrl url(QStringLiteral("qrc:/help/") + name.trimmed());
        QFile file(QLatin1Char(':') + url.path());
        QTextDocument document;
        if (file.open(QIODevice::ReadOnly))
            document.setHtml(QString::fromUtf8(file.readAll()));
        result << Page{url, document.metaInformation(QTextDocument::DocumentTitle), document.toPlainText()};
    }
    return result;
}

HelpWindow::HelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , contents(new QListWidget)
    , browser(new QTextBrowser)
    , findBox(new QLineEdit)
    , notFoundNote(new QLabel(QString::fromLatin1(NotFoundText)))
    , m_pages(pages())
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QString::fromLatin1(Title));
    contents->setObjectName(QStringLiteral("contents"));
    browser->setObjectName(QStringLiteral("browser"));
    findBox->setObjectName(QStringLiteral("findBox"));
    notFoundNote->setObjectName(QStringLiteral("notFoundNote"));

    for (const Page &page : std::as_const(m_pages))
        contents->addItem(page.title);

    auto *back = arrowButton(QStringLiteral("back"), Qt::LeftArrow, QStringLiteral("Back"));
    auto *forward = arrowButton(QStringLiteral("forward"), Qt::RightArrow, QStringLiteral("Forward"));
    connect(back, &QToolButton::clicked, browser, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, browser, &QTextBrowser::forward);
    connect(browser, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(browser, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);

    // Larger than the main window's 11 pixels: pages are read, not scanned.
    QFont text = browser->font();
    text.setPixelSize(13);
    browser->setFont(text);
    browser->document()->setDefaultStyleSheet(
        QStringLiteral("h1, h2 { color: #1b4f8a; } th { background: #e8eef6; text-align: left; }"));

    findBox->setPlaceholderText(QStringLiteral("Type a word, then Enter"));
    findBox->setClearButtonEnabled(true);
    notFoundNote->setStyleSheet(QStringLiteral("color: red"));
    notFoundNote->hide();
    connect(findBox, &QLineEdit::returnPressed, this, [this] { findNext(findBox->text()); });
    connect(findBox, &QLineEdit::textEdited, notFoundNote, &QWidget::hide);

    connect(contents, &QListWidget::currentRowChanged, this, &HelpWindow::showPage);
    connect(browser, &QTextBrowser::sourceChanged, this, &HelpWindow::followShownPage);

    auto *bar = new QHBoxLayout;
    bar->addWidget(back);
    bar->addWidget(forward);
    bar->addStretch();
    bar->addWidget(new QLabel(QStringLiteral("Find:")));
    bar->addWidget(findBox);
    bar->addWidget(notFoundNote);
    auto *split = new QSplitter;
    split->addWidget(contents);
    split->addWidget(browser);
    split->setStretchFactor(1, 1);
    split->setSizes({210, 790});
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);
    findBox->setMinimumWidth(200);
    resize(1000, 700);

    showPage(0);
}

void HelpWindow::showAndRaise(const QWidget &owner)
{
    if (!m_placed) {
        m_placed = true;
        QRect frame = frameGeometry();
        frame.moveCenter(owner.frameGeometry().center());
        if (const QScreen *screen = owner.screen()) {
            const QRect available = screen->availableGeometry();
            frame.moveTopLeft(QPoint(std::max(frame.left(), available.left()), std::max(frame.top(), available.top())));
        }
        move(frame.topLeft());
    }
    showNormal();
    raise();
    activateWindow();
}

void HelpWindow::showPage(int index)
{
    if (index < 0 || index >= m_pages.size() || index == shownPage())
        return;
    browser->setSource(m_pages.at(index).url);
}

bool HelpWindow::findNext(const QString &word)
{
    notFoundNote->hide();
    if (word.isEmpty())
        return false;
    if (browser->find(word))
        return true;
    const int shown = std::max(0, shownPage());
    for (int step = 1; step <= m_pages.size(); ++step) {
        const int index = (shown + step) % static_cast<int>(m_pages.size());
        // Only a page that holds the word is turned to.
        if (!m_pages.at(index).text.contains(word, Qt::CaseInsensitive))
            continue;
        showPage(index);
        browser->moveCursor(QTextCursor::Start);
        if (browser->find(word))
            return true;
    }
    notFoundNote->show();
    return false;
}

int HelpWindow::shownPage() const
{
    return pageOf(browser->source());
}

int HelpWindow::pageOf(const QUrl &url) const
{
    const QUrl page = url.adjusted(QUrl::RemoveFragment);
    for (int index = 0; index < m_pages.size(); ++index)
        if (m_pages.at(index).url == page)
            return index;
    return -1;
}

void HelpWindow::followShownPage(const QUrl &shown)
{
    // A link followed in a page, Back or Forward: the contents show where the reader is.
    // The browser tells the new page before its source() gives it.
    const QSignalBlocker quiet(contents);
    contents->setCurrentRow(pageOf(shown));
}
