#include "base/Clock.h"
#include "modem/ModemSession.h"
#include "modem/PortCatalog.h"
#include "modem/PortSetupDialog.h"
#include "support/TestModem.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A device tree as a Linux desktop has it, in a folder: device nodes in dev (links to
// test modems, or empty files), udev's stable names in dev/serial/by-id, and the kernel's
// word on each port in sys.
class FakeDeviceTree {
public:
    QString root() const { return m_root.path(); }
    QString dev(const QString &name) const { return m_root.filePath(u"dev/"_s + name); }
    QString stable(const QString &name) const { return dev(u"serial/by-id/"_s + name); }

    // A port of USB device usbDevice (made with its ids and words at its first port),
    // interface number interfaceNumber; its node leads to device when one is given.
    void addUsbPort(const QString &kernelName, const QString &usbDevice, int interfaceNumber,
                    const QString &stableName = {}, const QString &device = {})
    {
        const QString usb = u"sys/devices/pci0000:00/0000:00:14.0/usb1/"_s + usbDevice;
        const QString port = u"%1/%2:1.%3/%4"_s.arg(usb, usbDevice).arg(interfaceNumber).arg(kernelName);
        QDir(root()).mkpath(port);
        if (!QFile::exists(m_root.filePath(usb + u"/idVendor"_s))) {
            write(usb + u"/idVendor"_s, "12d1\n");
            write(usb + u"/idProduct"_s, "1506\n");
            write(usb + u"/manufacturer"_s, "HUAWEI\n");
            write(usb + u"/product"_s, "Mobile E3531\n");
        }
        addNode(kernelName, device);
        QDir(root()).mkpath(u"sys/class/tty/"_s + kernelName);
        QFile::link(u"../../../../"_s + port, m_root.filePath(u"sys/class/tty/%1/device"_s.arg(kernelName)));
        if (!stableName.isEmpty())
            linkStable(stableName, kernelName);
    }
    // A port of the machine itself, with no USB device: no stable name, no words.
    void addBoardPort(const QString &kernelName)
    {
        QDir(root()).mkpath(u"sys/devices/platform/serial8250/tty/"_s + kernelName);
        addNode(kernelName, {});
        QDir(root()).mkpath(u"sys/class/tty/"_s + kernelName);
        QFile::link(u"../../../devices/platform/serial8250/tty/"_s + kernelName,
                    m_root.filePath(u"sys/class/tty/%1/device"_s.arg(kernelName)));
    }
    void linkStable(const QString &stableName, const QString &kernelName)
    {
        QDir(root()).mkpath(u"dev/serial/by-id"_s);
        QFile::remove(stable(stableName));
        QFile::link(u"../../"_s + kernelName, stable(stableName));
    }
    // The modem pulled out: its nodes and the kernel's word on them go, the links stay.
    void removePort(const QString &kernelName)
    {
        QFile::remove(dev(kernelName));
        QFile::remove(m_root.filePath(u"sys/class/tty/%1/device"_s.arg(kernelName)));
        QDir(m_root.filePath(u"sys/class/tty/"_s + kernelName)).removeRecursively();
    }

private:
    void write(const QString &relative, const QByteArray &bytes)
    {
        QFile file(m_root.filePath(relative));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    void addNode(const QString &kernelName, const QString &device)
    {
        QDir(root()).mkpath(u"dev"_s);
        if (!device.isEmpty())
            QFile::link(device, dev(kernelName));
        else
            write(u"dev/"_s + kernelName, {});
    }

    QTemporaryDir m_root;
};

const QString Diagnostic = u"usb-HUAWEI_Mobile_E3531_0123456789-if00-port0"_s;
const QString AtPort = u"usb-HUAWEI_Mobile_E3531_0123456789-if02-port0"_s;

QStringList labelsOf(const QList<PortEntry> &ports)
{
    QStringList labels;
    for (const PortEntry &port : ports)
        labels << port.label();
    return labels;
}

} // namespace

class TestPortCatalog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void portsAreListedWithWhatTheSystemKnowsStableNamesFirst();
    void aModemStoredByItsStableNameIsFoundAfterAReplug();
    void theSetupDialogListsPortsByTheirNamesAndKeepsTheStableOne();
    void aPortThatTakesNoAtCommandsNamesTheModemsOtherPorts();
};

void TestPortCatalog::portsAreListedWithWhatTheSystemKnowsStableNamesFirst()
{
    FakeDeviceTree tree;
    tree.addBoardPort(u"ttyS0"_s);
    tree.addUsbPort(u"ttyUSB2"_s, u"1-2"_s, 2, AtPort);
    tree.addUsbPort(u"ttyUSB0"_s, u"1-2"_s, 0, Diagnostic);
    tree.addUsbPort(u"ttyUSB1"_s, u"1-2"_s, 1);
    // A stable name without the kernel's words, and a link a modem left when it went.
    tree.addBoardPort(u"ttyACM0"_s);
    tree.linkStable(u"usb-Quectel_EC25_Modem_ABC123-if03"_s, u"ttyACM0"_s);
    tree.linkStable(u"usb-ZTE_MF190-if01-port0"_s, u"ttyUSB7"_s);

    const QList<PortEntry> ports = PortCatalog(tree.root()).ports();
    QCOMPARE(labelsOf(ports),
             (QStringList{u"ttyACM0: Quectel EC25 Modem (by-id: usb-Quectel_EC25_Modem_ABC123-if03)"_s,
                          u"ttyUSB0: HUAWEI Mobile E3531 (by-id: %1)"_s.arg(Diagnostic),
                          u"ttyUSB2: HUAWEI Mobile E3531 (by-id: %1)"_s.arg(AtPort), u"ttyS0"_s,
                          u"ttyUSB1: HUAWEI Mobile E3531"_s}));
    // What is stored: the stable name's path, else the node's.
    QCOMPARE(ports.at(2).path, tree.stable(AtPort));
    QCOMPARE(ports.at(3).path, tree.dev(u"ttyS0"_s));
    QCOMPARE(ports.at(2).vendorId, u"12d1"_s);
    QCOMPARE(ports.at(2).productId, u"1506"_s);
    QCOMPARE(ports.at(1).usbDevice, ports.at(4).usbDevice);
    QVERIFY(ports.at(3).usbDevice.isEmpty());
}

void TestPortCatalog::aModemStoredByItsStableNameIsFoundAfterAReplug()
{
    TestModem modem;
    FakeDeviceTree tree;
    tree.addUsbPort(u"ttyUSB2"_s, u"1-2"_s, 2, AtPort, modem.devicePath());
    const PortCatalog catalog(tree.root());
    const QString stored = tree.stable(AtPort);
    QCOMPARE(catalog.find(stored).kernelName, u"ttyUSB2"_s);
    // Typed by its kernel name or its node, the port is the same.
    QCOMPARE(catalog.find(u"ttyUSB2"_s).path, stored);
    QCOMPARE(catalog.find(tree.dev(u"ttyUSB2"_s)).path, stored);

    // Pulled out: the list says so instead of offering a dead name.
    tree.removePort(u"ttyUSB2"_s);
    QCOMPARE(catalog.describe(stored), AtPort + u" (not plugged in)"_s);
    QVERIFY(catalog.ports().isEmpty());

    // Plugged in again, the same modem is ttyUSB5; the stored name opens it.
    tree.addUsbPort(u"ttyUSB5"_s, u"1-3"_s, 2, AtPort, modem.devicePath());
    QCOMPARE(catalog.describe(stored), u"ttyUSB5: HUAWEI Mobile E3531 (by-id: %1)"_s.arg(AtPort));
    SerialSettings settings;
    settings.portName = stored;
    SerialLink link;
    link.setSettings(settings);
    modem.watch(link);
    link.open();
    link.write("AT\r\n");
    QVERIFY(modem.waitForInputs(1));
    QCOMPARE(modem.inputs(), QStringList{u"AT"_s});
}

void TestPortCatalog::theSetupDialogListsPortsByTheirNamesAndKeepsTheStableOne()
{
    FakeDeviceTree tree;
    tree.addUsbPort(u"ttyUSB2"_s, u"1-2"_s, 2, AtPort);
    tree.addBoardPort(u"ttyS0"_s);
    const QList<PortEntry> ports = PortCatalog(tree.root()).ports();

    // A modem stored by its kernel name before shows by its stable name, which OK keeps.
    SerialSettings old;
    old.portName = u"ttyUSB2"_s;
    PortSetupDialog dialog(old, ports);
    auto *list = dialog.findChild<QComboBox *>(u"PortCombo"_s);
    QCOMPARE(list->currentText(), u"ttyUSB2: HUAWEI Mobile E3531 (by-id: %1)"_s.arg(AtPort));
    QCOMPARE(dialog.settings().portName, tree.stable(AtPort));
    list->setCurrentIndex(1);
    QCOMPARE(dialog.settings().portName, tree.dev(u"ttyS0"_s));
    // A typed path is taken as typed.
    list->setEditText(u"/dev/ttyACM3"_s);
    QCOMPARE(dialog.settings().portName, u"/dev/ttyACM3"_s);
}

void TestPortCatalog::aPortThatTakesNoAtCommandsNamesTheModemsOtherPorts()
{
    TestModem diagnostic;
    diagnostic.setSilent(true);
    FakeDeviceTree tree;
    tree.addUsbPort(u"ttyUSB0"_s, u"1-2"_s, 0, Diagnostic, diagnostic.devicePath());
    tree.addUsbPort(u"ttyUSB1"_s, u"1-2"_s, 1);
    tree.addUsbPort(u"ttyUSB2"_s, u"1-2"_s, 2, AtPort);
    tree.addUsbPort(u"ttyUSB3"_s, u"1-4"_s, 0); // another modem's
    qputenv("BRIVORA_DEVICE_TREE", QFile::encodeName(tree.root()));

    Clock clock;
    clock.setTimeoutScale(0.01);
    ModemSession session(clock);
    QSignalSpy warnings(&session, &ModemSession::warning);
    SerialSettings settings;
    settings.portName = tree.stable(Diagnostic);
    session.open(settings);
    QTRY_COMPARE(warnings.size(), 1);
    QCOMPARE(warnings.first().at(0).toString(),
             u"%1 does not take AT commands; try another port of the same modem: ttyUSB1, ttyUSB2"_s.arg(
                 tree.stable(Diagnostic)));
    qunsetenv("BRIVORA_DEVICE_TREE");
}

QTEST_MAIN(TestPortCatalog)
#include "tst_portcatalog.moc"
