#include "modem/Pdu.h"

#include "base/Errors.h"

#include <QRandomGenerator>

namespace {

QString withoutLeadingPlus(const QString &number)
{
    return number.startsWith(QLatin1Char('+')) ? number.mid(1) : number;
}

// Digit pairs swapped; an odd count ends in "F" and the last digit.
QString swappedSemiOctets(const QString &digits)
{
    QString swapped;
    swapped.reserve(digits.size() + 1);
    for (qsizetype i = 0; i + 1 < digits.size(); i += 2)
        swapped.append(digits.at(i + 1)).append(digits.at(i));
    if (digits.size() % 2 != 0)
        swapped.append(QLatin1Char('F')).append(digits.back());
    return swapped;
}

QString unswappedSemiOctets(const QString &swapped)
{
    QString digits;
    digits.reserve(swapped.size());
    for (qsizetype i = 0; i + 1 < swapped.size(); i += 2)
        digits.append(swapped.at(i + 1)).append(swapped.at(i));
    return digits;
}

QString hexOctet(int value)
{
    return QString::number(value, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

QByteArray unpackSeptets(const QByteArray &octets, int septetCount)
{
    QByteArray septets;
    septets.reserve(septetCount);
    for (int k = 0; k < septetCount; ++k) {
        const qsizetype first = 7 * k / 8;
        const int shift = 7 * k % 8;
        unsigned value = static_cast<quint8>(octets.at(first)) >> shift;
        if (first + 1 < octets.size())
            value |= static_cast<unsigned>(static_cast<quint8>(octets.at(first + 1))) << (8 - shift);
        septets += static_cast<char>(value & 0x7F);
    }
    return septets;
}

BrivoraError malformed(const QString &what)
{
    return BrivoraError(QStringLiteral("Malformed PDU: %1").arg(what));
}

// Walks a PDU field by field.
class PduReader {
public:
    explicit PduReader(const QString &pdu)
        : m_pdu(pdu)
    {
    }

    QString take(qsizetype characters, const QString &field)
    {
        if (m_position + characters > m_pdu.size())
            throw malformed(QStringLiteral("it ends inside the %1").arg(field));
        const QString taken = m_pdu.mid(m_position, characters);
        m_position += characters;
        return taken;
    }

    int octet(const QString &field, int base = 16)
    {
        bool ok = false;
        const int value = take(2, field).toInt(&ok, base);
        if (!ok)
            throw malformed(QStringLiteral("the %1 is not a number").arg(field));
        return value;
    }

    void expect(const QString &value, const QString &field)
    {
        if (take(value.size(), field) != value)
            throw malformed(QStringLiteral("the %1 is not %2").arg(field, value));
    }

    bool atEnd() const { return m_position == m_pdu.size(); }

private:
    const QString &m_pdu;
    qsizetype m_position = 0;
};

constexpr int UserDataHeaderIndicator = 0x40;
constexpr int StatusReportRequest = 0x20;
constexpr int ConcatenationElement = 0x00;

// The user data header of a part: one element, the concatenation with an 8-bit reference.
QByteArray concatenationHeader(const Concatenation &part)
{
    QByteArray header;
    header += char(5); // the header's own length
    header += char(ConcatenationElement);
    header += char(3);
    header += static_cast<char>(part.reference & 0xFF);
    header += static_cast<char>(part.count);
    header += static_cast<char>(part.index);
    return header;
}

// Septets packed seven bits each, least significant bit first, after fillBits zero bits
// that bring them to a septet boundary behind a header.
QByteArray packSeptets(const QByteArray &septets, int fillBits)
{
    QByteArray octets;
    octets.reserve((fillBits + septets.size() * 7 + 7) / 8);
    unsigned bits = 0;
    int bitCount = fillBits;
    for (const char septet : septets) {
        bits |= static_cast<unsigned>(septet) << bitCount;
        bitCount += 7;
        while (bitCount >= 8) {
            octets += static_cast<char>(bits & 0xFF);
            bits >>= 8;
            bitCount -= 8;
        }
    }
    if (bitCount > 0)
        octets += static_cast<char>(bits & 0xFF);
    return octets;
}

// The septets a header of so many octets takes, fill bits included.
int headerSeptets(qsizetype headerOctets)
{
    return static_cast<int>((headerOctets * 8 + 6) / 7);
}

// The text as UTF-16 units, high octet first; a lone half of a surrogate pair is no
// character a phone could show.
QByteArray toUcs2(const QString &text)
{
    QByteArray units;
    units.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text.at(i);
        const bool paired = unit.isHighSurrogate()
            ? i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
            : !unit.isLowSurrogate() || (i > 0 && text.at(i - 1).isHighSurrogate());
        if (!paired)
            throw BrivoraError(QStringLiteral("Input string contains 8-bit data!"));
        units += static_cast<char>(unit.unicode() >> 8);
        units += static_cast<char>(unit.unicode() & 0xFF);
    }
    return units;
}

QString fromUcs2(const QByteArray &units)
{
    QString text;
    text.reserve(units.size() / 2);
    for (qsizetype i = 0; i + 1 < units.size(); i += 2)
        text += QChar(
            static_cast<char16_t>((static_cast<quint8>(units.at(i)) << 8) | static_cast<quint8>(units.at(i + 1))));
    return text;
}

std::optional<Concatenation> concatenationIn(const QByteArray &header)
{
    for (qsizetype at = 0; at + 1 < header.size();) {
        const int element = static_cast<quint8>(header.at(at));
        const int length = static_cast<quint8>(header.at(at + 1));
        if (at + 2 + length > header.size())
            throw malformed(QStringLiteral("its header ends inside an element"));
        if (element == ConcatenationElement && length == 3)
            return Concatenation{static_cast<quint8>(header.at(at + 2)), static_cast<quint8>(header.at(at + 3)),
                                 static_cast<quint8>(header.at(at + 4))};
        at += 2 + length;
    }
    return std::nullopt;
}

} // namespace

int smsCapacity(Alphabet alphabet, bool concatenated)
{
    if (alphabet == Alphabet::Gsm7)
        return concatenated ? ConcatenatedSeptets : SmsSeptets;
    return concatenated ? ConcatenatedUnits : SmsUnits;
}

QString encodeSubmitPdu(const QString &centreNumber, const QString &destination, const SmsPart &part)
{
    const QString centreDigits = withoutLeadingPlus(centreNumber);
    const QString destinationDigits = withoutLeadingPlus(destination);
    const bool concatenated = part.concatenation.has_value();
    const QByteArray header = concatenated ? concatenationHeader(*part.concatenation) : QByteArray();
    const int capacity = smsCapacity(part.alphabet, concatenated);
    const auto tooLong = [capacity] {
        return BrivoraError(QStringLiteral("Input string greater than %1 characters!").arg(capacity));
    };

    // A text too long is refused for its length, whatever characters it holds.
    QByteArray userData = header;
    int userDataLength = 0;
    if (part.alphabet == Alphabet::Gsm7) {
        if (gsmSeptetCount(part.text) > capacity)
            throw tooLong();
        const QByteArray septets = toGsmSeptets(part.text);
        const int skipped = header.isEmpty() ? 0 : headerSeptets(header.size());
        userData += packSeptets(septets, skipped * 7 - static_cast<int>(header.size()) * 8);
        userDataLength = skipped + static_cast<int>(septets.size());
    } else {
        if (part.text.size() > capacity)
            throw tooLong();
        userData += toUcs2(part.text);
        userDataLength = static_cast<int>(userData.size());
    }

    QString pdu;
    if (centreDigits.isEmpty()) {
        pdu += QStringLiteral("00");
    } else {
        // Decimal, not hexadecimal: commandLength reads it back the same way, so the
        // announced length stays right even for centre numbers of 17 digits or more.
        const auto centreOctets = 1 + (centreDigits.size() + 1) / 2;
        pdu += QString::number(centreOctets).rightJustified(2, QLatin1Char('0'));
        pdu += QStringLiteral("91") + swappedSemiOctets(centreDigits);
    }
    // SMS-SUBMIT with a relative validity period (and a user data header for a part of a
    // longer message); the phone assigns the reference.
    pdu += hexOctet(0x11 | (concatenated ? UserDataHeaderIndicator : 0) | (part.asksReport ? StatusReportRequest : 0))
        + QStringLiteral("00");
    pdu += hexOctet(static_cast<int>(destinationDigits.size())) + QStringLiteral("91")
        + swappedSemiOctets(destinationDigits);
    // Protocol 0, the alphabet, valid for four days.
    pdu += QStringLiteral("00") + (part.alphabet == Alphabet::Gsm7 ? QStringLiteral("00") : QStringLiteral("08"))
        + QStringLiteral("AA");
    pdu += hexOctet(userDataLength) + QString::fromLatin1(userData.toHex().toUpper());
    return pdu;
}

QString encodeSubmitPdu(const QString &centreNumber, const QString &destination, const QString &text)
{
    return encodeSubmitPdu(centreNumber, destination, SmsPart{text, alphabetFor(text), std::nullopt});
}

ConcatenationReferences::ConcatenationReferences()
    : m_next(static_cast<int>(QRandomGenerator::global()->bounded(256)))
{
}

int ConcatenationReferences::take()
{
    const int reference = m_next;
    m_next = (m_next + 1) & 0xFF;
    return reference;
}

int commandLength(const QString &pdu)
{
    const int centreOctets = pdu.left(2).toInt();
    return static_cast<int>(pdu.size() - 2 - 2 * centreOctets) / 2;
}

SubmitPdu decodeSubmitPdu(const QString &hex)
{
    PduReader reader(hex);
    SubmitPdu decoded;

    const int centreOctets = reader.octet(QStringLiteral("centre length"), 10);
    if (centreOctets > 0) {
        reader.expect(QStringLiteral("91"), QStringLiteral("centre type"));
        QString centre = unswappedSemiOctets(reader.take(2 * (centreOctets - 1), QStringLiteral("centre number")));
        if (centre.endsWith(QLatin1Char('F')))
            centre.chop(1);
        decoded.centreNumber = centre;
    }

    const int firstOctet = reader.octet(QStringLiteral("first octet"));
    if ((firstOctet & ~(UserDataHeaderIndicator | StatusReportRequest)) != 0x11)
        throw malformed(QStringLiteral("the first octet is not 11, 31, 51 or 71"));
    const bool hasHeader = firstOctet & UserDataHeaderIndicator;
    decoded.asksReport = firstOctet & StatusReportRequest;
    reader.take(2, QStringLiteral("message reference"));
    const int destinationDigits = reader.octet(QStringLiteral("destination length"));
    reader.expect(QStringLiteral("91"), QStringLiteral("destination type"));
    decoded.destination =
        unswappedSemiOctets(reader.take(2 * ((destinationDigits + 1) / 2), QStringLiteral("destination number")))
            .left(destinationDigits);
    reader.take(2, QStringLiteral("protocol identifier"));
    const int coding = reader.octet(QStringLiteral("data coding scheme"));
    if (coding != 0x00 && coding != 0x08)
        throw malformed(QStringLiteral("the data coding scheme is not 00 or 08"));
    decoded.alphabet = coding == 0x08 ? Alphabet::Ucs2 : Alphabet::Gsm7;
    reader.take(2, QStringLiteral("validity period"));

    const int userDataLength = reader.octet(QStringLiteral("user data length"));
    const int octetCount = decoded.alphabet == Alphabet::Gsm7 ? (userDataLength * 7 + 7) / 8 : userDataLength;
    QByteArray octets;
    for (int octet = 0; octet < octetCount; ++octet)
        octets += static_cast<char>(reader.octet(QStringLiteral("user data")));
    if (!reader.atEnd())
        throw malformed(QStringLiteral("it goes on after the user data"));

    qsizetype headerOctets = 0;
    if (hasHeader) {
        if (octets.isEmpty() || static_cast<quint8>(octets.at(0)) + 1 > octets.size())
            throw malformed(QStringLiteral("its header is longer than its user data"));
        headerOctets = static_cast<quint8>(octets.at(0)) + 1;
        decoded.concatenation = concatenationIn(octets.mid(1, headerOctets - 1));
    }
    if (decoded.alphabet == Alphabet::Gsm7) {
        const int skipped = hasHeader ? headerSeptets(headerOctets) : 0;
        decoded.text = fromGsmSeptets(unpackSeptets(octets, userDataLength).mid(skipped));
    } else {
        decoded.text = fromUcs2(octets.mid(headerOctets));
    }
    return decoded;
}
