#include "modemsim/ModemSimulator.h"

#include "base/Errors.h"
#include "compose/MessageSplit.h"
#include "modem/SimulatorDevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr char CtrlZ = 26;
constexpr char Escape = 27;

qint64 ruleKey(ModemSimulator::Input input, int occurrence)
{
    return (static_cast<qint64>(input) << 32) | static_cast<quint32>(occurrence);
}

// The octets after the service centre information, as +CMGR: and +CDS: count them.
int tpduLength(const QByteArray &pduHex)
{
    const int centreOctets = pduHex.left(2).toInt(nullptr, 16);
    return static_cast<int>(pduHex.size() / 2) - 1 - centreOctets;
}

bool startsWithCommand(const QByteArray &line, const char *command)
{
    return line.toUpper().startsWith(command);
}

} // namespace

ModemSimulator::ModemSimulator(QObject *parent)
    : QObject(parent)
    , m_outputTimer(new QTimer(this))
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        throw BrivoraError(
            QStringLiteral("No pseudo-terminal for the modem: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    m_devicePath = QFile::decodeName(name);

    // The simulator keeps the slave open itself: when the last opener closes it the
    // master would read end-of-file without pause. Raw, so nothing written to the
    // master is echoed or translated before the port opens and sets its own mode.
    termios mode{};
    ::tcgetattr(m_slave, &mode);
    ::cfmakeraw(&mode);
    ::tcsetattr(m_slave, TCSANOW, &mode);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);

    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ModemSimulator::readInput);
    m_outputTimer->setSingleShot(true);
    m_outputTimer->setTimerType(Qt::PreciseTimer);
    connect(m_outputTimer, &QTimer::timeout, this, &ModemSimulator::flushOutput);
    m_clock.start();
}

ModemSimulator::~ModemSimulator()
{
    unpublish();
    pullOut();
}

void ModemSimulator::pullOut()
{
    if (m_master < 0)
        return;
    delete m_notifier;
    m_notifier = nullptr;
    m_outputTimer->stop();
    m_output.clear();
    ::close(m_master);
    ::close(m_slave);
    m_master = m_slave = -1;
    if (!m_linkPath.isEmpty())
        QFile::remove(m_linkPath);
}

bool ModemSimulator::appearAs(const QString &linkPath)
{
    if (!QFile::link(m_devicePath, linkPath))
        return false;
    m_linkPath = m_devicePath = linkPath;
    return true;
}

void ModemSimulator::forgetTheRecord()
{
    m_receivedBytes.clear();
    m_sentBytes.clear();
    m_inputs.clear();
    m_pdus.clear();
    m_messages.clear();
}

void ModemSimulator::answerWith(Input input, const QByteArray &answer, int occurrence)
{
    m_rules.insert(ruleKey(input, occurrence), answer);
}

void ModemSimulator::setSplit(int at, int pauseMilliseconds)
{
    m_splitAt = at;
    m_splitPause = pauseMilliseconds;
}

void ModemSimulator::send(const QByteArray &bytes)
{
    writeNow(bytes);
}

void ModemSimulator::readInput()
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(m_master, buffer, sizeof buffer);
        if (got > 0) {
            m_receivedBytes.append(buffer, got);
            m_pending.append(buffer, got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        break;
    }
    parse();
}

void ModemSimulator::parse()
{
    for (;;) {
        if (m_awaitingPdu) {
            const qsizetype end = m_pending.indexOf(CtrlZ);
            const qsizetype cancel = m_pending.indexOf(Escape);
            if (cancel >= 0 && (end < 0 || cancel < end)) {
                // Escape abandons the message, silently, as on a phone.
                m_pending.remove(0, cancel + 1);
                m_awaitingPdu = false;
                continue;
            }
            if (end < 0)
                return;
            const QByteArray hex = m_pending.left(end).trimmed();
            m_pending.remove(0, end + 1);
            m_awaitingPdu = false;
            handlePdu(hex);
            continue;
        }
        qsizetype end = -1;
        for (qsizetype i = 0; i < m_pending.size() && end < 0; ++i)
            if (m_pending.at(i) == '\r' || m_pending.at(i) == '\n' || m_pending.at(i) == CtrlZ)
                end = i;
        if (end < 0)
            return;
        // Escape in command mode is passed over, as a phone does.
        const QByteArray line = m_pending.left(end).replace(Escape, QByteArray()).trimmed();
        m_pending.remove(0, end + 1);
        if (line.isEmpty())
            continue;
        m_inputs << QString::fromLatin1(line);
        Q_EMIT inputReceived(m_inputs.constLast());
        // Only command lines are answered; stray text (a PDU nobody asked for) is not.
        if (startsWithCommand(line, "AT"))
            handleCommand(line);
    }
}

void ModemSimulator::handleCommand(const QByteArray &line)
{
    if (m_echo)
        answer(line + "\r\n", false);
    QByteArray reply = QByteArrayLiteral("OK\r\n");
    const QByteArray upper = line.toUpper();
    if (upper == "AT+CPIN?") {
        reply = (m_pinWanted.isEmpty() ? "+CPIN: READY" : "+CPIN: SIM PIN") + QByteArray("\r\nOK\r\n");
    } else if (startsWithCommand(line, "AT+CPIN=")) {
        const QByteArray pin = line.mid(8).trimmed().replace('"', "");
        if (m_pinWanted.isEmpty() || pin == m_pinWanted.toLatin1())
            m_pinWanted.clear();
        else
            reply = QByteArrayLiteral("+CME ERROR: 16\r\n");
    } else if (upper == "AT+CSQ") {
        reply = "+CSQ: " + QByteArray::number(m_signal) + ",99\r\nOK\r\n";
    } else if (upper == "AT+CREG?") {
        reply = "+CREG: 0," + QByteArray::number(m_registration) + "\r\nOK\r\n";
    } else if (upper == "AT+COPS?") {
        const bool registered = m_registration == 1 || m_registration == 5;
        reply = (registered ? "+COPS: 0,0,\"" + m_operator + "\",2" : QByteArray("+COPS: 0")) + "\r\nOK\r\n";
    } else if (startsWithCommand(line, "AT+CSMS=")) {
        m_phase2 = line.mid(8).trimmed() == "1";
        reply = "+CSMS: 1,1,1\r\nOK\r\n";
    } else if (startsWithCommand(line, "AT+CNMI=")) {
        const QList<QByteArray> values = line.mid(8).split(',');
        const bool routes = values.size() > 3 && values.at(3).trimmed() == "1";
        if (routes && m_routesInPhase2Only && !m_phase2)
            reply = QByteArrayLiteral("ERROR\r\n");
    } else if (upper == "AT+CMGL=4") {
        reply.clear();
        for (auto message = m_stored.cbegin(); message != m_stored.cend(); ++message)
            reply += "+CMGL: " + QByteArray::number(message.key()) + ",1,," + QByteArray::number(tpduLength(*message))
                + "\r\n" + *message + "\r\n";
        reply += "OK\r\n";
    } else if (startsWithCommand(line, "AT+CMGR=")) {
        const int index = line.mid(8).trimmed().toInt();
        reply = m_stored.contains(index) ? "+CMGR: 1,," + QByteArray::number(tpduLength(m_stored.value(index))) + "\r\n"
                + m_stored.value(index) + "\r\nOK\r\n"
                                         : QByteArrayLiteral("+CMS ERROR: 321\r\n");
    } else if (startsWithCommand(line, "AT+CMGD=")) {
        m_stored.remove(line.mid(8).trimmed().toInt());
    } else if (upper == "AT+CPMS?") {
        const QByteArray store = "\"SM\"," + QByteArray::number(m_stored.size()) + "," + QByteArray::number(m_storeRoom);
        reply = "+CPMS: " + store + "," + store + "," + store + "\r\nOK\r\n";
    } else if (startsWithCommand(line, "AT+CMMS=")) {
        m_linkKept = line.mid(8).trimmed() != "0";
    } else if (startsWithCommand(line, "AT+CMGF=")) {
        scripted(Input::ModeCommand, ++m_counts[int(Input::ModeCommand)], &reply);
    } else if (startsWithCommand(line, "AT+CMGS=")) {
        m_announcedLength = line.mid(8).trimmed().toInt();
        reply = QByteArrayLiteral("> ");
        scripted(Input::LengthCommand, ++m_counts[int(Input::LengthCommand)], &reply);
        // Silence still takes the message; an answer other than the prompt refuses it.
        m_awaitingPdu = reply.isEmpty() || reply.startsWith('>');
    }
    answer(reply);
}

namespace {

QByteArray hexOctet(int value)
{
    return QByteArray::number(value & 0xFF, 16).rightJustified(2, '0').toUpper();
}

constexpr auto CentreInformation = "07910621000010F5"; // +60120000015

// What the program's own encoder builds for a text to a number, taken apart: the
// number's address (a number dialled with the trunk "0" made national), the coding, and
// the user data in the alphabet the text needs.
struct Encoded {
    QByteArray address;
    QByteArray coding;
    QByteArray userData;
};

Encoded encoded(const QString &number, const QString &text, std::optional<Concatenation> part)
{
    const QByteArray submit =
        encodeSubmitPdu(QString(), number, SmsPart{text, alphabetFor(text), part}).toLatin1();
    // After "00", the first octet and the reference: the address's digit count, its type
    // and its semi-octets; then the protocol, the coding, the validity and the user data.
    constexpr int AddressAt = 6;
    const int digits = submit.mid(AddressAt, 2).toInt(nullptr, 16);
    const int addressEnd = AddressAt + 4 + 2 * ((digits + 1) / 2);
    QByteArray address = submit.mid(AddressAt, addressEnd - AddressAt);
    const bool national = !number.startsWith(QLatin1Char('+')) && number.startsWith(QLatin1Char('0'));
    if (national)
        address.replace(2, 2, "81");
    return {address, submit.mid(addressEnd + 2, 2), submit.mid(addressEnd + 6)};
}

} // namespace

QByteArray ModemSimulator::deliverPdu(const QString &number, const QString &text, std::optional<Concatenation> part)
{
    const Encoded message = encoded(number, text, part);
    // SMS-DELIVER (with a header for a part) and the centre's time stamp.
    return CentreInformation + hexOctet(part ? 0x44 : 0x04) + message.address + "00" + message.coding
        + "62210190030023" + message.userData;
}

QByteArray ModemSimulator::reportPdu(int reference, const QString &number, int status)
{
    // SMS-STATUS-REPORT: the reference, the recipient, when the centre took it and when it ended.
    return CentreInformation + QByteArray("06") + hexOctet(reference) + encoded(number, QString(), std::nullopt).address
        + "62210190030000" + "62210190540000" + hexOctet(status);
}

bool ModemSimulator::deliver(const QByteArray &pduHex, bool announced)
{
    if (m_stored.size() >= m_storeRoom)
        return false;
    int index = 1;
    while (m_stored.contains(index))
        ++index;
    m_stored.insert(index, pduHex);
    // A status report's first octet says so (TP-MTI 10).
    const int centreOctets = pduHex.left(2).toInt(nullptr, 16);
    const bool report = (pduHex.mid(2 + 2 * centreOctets, 2).toInt(nullptr, 16) & 0x03) == 0x02;
    if (announced)
        send((report ? "+CDSI: \"SM\"," : "+CMTI: \"SM\",") + QByteArray::number(index) + "\r\n");
    return true;
}

bool ModemSimulator::deliverMessage(const QString &number, const QString &text, bool announced)
{
    // Cut as a phone's message is: whole when it fits one SMS.
    const SmsPlan sms = planWholeWhenItFits(text);
    const int reference = m_nextIncomingReference;
    m_nextIncomingReference = m_nextIncomingReference % 255 + 1;
    bool held = true;
    for (int index = 0; index < sms.parts.size(); ++index) {
        const SmsPart part = sms.part(index, reference);
        held = deliver(deliverPdu(number, part.text, part.concatenation), announced) && held;
    }
    return held;
}

void ModemSimulator::routeReport(const QByteArray &pduHex)
{
    send("+CDS: " + QByteArray::number(tpduLength(pduHex)) + "\r\n" + pduHex + "\r\n");
}

void ModemSimulator::handlePdu(const QByteArray &hex)
{
    ReceivedPdu pdu;
    pdu.hex = QString::fromLatin1(hex);
    pdu.announcedLength = m_announcedLength;
    try {
        pdu.message = decodeSubmitPdu(pdu.hex);
        pdu.decoded = true;
        putTogether(pdu.message);
    } catch (const BrivoraError &) {
        pdu.decoded = false;
    }
    m_pdus << pdu;
    m_inputs << pdu.hex;
    Q_EMIT inputReceived(pdu.hex);

    // A radio link kept from the message before answers sooner, until it drops.
    const qint64 now = m_clock.elapsed();
    const bool kept = m_linkKept && m_keptLatency >= 0 && m_lastMessageAt >= 0
        && now - m_lastMessageAt < KeptLinkIdleMs;
    const int latency = kept ? m_keptLatency : m_messageLatency;
    m_lastMessageAt = now + latency;
    QByteArray reply;
    if (!scripted(Input::Pdu, ++m_counts[int(Input::Pdu)], &reply)) {
        if (pdu.decoded && commandLength(pdu.hex) == pdu.announcedLength) {
            reply = "+CMGS: " + QByteArray::number(m_nextReference) + "\r\nOK\r\n";
            for (qsizetype i = 0; pdu.message.asksReport && i < m_reportStatuses.size(); ++i) {
                const QByteArray report = reportPdu(m_nextReference, pdu.message.destination, m_reportStatuses.at(i));
                QTimer::singleShot(latency + static_cast<int>(i + 1) * m_reportAfterMs, this, [this, report] {
                    if (m_reportsHeld)
                        deliver(report);
                    else
                        routeReport(report);
                });
            }
            const bool whole = !pdu.message.concatenation
                || pdu.message.concatenation->index == pdu.message.concatenation->count;
            if (whole && !m_replyText.isEmpty()) {
                QTimer::singleShot(latency + m_reportAfterMs, this,
                                   [this, from = pdu.message.destination] { deliverMessage(from, m_replyText); });
            }
            m_nextReference = m_nextReference % 255 + 1;
        } else {
            reply = QByteArrayLiteral("+CMS ERROR: 304\r\n");
        }
    }
    answer(reply, true, latency);
}

void ModemSimulator::putTogether(const SubmitPdu &pdu)
{
    if (!pdu.concatenation) {
        m_messages << ShownMessage{pdu.destination, pdu.text, pdu.alphabet, 1};
        return;
    }
    const Concatenation &part = *pdu.concatenation;
    const QString key = pdu.destination + QLatin1Char('/') + QString::number(part.reference);
    QMap<int, SubmitPdu> &parts = m_waitingParts[key];
    parts.insert(part.index, pdu);
    if (parts.size() < part.count)
        return;
    ShownMessage shown{pdu.destination, {}, pdu.alphabet, part.count};
    for (const SubmitPdu &each : std::as_const(parts))
        shown.text += each.text;
    m_messages << shown;
    m_waitingParts.remove(key);
}

bool ModemSimulator::scripted(Input input, int count, QByteArray *answer) const
{
    auto rule = m_rules.constFind(ruleKey(input, count));
    if (rule == m_rules.cend())
        rule = m_rules.constFind(ruleKey(input, 0));
    if (rule == m_rules.cend())
        return false;
    *answer = rule->isEmpty() ? QByteArray() : *rule + "\r\n";
    return true;
}

void ModemSimulator::answer(const QByteArray &bytes, bool splittable, int latency)
{
    if (m_silent || bytes.isEmpty())
        return;
    if (!m_unsolicited.isEmpty()) {
        m_output << Chunk{0, "\r\n" + m_unsolicited.at(m_nextUnsolicited) + "\r\n"};
        m_nextUnsolicited = (m_nextUnsolicited + 1) % m_unsolicited.size();
    }
    const int wait = m_delay + latency;
    if (splittable && m_splitAt > 0 && bytes.size() > m_splitAt) {
        m_output << Chunk{wait, bytes.left(m_splitAt)} << Chunk{m_splitPause, bytes.mid(m_splitAt), true};
    } else {
        m_output << Chunk{wait, bytes};
    }
    if (!m_outputTimer->isActive())
        flushOutput();
}

int ModemSimulator::unreadByPort() const
{
    // The simulator keeps the slave open too: its input queue is what the port has not read.
    if (m_slave < 0)
        return 0;
    int queued = 0;
    return ::ioctl(m_slave, TIOCINQ, &queued) == 0 ? queued : 0;
}

void ModemSimulator::flushOutput()
{
    while (!m_output.isEmpty()) {
        Chunk &next = m_output.first();
        if (next.waitMilliseconds > 0) {
            m_outputTimer->start(next.waitMilliseconds);
            next.waitMilliseconds = 0;
            return;
        }
        if (next.afterRead && unreadByPort() > 0) {
            m_outputTimer->start(5);
            return;
        }
        writeNow(next.bytes);
        m_output.removeFirst();
    }
}

void ModemSimulator::writeNow(const QByteArray &bytes)
{
    if (m_master < 0)
        return;
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t done =
            ::write(m_master, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (done > 0)
            written += done;
        else if (done < 0 && errno != EINTR)
            break; // the port's queue is full: the rest is lost, as on a real line
    }
    m_sentBytes.append(bytes.left(written));
}

bool ModemSimulator::publish()
{
    QSaveFile file(SimulatorDevice::portFilePath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QFile::encodeName(m_devicePath) + '\n');
    m_published = file.commit();
    return m_published;
}

void ModemSimulator::unpublish()
{
    if (!m_published)
        return;
    m_published = false;
    QFile file(SimulatorDevice::portFilePath());
    if (file.open(QIODevice::ReadOnly) && QFile::decodeName(file.readLine().trimmed()) == m_devicePath) {
        file.close();
        file.remove();
    }
}
