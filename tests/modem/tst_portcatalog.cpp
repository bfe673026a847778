#include "base/Clock.h"
#include "modem/ModemSession.h"
#include "modem/PortCatalog.h"
#include "modem/PortSetupDialog.h"
#include "support/FakeDeviceTree.h"
#include "support/TestModem.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString Diagnostic = FakeDeviceTree::DiagnosticPort;
const QString AtPort = FakeDeviceTree::AtPort;

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
    // Typed, a port's path is completed to its line in the list, which stands for it.
    list->setCurrentIndex(1);
    list->setEditText(list->itemText(0));
    QCOMPARE(dialog.settings().portName, tree.stable(AtPort));
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
    tree.standForTheSystem();

    Clock clock;
    clock.setTimeoutScale(0.01);
    ModemSession session(clock);
    QSignalSpy warnings(&session, &ModemSession::warning);
    SerialSettings settings;
    settings.portName = tree.stable(Diagnostic);
    session.open(settings);
    QTRY_COMPARE(warnings.size(), 1);
    QCOMPARE(warnings.first().at(0).toString(),
             u"ttyUSB0 does not take AT commands; try another port of the same modem: ttyUSB1, ttyUSB2"_s);
}

QTEST_MAIN(TestPortCatalog)
#include "tst_portcatalog.moc"
