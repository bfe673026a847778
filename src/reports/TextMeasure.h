#pragma once

#include "reports/ReportPage.h"

#include <QImage>
#include <QStringList>

#include <memory>
#include <vector>

namespace Reports {

// The resolution texts are measured at; the pages draw them at it too, scaled to the device.
inline constexpr double MeasuredDotsPerInch = 1200;

// Measures text in millimetres as the pages draw it, and cuts it to the room it has:
// what does not fit is not printed. Widths are the sum of the characters' advances
// (the fonts are drawn without kerning), read once per character and style.
class TextMeasure {
public:
    TextMeasure();
    ~TextMeasure();

    double width(TextStyle style, QStringView text);
    double lineSpacing(TextStyle style);
    // The longest start of the text's first line that fits the width.
    QString cut(TextStyle style, const QString &text, double width);
    // The text's lines, broken at its line breaks and between words (a word wider than
    // the width is broken between characters), as many as fit the height.
    QStringList wrap(TextStyle style, const QString &text, double width, double height);

private:
    struct Metrics;
    Metrics &metrics(TextStyle style);
    // Characters of the text (from `from`) that fit the width, at least one.
    qsizetype fitting(Metrics &metrics, QStringView text, double width);

    QImage m_device; // at MeasuredDotsPerInch
    std::vector<std::unique_ptr<Metrics>> m_metrics;
};

} // namespace Reports
