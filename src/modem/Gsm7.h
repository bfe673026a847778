#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringView>

// The GSM 03.38 default alphabet. Characters of the basic table take one septet;
// those of the extension table go out as the escape septet followed by their code,
// so they take two.

// How a message goes out: in the GSM alphabet, seven bits a character, or in UCS-2,
// sixteen bits a UTF-16 unit, for any text a phone can show.
enum class Alphabet { Gsm7, Ucs2 };

// The text as it goes out in the GSM alphabet: each character itself when the alphabet
// has it, else the nearest it has: a blank for a tab or any other control character
// (line feed, carriage return and form feed are in the alphabet) and for a non-breaking
// or thin space; "'" for "`" and the typographic single quotes and prime; '"' for the
// typographic double quotes and double prime; "-" for the dashes and the minus sign;
// "..." for the ellipsis. So a text pasted from a word processor still goes in seven
// bits. Any other character stays as it is: the message then goes in UCS-2.
QString gsmSentText(const QString &text);

// The alphabet a message goes in: the GSM alphabet when it can carry every character of
// the text as gsmSentText has it, else UCS-2.
Alphabet alphabetFor(QStringView text);

// Septets the text takes once translated, counted on what goes out. A character the
// alphabet lacks counts as one: measuring never fails, and such a text goes in UCS-2
// anyway.
int gsmSeptetCount(QStringView text);

// The septet codes (0 to 127) that carry the text as gsmSentText has it; throws
// BrivoraError with "Input string contains 8-bit data!" for a character the alphabet
// cannot carry (the sender chose the wrong alphabet).
QByteArray toGsmSeptets(const QString &text);

// The text that septet codes stand for; throws BrivoraError for a code above 127,
// an escape at the end or an escape before a code the extension table lacks.
QString fromGsmSeptets(const QByteArray &septets);
// The text as a phone shows septets it receives, refusing nothing: a code's low seven
// bits count; an escape before a code the extension table lacks shows the basic table's
// character; two escapes (a table no phone has yet) and an escape at the end show a blank.
QString shownGsmSeptets(QByteArrayView septets);
