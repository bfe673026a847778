#include "reports/ReportViewer.h"

#include "reports/PageDrawing.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace {

// Background left around the paper, and the depth of its shadow, in screen pixels.
constexpr int Gap = 10;
constexpr int ShadowDepth = 3;

} // namespace

ReportViewer::ReportViewer(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    viewport()->setBackgroundRole(QPalette::Window);
    viewport()->setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);
    applyZoom();
}

ReportViewer::~ReportViewer() = default;

void ReportViewer::setReport(std::unique_ptr<Reports::PagedReport> report)
{
    m_report = std::move(report);
    m_page = {};
    m_current = 0;
    if (m_report && m_report->pageCount() > 0) {
        m_current = 1;
        m_page = m_report->page(0);
    }
    updateScrollBars();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
    Q_EMIT pageChanged();
}

void ReportViewer::clear()
{
    setReport(nullptr);
}

int ReportViewer::pageCount() const
{
    return m_report ? m_report->pageCount() : 0;
}

void ReportViewer::setCurrentPage(int number)
{
    if (number < 1 || number > pageCount() || number == m_current)
        return;
    m_current = number;
    m_page = m_report->page(number - 1);
    // A new page is read from its top, as a turned sheet would be.
    verticalScrollBar()->setValue(0);
    viewport()->update();
    Q_EMIT pageChanged();
}

void ReportViewer::setZoomMode(ZoomMode mode)
{
    m_zoomMode = mode;
    applyZoom();
}

void ReportViewer::setZoomPercent(double percent)
{
    m_zoomMode = ZoomMode::Percent;
    m_percent = percent;
    applyZoom();
}

void ReportViewer::holdZoom()
{
    m_zoomMode = ZoomMode::Percent;
    m_percent = m_pixelsPerMm / realSizePixelsPerMm() * 100.0;
}

int ReportViewer::zoomPercent() const
{
    return int(std::lround(m_pixelsPerMm / realSizePixelsPerMm() * 100.0));
}

double ReportViewer::realSizePixelsPerMm() const
{
    return viewport()->logicalDpiX() / 25.4;
}

double ReportViewer::fittedPixelsPerMm() const
{
    // Measured on the view as it would be without scroll bars, so the fit does not depend
    // on whether a bar happens to be shown now.
    const QSize room = maximumViewportSize();
    const double width = room.width() - 2 * Gap;
    const double height = room.height() - 2 * Gap;
    double scale = width / Reports::PaperWidth;
    if (m_zoomMode == ZoomMode::WholePage) {
        scale = std::min(scale, height / Reports::PaperHeight);
    } else if (Reports::PaperHeight * scale > height) {
        // The page is taller than the view: the vertical bar takes its share of the width.
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
        scale = (width - bar) / Reports::PaperWidth;
    }
    return std::max(scale, 0.1);
}

void ReportViewer::applyZoom()
{
    const double scale =
        m_zoomMode == ZoomMode::Percent ? realSizePixelsPerMm() * m_percent / 100.0 : fittedPixelsPerMm();
    if (scale == m_pixelsPerMm)
        return;
    m_pixelsPerMm = scale;
    updateScrollBars();
    viewport()->update();
    Q_EMIT zoomChanged();
}

QSize ReportViewer::paperSize() const
{
    return QSize(int(std::lround(Reports::PaperWidth * m_pixelsPerMm)),
                 int(std::lround(Reports::PaperHeight * m_pixelsPerMm)));
}

void ReportViewer::updateScrollBars()
{
    const QSize content = paperSize() + QSize(2 * Gap, 2 * Gap);
    const QSize view = viewport()->size();
    horizontalScrollBar()->setPageStep(view.width());
    horizontalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setRange(0, std::max(0, content.width() - view.width()));
    verticalScrollBar()->setPageStep(view.height());
    verticalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setRange(0, std::max(0, content.height() - view.height()));
}

QRect ReportViewer::paperRect() const
{
    const QSize paper = paperSize();
    const QSize view = viewport()->size();
    // Centred while it fits, else at the gap's distance from the scrolled-to edge.
    const int left = std::max(Gap, (view.width() - paper.width()) / 2) - horizontalScrollBar()->value();
    const int top = std::max(Gap, (view.height() - paper.height()) / 2) - verticalScrollBar()->value();
    return QRect(QPoint(left, top), paper);
}

void ReportViewer::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Window));
    if (!m_report)
        return;
    const QRect paper = paperRect();
    painter.fillRect(paper.translated(ShadowDepth, ShadowDepth), palette().color(QPalette::Dark));
    painter.fillRect(paper, Qt::white);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(paper.adjusted(0, 0, -1, -1));
    painter.setRenderHint(QPainter::TextAntialiasing);
    Reports::drawPage(painter, m_page, paper.topLeft(), m_pixelsPerMm);
}

void ReportViewer::keyPressEvent(QKeyEvent *event)
{
    const QScrollBar *bar = verticalScrollBar();
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (event->key() == Qt::Key_PageDown && bar->value() == bar->maximum() && m_current < pageCount()) {
        next();
    } else if (event->key() == Qt::Key_PageUp && bar->value() == bar->minimum() && m_current > 1) {
        prior();
    } else if (control && event->key() == Qt::Key_Home) {
        first();
    } else if (control && event->key() == Qt::Key_End) {
        last();
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void ReportViewer::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    applyZoom();
}

void ReportViewer::scrollContentsBy(int, int)
{
    viewport()->update();
}
