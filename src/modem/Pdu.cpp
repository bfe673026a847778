#include "modem/Pdu.h"

#include "base/Errors.h"
#include "modem/Gsm7.h"

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

} // namespace

QString encodeSubmitPdu(const QString &centreNumber, const QString &destination, const QString &text)
{
    const QString centreDigits = withoutLeadingPlus(centreNumber);
    const QString destinationDigits = withoutLeadingPlus(destination);
    const QByteArray userData = packUserData(text);

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
    // SMS-SUBMIT with a relative validity period; the phone assigns the reference.
    pdu += QStringLiteral("1100");
    pdu += hexOctet(static_cast<int>(destinationDigits.size())) + QStringLiteral("91")
        + swappedSemiOctets(destinationDigits);
    // Protocol 0, 7-bit default alphabet, valid for four days.
    pdu += QStringLiteral("0000AA");
    pdu += hexOctet(gsmSeptetCount(text)) + QString::fromLatin1(userData.toHex().toUpper());
    return pdu;
}

QByteArray packUserData(const QString &text)
{
    // A text too long is refused for its length, whatever characters it holds.
    if (gsmSeptetCount(text) > SmsSeptets)
        throw BrivoraError(QStringLiteral("Input string greater than 160 characters!"));
    const QByteArray septets = toGsmSeptets(text);

    QByteArray octets;
    octets.reserve((septets.size() * 7 + 7) / 8);
    unsigned bits = 0;
    int bitCount = 0;
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

    reader.expect(QStringLiteral("11"), QStringLiteral("first octet"));
    reader.take(2, QStringLiteral("message reference"));
    const int destinationDigits = reader.octet(QStringLiteral("destination length"));
    reader.expect(QStringLiteral("91"), QStringLiteral("destination type"));
    decoded.destination =
        unswappedSemiOctets(reader.take(2 * ((destinationDigits + 1) / 2), QStringLiteral("destination number")))
            .left(destinationDigits);
    reader.take(2, QStringLiteral("protocol identifier"));
    reader.expect(QStringLiteral("00"), QStringLiteral("data coding scheme"));
    reader.take(2, QStringLiteral("validity period"));

    const int septetCount = reader.octet(QStringLiteral("user data length"));
    QByteArray octets;
    for (int octet = 0; octet < (septetCount * 7 + 7) / 8; ++octet)
        octets += static_cast<char>(reader.octet(QStringLiteral("user data")));
    if (!reader.atEnd())
        throw malformed(QStringLiteral("it goes on after the user data"));
    decoded.text = fromGsmSeptets(unpackSeptets(octets, septetCount));
    return decoded;
}
