#include "modem/PortCatalog.h"

#include "modem/SimulatorDevice.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>

namespace {

QString readLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readLine(256)).trimmed();
}

// udev's stable name is "usb-<maker>_<model>_<serial>-if<n>[-port<n>]", spaces made
// underscores: without the kernel's own words the maker and model are read from it.
QString productOfStableName(const QString &stableName)
{
    QString name = stableName;
    name.remove(QRegularExpression(QStringLiteral("^[a-z]+-")));
    name.remove(QRegularExpression(QStringLiteral("-if[0-9A-Fa-f]+(-port[0-9]+)?$")));
    QStringList words = name.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    if (words.size() > 1)
        words.removeLast(); // the serial number
    return words.join(QLatin1Char(' '));
}

} // namespace

QString PortEntry::label() const
{
    QString text = name();
    if (!product.isEmpty())
        text += QStringLiteral(": ") + product;
    if (!stableName.isEmpty())
        text += QStringLiteral(" (by-id: %1)").arg(stableName);
    return text;
}

PortCatalog::PortCatalog()
    : PortCatalog(qEnvironmentVariable("BRIVORA_DEVICE_TREE", QStringLiteral("/")))
{
}

PortCatalog::PortCatalog(const QString &root)
    : m_root(QDir::cleanPath(root.isEmpty() ? QStringLiteral("/") : root))
{
}

QString PortCatalog::devPath(const QString &relative) const
{
    return QDir(m_root).filePath(QStringLiteral("dev/") + relative);
}

QString PortCatalog::sysPath(const QString &relative) const
{
    return QDir(m_root).filePath(QStringLiteral("sys/") + relative);
}

QString PortCatalog::locationOf(const QString &name) const
{
    // A path is used as it is, a bare name lives in the tree's /dev, as the port opens it.
    return name.startsWith(QLatin1Char('/')) ? name : devPath(name);
}

void PortCatalog::describeFromSystem(PortEntry &entry) const
{
    // The port's device is an interface of the USB device, or a port below that
    // interface (usb-serial): the device's folder is the nearest one with an idVendor.
    QString folder = QFileInfo(sysPath(QStringLiteral("class/tty/%1/device").arg(entry.kernelName))).canonicalFilePath();
    for (int up = 0; up < 4 && !folder.isEmpty(); ++up) {
        if (QFileInfo::exists(folder + QStringLiteral("/idVendor"))) {
            entry.usbDevice = folder;
            entry.vendorId = readLine(folder + QStringLiteral("/idVendor"));
            entry.productId = readLine(folder + QStringLiteral("/idProduct"));
            const QString maker = readLine(folder + QStringLiteral("/manufacturer"));
            const QString model = readLine(folder + QStringLiteral("/product"));
            entry.product = model.startsWith(maker) ? model : QStringList{maker, model}.join(QLatin1Char(' ')).trimmed();
            break;
        }
        folder = QFileInfo(folder).path();
    }
    if (entry.product.isEmpty() && !entry.stableName.isEmpty())
        entry.product = productOfStableName(entry.stableName);
}

QList<PortEntry> PortCatalog::ports() const
{
    QMap<QString, PortEntry> byKernelName;

    const QDir stable(devPath(QStringLiteral("serial/by-id")));
    const QStringList stableNames = stable.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : stableNames) {
        // udev's link names the device node itself ("../../ttyUSB2").
        const QFileInfo link(stable.filePath(name));
        if (!link.exists())
            continue; // a link left by a modem that is gone
        const QString kernelName = QFileInfo(link.symLinkTarget()).fileName();
        if (byKernelName.contains(kernelName))
            continue;
        PortEntry entry;
        entry.path = stable.filePath(name);
        entry.kernelName = kernelName;
        entry.stableName = name;
        byKernelName.insert(kernelName, entry);
    }

    QStringList kernelNames;
    if (m_root == QStringLiteral("/")) {
        const QList<QSerialPortInfo> found = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &port : found)
            kernelNames << port.portName();
    } else {
        const QDir ttys(sysPath(QStringLiteral("class/tty")));
        const QStringList names = ttys.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &name : names)
            if (QFileInfo::exists(ttys.filePath(name + QStringLiteral("/device"))))
                kernelNames << name;
    }
    for (const QString &name : kernelNames) {
        if (byKernelName.contains(name))
            continue;
        PortEntry entry;
        entry.path = m_root == QStringLiteral("/") ? name : devPath(name);
        entry.kernelName = name;
        byKernelName.insert(name, entry);
    }

    QList<PortEntry> result;
    for (PortEntry &entry : byKernelName) {
        describeFromSystem(entry);
        result << entry;
    }
    // ttyUSB2 before ttyUSB10.
    QCollator numbers;
    numbers.setNumericMode(true);
    std::stable_sort(result.begin(), result.end(), [&](const PortEntry &a, const PortEntry &b) {
        if (a.stableName.isEmpty() != b.stableName.isEmpty())
            return !a.stableName.isEmpty();
        return numbers.compare(a.kernelName, b.kernelName) < 0;
    });

    const QString simulator = SimulatorDevice::published();
    if (!simulator.isEmpty()) {
        PortEntry entry;
        entry.path = simulator;
        entry.product = QStringLiteral("Brivora test modem");
        result << entry;
    }
    return result;
}

PortEntry PortCatalog::find(const QString &name) const
{
    return findIn(ports(), name);
}

PortEntry PortCatalog::findIn(const QList<PortEntry> &all, const QString &name) const
{
    const QString device = name.isEmpty() ? QString() : QFileInfo(locationOf(name)).canonicalFilePath();
    for (const PortEntry &entry : all)
        if (entry.path == name || (!entry.kernelName.isEmpty() && entry.kernelName == name)
            || (!entry.stableName.isEmpty() && entry.stableName == name))
            return entry;
    if (!device.isEmpty())
        for (const PortEntry &entry : all)
            if (QFileInfo(locationOf(entry.path)).canonicalFilePath() == device)
                return entry;
    PortEntry alone;
    alone.path = name;
    return alone;
}

QStringList PortCatalog::siblingsOf(const PortEntry &port) const
{
    QStringList siblings;
    if (port.usbDevice.isEmpty())
        return siblings;
    const QList<PortEntry> all = ports();
    for (const PortEntry &entry : all)
        if (entry.usbDevice == port.usbDevice && entry.kernelName != port.kernelName)
            siblings << entry.kernelName;
    siblings.sort();
    return siblings;
}

QString PortCatalog::describe(const QString &name) const
{
    const PortEntry port = find(name);
    if (!port.kernelName.isEmpty() || !port.product.isEmpty())
        return port.label();
    if (name.contains(QStringLiteral("/serial/by-id/")))
        return QStringLiteral("%1 (not plugged in)").arg(QFileInfo(name).fileName());
    return name;
}
