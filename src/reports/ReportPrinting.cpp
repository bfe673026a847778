#include "reports/ReportPrinting.h"

#include <QPrinter>

#include <algorithm>
#include <numeric>

namespace Reports {

namespace {

QVector<int> allPages(int pageCount)
{
    QVector<int> pages(std::max(0, pageCount));
    std::iota(pages.begin(), pages.end(), 0);
    return pages;
}

} // namespace

QVector<int> chosenPages(const QPrinter &printer, int currentIndex, int pageCount)
{
    switch (printer.printRange()) {
        case QPrinter::CurrentPage:
            if (currentIndex >= 0 && currentIndex < pageCount)
                return {currentIndex};
            return {};
        case QPrinter::PageRange: {
            const QPageRanges ranges = printer.pageRanges();
            // A range chosen without any page numbers means the whole report.
            if (ranges.isEmpty())
                return allPages(pageCount);
            QVector<int> pages;
            // The ranges come sorted and merged, so no page is listed twice.
            for (const QPageRanges::Range &range : ranges.toRangeList())
                for (int number = std::max(1, range.from); number <= std::min(range.to, pageCount); ++number)
                    pages << number - 1;
            return pages;
        }
        case QPrinter::AllPages:
        case QPrinter::Selection: // a report has nothing to select: the whole of it
            break;
    }
    return allPages(pageCount);
}

QVector<int> withCopies(const QVector<int> &pages, int copies, bool collate)
{
    QVector<int> sent;
    sent.reserve(pages.size() * std::max(1, copies));
    if (collate) {
        for (int copy = 0; copy < std::max(1, copies); ++copy)
            sent << pages;
    } else {
        for (int page : pages)
            sent.insert(sent.size(), std::max(1, copies), page);
    }
    return sent;
}

} // namespace Reports
