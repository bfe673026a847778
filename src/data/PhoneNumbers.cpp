#include "data/PhoneNumbers.h"

namespace {

// The shortest digits of the number that are local to the country: a national
// number's trunk "0" and an international one's code are left out.
QString localPart(const QString &digits, QStringView countryCode, bool writtenInternational)
{
    if (writtenInternational) {
        if (!countryCode.isEmpty() && digits.startsWith(countryCode))
            return digits.mid(countryCode.size());
        return QLatin1Char('+') + digits;
    }
    if (digits.startsWith(QLatin1Char('0')))
        return digits.mid(1);
    // Six digits or more after it: the code written without its "+".
    constexpr int ShortestSubscriber = 6;
    if (!countryCode.isEmpty() && digits.startsWith(countryCode) && digits.size() - countryCode.size() >= ShortestSubscriber)
        return digits.mid(countryCode.size());
    return digits;
}

} // namespace

QString numberDigits(QStringView number)
{
    QString digits;
    digits.reserve(number.size());
    for (const QChar c : number)
        if (c.isDigit() && c.unicode() < 128)
            digits += c;
    return digits;
}

QString countryCodeOf(QStringView internationalNumber)
{
    QString digits = numberDigits(internationalNumber);
    if (internationalNumber.trimmed().startsWith(u"00"))
        digits = digits.mid(2);
    if (digits.isEmpty())
        return {};
    // Codes of one digit: 1 and 7. Of two digits: 20, 27, 30-34, 36, 39, 40-41, 43-49,
    // 51-58, 60-66, 81-82, 84, 86, 90-95, 98. Every other code has three.
    const int first = digits.at(0).digitValue();
    if (first == 1 || first == 7)
        return digits.left(1);
    if (digits.size() < 2)
        return {};
    const int second = digits.at(1).digitValue();
    bool twoDigits = false;
    switch (first) {
        case 2:
            twoDigits = second == 0 || second == 7;
            break;
        case 3:
            twoDigits = second <= 4 || second == 6 || second == 9;
            break;
        case 4:
            twoDigits = second != 2;
            break;
        case 5:
            twoDigits = second >= 1 && second <= 8;
            break;
        case 6:
            twoDigits = second <= 6;
            break;
        case 8:
            twoDigits = second == 1 || second == 2 || second == 4 || second == 6;
            break;
        case 9:
            twoDigits = second <= 5 || second == 8;
            break;
        default:
            break;
    }
    const int length = twoDigits ? 2 : 3;
    return digits.size() >= length ? digits.left(length) : QString();
}

QString numberKey(QStringView number, QStringView countryCode)
{
    const QStringView written = number.trimmed();
    QString digits = numberDigits(written);
    if (digits.isEmpty())
        return written.toString().toUpper();
    const bool withPlus = written.startsWith(u'+');
    const bool withPrefix = !withPlus && written.startsWith(u"00");
    if (withPrefix)
        digits = digits.mid(2);
    return localPart(digits, countryCode, withPlus || withPrefix);
}

bool sameNumber(QStringView first, QStringView second, QStringView countryCode)
{
    return numberKey(first, countryCode) == numberKey(second, countryCode);
}
