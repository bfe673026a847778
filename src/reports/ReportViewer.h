#pragma once

#include "reports/ReportPage.h"

#include <QAbstractScrollArea>

#include <memory>

// The preview of a laid-out report: one page at a time on white paper, centred on the
// window's background colour, with scroll bars when the paper is larger than the view.
// Pages are numbered from 1 here, as the page box shows them; 0 means no report.
// Only the page shown is ever built, so a report of thousands of pages turns at once.
class ReportViewer : public QAbstractScrollArea {
    Q_OBJECT

public:
    enum class ZoomMode {
        WholePage, // the whole paper fits; follows the view's size
        PageWidth, // the paper's width fits; follows the view's size
        Percent, // a fixed scale, 100 being the paper's real size on the screen
    };

    explicit ReportViewer(QWidget *parent = nullptr);
    ~ReportViewer() override;

    void setReport(std::unique_ptr<Reports::PagedReport> report);
    void clear();
    const Reports::PagedReport *report() const { return m_report.get(); }
    // Shared with work that must outlive a new choice in the list, such as printing.
    std::shared_ptr<const Reports::PagedReport> sharedReport() const { return m_report; }
    int pageCount() const;

    int currentPage() const { return m_current; }
    // Outside 1..pageCount() nothing happens.
    void setCurrentPage(int number);
    void first() { setCurrentPage(1); }
    void prior() { setCurrentPage(m_current - 1); }
    void next() { setCurrentPage(m_current + 1); }
    void last() { setCurrentPage(pageCount()); }

    ZoomMode zoomMode() const { return m_zoomMode; }
    void setZoomMode(ZoomMode mode);
    void setZoomPercent(double percent);
    // Keeps the scale as it is now, whatever the view's size does later.
    void holdZoom();
    int zoomPercent() const;

    // Screen pixels per millimetre of paper, and the paper's place in the view.
    double pixelsPerMm() const { return m_pixelsPerMm; }
    QRect paperRect() const;

Q_SIGNALS:
    // The page shown changed: another page, another report, or none.
    void pageChanged();
    void zoomChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    // Page Down at the foot of a page turns to the next one, Page Up at its top to the one
    // before; Ctrl+Home and Ctrl+End to the first and the last.
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    double realSizePixelsPerMm() const;
    double fittedPixelsPerMm() const;
    void applyZoom();
    void updateScrollBars();
    QSize paperSize() const;

    std::shared_ptr<const Reports::PagedReport> m_report;
    Reports::Page m_page; // the items of the page shown, built once per page turn
    int m_current = 0;
    ZoomMode m_zoomMode = ZoomMode::WholePage;
    double m_percent = 100.0; // the scale in Percent mode
    double m_pixelsPerMm = 1.0;
};
