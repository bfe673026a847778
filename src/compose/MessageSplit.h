#pragma once

#include "modem/Pdu.h"

#include <QString>
#include <QStringList>

struct SeparatedSms {
    QString first;
    QString remainder;
};

// Cuts a message at a blank: the message gets one blank added and is walked in pieces,
// each running up to and including a blank; the first part takes the pieces that fit
// in one SMS, the remainder is everything after them. A message without a word gives
// two empty texts. A first piece too long for one SMS is cut inside, so the first part
// is never empty while there are words to send.
SeparatedSms saperatesms(const QString &message);

// Every SMS of a message: the first part as saperatesms takes it, then the rest cut
// again by the same rule until nothing is left, so each part fits one SMS. No part
// goes out as blanks alone (a tab goes out as a blank): blanks that would make one go
// with the parts beside it as far as those have room, and are dropped otherwise. A
// message that goes out as blanks alone, or empty, gives one empty part.
QStringList splitIntoParts(const QString &message);

// The counter under a template editor; it measures the template as typed.
QString characterCountText(int characters);
enum class CounterColour { Unchanged, Black, Red };
// Red above 155, black below; at exactly 155 the counter keeps its colour.
CounterColour characterCountColour(int characters);
// Above 300 characters every change warns; nothing else refuses such a text.
bool needsCharacterLimitWarning(int characters);
QString characterLimitWarningText();
