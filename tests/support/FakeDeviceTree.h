#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// A device tree as a Linux desktop has it, in a folder: device nodes in dev (links to
// test modems, or empty files), udev's stable names in dev/serial/by-id, and the kernel's
// word on each port in sys.
class FakeDeviceTree {
public:
    // A HUAWEI modem's stable names: its diagnostic port and the port that takes AT commands.
    static inline const QString DiagnosticPort = QStringLiteral("usb-HUAWEI_Mobile_E3531_0123456789-if00-port0");
    static inline const QString AtPort = QStringLiteral("usb-HUAWEI_Mobile_E3531_0123456789-if02-port0");

    // The program's port list reads this tree (BRIVORA_DEVICE_TREE) until it is gone.
    void standForTheSystem()
    {
        qputenv("BRIVORA_DEVICE_TREE", QFile::encodeName(root()));
        m_standing = true;
    }
    ~FakeDeviceTree()
    {
        if (m_standing)
            qunsetenv("BRIVORA_DEVICE_TREE");
    }

    QString root() const { return m_root.path(); }
    QString dev(const QString &name) const { return m_root.filePath(QStringLiteral("dev/") + name); }
    QString stable(const QString &name) const { return dev(QStringLiteral("serial/by-id/") + name); }

    // A port of USB device usbDevice (made with its ids and words at its first port),
    // interface number interfaceNumber; its node leads to device when one is given.
    void addUsbPort(const QString &kernelName, const QString &usbDevice, int interfaceNumber,
                    const QString &stableName = {}, const QString &device = {})
    {
        const QString usb = QStringLiteral("sys/devices/pci0000:00/0000:00:14.0/usb1/") + usbDevice;
        const QString port = QStringLiteral("%1/%2:1.%3/%4").arg(usb, usbDevice).arg(interfaceNumber).arg(kernelName);
        QDir(root()).mkpath(port);
        if (!QFile::exists(m_root.filePath(usb + QStringLiteral("/idVendor")))) {
            write(usb + QStringLiteral("/idVendor"), "12d1\n");
            write(usb + QStringLiteral("/idProduct"), "1506\n");
            write(usb + QStringLiteral("/manufacturer"), "HUAWEI\n");
            write(usb + QStringLiteral("/product"), "Mobile E3531\n");
        }
        addNode(kernelName, device);
        QDir(root()).mkpath(QStringLiteral("sys/class/tty/") + kernelName);
        QFile::link(QStringLiteral("../../../../") + port, m_root.filePath(QStringLiteral("sys/class/tty/%1/device").arg(kernelName)));
        if (!stableName.isEmpty())
            linkStable(stableName, kernelName);
    }
    // A port of the machine itself, with no USB device: no stable name, no words.
    void addBoardPort(const QString &kernelName)
    {
        QDir(root()).mkpath(QStringLiteral("sys/devices/platform/serial8250/tty/") + kernelName);
        addNode(kernelName, {});
        QDir(root()).mkpath(QStringLiteral("sys/class/tty/") + kernelName);
        QFile::link(QStringLiteral("../../../devices/platform/serial8250/tty/") + kernelName,
                    m_root.filePath(QStringLiteral("sys/class/tty/%1/device").arg(kernelName)));
    }
    void linkStable(const QString &stableName, const QString &kernelName)
    {
        QDir(root()).mkpath(QStringLiteral("dev/serial/by-id"));
        QFile::remove(stable(stableName));
        QFile::link(QStringLiteral("../../") + kernelName, stable(stableName));
    }
    // The modem pulled out: its nodes and the kernel's word on them go, the links stay.
    void removePort(const QString &kernelName)
    {
        QFile::remove(dev(kernelName));
        QFile::remove(m_root.filePath(QStringLiteral("sys/class/tty/%1/device").arg(kernelName)));
        QDir(m_root.filePath(QStringLiteral("sys/class/tty/") + kernelName)).removeRecursively();
    }

private:
    void write(const QString &relative, const QByteArray &bytes)
    {
        QFile file(m_root.filePath(relative));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("Cannot write %s", qPrintable(file.fileName()));
        file.write(bytes);
    }
    void addNode(const QString &kernelName, const QString &device)
    {
        QDir(root()).mkpath(QStringLiteral("dev"));
        if (!device.isEmpty())
            QFile::link(device, dev(kernelName));
        else
            write(QStringLiteral("dev/") + kernelName, {});
    }

    QTemporaryDir m_root;
    bool m_standing = false;
};

