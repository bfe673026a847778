#include "reports/PdfText.h"

#include "base/Errors.h"

#include <QFile>
#include <QSaveFile>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QRawFont>
#include <QRegularExpression>
#include <QSet>
#include <QTextLayout>

namespace Reports {

namespace {

// The glyphs of one font as the PDF writer numbers them in the font it embeds: glyph 0
// first, then each glyph as it is first drawn; and the characters beyond the basic plane
// that some of them show.
struct FontUse {
    QList<quint32> glyphs{0};
    QSet<quint32> known{0};
    QHash<quint32, char32_t> beyond;
};

// The font's PostScript name, which the PDF names it by: name 6 of its 'name' table.
QString postScriptName(const QRawFont &font)
{
    const QByteArray table = font.fontTable("name");
    const auto u16 = [&](qsizetype at) {
        return at >= 0 && at + 2 <= table.size() ? (quint8(table.at(at)) << 8) | quint8(table.at(at + 1)) : -1;
    };
    const int count = u16(2);
    const int strings = u16(4);
    for (int i = 0; i < count; ++i) {
        const qsizetype record = 6 + 12 * qsizetype(i);
        const int platform = u16(record);
        const int length = u16(record + 8);
        const int offset = u16(record + 10);
        if (u16(record + 6) != 6 || length <= 0 || offset < 0 || strings + offset + length > table.size())
            continue;
        const QByteArray bytes = table.mid(strings + offset, length);
        if (platform != 0 && platform != 3)
            return QString::fromLatin1(bytes);
        QString name;
        for (qsizetype at = 0; at + 1 < bytes.size(); at += 2)
            name += QChar(char16_t((quint8(bytes.at(at)) << 8) | quint8(bytes.at(at + 1))));
        return name;
    }
    return {};
}

// What drawing the text does to each font's numbering, as drawPage draws it: laid out the
// same way, its glyphs taken in the order they are drawn.
void collect(const QString &text, const QFont &font, QHash<QString, FontUse> &uses, QHash<QString, QString> &names)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    QList<char32_t> beyond;
    for (const char32_t c : text.toUcs4())
        if (c > 0xFFFF)
            beyond << c;
    for (const QGlyphRun &run : runs) {
        const QRawFont raw = run.rawFont();
        const QString key = raw.familyName() + QLatin1Char('/') + raw.styleName();
        auto name = names.find(key);
        if (name == names.end())
            name = names.insert(key, postScriptName(raw));
        FontUse &use = uses[*name];
        for (const quint32 glyph : run.glyphIndexes()) {
            if (!use.known.contains(glyph)) {
                use.known.insert(glyph);
                use.glyphs << glyph;
            }
        }
        for (const char32_t c : std::as_const(beyond)) {
            const QList<quint32> glyphs = raw.glyphIndexesForString(QString::fromUcs4(&c, 1));
            if (glyphs.size() == 1 && glyphs.first() != 0 && use.known.contains(glyphs.first()))
                use.beyond.insert(glyphs.first(), c);
        }
    }
}

QByteArray hex(quint32 value, int digits)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0');
}

// bfchar entries for the glyphs whose characters lie beyond the basic plane, at most
// a hundred a block.
QByteArray missingEntries(const FontUse &use)
{
    QList<QByteArray> entries;
    for (qsizetype cid = 1; cid < use.glyphs.size(); ++cid) {
        const auto found = use.beyond.constFind(use.glyphs.at(cid));
        if (found == use.beyond.constEnd())
            continue;
        const char32_t c = *found - 0x10000;
        const quint32 high = 0xD800 + (c >> 10);
        const quint32 low = 0xDC00 + (c & 0x3FF);
        entries << '<' + hex(quint32(cid), 4) + "> <" + hex(high, 4) + hex(low, 4) + '>';
    }
    QByteArray blocks;
    for (qsizetype at = 0; at < entries.size(); at += 100) {
        const QList<QByteArray> block = entries.mid(at, 100);
        blocks += QByteArray::number(block.size()) + " beginbfchar\n";
        for (const QByteArray &entry : block)
            blocks += entry + '\n';
        blocks += "endbfchar\n";
    }
    return blocks;
}

// Adds entries to the ToUnicode map of the font of that name; false when the file is not
// as Qt writes it. The cross-reference table and its offset follow the bytes that moved.
bool addEntries(QByteArray &pdf, const QString &fontName, const QByteArray &entries)
{
    const QRegularExpression font(QStringLiteral(R"(/Subtype /Type0\s*/BaseFont /%1\s[^>]*?/ToUnicode (\d+) 0 R)")
                                      .arg(QRegularExpression::escape(fontName)));
    const QString text = QString::fromLatin1(pdf);
    const QRegularExpressionMatch fontMatch = font.match(text);
    if (!fontMatch.hasMatch())
        return false;
    const QRegularExpression map(
        QStringLiteral(R"(\n%1 0 obj\n<< /Length (\d+) >>\nstream\n)").arg(fontMatch.captured(1)));
    const QRegularExpressionMatch mapMatch = map.match(text);
    if (!mapMatch.hasMatch())
        return false;
    const qsizetype streamStart = mapMatch.capturedEnd(0);
    const qsizetype length = mapMatch.captured(1).toLongLong();
    QByteArray stream = pdf.mid(streamStart, length);
    const qsizetype end = stream.lastIndexOf("endcmap");
    if (end < 0)
        return false;
    stream.insert(end, entries);
    const QByteArray head = "<< /Length " + QByteArray::number(stream.size()) + " >>\nstream\n";
    const qsizetype headStart = mapMatch.capturedStart(1) - qsizetype(sizeof "<< /Length ") + 1;
    const qsizetype moved = qsizetype(head.size() + stream.size()) - (streamStart + length - headStart);
    pdf.replace(headStart, streamStart + length - headStart, QByteArray(head + stream));

    const qsizetype xref = pdf.lastIndexOf("\nxref\n");
    const qsizetype startXref = pdf.lastIndexOf("\nstartxref\n");
    if (xref < 0 || startXref < xref)
        return false;
    // Each entry is "oooooooooo ggggg n \n": an offset past the change moves with it.
    static const QRegularExpression entry(QStringLiteral(R"((\d{10}) (\d{5}) n)"));
    QString table = QString::fromLatin1(pdf.mid(xref, startXref - xref));
    qsizetype at = 0;
    QRegularExpressionMatch m;
    while ((m = entry.match(table, at)).hasMatch()) {
        const qint64 offset = m.captured(1).toLongLong();
        if (offset > headStart)
            table.replace(m.capturedStart(1), 10, QString::number(offset + moved).rightJustified(10, u'0'));
        at = m.capturedEnd(0);
    }
    const qsizetype numberStart = startXref + qsizetype(sizeof "\nstartxref\n") - 1;
    const qsizetype numberEnd = pdf.indexOf('\n', numberStart);
    const qint64 oldXref = pdf.mid(numberStart, numberEnd - numberStart).toLongLong();
    const QByteArray newXref = QByteArray::number(oldXref + moved);
    pdf.replace(numberStart, numberEnd - numberStart, newXref);
    pdf.replace(xref, startXref - xref, table.toLatin1());
    return true;
}

} // namespace

void mapCharactersBeyondTheBasicPlane(const QString &path, const PagedReport &report, const QVector<int> &pages)
{
    QHash<QString, FontUse> uses;
    QHash<QString, QString> names;
    bool anyBeyond = false;
    for (const int index : pages) {
        for (const PageItem &item : report.page(index).items) {
            if (item.kind != PageItem::Kind::Text)
                continue;
            // Only whether a font has a glyph decides which font draws it, never the size.
            collect(item.text, fontFor(item.style), uses, names);
            anyBeyond = anyBeyond || std::any_of(item.text.cbegin(), item.text.cend(), [](QChar c) {
                return c.isHighSurrogate();
            });
        }
    }
    if (!anyBeyond)
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw BrivoraError(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    QByteArray pdf = file.readAll();
    file.close();
    bool changed = false;
    for (auto use = uses.cbegin(); use != uses.cend(); ++use) {
        const QByteArray entries = missingEntries(*use);
        if (entries.isEmpty() || use.key().isEmpty())
            continue;
        QByteArray patched = pdf;
        if (addEntries(patched, use.key(), entries)) {
            pdf = patched;
            changed = true;
        }
    }
    if (!changed)
        return;
    // Whole or not at all: the PDF as Qt wrote it stays until the new one is complete.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(pdf) != pdf.size() || !out.commit())
        throw BrivoraError(QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
}

} // namespace Reports
