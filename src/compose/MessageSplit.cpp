#include "compose/MessageSplit.h"

#include "modem/Gsm7.h"

#include <algorithm>

namespace {

constexpr QChar Blank = u' ';

bool holdsWord(const QString &message)
{
    return std::any_of(message.begin(), message.end(), [](QChar character) { return character != Blank; });
}

// Septets still free in an SMS; blanks take one each.
qsizetype room(const QString &part)
{
    return SmsSeptets - gsmSeptetCount(part);
}

// Where the SMS that starts at `from` of the walked text (the message with its added
// blank) ends: after the last whole piece that fits.
qsizetype partEnd(const QString &walked, qsizetype from)
{
    int septets = 0;
    qsizetype end = from;
    while (end < walked.size()) {
        // The walked text ends in a blank, so every piece has one.
        const qsizetype pieceEnd = walked.indexOf(Blank, end) + 1;
        const int pieceSeptets = gsmSeptetCount(QStringView(walked).sliced(end, pieceEnd - end));
        if (septets + pieceSeptets > SmsSeptets)
            break;
        septets += pieceSeptets;
        end = pieceEnd;
    }
    if (end == from) {
        // A piece longer than one SMS is cut inside. The cut falls between characters,
        // so an extension character, escape and code, moves whole to the next part.
        while (end < walked.size() && septets + gsmSeptetWidth(walked.at(end)) <= SmsSeptets)
            septets += gsmSeptetWidth(walked.at(end++));
    }
    return end;
}

} // namespace

SeparatedSms saperatesms(const QString &message)
{
    if (!holdsWord(message))
        return {};
    const QString walked = message + Blank;
    const qsizetype end = partEnd(walked, 0);
    return {walked.left(end), walked.sliced(end)};
}

QStringList splitIntoParts(const QString &message)
{
    if (!holdsWord(gsmSentText(message)))
        return {QString()};
    const QString walked = message + Blank;
    QStringList parts;
    // Blanks the walk made a part of their own tell the recipient nothing: they fill
    // what room the part before has, then the next part takes as many as it has room
    // for, and the rest are dropped. A part ends only when what follows does not fit,
    // so the neighbours seldom have room for them all.
    QString loose;
    for (qsizetype from = 0; from < walked.size();) {
        const qsizetype end = partEnd(walked, from);
        const QString part = walked.sliced(from, end - from);
        from = end;
        if (holdsWord(gsmSentText(part))) {
            parts << loose.right(room(part)) + part;
            loose.clear();
            continue;
        }
        qsizetype taken = 0;
        if (!parts.isEmpty()) {
            taken = std::min(part.size(), room(parts.last()));
            parts.last() += part.first(taken);
        }
        loose = part.sliced(taken);
    }
    return parts;
}

QString characterCountText(int characters)
{
    return QStringLiteral("%1 characters").arg(characters);
}

CounterColour characterCountColour(int characters)
{
    constexpr int RedAbove = 155;
    if (characters > RedAbove)
        return CounterColour::Red;
    if (characters < RedAbove)
        return CounterColour::Black;
    return CounterColour::Unchanged;
}

bool needsCharacterLimitWarning(int characters)
{
    return characters > 300;
}

QString characterLimitWarningText()
{
    return QStringLiteral("Your text is more then 300 characters. System disallowed");
}
