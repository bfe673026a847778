#pragma once

#include <QByteArray>
#include <QString>

// One SMS carries 160 septets of the GSM alphabet; characters of its extension table
// take two. The encoder and the splitter judge by this one figure.
inline constexpr int SmsSeptets = 160;

// The SMS-SUBMIT protocol data unit the modem takes in PDU mode, as upper-case
// hexadecimal digits: the message centre information, then the message itself in the
// 7-bit default alphabet. One leading "+" is dropped from each number; anything else
// in a number goes into the address as typed, for the modem to judge. The text goes
// out as gsmSentText has it. Throws BrivoraError when the text is longer than 160
// septets or holds a character the alphabet cannot carry; nothing is built then.
QString encodeSubmitPdu(const QString &centreNumber, const QString &destination, const QString &text);

// The user data: the text's septets packed seven bits each, least significant bit first.
QByteArray packUserData(const QString &text);

// The length AT+CMGS announces: the octets that follow the message centre information.
int commandLength(const QString &pdu);

// What a phone makes of a PDU the encoder built; numbers without their "+".
struct SubmitPdu {
    QString centreNumber;
    QString destination;
    QString text;
};

// Throws BrivoraError for a PDU the encoder could not have built.
SubmitPdu decodeSubmitPdu(const QString &hex);
