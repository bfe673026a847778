#pragma once

#include "reports/ReportPage.h"

#include <QPointF>
#include <QString>
#include <QVector>

#include <functional>

class QPainter;
class QPagedPaintDevice;

namespace Reports {

// Draws a page, black on white, with the paper's top-left corner at paperOrigin (in the
// painter's device pixels) and the given scale. The caller paints the paper itself.
void drawPage(QPainter &painter, const Page &page, QPointF paperOrigin, double pixelsPerMm);

// Told after each page; answers false to stop.
using PageProgress = std::function<bool(int pagesDone, int pagesInAll)>;

// Prints the listed pages (indexes from 0) on a device whose painter origin is the
// paper's corner (a QPdfWriter without margins, a QPrinter in full-page mode), each
// on a new sheet. Returns false when the progress stopped it.
bool printPages(QPagedPaintDevice &device, const PagedReport &report, const QVector<int> &pages,
                const PageProgress &progress = {});

// Every page into a PDF file; throws BrivoraError when the file cannot be written.
// Returns false when the progress stopped it; the unfinished file is removed then.
bool writePdf(const PagedReport &report, const QString &path, const PageProgress &progress = {});

} // namespace Reports
