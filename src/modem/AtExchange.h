#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class Clock;
class SerialLink;

// One wait of the exchange: blocking (nothing is processed) or pumping (Delay).
struct Wait {
    int milliseconds = 0;
    bool pumping = false;
};

// The waits of one SMS part: after "AT+CMGF=0", after "AT+CMGS=", after the PDU.
struct PartWaits {
    Wait w1;
    Wait w2;
    Wait w3;
};

// Who sends: each sender has its own waits.
enum class Sender { Individual, Announcement, ScheduleList, Greeting, FailQueue };

// The waits for part `index` (from 0) of a message of `count` parts.
PartWaits waitsFor(Sender sender, int index, int count);

// The AT command exchange with the modem in PDU mode, and the receive handler that
// tells when the modem answers with an error.
class AtExchange : public QObject {
    Q_OBJECT

public:
    AtExchange(SerialLink &link, Clock &clock, QObject *parent = nullptr);

    // Encodes and writes one part: "AT+CMGF=0", W1, "AT+CMGS=<n>", W2, PDU and Ctrl-Z,
    // then `record` (the sender marks or adds its row and makes it current), then W3.
    // Nothing is written when the encoder refuses the text.
    void sendOnePart(const QString &centreNumber, const QString &mobileNumber, const QString &text,
                     const PartWaits &waits, const std::function<void()> &record);
    void wait(const Wait &wait);

    // Reads what the modem sent and tells of an answer holding "ERROR".
    void ComPort1RxChar(int byteCount);

    // PDUs written so far: tells one part from the next.
    quint64 partsWritten() const { return m_partsWritten; }

Q_SIGNALS:
    // The modem refused: the row current now is the one to mark.
    void errorAnswered();

private:
    SerialLink &m_link;
    Clock &m_clock;
    // The unfinished last line of the answers so far: "ERR" waits here for "OR".
    QByteArray m_unfinishedLine;
    quint64 m_partsWritten = 0;
};
