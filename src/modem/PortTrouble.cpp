#include "modem/PortTrouble.h"

#include "modem/PortCatalog.h"
#include "modem/SerialLink.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <optional>
#include <pwd.h>
#include <unistd.h>

namespace {

const auto ModemManagerService = QStringLiteral("org.freedesktop.ModemManager1");
constexpr int BusCallMs = 1500;

struct Holder {
    qint64 pid = 0;
    QString name;
};

QString processName(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readLine()).trimmed() : QString();
}

std::optional<Holder> processHolding(const QString &device)
{
    const qint64 self = ::getpid();
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &process : processes) {
        bool numeric = false;
        const qint64 pid = process.toLongLong(&numeric);
        if (!numeric || pid == self)
            continue;
        // Another user's descriptors cannot be read: only ModemManager's D-Bus service
        // tells of a process run by the system.
        const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(pid));
        const QStringList fds = descriptors.entryList(QDir::System | QDir::NoDotAndDotDot);
        bool holds = false;
        bool ownsTerminals = false;
        for (const QString &fd : fds) {
            const QString target = QFile::symLinkTarget(descriptors.filePath(fd));
            holds = holds || target == device;
            ownsTerminals = ownsTerminals || target == QStringLiteral("/dev/ptmx");
        }
        // The program on the far side of a pseudo-terminal keeps its near side open too:
        // that is what answers, not what stands in the way.
        if (holds && !(ownsTerminals && device.startsWith(QStringLiteral("/dev/pts/"))))
            return Holder{pid, processName(pid)};
    }
    return std::nullopt;
}

// Serial programs, and QSerialPort, leave a lock file named after the port they opened
// ("LCK..ttyUSB2"), the opener's pid on its first line.
std::optional<Holder> lockHolding(const QStringList &portNames)
{
    const QStringList folders = {QStringLiteral("/var/lock"),        QStringLiteral("/run/lock"),
                                 QStringLiteral("/etc/locks"),       QStringLiteral("/var/spool/locks"),
                                 QStringLiteral("/var/spool/uucp"),  QDir::tempPath()};
    for (const QString &folder : folders)
        for (QString name : portNames) {
            QFile lock(QDir(folder).filePath(QStringLiteral("LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'))));
            if (!lock.open(QIODevice::ReadOnly))
                continue;
            const qint64 pid = QString::fromLatin1(lock.readLine(64)).trimmed().toLongLong();
            if (pid > 0 && pid != ::getpid() && QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)))
                return Holder{pid, processName(pid)};
        }
    return std::nullopt;
}

QString userName()
{
    if (const passwd *user = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(user->pw_name);
    return qEnvironmentVariable("USER");
}

QStringList portsOf(const QDBusConnection &bus, const QString &modemPath)
{
    QDBusMessage get = QDBusMessage::createMethodCall(ModemManagerService, modemPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.ModemManager1.Modem") << QStringLiteral("Ports");
    const QDBusMessage reply = bus.call(get, QDBus::Block, BusCallMs);
    QStringList names;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return names;
    const QVariant value = reply.arguments().constFirst().value<QDBusVariant>().variant();
    if (!value.canConvert<QDBusArgument>())
        return names;
    // Ports is a(su): each port's name and its kind.
    const auto ports = value.value<QDBusArgument>();
    if (ports.currentSignature() != QStringLiteral("a(su)"))
        return names;
    ports.beginArray();
    while (!ports.atEnd()) {
        QString name;
        uint kind = 0;
        ports.beginStructure();
        ports >> name >> kind;
        ports.endStructure();
        names << name;
    }
    ports.endArray();
    return names;
}

// ModemManager's D-Bus service on the system bus: the process that holds the port as one
// of its modems' ports ("pid 812"), or empty.
QString modemManagerHolding(const QString &kernelName)
{
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || kernelName.isEmpty())
        return {};
    // Every call has a short time-out of its own: the bus's default would be 25 s of a
    // window that does not answer.
    const auto askBus = [&](const QString &method, const QString &name) {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                           QStringLiteral("/org/freedesktop/DBus"),
                                                           QStringLiteral("org.freedesktop.DBus"), method);
        call << name;
        const QDBusMessage reply = bus.call(call, QDBus::Block, BusCallMs);
        return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
            ? reply.arguments().constFirst()
            : QVariant();
    };
    if (!askBus(QStringLiteral("NameHasOwner"), ModemManagerService).toBool())
        return {};
    QDBusMessage introspect = QDBusMessage::createMethodCall(
        ModemManagerService, QStringLiteral("/org/freedesktop/ModemManager1/Modem"),
        QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    const QDBusMessage reply = bus.call(introspect, QDBus::Block, BusCallMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    static const QRegularExpression child(QStringLiteral("<node name=\"([0-9]+)\""));
    auto modems = child.globalMatch(reply.arguments().constFirst().toString());
    while (modems.hasNext()) {
        const QString path = QStringLiteral("/org/freedesktop/ModemManager1/Modem/") + modems.next().captured(1);
        if (portsOf(bus, path).contains(kernelName)) {
            const QVariant pid = askBus(QStringLiteral("GetConnectionUnixProcessID"), ModemManagerService);
            return pid.isValid() ? QStringLiteral("pid %1").arg(pid.toUInt()) : QStringLiteral("its service");
        }
    }
    return {};
}

QString udevRuleFor(const PortEntry &port)
{
    if (!port.vendorId.isEmpty() && !port.productId.isEmpty())
        return QStringLiteral("ATTRS{idVendor}==\"%1\", ATTRS{idProduct}==\"%2\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"")
            .arg(port.vendorId, port.productId);
    const QString kernelName =
        port.kernelName.isEmpty() ? QFileInfo(systemLocation(port.path)).fileName() : port.kernelName;
    return QStringLiteral("KERNEL==\"%1\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"").arg(kernelName);
}

} // namespace

QString PortTrouble::causeOf(const QString &port, int errorCode)
{
    return causeOf(PortCatalog().find(port), errorCode);
}

QString PortTrouble::causeOf(const PortEntry &entry, int errorCode)
{
    const QString port = entry.name();
    const QString location = systemLocation(entry.path);
    const QString device = QFileInfo(location).canonicalFilePath();
    if (errorCode == ENOENT)
        return {};
    if (errorCode == EACCES || errorCode == EPERM) {
        // The port's own group when it has one of its own, as USB and serial ports do.
        QString group = QFileInfo(device.isEmpty() ? location : device).group();
        if (group.isEmpty() || group == QStringLiteral("root"))
            group = QStringLiteral("dialout");
        return QString::fromLatin1(NoRightsText).arg(port, group, userName());
    }

    if (device.isEmpty())
        return {};
    const QString kernelName = entry.kernelName.isEmpty() ? QFileInfo(device).fileName() : entry.kernelName;
    const auto heldByModemManager = [&](const QString &process) {
        return QString::fromLatin1(ModemManagerText).arg(port, process, udevRuleFor(entry));
    };
    if (const QString process = modemManagerHolding(kernelName); !process.isEmpty())
        return heldByModemManager(process);
    // Locks are named after the path a program opened: the one given, or the device's own.
    const auto lockName = [](const QString &path) {
        return path.startsWith(QStringLiteral("/dev/")) ? path.mid(5) : path;
    };
    std::optional<Holder> holder = processHolding(device);
    if (!holder)
        holder = lockHolding({lockName(location), lockName(device)});
    // A port that opened may well be shared with a program that does not lock it (a
    // terminal left open); only ModemManager's probing is known to drown the answers.
    if (!holder || (errorCode == 0 && holder->name != QStringLiteral("ModemManager")))
        return {};
    if (holder->name == QStringLiteral("ModemManager"))
        return heldByModemManager(QStringLiteral("pid %1").arg(holder->pid));
    return QString::fromLatin1(OtherProgramText).arg(port, holder->name).arg(holder->pid);
}
