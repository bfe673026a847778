#pragma once

#include <QByteArray>
#include <QList>

// What a modem says, cut into lines as it comes: "OK", "+CMGS: 12", "^RSSI: 14". A line
// ends at CR or LF; blank lines are passed over; a prompt ">" is a line of its own, also
// with an answer right behind it ("> OK"). Bytes of a line not ended yet wait for
// the rest ("ERR" for "OR"); a line of no modem's making, longer than LongestLine, keeps
// only its tail, so nothing the network sends can grow it without end.
class AtLineReader {
public:
    static constexpr int LongestLine = 4096;

    // The lines these bytes end, in order, without their line ends and outer blanks.
    QList<QByteArray> feed(const QByteArray &bytes);
    // What has come of the line not ended yet.
    const QByteArray &unfinished() const { return m_unfinished; }
    // The modem's prompt for a message, "> ", which comes without a line end: true, and
    // it is taken, when that is what waits.
    bool takePrompt();
    void clear() { m_unfinished.clear(); }

private:
    QByteArray m_unfinished;
};
