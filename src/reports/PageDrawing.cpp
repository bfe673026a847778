#include "reports/PageDrawing.h"

#include "base/Errors.h"
#include "reports/PdfText.h"
#include "reports/TextMeasure.h"

#include <QFile>
#include <QPagedPaintDevice>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <numeric>

namespace Reports {

QFont fontFor(TextStyle style)
{
    // Arial, or Liberation Sans, its metric twin, where Arial is not installed (a list of
    // families finds no stand-in for a missing one). An emoji comes from Symbola, whose emoji
    // are outlines: a colour emoji font, which the system would choose, is bitmaps that PDF
    // readers leave blank.
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Symbola")});
    font.setPointSizeF(style.pointSize);
    font.setBold(style.bold);
    // Unhinted glyphs keep the advances the layout measured at any zoom.
    font.setHintingPreference(QFont::PreferNoHinting);
    // Without kerning a line is as wide as its characters, which is how the layout cuts it.
    font.setKerning(false);
    return font;
}

void drawPage(QPainter &painter, const Page &page, QPointF paperOrigin, double pixelsPerMm)
{
    painter.save();
    const QPointF origin = paperOrigin + QPointF(Margin, Margin) * pixelsPerMm;
    const auto toDevice = [&](const QRectF &mm) {
        return QRectF(origin + mm.topLeft() * pixelsPerMm, mm.size() * pixelsPerMm);
    };
    // Points are a physical size: scaled with the page, whatever the device's resolution.
    const double pointScale = pixelsPerMm * 25.4 / painter.device()->logicalDpiY();
    QPen pen(Qt::black);
    pen.setWidthF(std::max(1.0, 0.2 * pixelsPerMm));
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // Text is drawn at the resolution it was measured at, scaled to the device's: at a
    // screen's or a printer's own resolution Qt rounds the font to whole pixels, and a line
    // came out up to a tenth narrower or a thirtieth wider than measured, stopping short of
    // its column's end or running into the next column.
    const double textScale = pixelsPerMm / (MeasuredDotsPerInch / 25.4);
    TextStyle current{0, false};
    for (const PageItem &item : page.items) {
        const QRectF area = toDevice(item.area);
        switch (item.kind) {
            case PageItem::Kind::Text: {
                if (item.style != current) {
                    current = item.style;
                    painter.setFont(fontFor({current.pointSize * pointScale / textScale, current.bold}));
                }
                painter.save();
                painter.translate(area.topLeft());
                painter.scale(textScale, textScale);
                painter.drawText(QRectF(QPointF(0, 0), area.size() / textScale),
                                 Qt::AlignTop | Qt::AlignLeft | Qt::TextSingleLine | Qt::TextDontClip, item.text);
                painter.restore();
                break;
            }
            case PageItem::Kind::Box:
                painter.drawRect(area);
                break;
            case PageItem::Kind::Rule:
                painter.drawLine(area.topLeft(), area.topRight());
                break;
        }
    }
    painter.restore();
}

bool printPages(QPagedPaintDevice &device, const PagedReport &report, const QVector<int> &pages,
                const PageProgress &progress)
{
    QPainter painter;
    if (!painter.begin(&device))
        throw BrivoraError(QStringLiteral("The printer could not be started."));
    const double pixelsPerMm = device.logicalDpiX() / 25.4;
    for (int done = 0; done < pages.size(); ++done) {
        if (done > 0)
            device.newPage();
        drawPage(painter, report.page(pages.at(done)), QPointF(0, 0), pixelsPerMm);
        if (progress && !progress(done + 1, int(pages.size()))) {
            painter.end();
            return false;
        }
    }
    painter.end();
    return true;
}

bool writePdf(const PagedReport &report, const QString &path, const PageProgress &progress)
{
    bool finished = false;
    QVector<int> pages(report.pageCount());
    std::iota(pages.begin(), pages.end(), 0);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw BrivoraError(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
        QPdfWriter pdf(&file);
        pdf.setCreator(QStringLiteral("Brivora"));
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        pdf.setResolution(1200);
        finished = printPages(pdf, report, pages, progress);
        if (!file.flush())
            throw BrivoraError(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    }
    if (!finished) {
        QFile::remove(path);
        return false;
    }
    mapCharactersBeyondTheBasicPlane(path, report, pages);
    return true;
}

} // namespace Reports
