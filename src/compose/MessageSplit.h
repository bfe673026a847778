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
// in one SMS (of the GSM alphabet and alone, unless told otherwise), the remainder is
// everything after them. A message without a word gives two empty texts. A first piece
// too long for one SMS is cut inside, so the first part is never empty while there are
// words to send. planSms makes every part by this rule.
SeparatedSms saperatesms(const QString &message, Alphabet alphabet = Alphabet::Gsm7, bool concatenated = false);

// How a message goes out: its alphabet and the text of each of its SMS, as typed.
struct SmsPlan {
    Alphabet alphabet = Alphabet::Gsm7;
    QStringList parts;

    // Throws BrivoraError for a message of more parts than a concatenated message holds.
    void requireSendable() const;
    // The index-th SMS (from 0) to encode; the parts of a longer message share reference.
    SmsPart part(int index, int reference) const;
};

// Every SMS of a message. It goes in the GSM alphabet when that can carry it, else in
// UCS-2. The parts are cut by the one rule of saperatesms, with that alphabet's measure:
// the message gets one blank added and is walked in pieces, each running up to and
// including a blank; a part takes the pieces that fit, the rest is cut again until
// nothing is left; a piece longer than a part is cut inside, never inside an escape pair
// or a surrogate pair. When the message fits one SMS it is that one part, as before;
// otherwise it is cut to the smaller size of the parts of a concatenated message. No
// part goes out as blanks alone (a tab goes out as a blank): blanks that would make one
// go with the parts beside it as far as those have room, and are dropped otherwise. A
// message that goes out as blanks alone, or empty, gives one empty part.
SmsPlan planSms(const QString &message);

// A message that fits one SMS as typed goes whole, without the blank the walk adds (a
// greeting); a longer one is cut as planSms cuts it.
SmsPlan planWholeWhenItFits(const QString &message);

// What a message costs, for the operator: "1 SMS · GSM", "3 SMS · Unicode".
QString smsCostText(const QString &message);

// The counter under a template editor; it measures the template as typed.
QString characterCountText(int characters);
enum class CounterColour { Unchanged, Black, Red };
// Red above 155, black below; at exactly 155 the counter keeps its colour.
CounterColour characterCountColour(int characters);
// Above 300 characters every change warns; nothing else refuses such a text.
bool needsCharacterLimitWarning(int characters);
QString characterLimitWarningText();
