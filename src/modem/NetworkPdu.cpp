#include "modem/NetworkPdu.h"

#include "base/Errors.h"
#include "modem/Gsm7.h"

#include <QMap>

#include <array>
#include <tuple>

namespace {

constexpr int UserDataHeaderIndicator = 0x40;
constexpr int StatusReportRequest = 0x20;
// No address field holds more than ten octets of value.
constexpr int LongestAddress = 20; // semi-octets
// The furthest real zones lie from UTC.
constexpr int FurthestZone = 14 * 4; // quarters of an hour

BrivoraError malformed(const QString &what)
{
    return BrivoraError(QStringLiteral("Malformed PDU: ") + what);
}

// The first count septets of octets packed seven bits each, least significant first.
QByteArray unpackSeptets(QByteArrayView octets, qsizetype count)
{
    QByteArray septets(count, Qt::Uninitialized);
    for (qsizetype k = 0; k < count; ++k) {
        const qsizetype at = 7 * k / 8;
        const int shift = static_cast<int>(7 * k % 8);
        unsigned value = static_cast<quint8>(octets[at]) >> shift;
        if (shift > 1 && at + 1 < octets.size())
            value |= static_cast<unsigned>(static_cast<quint8>(octets[at + 1])) << (8 - shift);
        septets[k] = static_cast<char>(value & 0x7F);
    }
    return septets;
}

// UTF-16 units, high octet first; a lone half of a surrogate pair is no character.
QString shownUcs2Text(QByteArrayView octets)
{
    QString text(octets.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(
            static_cast<char16_t>((static_cast<quint8>(octets[2 * i]) << 8) | static_cast<quint8>(octets[2 * i + 1])));
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (text.at(i).isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray octetsOf(QByteArrayView hex)
{
    if (hex.isEmpty())
        throw malformed(QStringLiteral("it is empty"));
    if (hex.size() % 2 != 0)
        throw malformed(QStringLiteral("it has an odd number of hexadecimal digits"));
    QByteArray octets(hex.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < octets.size(); ++i) {
        const int high = hexDigit(hex[2 * i]);
        const int low = hexDigit(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            throw malformed(QStringLiteral("it holds a character that is no hexadecimal digit"));
        octets[i] = static_cast<char>(high << 4 | low);
    }
    return octets;
}

// Walks the octets field by field; every field is checked against what is left.
class OctetReader {
public:
    explicit OctetReader(QByteArrayView octets)
        : m_octets(octets)
    {
    }

    QByteArrayView take(qsizetype count, const char *field)
    {
        if (count > m_octets.size() - m_position)
            throw malformed(QStringLiteral("it ends inside the %1").arg(QLatin1StringView(field)));
        const QByteArrayView taken = m_octets.sliced(m_position, count);
        m_position += count;
        return taken;
    }

    int octet(const char *field) { return static_cast<quint8>(take(1, field)[0]); }

    void requireEnd() const
    {
        if (m_position != m_octets.size())
            throw malformed(QStringLiteral("it goes on after the user data"));
    }

    bool atEnd() const { return m_position == m_octets.size(); }

private:
    QByteArrayView m_octets;
    qsizetype m_position = 0;
};

QString digitsOf(QByteArrayView value, int semiOctets)
{
    static constexpr char16_t Digits[] = u"0123456789*#abc";
    QString digits;
    digits.reserve(semiOctets);
    for (int i = 0; i < semiOctets; ++i) {
        const int semiOctet = (static_cast<quint8>(value[i / 2]) >> (i % 2 == 0 ? 0 : 4)) & 0x0F;
        if (semiOctet != 0x0F) // filler
            digits += QChar(Digits[semiOctet]);
    }
    return digits;
}

PduAddress addressOf(int type, QByteArrayView value, int semiOctets)
{
    switch ((type >> 4) & 0x07) {
        case 1:
            return {QLatin1Char('+') + digitsOf(value, semiOctets), NumberKind::International};
        case 0: // unknown: what a phone dialled, as it dialled it
        case 2:
            return {digitsOf(value, semiOctets), NumberKind::National};
        case 5:
            return {shownGsmSeptets(unpackSeptets(value, semiOctets * 4 / 7)), NumberKind::Alphanumeric};
        default:
            return {digitsOf(value, semiOctets), NumberKind::Other};
    }
}

// The centre's length counts octets, its type's included.
QString readCentre(OctetReader &reader)
{
    const int octets = reader.octet("centre's length");
    if (octets == 0)
        return {};
    if (octets - 1 > LongestAddress / 2)
        throw malformed(QStringLiteral("the centre's number is longer than %1 digits").arg(LongestAddress));
    const int type = reader.octet("centre's type");
    return addressOf(type, reader.take(octets - 1, "centre's number"), 2 * (octets - 1)).text;
}

// An address's length counts the semi-octets of its value, filler excluded.
PduAddress readAddress(OctetReader &reader, const char *lengthField, const char *typeField, const char *valueField)
{
    const int semiOctets = reader.octet(lengthField);
    if (semiOctets > LongestAddress)
        throw malformed(QStringLiteral("the %1 of %2 is more than %3 semi-octets")
                            .arg(QLatin1StringView(lengthField))
                            .arg(semiOctets)
                            .arg(LongestAddress));
    const int type = reader.octet(typeField);
    return addressOf(type, reader.take((semiOctets + 1) / 2, valueField), semiOctets);
}

// Two decimal digits, the first in the low semi-octet; -1 for any other semi-octet.
int swappedDecimal(quint8 octet)
{
    const int first = octet & 0x0F;
    const int second = octet >> 4;
    return first > 9 || second > 9 ? -1 : first * 10 + second;
}

QDateTime timeStampOf(QByteArrayView stamp)
{
    std::array<int, 6> fields{};
    for (int i = 0; i < 6; ++i) {
        fields[i] = swappedDecimal(static_cast<quint8>(stamp[i]));
        if (fields[i] < 0)
            return {};
    }
    // The zone's first semi-octet carries its sign in its top bit.
    const auto zone = static_cast<quint8>(stamp[6]);
    if ((zone >> 4) > 9)
        return {};
    const int quarters = (zone & 0x07) * 10 + (zone >> 4);
    if (quarters > FurthestZone)
        return {};
    const QDate date(2000 + fields[0], fields[1], fields[2]);
    const QTime time(fields[3], fields[4], fields[5]);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::OffsetFromUTC, (zone & 0x08 ? -quarters : quarters) * 15 * 60);
}

QDateTime readTimeStamp(OctetReader &reader, const char *field)
{
    return timeStampOf(reader.take(7, field));
}

DeliverPdu::Coding codingOf(int scheme)
{
    using Coding = DeliverPdu::Coding;
    switch (scheme >> 4) {
        case 0x0:
        case 0x1:
        case 0x2:
        case 0x3: // the general groups, and those marked for deletion once read, code alike
        case 0x4:
        case 0x5:
        case 0x6:
        case 0x7:
            // Compressed text is in no alphabet a phone shows as it is.
            if (scheme & 0x20)
                return Coding::EightBit;
            switch ((scheme >> 2) & 0x03) {
                case 0:
                    return Coding::Gsm7;
                case 2:
                    return Coding::Ucs2;
                default:
                    return Coding::EightBit;
            }
        case 0xC: // message waiting, discarded or stored
        case 0xD:
            return Coding::Gsm7;
        case 0xE:
            return Coding::Ucs2;
        case 0xF:
            return scheme & 0x04 ? Coding::EightBit : Coding::Gsm7;
        default: // reserved: its octets as they are
            return Coding::EightBit;
    }
}

std::optional<PartOf> concatenationIn(QByteArrayView header)
{
    std::optional<PartOf> found;
    for (qsizetype at = 0; at < header.size();) {
        if (at + 2 > header.size())
            throw malformed(QStringLiteral("its header ends inside an element"));
        const int element = static_cast<quint8>(header[at]);
        const int length = static_cast<quint8>(header[at + 1]);
        if (at + 2 + length > header.size())
            throw malformed(QStringLiteral("its header ends inside an element"));
        const auto value = [&](int i) { return static_cast<int>(static_cast<quint8>(header[at + 2 + i])); };
        std::optional<PartOf> part;
        if (element == 0x00 && length == 3)
            part = PartOf{value(0), value(1), value(2)};
        else if (element == 0x08 && length == 4)
            part = PartOf{value(0) << 8 | value(1), value(2), value(3)};
        // A phone ignores an element that counts no parts or numbers its part outside them,
        // and of two it takes the last.
        if (part && part->count > 0 && part->index >= 1 && part->index <= part->count)
            found = part;
        at += 2 + length;
    }
    return found;
}

struct UserData {
    QString text;
    std::optional<PartOf> partOf;
};

UserData readUserData(OctetReader &reader, DeliverPdu::Coding coding, bool hasHeader)
{
    const bool inSeptets = coding == DeliverPdu::Coding::Gsm7;
    const int length = reader.octet("user data length");
    if (length > (inSeptets ? 160 : 140))
        throw malformed(QStringLiteral("its user data length %1 is more than one SMS carries").arg(length));
    const QByteArrayView octets = reader.take(inSeptets ? (length * 7 + 7) / 8 : length, "user data");

    UserData data;
    qsizetype headerOctets = 0;
    if (hasHeader) {
        headerOctets = octets.isEmpty() ? 1 : 1 + static_cast<quint8>(octets[0]);
        if (inSeptets ? headerOctets * 8 > length * 7 : headerOctets > length)
            throw malformed(QStringLiteral("its header is longer than its user data"));
        data.partOf = concatenationIn(octets.sliced(1, headerOctets - 1));
    }
    switch (coding) {
        case DeliverPdu::Coding::Gsm7: {
            // The text starts on the first septet boundary after the header.
            const qsizetype skipped = (headerOctets * 8 + 6) / 7;
            data.text = shownGsmSeptets(QByteArrayView(unpackSeptets(octets, length)).sliced(skipped));
            break;
        }
        case DeliverPdu::Coding::EightBit:
            data.text = QString::fromLatin1(octets.sliced(headerOctets).toByteArray().toHex().toUpper());
            break;
        case DeliverPdu::Coding::Ucs2:
            if ((octets.size() - headerOctets) % 2 != 0)
                throw malformed(QStringLiteral("its UCS-2 text ends inside a character"));
            data.text = shownUcs2Text(octets.sliced(headerOctets));
            break;
    }
    return data;
}

DeliverPdu readDeliver(OctetReader &reader, int firstOctet)
{
    DeliverPdu deliver;
    deliver.sender = readAddress(reader, "sender's length", "sender's type", "sender's number");
    reader.take(1, "protocol identifier");
    deliver.coding = codingOf(reader.octet("data coding scheme"));
    deliver.sentAt = readTimeStamp(reader, "time stamp");
    UserData data = readUserData(reader, deliver.coding, firstOctet & UserDataHeaderIndicator);
    reader.requireEnd();
    deliver.text = std::move(data.text);
    deliver.partOf = data.partOf;
    return deliver;
}

StatusReportPdu readStatusReport(OctetReader &reader, int firstOctet)
{
    StatusReportPdu report;
    report.reference = reader.octet("message reference");
    report.recipient = readAddress(reader, "recipient's length", "recipient's type", "recipient's number");
    report.centreTime = readTimeStamp(reader, "centre's time stamp");
    report.dischargeTime = readTimeStamp(reader, "discharge time");
    report.status = reader.octet("status");
    if (reader.atEnd())
        return report;
    // What may follow the status is often cut short or padded by the centre or the modem;
    // the report says what it must without it.
    try {
        int present = reader.octet("parameter indicator");
        for (int more = present; more & 0x80;)
            more = reader.octet("parameter indicator");
        if (present & 0x01)
            reader.take(1, "protocol identifier");
        DeliverPdu::Coding coding = DeliverPdu::Coding::Gsm7;
        if (present & 0x02)
            coding = codingOf(reader.octet("data coding scheme"));
        if (present & 0x04)
            report.text = readUserData(reader, coding, firstOctet & UserDataHeaderIndicator).text;
    } catch (const BrivoraError &) {
    }
    return report;
}

SubmitPduSeen readSubmit(OctetReader &reader, int firstOctet)
{
    SubmitPduSeen submit;
    submit.asksReport = firstOctet & StatusReportRequest;
    submit.reference = reader.octet("message reference");
    submit.destination = readAddress(reader, "destination's length", "destination's type", "destination's number");
    reader.take(1, "protocol identifier");
    submit.coding = codingOf(reader.octet("data coding scheme"));
    switch ((firstOctet >> 3) & 0x03) {
        case 0: // no validity period
            break;
        case 2: // relative
            reader.take(1, "validity period");
            break;
        default: // enhanced or absolute
            reader.take(7, "validity period");
            break;
    }
    UserData data = readUserData(reader, submit.coding, firstOctet & UserDataHeaderIndicator);
    reader.requireEnd();
    submit.text = std::move(data.text);
    submit.partOf = data.partOf;
    return submit;
}

} // namespace

NetworkPdu decodeNetworkPdu(QByteArrayView hex)
{
    const QByteArray octets = octetsOf(hex);
    OctetReader reader(octets);
    const QString centre = readCentre(reader);
    const int firstOctet = reader.octet("first octet");
    NetworkPdu pdu;
    switch (firstOctet & 0x03) {
        case 0:
            pdu.kind = NetworkPdu::Kind::Deliver;
            pdu.deliver = readDeliver(reader, firstOctet);
            pdu.deliver.centreNumber = centre;
            break;
        case 2:
            pdu.kind = NetworkPdu::Kind::StatusReport;
            pdu.report = readStatusReport(reader, firstOctet);
            pdu.report.centreNumber = centre;
            break;
        case 1:
            pdu.kind = NetworkPdu::Kind::Submit;
            pdu.submit = readSubmit(reader, firstOctet);
            break;
        default:
            throw malformed(QStringLiteral("its message type is reserved"));
    }
    return pdu;
}

ReportOutcome reportOutcome(int status)
{
    if (status < 0x20)
        return ReportOutcome::Delivered;
    if (status < 0x40)
        return ReportOutcome::StillTrying;
    if (status < 0x80)
        return ReportOutcome::Failed;
    return ReportOutcome::Reserved;
}

QString reportStatusCode(int status)
{
    return QStringLiteral("0x") + QString::number(status & 0xFF, 16).toUpper().rightJustified(2, u'0');
}

QString reportStatusText(int status)
{
    // The two ranges of temporary errors name the same causes: in one the centre tries
    // again, in the other it has given up.
    static const std::array<const char *, 3> delivered = {nullptr, "forwarded, not confirmed",
                                                          "replaced by the centre"};
    static const std::array<const char *, 6> temporary = {
        "network congested",
        "the phone is busy",
        "no answer from the phone",
        "the service refused it",
        "quality of service not available",
        "error in the phone",
    };
    static const std::array<const char *, 10> permanent = {
        "remote procedure error",
        "incompatible destination",
        "the phone refused the connection",
        "number not obtainable",
        "quality of service not available",
        "no interworking available",
        "validity period expired",
        "deleted by the sender",
        "deleted by the centre",
        "no such message",
    };
    const auto with = [](const char *outcome, const char *cause) -> QString {
        if (!cause)
            return QLatin1StringView(outcome);
        return QLatin1StringView(outcome) + QStringLiteral(": ") + QLatin1StringView(cause);
    };
    const auto in = [status](const auto &causes, int first) -> const char * {
        return status >= first && status - first < static_cast<int>(causes.size()) ? causes[status - first] : nullptr;
    };
    switch (reportOutcome(status)) {
        case ReportOutcome::Delivered:
            return with("delivered", in(delivered, 0x00));
        case ReportOutcome::StillTrying:
            return with("still trying", in(temporary, 0x20));
        case ReportOutcome::Failed:
            return with("failed", status < 0x60 ? in(permanent, 0x40) : in(temporary, 0x60));
        case ReportOutcome::Reserved:
            break;
    }
    return QStringLiteral("reserved");
}

QList<JoinedMessage> joinParts(const QList<DeliverPdu> &parts)
{
    QList<JoinedMessage> messages;
    QList<QMap<int, int>> positionsByIndex; // a message's parts by their index
    QMap<std::tuple<QString, int, int>, qsizetype> partsOf; // sender, reference, count → message
    for (int position = 0; position < parts.size(); ++position) {
        const DeliverPdu &part = parts.at(position);
        if (!part.partOf) {
            messages.append({part.sender, part.sentAt, part.text, true, std::nullopt, {position}});
            positionsByIndex.emplaceBack();
            continue;
        }
        const auto key = std::make_tuple(part.sender.text, part.partOf->reference, part.partOf->count);
        auto message = partsOf.find(key);
        if (message == partsOf.end()) {
            message = partsOf.insert(key, messages.size());
            JoinedMessage joined;
            joined.sender = part.sender;
            joined.partOf = PartOf{part.partOf->reference, part.partOf->count, 1};
            messages.append(joined);
            positionsByIndex.emplaceBack();
        }
        QMap<int, int> &positions = positionsByIndex[*message];
        if (!positions.contains(part.partOf->index))
            positions.insert(part.partOf->index, position);
    }
    for (qsizetype m = 0; m < messages.size(); ++m) {
        const QMap<int, int> &positions = positionsByIndex.at(m);
        if (positions.isEmpty())
            continue;
        JoinedMessage &message = messages[m];
        for (const int position : positions) {
            message.text += parts.at(position).text;
            message.partIndexes.append(position);
        }
        message.sentAt = parts.at(positions.first()).sentAt;
        const int count = message.partOf->count;
        message.complete = positions.size() == count && positions.firstKey() == 1 && positions.lastKey() == count;
    }
    return messages;
}
