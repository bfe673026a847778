#include "modem/SerialLink.h"

#include "modem/PortTrouble.h"

#include <QFile>

#include <cerrno>
#include <unistd.h>

namespace {

const auto OpenFailed = QStringLiteral("Unable to open com port");
const auto SettingsRefused = QStringLiteral("SetCommState function failed");
const auto WriteFailed = QStringLiteral("WriteFile function failed");
const auto ReadFailed = QStringLiteral("ReadFile function failed");
const auto PurgeFailed = QStringLiteral("PurgeComm function failed");

// The errno behind the port's last error. QSerialPort keeps the failed system call's
// error only as its text (qt_error_string(errno)) and a coarse kind, so the number is
// found again from the text, except after a read or resource error: a read that meets
// the end of a hung-up device, or a write to a device that has gone, leaves an older
// errno in the text (EAGAIN of the last empty read). Texts of Qt's own making have no
// number either. For these the kind decides:
//   DeviceNotFoundError        ENOENT  2
//   PermissionError            EBUSY  16 when we may read and write the device, so the
//                                        refusal is the lock file of another opener;
//                              EACCES 13 otherwise
//   OpenError (already open)   EBUSY  16
//   UnsupportedOperationError  EINVAL 22
//   TimeoutError               ETIMEDOUT 110
//   NotOpenError               EBADF   9
//   Read, Write, Resource and any other error: EIO 5
int systemErrorNumber(const QSerialPort &port, const QString &location)
{
    const QString text = port.errorString();
    if (port.error() != QSerialPort::ReadError && port.error() != QSerialPort::ResourceError)
        for (int number = 1; number < 134; ++number)
            if (qt_error_string(number) == text)
                return number;
    switch (port.error()) {
        case QSerialPort::DeviceNotFoundError:
            return ENOENT;
        case QSerialPort::PermissionError:
            return ::access(QFile::encodeName(location).constData(), R_OK | W_OK) == 0 ? EBUSY : EACCES;
        case QSerialPort::OpenError:
            return EBUSY;
        case QSerialPort::UnsupportedOperationError:
            return EINVAL;
        case QSerialPort::TimeoutError:
            return ETIMEDOUT;
        case QSerialPort::NotOpenError:
            return EBADF;
        default:
            return EIO;
    }
}

} // namespace

namespace {

const QList<std::pair<QString, QSerialPort::StopBits>> StopBitTexts = {
    {QStringLiteral("1"), QSerialPort::OneStop},
    {QStringLiteral("1.5"), QSerialPort::OneAndHalfStop},
    {QStringLiteral("2"), QSerialPort::TwoStop}};
const QList<std::pair<QString, QSerialPort::Parity>> ParityTexts = {{QStringLiteral("None"), QSerialPort::NoParity},
                                                                     {QStringLiteral("Odd"), QSerialPort::OddParity},
                                                                     {QStringLiteral("Even"), QSerialPort::EvenParity},
                                                                     {QStringLiteral("Mark"), QSerialPort::MarkParity},
                                                                     {QStringLiteral("Space"), QSerialPort::SpaceParity}};
const QList<std::pair<QString, QSerialPort::FlowControl>> FlowTexts = {
    {QStringLiteral("None"), QSerialPort::NoFlowControl},
    {QStringLiteral("Hardware"), QSerialPort::HardwareControl},
    {QStringLiteral("Software"), QSerialPort::SoftwareControl}};

template<typename Value>
QString textOf(const QList<std::pair<QString, Value>> &texts, Value value)
{
    for (const auto &[text, each] : texts)
        if (each == value)
            return text;
    return texts.first().first;
}

template<typename Value>
Value valueOf(const QList<std::pair<QString, Value>> &texts, const QString &text, Value otherwise)
{
    for (const auto &[each, value] : texts)
        if (each == text)
            return value;
    return otherwise;
}

} // namespace

QString lineSettingsText(const SerialSettings &settings)
{
    return QStringList{QString::number(settings.baudRate), QString::number(settings.dataBits),
                       textOf(StopBitTexts, settings.stopBits), textOf(ParityTexts, settings.parity),
                       textOf(FlowTexts, settings.flowControl)}
        .join(QLatin1Char(','));
}

SerialSettings serialSettingsOf(const QString &portName, const QString &lineText)
{
    SerialSettings settings;
    settings.portName = portName;
    const QStringList parts = lineText.split(QLatin1Char(','));
    if (parts.size() != 5)
        return settings;
    bool rateOk = false;
    const int rate = parts.at(0).toInt(&rateOk);
    const int dataBits = parts.at(1).toInt();
    if (rateOk && rate > 0)
        settings.baudRate = rate;
    if (dataBits >= 5 && dataBits <= 8)
        settings.dataBits = static_cast<QSerialPort::DataBits>(dataBits);
    settings.stopBits = valueOf(StopBitTexts, parts.at(2), settings.stopBits);
    settings.parity = valueOf(ParityTexts, parts.at(3), settings.parity);
    settings.flowControl = valueOf(FlowTexts, parts.at(4), settings.flowControl);
    return settings;
}

QString systemLocation(const QString &portName)
{
    // QSerialPort's own rule: a path is used as it is, a bare name lives in /dev.
    return portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
}

SerialError::SerialError(const QString &message, int errorCode, const QString &cause)
    : BrivoraError(QStringLiteral("%1 (win error code: %2)").arg(message).arg(errorCode)
                   + (cause.isEmpty() ? QString() : QLatin1Char('\n') + cause))
{
}

SerialLink::SerialLink(QObject *parent)
    : QObject(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLink::scheduleDelivery);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLink::portFailed);
    m_writeTimeout.setSingleShot(true);
    connect(&m_port, &QSerialPort::bytesWritten, this, [this] {
        if (m_port.bytesToWrite() == 0)
            m_writeTimeout.stop();
    });
    connect(&m_writeTimeout, &QTimer::timeout, this, [this] {
        if (m_port.isOpen())
            m_port.clear(QSerialPort::Output);
    });
}

SerialLink::~SerialLink()
{
    if (m_port.isOpen())
        m_port.close();
}

bool SerialLink::isOpen() const
{
    return m_port.isOpen();
}

void SerialLink::open()
{
    if (isOpen())
        return;
    m_lost = false;
    m_location = systemLocation(m_settings.portName);
    // An empty name would make QSerialPort try the folder /dev itself.
    if (m_settings.portName.isEmpty())
        throw SerialError(OpenFailed, ENOENT);
    m_port.setPortName(m_location);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const int code = systemErrorNumber(m_port, m_location);
        m_port.clearError();
        throw SerialError(OpenFailed, code, PortTrouble::causeOf(m_settings.portName, code));
    }

    const bool applied = m_port.setBaudRate(m_settings.baudRate) && m_port.setDataBits(m_settings.dataBits)
        && m_port.setParity(m_settings.parity) && m_port.setStopBits(m_settings.stopBits)
        && m_port.setFlowControl(m_settings.flowControl);
    if (!applied) {
        const int code = systemErrorNumber(m_port, m_location);
        m_port.close();
        m_port.clearError();
        throw SerialError(SettingsRefused, code);
    }
    // DTR stays off, and RTS too unless the handshake owns it. Pseudo-terminals and some
    // adapters have no modem lines and refuse with ENOTTY: the link works without them.
    if (!m_port.setDataTerminalReady(false))
        m_port.clearError();
    if (m_settings.flowControl != QSerialPort::HardwareControl && !m_port.setRequestToSend(false))
        m_port.clearError();

    Q_EMIT openChanged(true);
    // Bytes that were queued before the port opened are announced like any others.
    if (m_port.bytesAvailable() > 0)
        scheduleDelivery();
}

void SerialLink::close()
{
    m_lost = false;
    if (!m_port.isOpen())
        return;
    m_writeTimeout.stop();
    const bool purged = m_port.clear(QSerialPort::AllDirections);
    const int code = purged ? 0 : systemErrorNumber(m_port, m_location);
    m_port.close();
    m_port.clearError();
    Q_EMIT openChanged(false);
    // The port is closed all the same, so the next attempt to open it can succeed.
    if (!purged)
        throw SerialError(PurgeFailed, code);
}

void SerialLink::requireDevice(const QString &message) const
{
    if (m_lost)
        throw SerialError(message, EIO);
    if (!m_port.isOpen())
        throw SerialError(message, EBADF);
}

void SerialLink::write(const QByteArray &bytes)
{
    requireDevice(WriteFailed);
    if (bytes.isEmpty())
        return;
    if (m_port.write(bytes) < 0)
        fail(WriteFailed);
    // The bytes leave from the event loop. Held up by flow control past the time-out,
    // what has not left is dropped, as with a serial driver's write time-out.
    m_writeTimeout.start(100 * static_cast<int>(m_port.bytesToWrite()) + 1000);
}

QByteArray SerialLink::read(int count)
{
    if (count <= 0)
        return {};
    requireDevice(ReadFailed);
    QByteArray bytes(count, Qt::Uninitialized);
    const qint64 got = m_port.read(bytes.data(), count);
    if (got < 0)
        fail(ReadFailed);
    bytes.truncate(static_cast<int>(got));
    return bytes;
}

void SerialLink::announceWaiting()
{
    if (!m_port.isOpen())
        return;
    // A poll that does not wait: the system's bytes reach the port's buffer.
    m_port.waitForReadyRead(0);
    m_port.clearError();
    deliver();
}

void SerialLink::scheduleDelivery()
{
    // readyRead can also be emitted inside a write (QSerialPort reads while it waits
    // for the bytes to leave); the announcement always waits for the event loop.
    if (m_deliveryScheduled)
        return;
    m_deliveryScheduled = true;
    QMetaObject::invokeMethod(this, &SerialLink::deliver, Qt::QueuedConnection);
}

void SerialLink::deliver()
{
    m_deliveryScheduled = false;
    if (!m_port.isOpen())
        return;
    const int count = static_cast<int>(m_port.bytesAvailable());
    if (count <= 0)
        return;
    // An exception must not unwind through Qt's event dispatch.
    try {
        Q_EMIT received(count);
    } catch (const BrivoraError &error) {
        Q_EMIT receiveFailed(error.text());
    } catch (const std::exception &error) {
        Q_EMIT receiveFailed(QString::fromUtf8(error.what()));
    }
}

void SerialLink::portFailed(QSerialPort::SerialPortError error)
{
    // A failing read means the device has gone (unplugged, or the far end of a
    // pseudo-terminal closed). QSerialPort would keep trying it without pause, so the
    // device is let go, right after this signal, and the light goes off; every write
    // fails from now on, until the user opens the port again.
    if ((error != QSerialPort::ReadError && error != QSerialPort::ResourceError) || !m_port.isOpen())
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_port.isOpen())
                return;
            m_writeTimeout.stop();
            m_port.close();
            m_port.clearError();
            m_lost = true;
            Q_EMIT lost();
            Q_EMIT openChanged(false);
        },
        Qt::QueuedConnection);
}

void SerialLink::fail(const QString &message) const
{
    throw SerialError(message, systemErrorNumber(m_port, m_location));
}

void configureAndOpen(SerialLink &link, const PortSetupPrompt &prompt)
{
    link.close();
    if (const std::optional<SerialSettings> chosen = prompt(link.settings()))
        link.setSettings(*chosen);
    link.open();
}
