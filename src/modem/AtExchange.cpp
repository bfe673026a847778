#include "modem/AtExchange.h"

#include "base/Clock.h"
#include "modem/Pdu.h"
#include "modem/SerialLink.h"

namespace {

constexpr Wait blocking(int milliseconds)
{
    return {milliseconds, false};
}
constexpr Wait pumping(int milliseconds)
{
    return {milliseconds, true};
}

struct SenderWaits {
    Wait w1;
    Wait w2;
    Wait w3Single; // a message of one part
    Wait w3First; // the first of several parts
    Wait w3Later; // every later part
};

constexpr SenderWaits waitTable(Sender sender)
{
    switch (sender) {
        case Sender::Individual:
            return {blocking(800), blocking(3000), blocking(3000), pumping(3000), pumping(3000)};
        case Sender::Announcement:
            return {pumping(800), blocking(1000), pumping(5000), pumping(3000), pumping(3000)};
        case Sender::ScheduleList:
        case Sender::Greeting:
            return {blocking(800), blocking(1000), pumping(3000), pumping(3000), pumping(3000)};
        case Sender::FailQueue:
            return {blocking(800), blocking(1000), pumping(5000), pumping(5000), pumping(3000)};
    }
    return {};
}

// A line this long without a line end is no modem answer; keep only its tail.
constexpr int LongestKeptLine = 256;

} // namespace

PartWaits waitsFor(Sender sender, int index, int count)
{
    const SenderWaits table = waitTable(sender);
    const Wait w3 = count <= 1 ? table.w3Single : index == 0 ? table.w3First : table.w3Later;
    return {table.w1, table.w2, w3};
}

AtExchange::AtExchange(SerialLink &link, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_clock(clock)
{
    connect(&m_link, &SerialLink::received, this, &AtExchange::ComPort1RxChar);
}

void AtExchange::sendOnePart(const QString &centreNumber, const QString &mobileNumber, const QString &text,
                             const PartWaits &waits, const std::function<void()> &record)
{
    const QString pdu = encodeSubmitPdu(centreNumber, mobileNumber, text);
    const int length = commandLength(pdu);
    m_link.write(QByteArrayLiteral("AT+CMGF=0\r\n"));
    wait(waits.w1);
    m_link.write("AT+CMGS=" + QByteArray::number(length) + "\r\n");
    wait(waits.w2);
    m_link.write(pdu.toLatin1() + char(26));
    ++m_partsWritten;
    record();
    wait(waits.w3);
}

void AtExchange::wait(const Wait &wait)
{
    if (wait.pumping)
        m_clock.Delay(wait.milliseconds);
    else
        m_clock.sleep(wait.milliseconds);
}

void AtExchange::ComPort1RxChar(int byteCount)
{
    const QByteArray answers = m_unfinishedLine + m_link.read(byteCount);
    const bool failed = answers.contains("ERROR");
    const qsizetype lineEnd = std::max(answers.lastIndexOf('\n'), answers.lastIndexOf('\r'));
    m_unfinishedLine = failed ? QByteArray() : answers.mid(lineEnd + 1).right(LongestKeptLine);
    if (failed)
        Q_EMIT errorAnswered();
}
