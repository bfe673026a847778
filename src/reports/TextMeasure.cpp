#include "reports/TextMeasure.h"

#include <QFontMetricsF>

namespace Reports {

namespace {

constexpr double MmPerDot = 25.4 / MeasuredDotsPerInch;
// Advances below this code point are kept in a table; others are measured each time.
constexpr char16_t TableSize = 0x3000;

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

} // namespace

struct TextMeasure::Metrics {
    Metrics(TextStyle style, const QFont &font, QPaintDevice *device)
        : style(style)
        , fm(font, device)
        , advances(TableSize, -1.0)
    {
    }

    double advance(QChar c)
    {
        if (c.unicode() < TableSize) {
            double &known = advances[c.unicode()];
            if (known < 0)
                known = fm.horizontalAdvance(c) * MmPerDot;
            return known;
        }
        return fm.horizontalAdvance(c) * MmPerDot;
    }

    TextStyle style;
    QFontMetricsF fm;
    std::vector<double> advances;
};

TextMeasure::TextMeasure()
    : m_device(1, 1, QImage::Format_Mono)
{
    const int dotsPerMetre = qRound(MeasuredDotsPerInch / 0.0254);
    m_device.setDotsPerMeterX(dotsPerMetre);
    m_device.setDotsPerMeterY(dotsPerMetre);
}

TextMeasure::~TextMeasure() = default;

TextMeasure::Metrics &TextMeasure::metrics(TextStyle style)
{
    for (const auto &known : m_metrics)
        if (known->style == style)
            return *known;
    m_metrics.push_back(std::make_unique<Metrics>(style, fontFor(style), &m_device));
    return *m_metrics.back();
}

double TextMeasure::width(TextStyle style, QStringView text)
{
    Metrics &m = metrics(style);
    double sum = 0;
    for (QChar c : text)
        sum += m.advance(c);
    return sum;
}

double TextMeasure::lineSpacing(TextStyle style)
{
    return metrics(style).fm.lineSpacing() * MmPerDot;
}

qsizetype TextMeasure::fitting(Metrics &metrics, QStringView text, double width)
{
    double sum = 0;
    qsizetype n = 0;
    while (n < text.size()) {
        // A surrogate pair is one character: never split between its halves.
        const qsizetype step = text.at(n).isHighSurrogate() && n + 1 < text.size() ? 2 : 1;
        const double advance = step == 2 ? metrics.fm.horizontalAdvance(text.mid(n, 2).toString()) * MmPerDot
                                         : metrics.advance(text.at(n));
        if (sum + advance > width)
            break;
        sum += advance;
        n += step;
    }
    return n;
}

QString TextMeasure::cut(TextStyle style, const QString &text, double width)
{
    qsizetype end = 0;
    while (end < text.size() && !isLineBreak(text.at(end)))
        ++end;
    const QStringView line = QStringView(text).left(end);
    return line.left(fitting(metrics(style), line, width)).toString();
}

QStringList TextMeasure::wrap(TextStyle style, const QString &text, double width, double height)
{
    Metrics &m = metrics(style);
    const int maxLines = int(height / lineSpacing(style));
    QStringList lines;
    const QStringView all(text);
    qsizetype at = 0;
    while (lines.size() < maxLines && at <= all.size()) {
        qsizetype end = at;
        while (end < all.size() && !isLineBreak(all.at(end)))
            ++end;
        QStringView paragraph = all.mid(at, end - at);
        // CR LF is one break.
        at = end
            + (end + 1 < all.size() && all.at(end) == QLatin1Char('\r') && all.at(end + 1) == QLatin1Char('\n') ? 2
                                                                                                                : 1);
        if (end == all.size() && paragraph.isEmpty() && !lines.isEmpty())
            break;
        do {
            qsizetype fit = fitting(m, paragraph, width);
            if (fit < paragraph.size()) {
                // Break after the last blank that fits, if there is one.
                const qsizetype blank = paragraph.left(fit + 1).lastIndexOf(QLatin1Char(' '));
                if (blank > 0)
                    fit = blank;
                else if (fit == 0)
                    fit = 1;
            }
            lines.append(paragraph.left(fit).toString());
            paragraph = paragraph.mid(fit);
            while (!paragraph.isEmpty() && paragraph.front() == QLatin1Char(' '))
                paragraph = paragraph.mid(1);
        } while (!paragraph.isEmpty() && lines.size() < maxLines);
    }
    return lines;
}

} // namespace Reports
