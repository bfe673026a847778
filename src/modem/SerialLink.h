#pragma once

#include "base/Errors.h"

#include <QObject>
#include <QSerialPort>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

// Line settings of the modem's port. A new link starts with the values below; the
// name "COM" is no device, so the port cannot open until the user picks one.
struct SerialSettings {
    QString portName = QStringLiteral("COM");
    qint32 baudRate = 9600;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;
};

// The line settings as one text, "9600,8,1,None,None" (rate, data bits, stop bits,
// parity, flow control), as the modem list keeps them; a text that is not one gives the
// settings a new link starts with, for the port named.
QString lineSettingsText(const SerialSettings &settings);
SerialSettings serialSettingsOf(const QString &portName, const QString &lineText);

// The device a port name stands for: a path as it is, a bare name in /dev.
QString systemLocation(const QString &portName);

// A port failure. The text is what the user is shown, for example
// "WriteFile function failed (win error code: 9)"; the number is the system's errno. A
// known cause follows on a line of its own.
class SerialError : public BrivoraError {
public:
    SerialError(const QString &message, int errorCode, const QString &cause = {});
};

// The modem's serial port (`ComPort1`).
//
// Received bytes are announced by received(byteCount) from the event loop only:
// bytes that arrive while the thread is busy (a handler, a long piece of work) stay
// queued and are announced all together, in one call, the next time events are
// processed. A handler that leaves bytes unread sees them again, with any new ones,
// in the count of the next announcement.
class SerialLink : public QObject {
    Q_OBJECT

public:
    explicit SerialLink(QObject *parent = nullptr);
    ~SerialLink() override;

    const SerialSettings &settings() const { return m_settings; }
    // Takes effect at the next open.
    void setSettings(const SerialSettings &settings) { m_settings = settings; }

    // Opens the device named by the settings, exclusively, and applies the line
    // settings; on failure the port stays closed. Opening an open port does nothing.
    void open();
    // Discards pending input and output and closes. Closing a closed port does nothing.
    void close();
    // Open, with its device there.
    bool isOpen() const;
    // The device went away while the port was open (a USB modem pulled out): the port is
    // closed, and every write fails saying so until the port is opened again.
    bool isLost() const { return m_lost; }

    // Hands all bytes to the port, which writes them from the event loop; what has not
    // left when the write time-out (100 ms per byte plus one second) has passed is
    // dropped, as a serial driver does. An empty string writes nothing. Throws when the
    // port is closed or its device has gone.
    void write(const QByteArray &bytes);
    // Up to count of the bytes already received, without waiting.
    QByteArray read(int count);
    // Announces now, before this returns, what has arrived and not been announced yet,
    // also what the system holds for the port and has not handed over: a time-out
    // decided after this knows every answer that came before it.
    void announceWaiting();

Q_SIGNALS:
    void openChanged(bool open);
    // byteCount bytes are waiting; a handler reads them with read().
    void received(int byteCount);
    // A handler of received() threw: its text. Delivery goes on with the next bytes.
    void receiveFailed(const QString &text);
    // The device has gone; openChanged(false) follows.
    void lost();

private:
    void portFailed(QSerialPort::SerialPortError error);
    void scheduleDelivery();
    void deliver();
    [[noreturn]] void fail(const QString &message) const;
    // Throws message with EIO when the device has gone, EBADF when the port is closed.
    void requireDevice(const QString &message) const;

    QSerialPort m_port;
    QTimer m_writeTimeout;
    SerialSettings m_settings;
    QString m_location; // the device last opened
    bool m_lost = false; // open for the program, but its device has gone
    bool m_deliveryScheduled = false;
};

// The port setup as the user runs it from the status light (`ComLed1Click`): close the
// port if it is open, ask for new settings (std::nullopt when the user cancels), apply
// them when given, and open the port in either case. Errors are thrown to the caller.
using PortSetupPrompt = std::function<std::optional<SerialSettings>(const SerialSettings &current)>;
void configureAndOpen(SerialLink &link, const PortSetupPrompt &prompt);
