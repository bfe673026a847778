#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One serial port as the system knows it.
struct PortEntry {
    // What is stored and opened: the stable name's full path when the port has one
    // ("/dev/serial/by-id/usb-HUAWEI_Mobile_E3531_0123-if02-port0"), which follows the
    // modem from one kernel name to the next, else the kernel name ("ttyS0") or the path
    // as found ("/dev/pts/3").
    QString path;
    QString kernelName; // "ttyUSB2"
    QString stableName; // "usb-HUAWEI_Mobile_E3531_0123-if02-port0", or empty
    QString product; // "HUAWEI Mobile E3531", or empty
    QString vendorId; // "12d1": the USB device's, or empty
    QString productId; // "1506"
    // The USB device the port belongs to (its folder under /sys/devices): the ports of one
    // modem share it. Empty for a port that is no USB device's.
    QString usbDevice;

    // How the user is told of the port: its kernel name when it has one ("ttyUSB2"),
    // else its path.
    QString name() const { return kernelName.isEmpty() ? path : kernelName; }
    // "ttyUSB2: HUAWEI Mobile E3531 (by-id: usb-HUAWEI_Mobile_E3531_0123-if02-port0)"
    QString label() const;
};

// The machine's serial ports, read from the device tree under one root: the stable names
// in <root>/dev/serial/by-id, what the kernel says of each port in <root>/sys/class/tty,
// and, on the real root, the ports Qt finds. The root is "/" unless the environment's
// BRIVORA_DEVICE_TREE names another (a test's, or a trial's, fake tree).
class PortCatalog {
public:
    PortCatalog();
    explicit PortCatalog(const QString &root);

    // Ports with a stable name first, then the rest, each part sorted by kernel name; the
    // test modem's device when one runs.
    QList<PortEntry> ports() const;
    // The port a stored or typed name stands for: a stable name, a link, a kernel name or
    // a path. A name that leads to no listed port gives an entry of that name alone.
    PortEntry find(const QString &name) const;
    // The other ports of the same USB device as port, by kernel name.
    QStringList siblingsOf(const PortEntry &port) const;
    // "ttyUSB2: HUAWEI Mobile E3531 (by-id: …)" for a port that is there, "<name> (not
    // plugged in)" for a stable name whose modem is away, the name itself otherwise.
    QString describe(const QString &name) const;

private:
    QString devPath(const QString &relative) const;
    QString sysPath(const QString &relative) const;
    QString locationOf(const QString &name) const;
    PortEntry findIn(const QList<PortEntry> &ports, const QString &name) const;
    void describeFromSystem(PortEntry &entry) const;

    QString m_root;
};
