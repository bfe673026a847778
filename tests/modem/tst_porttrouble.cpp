#include "base/Clock.h"
#include "modem/ModemSession.h"
#include "modem/PortTrouble.h"
#include "support/ErrorText.h"
#include "support/FakeDeviceTree.h"
#include "support/TestModem.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A port of ModemManager's modem, as its "Ports" property gives it: a(su).
struct ModemPort {
    QString name;
    uint kind = 0;
};
QDBusArgument &operator<<(QDBusArgument &argument, const ModemPort &port)
{
    argument.beginStructure();
    argument << port.name << port.kind;
    argument.endStructure();
    return argument;
}
const QDBusArgument &operator>>(const QDBusArgument &argument, ModemPort &port)
{
    argument.beginStructure();
    argument >> port.name >> port.kind;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(ModemPort)

// ModemManager's modem object, standing in on a private bus.
class ModemManagerModem : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ModemManager1.Modem")
    Q_PROPERTY(QList<ModemPort> Ports READ ports)

public:
    QList<ModemPort> ports() const { return {{u"cdc-wdm0"_s, 6}, {u"ttyUSB0"_s, 4}, {u"ttyUSB2"_s, 3}}; }
};

namespace {

const auto HolderMode = "BRIVORA_HOLD_PORT";
const auto NobodyMode = "BRIVORA_OPEN_AS_NOBODY";

// The link set to open port, with the start settings otherwise.
void pointAt(SerialLink &link, const QString &port)
{
    SerialSettings settings;
    settings.portName = port;
    link.setSettings(settings);
}

QString userName()
{
    const passwd *user = ::getpwuid(::getuid());
    return user ? QString::fromLocal8Bit(user->pw_name) : QString();
}

} // namespace

class TestPortTrouble : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void anAccountWithoutTheRightsIsToldToJoinTheGroup();
    void aPortHeldByAnotherProgramNamesIt();
    void aModemHeldByModemManagerGetsItsUdevRule();
    // Helper modes, run by the tests above in a process of their own.
    void holdPort();
    void openAsNobody();

private:
    QProcess m_bus;
    QString m_busAddress;
};

void TestPortTrouble::initTestCase()
{
    if (qEnvironmentVariableIsSet(HolderMode) || qEnvironmentVariableIsSet(NobodyMode))
        return;
    // A private bus stands for the system's, where ModemManager's service lives.
    m_bus.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--nopidfile"_s, u"--print-address=1"_s});
    if (m_bus.waitForStarted(5000) && m_bus.waitForReadyRead(10000))
        m_busAddress = QString::fromLatin1(m_bus.readLine()).trimmed();
    if (!m_busAddress.isEmpty())
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_busAddress.toLatin1());
}

void TestPortTrouble::cleanupTestCase()
{
    if (m_bus.state() == QProcess::Running) {
        m_bus.kill();
        m_bus.waitForFinished(5000);
    }
}

void TestPortTrouble::anAccountWithoutTheRightsIsToldToJoinTheGroup()
{
    TestModem modem;
    const QString device = QFileInfo(modem.devicePath()).canonicalFilePath();
    QString group = QFileInfo(device).group();
    if (group.isEmpty() || group == u"root"_s)
        group = u"dialout"_s;
    const auto expected = [&](const QString &user) {
        return u"Unable to open com port (win error code: 13)\n"
               "Your account may not use %1: add it to the group %2 (sudo adduser %3 %2), then log out and in again."_s
            .arg(device, group, user);
    };
    if (::getuid() != 0) {
        const QFile::Permissions before = QFile::permissions(device);
        QVERIFY(QFile::setPermissions(device, {}));
        SerialLink link;
        pointAt(link, device);
        const QString text = errorOf([&] { link.open(); });
        QFile::setPermissions(device, before);
        QCOMPARE(text, expected(userName()));
        return;
    }
    // Root may open anything: the open is tried by an account of no rights.
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(NobodyMode), device);
    process.setProcessEnvironment(environment);
    process.start(u"setpriv"_s, {u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s,
                                 QCoreApplication::applicationFilePath(), u"openAsNobody"_s, u"-o"_s, u"-,txt"_s});
    if (!process.waitForStarted(5000))
        QSKIP("setpriv cannot run the open as another account");
    QVERIFY(process.waitForFinished(60000));
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    const passwd *nobody = ::getpwuid(65534);
    QVERIFY2(output.contains(u"OPEN-ERROR["_s + expected(QString::fromLocal8Bit(nobody->pw_name)) + u"]"_s),
             qPrintable(output));
}

void TestPortTrouble::aPortHeldByAnotherProgramNamesIt()
{
    TestModem modem;
    QProcess holder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(HolderMode), modem.devicePath());
    holder.setProcessEnvironment(environment);
    holder.start(QCoreApplication::applicationFilePath(), {u"holdPort"_s, u"-o"_s, u"-,txt"_s});
    QVERIFY(holder.waitForStarted(5000));
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += holder.readAllStandardOutput()).contains("HELD")
                                 || holder.state() != QProcess::Running,
                             30000);
    QCOMPARE(holder.state(), QProcess::Running);

    SerialLink link;
    link.setSettings(modem.settings());
    const QString text = errorOf([&] { link.open(); });
    const qint64 pid = holder.processId();
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(30000));
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName().left(15);
    QCOMPARE(text.section(u'\n', 1),
             u"%1 is used by another program: %2 (pid %3)."_s.arg(modem.devicePath(), name).arg(pid));
    QVERIFY(text.startsWith(u"Unable to open com port (win error code: "_s));
}

void TestPortTrouble::aModemHeldByModemManagerGetsItsUdevRule()
{
    if (m_busAddress.isEmpty())
        QSKIP("dbus-daemon did not start");
    qDBusRegisterMetaType<ModemPort>();
    qDBusRegisterMetaType<QList<ModemPort>>();
    // The service answers from a thread of its own, as ModemManager from its process.
    QThread service;
    ModemManagerModem modemObject;
    modemObject.moveToThread(&service);
    service.start();
    QDBusConnection bus = QDBusConnection::connectToBus(m_busAddress, u"modemmanager"_s);
    // Whatever the checks find, the service goes and its thread ends.
    const auto stop = qScopeGuard([&] {
        bus.unregisterObject(u"/org/freedesktop/ModemManager1/Modem/0"_s);
        bus.unregisterService(u"org.freedesktop.ModemManager1"_s);
        QDBusConnection::disconnectFromBus(u"modemmanager"_s);
        service.quit();
        service.wait();
    });
    QVERIFY(bus.isConnected());
    QVERIFY(bus.registerService(u"org.freedesktop.ModemManager1"_s));
    QVERIFY(bus.registerObject(u"/org/freedesktop/ModemManager1/Modem/0"_s, &modemObject,
                               QDBusConnection::ExportAllProperties));

    TestModem modem;
    modem.setSilent(true);
    FakeDeviceTree tree;
    tree.addUsbPort(u"ttyUSB2"_s, u"1-2"_s, 2, FakeDeviceTree::AtPort, modem.devicePath());
    tree.addUsbPort(u"ttyUSB5"_s, u"1-3"_s, 0); // a port ModemManager does not have
    tree.standForTheSystem();
    const QString port = tree.stable(FakeDeviceTree::AtPort);
    const QString expected = u"ttyUSB2 is held by ModemManager (pid %1): stop it with sudo systemctl stop ModemManager, "
                             "or let Brivora have the modem: ATTRS{idVendor}==\"12d1\", ATTRS{idProduct}==\"1506\", "
                             "ENV{ID_MM_DEVICE_IGNORE}=\"1\""_s.arg(QCoreApplication::applicationPid());
    QCOMPARE(PortTrouble::causeOf(port, EBUSY), expected);
    QCOMPARE(PortTrouble::causeOf(tree.dev(u"ttyUSB5"_s), EBUSY), QString());

    // The modem answers nothing while ModemManager probes it: the warning says why.
    Clock clock;
    clock.setTimeoutScale(0.01);
    ModemSession session(clock);
    QSignalSpy warnings(&session, &ModemSession::warning);
    SerialSettings settings;
    settings.portName = port;
    session.open(settings);
    QTRY_COMPARE(warnings.size(), 1);
    QCOMPARE(warnings.first().at(0).toString(),
             u"No modem answers on %1. Check the cable, the power and the port settings.\n"_s.arg(port) + expected);

}

void TestPortTrouble::holdPort()
{
    const QString port = qEnvironmentVariable(HolderMode);
    if (port.isEmpty())
        QSKIP("run by aPortHeldByAnotherProgramNamesIt");
    SerialLink link;
    pointAt(link, port);
    link.open();
    QTextStream(stdout) << "HELD" << Qt::endl;
    // Held until the test closes this process's input.
    QFile input;
    QVERIFY(input.open(stdin, QIODevice::ReadOnly));
    input.readAll();
}

void TestPortTrouble::openAsNobody()
{
    const QString port = qEnvironmentVariable(NobodyMode);
    if (port.isEmpty())
        QSKIP("run by anAccountWithoutTheRightsIsToldToJoinTheGroup");
    SerialLink link;
    pointAt(link, port);
    QTextStream(stdout) << "OPEN-ERROR[" << errorOf([&] { link.open(); }) << "]" << Qt::endl;
}

QTEST_GUILESS_MAIN(TestPortTrouble)
#include "tst_porttrouble.moc"
