#pragma once

#include <QFont>
#include <QRectF>
#include <QString>
#include <QVector>

// A report laid out: pages of positioned items in millimetres. The preview and the
// printer or PDF draw the same items, so what the tests read off the model is what
// is printed.
namespace Reports {

// A4 portrait with 6.35 mm margins on every side.
inline constexpr double PaperWidth = 210.0;
inline constexpr double PaperHeight = 297.0;
inline constexpr double Margin = 6.35;
inline constexpr double AreaWidth = PaperWidth - 2 * Margin;
inline constexpr double AreaHeight = PaperHeight - 2 * Margin;

// Arial (Liberation Sans) at a size in points, regular or bold.
struct TextStyle {
    double pointSize = 8;
    bool bold = false;
    bool operator==(const TextStyle &) const = default;
};
// The font for a style, at its size in points on the device it is used on.
QFont fontFor(TextStyle style);

struct PageItem {
    enum class Kind : quint8 {
        Text, // one line of text at its area's top-left corner
        Box, // a rectangle with a thin black border and no fill
        Rule, // a thin horizontal line along the area's top edge
    };
    Kind kind = Kind::Text;
    TextStyle style;
    QRectF area; // millimetres from the top-left corner inside the margins
    QString text;
};

struct Page {
    QVector<PageItem> items;
};

// The pages are counted when the report is laid out; each page's items are built when
// the page is asked for, so a long report shows its first page at once.
class PagedReport {
public:
    virtual ~PagedReport() = default;
    virtual int pageCount() const = 0;
    // Index from 0; every report has at least one page.
    virtual Page page(int index) const = 0;
};

} // namespace Reports
