#pragma once

#include "modem/Gsm7.h"

#include <QByteArray>
#include <QString>

#include <optional>

// One SMS carries 160 septets of the GSM alphabet (characters of its extension table
// take two), or 70 UTF-16 units in UCS-2. A part of a concatenated message gives room to
// the header that tells the phone which message it belongs to: 153 septets, 67 units.
// The encoder and the splitter judge by these figures.
inline constexpr int SmsSeptets = 160;
inline constexpr int ConcatenatedSeptets = 153;
inline constexpr int SmsUnits = 70;
inline constexpr int ConcatenatedUnits = 67;
// The concatenation header counts parts in one octet.
inline constexpr int MostParts = 255;

// What one SMS of the alphabet carries, alone or as a part of a longer message.
int smsCapacity(Alphabet alphabet, bool concatenated);

// The part's place in a message of several SMS, which the phone puts together again.
struct Concatenation {
    int reference = 0; // the same for every part of one message, 0 to 255
    int count = 1;
    int index = 1; // from 1
};

// One SMS to encode: its text as typed, the alphabet of its whole message, and its
// place in that message when there is more than one part.
struct SmsPart {
    QString text;
    Alphabet alphabet = Alphabet::Gsm7;
    std::optional<Concatenation> concatenation;
    // The network is asked for a report of its delivery (the first octet's status-report
    // request); without it the PDU is as it always was.
    bool asksReport = false;
};

// The SMS-SUBMIT protocol data unit the modem takes in PDU mode, as upper-case
// hexadecimal digits: the message centre information, then the message itself. One
// leading "+" is dropped from each number; anything else in a number goes into the
// address as typed, for the modem to judge. In the GSM alphabet the text goes out as
// gsmSentText has it; in UCS-2 as typed, a character beyond the basic plane as its two
// units. A part of a concatenated message starts its user data with the header. Throws
// BrivoraError when the text is longer than its SMS carries ("Input string greater than
// 160 characters!") or cannot be encoded in its alphabet ("Input string contains 8-bit
// data!", in UCS-2 a lone half of a surrogate pair); nothing is built then.
QString encodeSubmitPdu(const QString &centreNumber, const QString &destination, const SmsPart &part);
// One SMS in the alphabet its text needs.
QString encodeSubmitPdu(const QString &centreNumber, const QString &destination, const QString &text);

// The length AT+CMGS announces: the octets that follow the message centre information.
int commandLength(const QString &pdu);

// The references of concatenated messages sent through one modem: one a message, from
// a random start, so that a phone never joins parts of two messages.
class ConcatenationReferences {
public:
    ConcatenationReferences();
    int take();

private:
    int m_next;
};

// What a phone makes of a PDU the encoder built; numbers without their "+".
struct SubmitPdu {
    QString centreNumber;
    QString destination;
    QString text;
    Alphabet alphabet = Alphabet::Gsm7;
    std::optional<Concatenation> concatenation;
    bool asksReport = false;
};

// Throws BrivoraError for a PDU the encoder could not have built.
SubmitPdu decodeSubmitPdu(const QString &hex);
