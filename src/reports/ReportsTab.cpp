#include "reports/ReportsTab.h"

#include "widgets/Named.h"
#include "base/Clock.h"
#include "base/Dialogs.h"
#include "base/Errors.h"
#include "data/DataModule.h"
#include "reports/ReportCatalog.h"
#include "reports/ReportLayouts.h"
#include "reports/PdfText.h"
#include "reports/ReportPrinting.h"
#include "reports/ReportViewer.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum class Glyph { Print, WholePage, PageWidth, RealSize, First, Prior, Next, Last, Pdf };

// The bar's pictures, drawn in the text colour so they suit any style; the style's own
// set has no printer, no zoom and no page pictures.
QIcon drawnIcon(Glyph glyph, const QPalette &palette)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette.color(QPalette::ButtonText);
    painter.setPen(QPen(ink, 1));
    const auto sheet = [&](const QRectF &rect) {
        painter.setBrush(Qt::white);
        painter.drawRect(rect);
        painter.setBrush(Qt::NoBrush);
    };
    const auto triangle = [&](double tipX, double baseX) {
        QPainterPath path;
        path.moveTo(tipX, 8);
        path.lineTo(baseX, 3.5);
        path.lineTo(baseX, 12.5);
        path.closeSubpath();
        painter.fillPath(path, ink);
    };
    switch (glyph) {
        case Glyph::Print:
            sheet(QRectF(4.5, 1.5, 7, 5));
            painter.setBrush(palette.color(QPalette::Mid));
            painter.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
            sheet(QRectF(4.5, 10.5, 7, 4));
            break;
        case Glyph::WholePage:
            sheet(QRectF(3.5, 1.5, 9, 13));
            for (double y : {4.5, 7.5, 10.5})
                painter.drawLine(QPointF(5.5, y), QPointF(10.5, y));
            break;
        case Glyph::PageWidth:
            sheet(QRectF(2.5, 1.5, 11, 13));
            painter.drawLine(QPointF(4, 8), QPointF(12, 8));
            painter.drawLine(QPointF(4, 8), QPointF(6, 6));
            painter.drawLine(QPointF(4, 8), QPointF(6, 10));
            painter.drawLine(QPointF(12, 8), QPointF(10, 6));
            painter.drawLine(QPointF(12, 8), QPointF(10, 10));
            break;
        case Glyph::RealSize: {
            sheet(QRectF(1.5, 1.5, 13, 13));
            QFont font = painter.font();
            font.setPixelSize(8);
            font.setBold(true);
            painter.setFont(font);
            painter.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("1:1"));
            break;
        }
        case Glyph::First:
            painter.fillRect(QRectF(3, 3.5, 1.5, 9), ink);
            triangle(5, 12);
            break;
        case Glyph::Prior:
            triangle(4.5, 11.5);
            break;
        case Glyph::Next:
            triangle(11.5, 4.5);
            break;
        case Glyph::Last:
            triangle(11, 4);
            painter.fillRect(QRectF(11.5, 3.5, 1.5, 9), ink);
            break;
        case Glyph::Pdf: {
            sheet(QRectF(2.5, 1.5, 11, 13));
            QFont font = painter.font();
            font.setPixelSize(6);
            font.setBold(true);
            painter.setFont(font);
            painter.setPen(QColor(180, 20, 20));
            painter.drawText(QRectF(2.5, 4, 11, 8), Qt::AlignCenter, QStringLiteral("PDF"));
            break;
        }
    }
    return QIcon(pixmap);
}

QFrame *separator()
{
    auto *line = new QFrame;
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// The name a saved report is offered under: its title, without the characters a file
// name cannot hold on the systems a copy may travel to.
QString suggestedPdfName(const QString &title)
{
    QString name = title.trimmed();
    for (QChar &c : name)
        if (QStringLiteral("/\\:*?\"<>|").contains(c))
            c = u'_';
    if (name.isEmpty())
        name = QStringLiteral("Report");
    return name + QStringLiteral(".pdf");
}

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

ReportsTab::ReportsTab(DataModule &dm, Dialogs &dialogs, Clock &clock, QWidget *parent)
    : QWidget(parent)
    , Label27(named(new QLabel(QStringLiteral("List of Report")), "Label27"))
    , ListBox1(named(new QListWidget, "ListBox1"))
    , ppViewer1(named(new ReportViewer, "ppViewer1"))
    , m_dm(dm)
    , m_dialogs(dialogs)
    , m_clock(clock)
{
    setObjectName(QStringLiteral("TabSheet2"));
    QFont bold = Label27->font();
    bold.setBold(true);
    Label27->setFont(bold);
    for (const Reports::ReportEntry &entry : Reports::reportEntries())
        ListBox1->addItem(entry.listText);
    ListBox1->setFixedWidth(230);
    // Told that no entry is current, the list does not make its first entry current when it
    // gets the focus: a report runs only when the user chooses it.
    ListBox1->setCurrentIndex(QModelIndex());
    // A press that makes another entry current runs it then; the click that follows must
    // not run it a second time. A click on the current entry runs it again.
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] {
        m_ranOnPress = true;
        guarded(m_dialogs, [this] { ListBox1Click(); });
    });
    connect(ListBox1, &QListWidget::itemClicked, this, [this] {
        if (!m_ranOnPress)
            guarded(m_dialogs, [this] { ListBox1Click(); });
    });

    auto *list = new QVBoxLayout;
    list->addWidget(Label27);
    list->addWidget(ListBox1, 1);
    auto *preview = new QVBoxLayout;
    preview->addWidget(buildPreviewBar());
    preview->addWidget(ppViewer1, 1);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(list);
    layout->addLayout(preview, 1);
    ListBox1->viewport()->installEventFilter(this);

    connect(ppViewer1, &ReportViewer::pageChanged, this,
            [this] { guarded(m_dialogs, [this] { ppViewer1PageChange(); }); });
    connect(ppViewer1, &ReportViewer::zoomChanged, this,
            [this] { guarded(m_dialogs, [this] { ppViewer1PageChange(); }); });
    ppViewer1PageChange();
}

QToolButton *ReportsTab::toolButton(const char *name, const QString &hint, const QIcon &icon)
{
    auto *button = named(new QToolButton, name);
    button->setToolTip(hint);
    button->setIcon(icon);
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QWidget *ReportsTab::buildPreviewBar()
{
    const QPalette colours = palette();
    pnlPreviewBar = named(new QFrame, "pnlPreviewBar");
    spbPreviewPrint = toolButton("spbPreviewPrint", QStringLiteral("Print Report"), drawnIcon(Glyph::Print, colours));
    spbPreviewWhole = toolButton("spbPreviewWhole", QStringLiteral("Whole Page"), drawnIcon(Glyph::WholePage, colours));
    spbPreviewWidth = toolButton("spbPreviewWidth", QStringLiteral("Page Width"), drawnIcon(Glyph::PageWidth, colours));
    spbPreview100Percent =
        toolButton("spbPreview100Percent", QStringLiteral("100 %"), drawnIcon(Glyph::RealSize, colours));
    spbPreviewFirst = toolButton("spbPreviewFirst", QStringLiteral("First Page"), drawnIcon(Glyph::First, colours));
    spbPreviewPrior = toolButton("spbPreviewPrior", QStringLiteral("Prior Page"), drawnIcon(Glyph::Prior, colours));
    mskPreviewPage = named(new QLineEdit, "mskPreviewPage");
    spbPreviewNext = toolButton("spbPreviewNext", QStringLiteral("Next Page"), drawnIcon(Glyph::Next, colours));
    spbPreviewLast = toolButton("spbPreviewLast", QStringLiteral("Last Page"), drawnIcon(Glyph::Last, colours));
    mskPreviewPercentage = named(new QLineEdit, "mskPreviewPercentage");
    spbPreviewPdf = toolButton("spbPreviewPdf", QStringLiteral("Save as PDF"), drawnIcon(Glyph::Pdf, colours));

    for (QToolButton *zoom : {spbPreviewWhole, spbPreviewWidth, spbPreview100Percent})
        zoom->setCheckable(true);
    spbPreviewWhole->setChecked(true);

    mskPreviewPage->setMaxLength(5);
    mskPreviewPage->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), mskPreviewPage));
    mskPreviewPage->setAlignment(Qt::AlignCenter);
    mskPreviewPage->installEventFilter(this);
    mskPreviewPercentage->setReadOnly(true);
    mskPreviewPercentage->setFocusPolicy(Qt::NoFocus);
    mskPreviewPercentage->setAlignment(Qt::AlignCenter);
    const QFontMetrics metrics(mskPreviewPage->font());
    mskPreviewPage->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("99999")) + 14);
    mskPreviewPercentage->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("999 %")) + 14);

    auto *bar = new QHBoxLayout(pnlPreviewBar);
    bar->setContentsMargins(2, 0, 2, 0);
    bar->setSpacing(1);
    bar->addWidget(spbPreviewPrint);
    bar->addWidget(separator());
    bar->addWidget(spbPreviewWhole);
    bar->addWidget(spbPreviewWidth);
    bar->addWidget(spbPreview100Percent);
    bar->addWidget(separator());
    bar->addWidget(spbPreviewFirst);
    bar->addWidget(spbPreviewPrior);
    bar->addWidget(mskPreviewPage);
    bar->addWidget(spbPreviewNext);
    bar->addWidget(spbPreviewLast);
    bar->addWidget(separator());
    bar->addWidget(mskPreviewPercentage);
    bar->addWidget(separator());
    bar->addWidget(spbPreviewPdf);
    bar->addStretch();

    connectClick(spbPreviewPrint, &ReportsTab::spbPreviewPrintClick);
    connectClick(spbPreviewWhole, &ReportsTab::spbPreviewWholeClick);
    connectClick(spbPreviewWidth, &ReportsTab::spbPreviewWidthClick);
    connectClick(spbPreview100Percent, &ReportsTab::spbPreview100PercentClick);
    connectClick(spbPreviewFirst, &ReportsTab::spbPreviewFirstClick);
    connectClick(spbPreviewPrior, &ReportsTab::spbPreviewPriorClick);
    connectClick(spbPreviewNext, &ReportsTab::spbPreviewNextClick);
    connectClick(spbPreviewLast, &ReportsTab::spbPreviewLastClick);
    connectClick(spbPreviewPdf, &ReportsTab::spbPreviewPdfClick);
    return pnlPreviewBar;
}

void ReportsTab::connectClick(QToolButton *button, void (ReportsTab::*handler)())
{
    connect(button, &QToolButton::clicked, this, [this, handler] { guarded(m_dialogs, [&] { (this->*handler)(); }); });
}

bool ReportsTab::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ListBox1->viewport() && event->type() == QEvent::MouseButtonPress) {
        m_ranOnPress = false;
    } else if (watched == mskPreviewPage && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            guarded(m_dialogs, [this] { mskPreviewPageKeyDown(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ReportsTab::ListBox1Click()
{
    // Emptied first, so a report that fails leaves no stale pages behind.
    ppViewer1->clear();
    m_title.clear();
    const int row = ListBox1->currentRow();
    if (row < 0 || row >= Reports::reportEntries().size())
        return;
    const Reports::ReportEntry &entry = Reports::reportEntries().at(row);
    if (entry.isOfAProject()) {
        // The project chosen in the composer's list of projects.
        const Dataset &projects = m_dm.q_prj;
        const int current = projects.currentRow();
        const QString project = current < 0 ? QString()
                                            : projects.valueAt(current, projects.fieldIndex(QStringLiteral("project_name")))
                                                  .toString();
        if (project.isEmpty()) {
            m_dialogs.warning(QString::fromLatin1(NoProjectText));
            return;
        }
        WaitCursor waiting;
        ppViewer1->setReport(Reports::runProjectReport(m_dm, entry, project, m_clock.now().date()));
        m_title = entry.titleFor(project);
        return;
    }
    WaitCursor waiting;
    ppViewer1->setReport(Reports::runReport(m_dm, entry, m_clock.now().date()));
    m_title = entry.title.isEmpty() ? entry.listText : entry.title;
}

void ReportsTab::withCancelBox(const QString &label, const std::function<bool(const Reports::PageProgress &)> &work)
{
    const std::unique_ptr<WorkProgress> progress = m_dialogs.showProgress(QStringLiteral("Brivora"), label, true);
    work([&progress](int done, int all) {
        // Cancel is heard between two pages; the work then ends as it does when stopped.
        try {
            progress->advance(done, all);
            return true;
        } catch (const ActionStopped &) {
            return false;
        }
    });
}

void ReportsTab::spbPreviewPrintClick()
{
    const std::shared_ptr<const Reports::PagedReport> report = ppViewer1->sharedReport();
    if (!report)
        return;
    // Full-page mode puts the painter's origin at the paper's corner, where the layouts
    // measure from.
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setDocName(m_title);
    const int pageCount = report->pageCount();
    const int current = ppViewer1->currentPage();
    if (!m_dialogs.setUpPrinter(printer, current, pageCount))
        return;
    QVector<int> pages = Reports::chosenPages(printer, current - 1, pageCount);
    if (!printer.supportsMultipleCopies())
        pages = Reports::withCopies(pages, printer.copyCount(), printer.collateCopies());
    if (pages.isEmpty())
        return;
    withCancelBox(QStringLiteral("Printing..."), [&](const Reports::PageProgress &progress) {
        // A cancelled print is aborted, so the printer drops the pages it was sent.
        const bool finished = Reports::printPages(printer, *report, pages, [&](int done, int all) {
            if (progress(done, all))
                return true;
            printer.abort();
            return false;
        });
        // A cancelled print to a file leaves no half-written file behind, as "Save as PDF" does;
        // a finished one reads back every character, as "Save as PDF" does.
        const bool toFile = printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
        if (toFile && !finished)
            QFile::remove(printer.outputFileName());
        if (toFile && finished)
            Reports::mapCharactersBeyondTheBasicPlane(printer.outputFileName(), *report, pages);
        return finished;
    });
}

void ReportsTab::spbPreviewPdfClick()
{
    const std::shared_ptr<const Reports::PagedReport> report = ppViewer1->sharedReport();
    if (!report)
        return;
    QString path = m_dialogs.saveFileName(QStringLiteral("Save as PDF"), suggestedPdfName(m_title),
                                          QStringLiteral("PDF files (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    withCancelBox(QStringLiteral("Printing..."),
                  [&](const Reports::PageProgress &progress) { return Reports::writePdf(*report, path, progress); });
}

bool ReportsTab::pressedDown(QToolButton *zoomButton)
{
    // The button has already changed its state when its click arrives.
    if (!zoomButton->isChecked())
        return false;
    for (QToolButton *other : {spbPreviewWhole, spbPreviewWidth, spbPreview100Percent})
        if (other != zoomButton)
            other->setChecked(false);
    return true;
}

void ReportsTab::zoomClick(QToolButton *zoomButton, ReportViewer::ZoomMode mode)
{
    if (pressedDown(zoomButton))
        ppViewer1->setZoomMode(mode);
    else
        ppViewer1->holdZoom();
    ppViewer1PageChange();
}

void ReportsTab::spbPreviewWholeClick()
{
    zoomClick(spbPreviewWhole, ReportViewer::ZoomMode::WholePage);
}

void ReportsTab::spbPreviewWidthClick()
{
    zoomClick(spbPreviewWidth, ReportViewer::ZoomMode::PageWidth);
}

void ReportsTab::spbPreview100PercentClick()
{
    if (pressedDown(spbPreview100Percent)) {
        ppViewer1->setZoomPercent(100);
        ppViewer1->first();
    } else {
        ppViewer1->holdZoom();
    }
    ppViewer1PageChange();
}

void ReportsTab::spbPreviewFirstClick()
{
    ppViewer1->first();
}

void ReportsTab::spbPreviewPriorClick()
{
    ppViewer1->prior();
}

void ReportsTab::spbPreviewNextClick()
{
    ppViewer1->next();
}

void ReportsTab::spbPreviewLastClick()
{
    ppViewer1->last();
}

void ReportsTab::ppViewer1PageChange()
{
    const int page = ppViewer1->currentPage();
    mskPreviewPage->setText(page > 0 ? QString::number(page) : QString());
    mskPreviewPercentage->setText(QStringLiteral("%1 %").arg(std::min(999, ppViewer1->zoomPercent())));
}

void ReportsTab::mskPreviewPageKeyDown()
{
    bool isNumber = false;
    const int page = mskPreviewPage->text().toInt(&isNumber);
    if (isNumber)
        ppViewer1->setCurrentPage(page);
    ppViewer1PageChange();
}
