#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>

// The GSM 03.38 default alphabet. Characters of the basic table take one septet;
// those of the extension table go out as the escape septet followed by their code,
// so they take two.

// The text as it goes out: each character itself when the alphabet has it, else the
// nearest character it has: a blank for a tab or any other control character (line
// feed, carriage return and form feed are in the alphabet), "'" for "`". A user types a
// tab into the message box; refusing the message for it would help nobody. Any other
// character stays as it is, for the encoder to refuse.
QString gsmSentText(const QString &text);

// Septets one character takes once translated, counted on what goes out. A character
// the alphabet lacks counts as one: measuring never fails, and the encoder refuses
// such a text anyway.
int gsmSeptetWidth(QChar character);
int gsmSeptetCount(QStringView text);

// The septet codes (0 to 127) that carry the text as gsmSentText has it; throws
// BrivoraError with "Input string contains 8-bit data!" for a character the alphabet
// cannot carry.
QByteArray toGsmSeptets(const QString &text);

// The text that septet codes stand for; throws BrivoraError for a code above 127,
// an escape at the end or an escape before a code the extension table lacks.
QString fromGsmSeptets(const QByteArray &septets);
