#include "modem/Gsm7.h"

#include "base/Errors.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr char Escape = 0x1B;
// The escape position holds no character of its own.
constexpr char16_t NoCharacter = 0xFFFF;

// Eight codes a row, as the alphabet is printed.
// clang-format off
constexpr std::array<char16_t, 128> BasicTable = {
    u'@',    u'\u00A3', u'$',      u'\u00A5', u'\u00E8', u'\u00E9', u'\u00F9', u'\u00EC',
    u'\u00F2', u'\u00C7', u'\n',   u'\u00D8', u'\u00F8', u'\r',     u'\u00C5', u'\u00E5',
    u'\u0394', u'_',    u'\u03A6', u'\u0393', u'\u039B', u'\u03A9', u'\u03A0', u'\u03A8',
    u'\u03A3', u'\u0398', u'\u039E', NoCharacter, u'\u00C6', u'\u00E6', u'\u00DF', u'\u00C9',
    u' ',    u'!',      u'"',      u'#',      u'\u00A4', u'%',      u'&',      u'\'',
    u'(',    u')',      u'*',      u'+',      u',',      u'-',      u'.',      u'/',
    u'0',    u'1',      u'2',      u'3',      u'4',      u'5',      u'6',      u'7',
    u'8',    u'9',      u':',      u';',      u'<',      u'=',      u'>',      u'?',
    u'\u00A1', u'A',    u'B',      u'C',      u'D',      u'E',      u'F',      u'G',
    u'H',    u'I',      u'J',      u'K',      u'L',      u'M',      u'N',      u'O',
    u'P',    u'Q',      u'R',      u'S',      u'T',      u'U',      u'V',      u'W',
    u'X',    u'Y',      u'Z',      u'\u00C4', u'\u00D6', u'\u00D1', u'\u00DC', u'\u00A7',
    u'\u00BF', u'a',    u'b',      u'c',      u'd',      u'e',      u'f',      u'g',
    u'h',    u'i',      u'j',      u'k',      u'l',      u'm',      u'n',      u'o',
    u'p',    u'q',      u'r',      u's',      u't',      u'u',      u'v',      u'w',
    u'x',    u'y',      u'z',      u'\u00E4', u'\u00F6', u'\u00F1', u'\u00FC', u'\u00E0',
};
// clang-format on

struct ExtensionEntry {
    char code;
    char16_t character;
};

constexpr std::array<ExtensionEntry, 10> ExtensionTable = {{
    {0x0A, u'\f'},
    {0x14, u'^'},
    {0x28, u'{'},
    {0x29, u'}'},
    {0x2F, u'\\'},
    {0x3C, u'['},
    {0x3D, u'~'},
    {0x3E, u']'},
    {0x40, u'|'},
    {0x65, u'\u20AC'},
}};

std::optional<char> basicCode(QChar character)
{
    if (character.unicode() == NoCharacter)
        return std::nullopt;
    const auto found = std::find(BasicTable.begin(), BasicTable.end(), character.unicode());
    if (found == BasicTable.end())
        return std::nullopt;
    return static_cast<char>(found - BasicTable.begin());
}

const ExtensionEntry *extensionEntry(QChar character)
{
    const auto found = std::find_if(ExtensionTable.begin(), ExtensionTable.end(), [&](const ExtensionEntry &entry) {
        return entry.character == character.unicode();
    });
    return found == ExtensionTable.end() ? nullptr : &*found;
}

// What a character goes out as in the GSM alphabet: itself, or the nearest the
// alphabet has, which may be more than one character.
QStringView sentCharacters(const QChar &character)
{
    switch (character.unicode()) {
        case u'`':
        case u'\u2018': // left single quotation mark
        case u'\u2019': // right single quotation mark
        case u'\u201A': // single low-9 quotation mark
        case u'\u201B': // single high-reversed-9 quotation mark
        case u'\u2032': // prime
            return u"'";
        case u'\u201C': // left double quotation mark
        case u'\u201D': // right double quotation mark
        case u'\u201E': // double low-9 quotation mark
        case u'\u2033': // double prime
            return u"\"";
        case u'\u2012': // figure dash
        case u'\u2013': // en dash
        case u'\u2014': // em dash
        case u'\u2212': // minus sign
            return u"-";
        case u'\u2026': // horizontal ellipsis
            return u"...";
        case u'\u00A0': // no-break space
        case u'\u2009': // thin space
        case u'\u202F': // narrow no-break space
            return u" ";
        default:
            break;
    }
    if (character.category() == QChar::Other_Control && !basicCode(character) && !extensionEntry(character))
        return u" ";
    return QStringView(&character, 1);
}

bool inAlphabet(QChar character)
{
    return basicCode(character) || extensionEntry(character);
}

int septetWidth(QChar character)
{
    int septets = 0;
    for (const QChar sent : sentCharacters(character))
        septets += extensionEntry(sent) ? 2 : 1;
    return septets;
}

BrivoraError undecodable(const QString &what)
{
    return BrivoraError(QStringLiteral("Invalid GSM 7-bit text: %1").arg(what));
}

} // namespace

QString gsmSentText(const QString &text)
{
    QString sent;
    sent.reserve(text.size());
    for (const QChar &character : text)
        sent += sentCharacters(character);
    return sent;
}

Alphabet alphabetFor(QStringView text)
{
    for (const QChar &typed : text)
        for (const QChar character : sentCharacters(typed))
            if (!inAlphabet(character))
                return Alphabet::Ucs2;
    return Alphabet::Gsm7;
}

int gsmSeptetCount(QStringView text)
{
    int count = 0;
    for (const QChar character : text)
        count += septetWidth(character);
    return count;
}

QByteArray toGsmSeptets(const QString &text)
{
    QByteArray septets;
    septets.reserve(text.size());
    for (const QChar &typed : text) {
        for (const QChar character : sentCharacters(typed)) {
            if (const std::optional<char> code = basicCode(character)) {
                septets += *code;
            } else if (const ExtensionEntry *entry = extensionEntry(character)) {
                septets += Escape;
                septets += entry->code;
            } else {
                throw BrivoraError(QStringLiteral("Input string contains 8-bit data!"));
            }
        }
    }
    return septets;
}

QString shownGsmSeptets(QByteArrayView septets)
{
    QString text;
    text.reserve(septets.size());
    for (qsizetype i = 0; i < septets.size(); ++i) {
        const int code = septets[i] & 0x7F;
        if (code != Escape) {
            text += QChar(BasicTable[static_cast<size_t>(code)]);
        } else if (++i == septets.size()) {
            text += u' ';
        } else {
            const int next = septets[i] & 0x7F;
            const auto found = std::find_if(ExtensionTable.begin(), ExtensionTable.end(),
                                            [&](const ExtensionEntry &entry) { return entry.code == next; });
            text += QChar(next == Escape                   ? u' '
                              : found != ExtensionTable.end() ? found->character
                                                              : BasicTable[static_cast<size_t>(next)]);
        }
    }
    return text;
}

QString fromGsmSeptets(const QByteArray &septets)
{
    QString text;
    for (qsizetype i = 0; i < septets.size(); ++i) {
        const char code = septets.at(i);
        if (code < 0)
            throw undecodable(QStringLiteral("septet code above 127"));
        if (code != Escape) {
            text += QChar(BasicTable[static_cast<size_t>(code)]);
            continue;
        }
        if (++i == septets.size())
            throw undecodable(QStringLiteral("escape at the end of the text"));
        const auto found = std::find_if(ExtensionTable.begin(), ExtensionTable.end(),
                                        [&](const ExtensionEntry &entry) { return entry.code == septets.at(i); });
        if (found == ExtensionTable.end())
            throw undecodable(QStringLiteral("escape before code %1").arg(int(septets.at(i))));
        text += QChar(found->character);
    }
    return text;
}
