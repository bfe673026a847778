#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QTextBrowser;

// Brivora's own guide, opened by "Built-in Help" when no help file of the working folder
// can be opened: the pages compiled into the program (src/app/help), a contents list of
// their titles, and a find box that looks through every page. Nothing is fetched from
// outside: the pages and their pictures are resources.
class HelpWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr auto Title = "Brivora Help";
    static constexpr auto NotFoundText = "Not found";

    struct Page {
        QUrl url; // qrc:/help/<file>.html
        QString title; // the page's <title>
        QString text; // what the browser shows of it, pictures left out
    };
    // The guide's pages in the order of its contents (help/contents.txt).
    static QList<Page> pages();

    explicit HelpWindow(QWidget *parent = nullptr);

    // Brings the window up, on top of the others, showing the page it showed last. The first
    // time it is centred on owner, its title bar on the screen.
    void showAndRaise(const QWidget &owner);
    void showPage(int index);
    // Enter in the find box: the next occurrence of word after the cursor in the page
    // shown, else the first one in the pages after it, wrapping round to the page shown
    // from its top. Returns false, and shows the note, when no page holds it.
    bool findNext(const QString &word);

    QListWidget *contents;
    QTextBrowser *browser;
    QLineEdit *findBox;
    QLabel *notFoundNote;

private:
    int shownPage() const;
    int pageOf(const QUrl &url) const;
    void followShownPage(const QUrl &shown);

    QList<Page> m_pages;
    bool m_placed = false;
};
