#include "compose/MessageSplit.h"

#include "base/Errors.h"
#include "modem/Gsm7.h"

#include <algorithm>

namespace {

constexpr QChar Blank = u' ';

bool holdsWord(const QString &message)
{
    return std::any_of(message.begin(), message.end(), [](QChar character) { return character != Blank; });
}

// How much of an SMS a text takes: septets in the GSM alphabet (an extension character
// or an ellipsis takes more than one), UTF-16 units in UCS-2.
class Measure {
public:
    Measure(Alphabet alphabet, bool concatenated)
        : m_alphabet(alphabet)
        , m_capacity(smsCapacity(alphabet, concatenated))
    {
    }

    int capacity() const { return m_capacity; }
    int of(QStringView text) const
    {
        return m_alphabet == Alphabet::Gsm7 ? gsmSeptetCount(text) : static_cast<int>(text.size());
    }
    // The units of the character at `at`: a surrogate pair goes whole.
    qsizetype characterLength(const QString &text, qsizetype at) const
    {
        return text.at(at).isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate() ? 2 : 1;
    }
    // Room still free in an SMS that holds part.
    int room(const QString &part) const { return m_capacity - of(part); }

    // Where the SMS that starts at `from` of the walked text (the message with its added
    // blank) ends: after the last whole piece that fits.
    qsizetype partEnd(const QString &walked, qsizetype from) const
    {
        int used = 0;
        qsizetype end = from;
        while (end < walked.size()) {
            // The walked text ends in a blank, so every piece has one.
            const qsizetype pieceEnd = walked.indexOf(Blank, end) + 1;
            const int piece = of(QStringView(walked).sliced(end, pieceEnd - end));
            if (used + piece > m_capacity)
                break;
            used += piece;
            end = pieceEnd;
        }
        if (end == from) {
            // A piece longer than one SMS is cut inside, between characters: an extension
            // character (escape and code) or a surrogate pair moves whole to the next part.
            while (end < walked.size()) {
                const qsizetype length = characterLength(walked, end);
                const int width = of(QStringView(walked).sliced(end, length));
                if (used + width > m_capacity)
                    break;
                used += width;
                end += length;
            }
        }
        return end;
    }

private:
    Alphabet m_alphabet;
    int m_capacity;
};

// The parts of a message cut to one measure.
QStringList cut(const QString &message, Alphabet alphabet, bool concatenated)
{
    const Measure measure(alphabet, concatenated);
    // What counts as a blank is what goes out as one.
    const auto wordIn = [alphabet](const QString &text) {
        return holdsWord(alphabet == Alphabet::Gsm7 ? gsmSentText(text) : text);
    };
    if (!wordIn(message))
        return {QString()};
    // The first cut is saperatesms's; the remainder, already ending in the added blank, is
    // walked on by the same measure.
    const SeparatedSms first = saperatesms(message, alphabet, concatenated);
    const QString walked = first.first + first.remainder;
    QStringList parts;
    // Blanks the walk made a part of their own tell the recipient nothing: they fill
    // what room the part before has, then the next part takes as many as it has room
    // for, and the rest are dropped. A part ends only when what follows does not fit,
    // so the neighbours seldom have room for them all.
    QString loose;
    for (qsizetype from = 0; from < walked.size();) {
        const qsizetype end = from == 0 ? first.first.size() : measure.partEnd(walked, from);
        const QString part = walked.sliced(from, end - from);
        from = end;
        if (wordIn(part)) {
            parts << loose.right(measure.room(part)) + part;
            loose.clear();
            continue;
        }
        qsizetype taken = 0;
        if (!parts.isEmpty()) {
            taken = std::min<qsizetype>(part.size(), measure.room(parts.last()));
            parts.last() += part.first(taken);
        }
        loose = part.sliced(taken);
    }
    return parts;
}

} // namespace

SeparatedSms saperatesms(const QString &message, Alphabet alphabet, bool concatenated)
{
    if (!holdsWord(message))
        return {};
    const QString walked = message + Blank;
    const qsizetype end = Measure(alphabet, concatenated).partEnd(walked, 0);
    return {walked.left(end), walked.sliced(end)};
}

SmsPlan planSms(const QString &message)
{
    const Alphabet alphabet = alphabetFor(message);
    QStringList parts = cut(message, alphabet, false);
    if (parts.size() > 1)
        parts = cut(message, alphabet, true);
    return {alphabet, parts};
}

SmsPlan planWholeWhenItFits(const QString &message)
{
    const Alphabet alphabet = alphabetFor(message);
    const Measure single(alphabet, false);
    if (single.of(message) <= single.capacity())
        return {alphabet, {message}};
    return planSms(message);
}

SmsPart SmsPlan::part(int index, int reference) const
{
    SmsPart sms{parts.at(index), alphabet, std::nullopt};
    if (parts.size() > 1)
        sms.concatenation = Concatenation{reference, static_cast<int>(parts.size()), index + 1};
    return sms;
}

void SmsPlan::requireSendable() const
{
    if (parts.size() > MostParts)
        throw BrivoraError(QStringLiteral("The message needs more than %1 SMS").arg(MostParts));
}

QString smsCostText(const QString &message)
{
    const SmsPlan plan = planSms(message);
    return QStringLiteral("%1 SMS \u00B7 %2")
        .arg(plan.parts.size())
        .arg(plan.alphabet == Alphabet::Gsm7 ? QStringLiteral("GSM") : QStringLiteral("Unicode"));
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
