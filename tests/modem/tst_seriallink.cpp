#include "base/Errors.h"
#include "modem/ComLed.h"
#include "modem/PortSetupDialog.h"
#include "modem/SerialLink.h"
#include "modem/SimulatorDevice.h"
#include "support/ErrorText.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModem.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Every setting of a port, so that two can be compared and a difference shows.
QString described(const SerialSettings &settings)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(settings.portName)
        .arg(settings.baudRate)
        .arg(settings.dataBits)
        .arg(settings.stopBits)
        .arg(settings.parity)
        .arg(settings.flowControl);
}

// Ports known by their path alone, as the dialog lists them.
QList<PortEntry> portsNamed(const QStringList &paths)
{
    QList<PortEntry> ports;
    for (const QString &path : paths)
        ports << PortEntry{.path = path};
    return ports;
}

QStringList itemsOf(const QComboBox *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

QComboBox *list(const PortSetupDialog &dialog, const char *name)
{
    auto *found = dialog.findChild<QComboBox *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no list %s", name);
    return found;
}

// Points XDG_RUNTIME_DIR at a folder of its own, so the port file of a simulator
// running on this machine is not seen and ours does not leak.
class RuntimeDir {
public:
    RuntimeDir()
        : m_wasSet(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        , m_previous(qgetenv("XDG_RUNTIME_DIR"))
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path()));
    }
    ~RuntimeDir()
    {
        if (m_wasSet)
            qputenv("XDG_RUNTIME_DIR", m_previous);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }

private:
    QTemporaryDir m_dir;
    bool m_wasSet;
    QByteArray m_previous;
};

} // namespace

class TestSerialLink : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void closedPortRefusesInputAndOutput();
    void unknownPortNamesCannotBeOpened_data();
    void unknownPortNamesCannotBeOpened();
    void portHeldByAnotherOpenerCannotBeOpened();
    void openAndCloseAnnounceTheirState();
    void removedDeviceFailsWritesAndCanBeClosed();
    void bytesTravelExactlyBothWays();
    void readReturnsOnlyWhatHasArrived();
    void bytesArrivingWhileTheThreadIsBusyAreAnnouncedOnce();
    void failingReceiveHandlerDoesNotStopDelivery();
    void portListAddsARunningSimulator();

    void setupDialogLayout();
    void setupDialogStartsOnCurrentValues();
    void setupDialogAppliesChoices();
    void setupDialogAsksModally();
    void aTypedPathIsTakenAndOpened();

    void cancellingSetupWithStartSettingsFailsToOpen();
    void confirmingSetupWithoutPortFailsAndKeepsChoice();
    void clickingLightWhileOpenClosesAndReopens();
    void statusLight();

private:
    // A device that never existed: the numbers of pseudo-terminals that have gone are
    // handed out again, to tests running beside this one.
    QString missingDevice() const { return m_neverThere.filePath(QStringLiteral("ttyUSB9")); }
    QTemporaryDir m_neverThere;
};

void TestSerialLink::closedPortRefusesInputAndOutput()
{
    SerialLink link;
    QCOMPARE(errorOf([&] { link.write("AT+CMGF=0\r\n"); }),
             QStringLiteral("WriteFile function failed (win error code: 9)"));
    // Even an empty write: the first write of a send is what reports the closed port.
    QCOMPARE(errorOf([&] { link.write({}); }), QStringLiteral("WriteFile function failed (win error code: 9)"));
    QCOMPARE(errorOf([&] { link.read(4); }), QStringLiteral("ReadFile function failed (win error code: 9)"));
    QCOMPARE(link.read(0), QByteArray());

    // After a close, as before the first open.
    TestModem modem;
    modem.plugInto(link);
    link.close();
    QCOMPARE(errorOf([&] { link.write("AT\r\n"); }), QStringLiteral("WriteFile function failed (win error code: 9)"));
}

void TestSerialLink::unknownPortNamesCannotBeOpened_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("start name") << QStringLiteral("COM");
    QTest::newRow("empty") << QString();
    QTest::newRow("missing device") << missingDevice();
}

void TestSerialLink::unknownPortNamesCannotBeOpened()
{
    QFETCH(QString, name);
    SerialLink link;
    QSignalSpy light(&link, &SerialLink::openChanged);
    SerialSettings settings;
    settings.portName = name;
    settings.baudRate = 19200;
    link.setSettings(settings);

    QCOMPARE(errorOf([&] { link.open(); }), QStringLiteral("Unable to open com port (win error code: 2)"));
    QVERIFY(!link.isOpen());
    QCOMPARE(light.count(), 0);
    QCOMPARE(described(link.settings()), described(settings));
}

void TestSerialLink::portHeldByAnotherOpenerCannotBeOpened()
{
    TestModem modem;
    SerialLink holder;
    SerialLink second;
    modem.plugInto(holder);
    QCOMPARE(errorOf([&] { modem.plugInto(second); }), QStringLiteral("Unable to open com port (win error code: 16)"));
    QVERIFY(!second.isOpen());
    QVERIFY(holder.isOpen());

    // Once released, the other opener gets it.
    holder.close();
    modem.plugInto(second);
    QVERIFY(second.isOpen());
}

void TestSerialLink::openAndCloseAnnounceTheirState()
{
    TestModem modem;
    SerialLink link;
    QSignalSpy light(&link, &SerialLink::openChanged);

    link.close(); // never opened: nothing happens
    QCOMPARE(light.count(), 0);

    modem.plugInto(link);
    QVERIFY(link.isOpen());
    link.open(); // already open: nothing happens
    link.close();
    QVERIFY(!link.isOpen());
    link.close();
    QCOMPARE(light.count(), 2);
    QCOMPARE(light.at(0).at(0).toBool(), true);
    QCOMPARE(light.at(1).at(0).toBool(), false);

    // The port can be opened again after a close.
    link.open();
    QVERIFY(link.isOpen());
    QCOMPARE(light.count(), 3);
}

void TestSerialLink::removedDeviceFailsWritesAndCanBeClosed()
{
    SerialLink link;
    QSignalSpy light(&link, &SerialLink::openChanged);
    auto modem = std::make_unique<TestModem>();
    modem->plugInto(link);
    modem.reset();
    QSignalSpy lost(&link, &SerialLink::lost);
    // The port notices from the event loop that its device has gone, and the light goes off.
    QTRY_COMPARE(lost.count(), 1);
    QVERIFY(!link.isOpen());
    QVERIFY(link.isLost());
    QCOMPARE(light.count(), 2);
    QCOMPARE(light.at(1).at(0).toBool(), false);
    // Every write says so until the port is opened again.
    QCOMPARE(errorOf([&] { link.write("AT+CMGF=0\r\n"); }),
             QStringLiteral("WriteFile function failed (win error code: 5)"));

    link.close();
    QVERIFY(!link.isOpen());
    QVERIFY(!link.isLost());
    QCOMPARE(light.count(), 2);
    SerialSettings gone = link.settings();
    gone.portName = missingDevice();
    link.setSettings(gone);
    QCOMPARE(errorOf([&] { link.open(); }), QStringLiteral("Unable to open com port (win error code: 2)"));
}

void TestSerialLink::bytesTravelExactlyBothWays()
{
    TestModem modem;
    modem.setSilent(true);
    SerialLink link;
    ReceivedChunks chunks(link);
    modem.plugInto(link);

    // Every byte value, flow-control and line-end characters included, arrives untouched.
    QByteArray every;
    for (int value = 0; value < 256; ++value)
        every += static_cast<char>(value);
    link.write(every);
    QVERIFY(QTest::qWaitFor([&] { return modem.receivedBytes().size() >= every.size(); }, 5000));
    QCOMPARE(modem.receivedBytes(), every);

    modem.send(every);
    QVERIFY(chunks.waitForBytes(every.size()));
    QCOMPARE(chunks.all(), every);

    link.write({}); // writes nothing
    link.write("AT\r\n");
    QVERIFY(QTest::qWaitFor([&] { return modem.receivedBytes().size() >= every.size() + 4; }, 5000));
    QCOMPARE(modem.receivedBytes(), every + "AT\r\n");
}

void TestSerialLink::readReturnsOnlyWhatHasArrived()
{
    TestModem modem;
    SerialLink link;
    modem.plugInto(link);
    QList<QByteArray> reads;
    connect(&link, &SerialLink::received, this, [&](int count) {
        reads << link.read(count + 10);
        reads << link.read(count);
    });
    modem.send("+CMGS: 7\r\n");
    QVERIFY(QTest::qWaitFor([&] { return !reads.isEmpty(); }, 5000));
    QCOMPARE(reads, (QList<QByteArray>{"+CMGS: 7\r\n", QByteArray()}));
}

void TestSerialLink::bytesArrivingWhileTheThreadIsBusyAreAnnouncedOnce()
{
    TestModem modem;
    SerialLink link;
    ReceivedChunks chunks(link);
    QList<int> counts;
    connect(&link, &SerialLink::received, this, [&](int count) { counts << count; });
    modem.plugInto(link);

    // Three answers arrive while the thread does something else: it takes no event
    // until the port has them all.
    modem.send("OK\r\n");
    modem.send("> ");
    modem.send("+CMS ERROR: 500\r\n");
    const QDeadlineTimer deadline(5000);
    while (modem.unreadByPort() < 23 && !deadline.hasExpired())
        QThread::usleep(100);
    QVERIFY(counts.isEmpty());
    QVERIFY(chunks.waitForBytes(23));
    QCOMPARE(counts, QList<int>{23});
    QCOMPARE(chunks.chunks(), QList<QByteArray>{"OK\r\n> +CMS ERROR: 500\r\n"});

    // What comes later is a call of its own.
    modem.send("OK\r\n");
    QVERIFY(chunks.waitForBytes(27));
    QCOMPARE(counts, (QList<int>{23, 4}));

    // A write returns at once and announces nothing: the bytes leave, and answers come
    // in, from the event loop.
    modem.send("+CMGS: 3\r\n");
    link.write("AT+CMGF=0\r\n");
    QCOMPARE(counts, (QList<int>{23, 4}));
    QVERIFY(modem.waitForInputs(1));
    QVERIFY(chunks.waitForBytes(37));
    QCOMPARE(counts.mid(0, 2), (QList<int>{23, 4}));
}

void TestSerialLink::failingReceiveHandlerDoesNotStopDelivery()
{
    TestModem modem;
    SerialLink link;
    modem.plugInto(link);
    QSignalSpy failures(&link, &SerialLink::receiveFailed);
    QList<QByteArray> chunks;
    connect(&link, &SerialLink::received, this, [&](int count) {
        chunks << link.read(count);
        if (chunks.size() == 1)
            throw BrivoraError(QStringLiteral("Record not found"));
    });

    modem.send("ERROR\r\n");
    QVERIFY(failures.wait(5000));
    QCOMPARE(failures.at(0).at(0).toString(), QStringLiteral("Record not found"));
    modem.send("OK\r\n");
    QVERIFY(QTest::qWaitFor([&] { return chunks.size() == 2; }, 5000));
    QCOMPARE(chunks.at(1), QByteArray("OK\r\n"));
}

void TestSerialLink::portListAddsARunningSimulator()
{
    RuntimeDir runtime;
    const auto paths = [] {
        QStringList result;
        for (const PortEntry &port : PortCatalog().ports())
            result << port.path;
        return result;
    };
    const QStringList machine = paths();

    QString device;
    {
        TestModem modem;
        device = modem.devicePath();
        QVERIFY(!machine.contains(device));
        QVERIFY(modem.publish());
        const QList<PortEntry> ports = PortCatalog().ports();
        QCOMPARE(ports.size(), machine.size() + 1);
        QCOMPARE(ports.last().path, device);
        QCOMPARE(ports.last().label(), device + u": Brivora test modem"_s);
    }
    // The simulator has gone, and with it its file.
    QCOMPARE(paths(), machine);

    // A file left behind by a simulator that was killed names a device that is gone.
    QFile stale(SimulatorDevice::portFilePath());
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write(QFile::encodeName(missingDevice()) + '\n');
    stale.close();
    QCOMPARE(paths(), machine);
}

void TestSerialLink::setupDialogLayout()
{
    PortSetupDialog dialog(SerialSettings{}, portsNamed({QStringLiteral("ttyS0"), QStringLiteral("ttyUSB0")}));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Setup"));
    QCOMPARE(dialog.layout()->sizeConstraint(), QLayout::SetFixedSize);

    auto *group = dialog.findChild<QGroupBox *>();
    QVERIFY(group);
    QCOMPARE(group->title(), QStringLiteral(" Settings "));
    auto *form = qobject_cast<QFormLayout *>(group->layout());
    QVERIFY(form);
    const QList<std::pair<QString, QStringList>> expected = {
        {QStringLiteral("Port"), {QStringLiteral("ttyS0"), QStringLiteral("ttyUSB0")}},
        {QStringLiteral("Baud rate"),
         QStringLiteral("Custom,110,300,600,1200,2400,4800,9600,14400,19200,38400,56000,57600,115200,128000,256000")
             .split(QLatin1Char(','))},
        {QStringLiteral("Data bits"), QStringLiteral("5,6,7,8").split(QLatin1Char(','))},
        {QStringLiteral("Stop bits"), QStringLiteral("1,1.5,2").split(QLatin1Char(','))},
        {QStringLiteral("Parity"), QStringLiteral("None,Odd,Even,Mark,Space").split(QLatin1Char(','))},
        {QStringLiteral("Flow control"), QStringLiteral("Hardware,Software,None,Custom").split(QLatin1Char(','))}};
    QCOMPARE(form->rowCount(), expected.size());
    for (int row = 0; row < form->rowCount(); ++row) {
        auto *label = qobject_cast<QLabel *>(form->itemAt(row, QFormLayout::LabelRole)->widget());
        auto *combo = qobject_cast<QComboBox *>(form->itemAt(row, QFormLayout::FieldRole)->widget());
        QVERIFY(label && combo);
        QCOMPARE(label->text(), expected.at(row).first);
        QCOMPARE(itemsOf(combo), expected.at(row).second);
        // Only the port takes a typed name.
        QCOMPARE(combo->isEditable(), row == 0);
    }

    const QList<QPushButton *> buttons = dialog.findChildren<QPushButton *>();
    QCOMPARE(buttons.size(), 2);
    auto *ok = dialog.findChild<QPushButton *>(QStringLiteral("OkButton"));
    auto *cancel = dialog.findChild<QPushButton *>(QStringLiteral("CancelButton"));
    QVERIFY(ok && cancel);
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    QVERIFY(ok->isDefault());
}

void TestSerialLink::setupDialogStartsOnCurrentValues()
{
    const QList<PortEntry> ports = portsNamed({QStringLiteral("/dev/pts/4"), QStringLiteral("ttyS0")});
    PortSetupDialog start(SerialSettings{}, ports);
    QCOMPARE(list(start, "PortCombo")->currentIndex(), -1);
    QCOMPARE(list(start, "BaudRateCombo")->currentText(), QStringLiteral("9600"));
    QCOMPARE(list(start, "DataBitsCombo")->currentText(), QStringLiteral("8"));
    QCOMPARE(list(start, "StopBitsCombo")->currentText(), QStringLiteral("1"));
    QCOMPARE(list(start, "ParityCombo")->currentText(), QStringLiteral("None"));
    QCOMPARE(list(start, "FlowControlCombo")->currentText(), QStringLiteral("None"));

    SerialSettings chosen;
    chosen.portName = QStringLiteral("ttyS0");
    chosen.baudRate = 115200;
    chosen.dataBits = QSerialPort::Data7;
    chosen.stopBits = QSerialPort::OneAndHalfStop;
    chosen.parity = QSerialPort::SpaceParity;
    chosen.flowControl = QSerialPort::SoftwareControl;
    PortSetupDialog again(chosen, ports);
    QCOMPARE(list(again, "PortCombo")->currentText(), QStringLiteral("ttyS0"));
    QCOMPARE(list(again, "BaudRateCombo")->currentText(), QStringLiteral("115200"));
    QCOMPARE(list(again, "DataBitsCombo")->currentText(), QStringLiteral("7"));
    QCOMPARE(list(again, "StopBitsCombo")->currentText(), QStringLiteral("1.5"));
    QCOMPARE(list(again, "ParityCombo")->currentText(), QStringLiteral("Space"));
    QCOMPARE(list(again, "FlowControlCombo")->currentText(), QStringLiteral("Software"));
    // Confirmed unchanged, the dialog gives back what it was shown.
    QCOMPARE(described(again.settings()), described(chosen));

    // A rate the list does not hold leaves it without a selection, and unchanged.
    chosen.baudRate = 31250;
    PortSetupDialog odd(chosen, ports);
    QCOMPARE(list(odd, "BaudRateCombo")->currentIndex(), -1);
    QCOMPARE(odd.settings().baudRate, 31250);
}

void TestSerialLink::setupDialogAppliesChoices()
{
    const QList<PortEntry> ports = portsNamed({QStringLiteral("/dev/pts/4"), QStringLiteral("ttyS0")});
    PortSetupDialog start(SerialSettings{}, ports);
    // Confirmed at once: no port chosen, so the name becomes empty; the rest stays.
    SerialSettings expected;
    expected.portName.clear();
    QCOMPARE(described(start.settings()), described(expected));

    list(start, "PortCombo")->setCurrentIndex(0);
    list(start, "BaudRateCombo")->setCurrentText(QStringLiteral("256000"));
    list(start, "DataBitsCombo")->setCurrentText(QStringLiteral("5"));
    list(start, "StopBitsCombo")->setCurrentText(QStringLiteral("2"));
    list(start, "ParityCombo")->setCurrentText(QStringLiteral("Mark"));
    list(start, "FlowControlCombo")->setCurrentText(QStringLiteral("Hardware"));
    const SerialSettings applied = start.settings();
    QCOMPARE(applied.portName, QStringLiteral("/dev/pts/4"));
    QCOMPARE(applied.baudRate, 256000);
    QCOMPARE(applied.dataBits, QSerialPort::Data5);
    QCOMPARE(applied.stopBits, QSerialPort::TwoStop);
    QCOMPARE(applied.parity, QSerialPort::MarkParity);
    QCOMPARE(applied.flowControl, QSerialPort::HardwareControl);

    // "Custom" rate is the fixed custom rate; "Custom" flow control keeps what was set.
    PortSetupDialog custom(applied, ports);
    list(custom, "BaudRateCombo")->setCurrentText(QStringLiteral("Custom"));
    list(custom, "FlowControlCombo")->setCurrentText(QStringLiteral("Custom"));
    QCOMPARE(custom.settings().baudRate, 9600);
    QCOMPARE(custom.settings().flowControl, QSerialPort::HardwareControl);
    list(custom, "FlowControlCombo")->setCurrentText(QStringLiteral("None"));
    QCOMPARE(custom.settings().flowControl, QSerialPort::NoFlowControl);
}

void TestSerialLink::setupDialogAsksModally()
{
    // Presses a button of the dialog once it is up and modal.
    const auto press = [](const char *button, const QString &port) {
        QTimer::singleShot(0, [button, port] {
            auto *dialog = qobject_cast<PortSetupDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Setup"));
            list(*dialog, "PortCombo")->addItem(port, port);
            list(*dialog, "PortCombo")->setCurrentText(port);
            dialog->findChild<QPushButton *>(QString::fromLatin1(button))->click();
        });
    };
    SerialSettings current;
    current.parity = QSerialPort::OddParity;

    press("OkButton", QStringLiteral("/dev/pts/7"));
    const std::optional<SerialSettings> confirmed = PortSetupDialog::ask(current, nullptr);
    QVERIFY(confirmed);
    QCOMPARE(confirmed->portName, QStringLiteral("/dev/pts/7"));
    QCOMPARE(confirmed->parity, QSerialPort::OddParity);

    press("CancelButton", QStringLiteral("/dev/pts/7"));
    QVERIFY(!PortSetupDialog::ask(current, nullptr));
}

void TestSerialLink::aTypedPathIsTakenAndOpened()
{
    // A stable name as a USB modem has under /dev/serial/by-id: a link to the device.
    TestModem modem;
    QTemporaryDir byId;
    const QString stable = byId.filePath(u"usb-HUAWEI_Mobile_E3531-if00-port0"_s);
    QVERIFY(QFile::link(modem.devicePath(), stable));

    PortSetupDialog dialog(SerialSettings{}, portsNamed({QStringLiteral("ttyS0")}));
    QComboBox *port = list(dialog, "PortCombo");
    QVERIFY(port->currentText().isEmpty());
    port->setFocus();
    QTest::keyClicks(port, stable);
    QCOMPARE(dialog.settings().portName, stable);

    SerialLink link;
    configureAndOpen(link, [&](const SerialSettings &) { return dialog.settings(); });
    QVERIFY(link.isOpen());
    link.write("AT\r\n");
    QVERIFY(modem.waitForInputs(1));
    QCOMPARE(modem.inputs(), QStringList{u"AT"_s});

    // Opened again, the dialog shows the path it was given.
    PortSetupDialog again(link.settings(), portsNamed({QStringLiteral("ttyS0")}));
    QCOMPARE(list(again, "PortCombo")->currentText(), stable);
    QCOMPARE(again.settings().portName, stable);
}

void TestSerialLink::cancellingSetupWithStartSettingsFailsToOpen()
{
    SerialLink link;
    ComLed light;
    connect(&link, &SerialLink::openChanged, &light, &ComLed::setLit);
    ScriptedDialogs dialogs;
    int asked = 0;
    const bool done = guarded(dialogs, [&] {
        configureAndOpen(link, [&](const SerialSettings &current) -> std::optional<SerialSettings> {
            ++asked;
            [&] { QCOMPARE(described(current), described(SerialSettings{})); }();
            return std::nullopt;
        });
    });
    QVERIFY(!done);
    QCOMPARE(asked, 1);
    QCOMPARE(dialogs.errors(), QStringList{QStringLiteral("Unable to open com port (win error code: 2)")});
    QVERIFY(!link.isOpen());
    QVERIFY(!light.isLit());
    QCOMPARE(described(link.settings()), described(SerialSettings{}));
}

void TestSerialLink::confirmingSetupWithoutPortFailsAndKeepsChoice()
{
    SerialLink link;
    PortSetupDialog dialog(link.settings(), portsNamed({QStringLiteral("ttyS0")}));
    list(dialog, "ParityCombo")->setCurrentText(QStringLiteral("Even"));
    QCOMPARE(errorOf([&] { configureAndOpen(link, [&](const SerialSettings &) { return dialog.settings(); }); }),
             QStringLiteral("Unable to open com port (win error code: 2)"));
    QVERIFY(!link.isOpen());
    QCOMPARE(link.settings().portName, QString());
    QCOMPARE(link.settings().parity, QSerialPort::EvenParity);
}

void TestSerialLink::clickingLightWhileOpenClosesAndReopens()
{
    TestModem modem;
    SerialLink link;
    ComLed light;
    connect(&link, &SerialLink::openChanged, &light, &ComLed::setLit);
    ScriptedDialogs dialogs;
    bool openWhileAsked = true;
    bool litWhileAsked = true;
    SerialSettings next = modem.settings();
    const auto prompt = [&](const SerialSettings &) -> std::optional<SerialSettings> {
        openWhileAsked = link.isOpen();
        litWhileAsked = light.isLit();
        return next;
    };
    connect(&light, &ComLed::clicked, this, [&] { guarded(dialogs, [&] { configureAndOpen(link, prompt); }); });

    QTest::mouseClick(&light, Qt::LeftButton);
    QVERIFY(link.isOpen());
    QVERIFY(light.isLit());

    next.baudRate = 19200;
    QSignalSpy changes(&link, &SerialLink::openChanged);
    QTest::mouseClick(&light, Qt::LeftButton);
    QVERIFY(!openWhileAsked);
    QVERIFY(!litWhileAsked);
    QCOMPARE(changes.count(), 2);
    QCOMPARE(changes.at(0).at(0).toBool(), false);
    QCOMPARE(changes.at(1).at(0).toBool(), true);
    QVERIFY(light.isLit());
    QCOMPARE(link.settings().baudRate, 19200);
    QVERIFY(dialogs.errors().isEmpty());

    // The reopened port carries data.
    link.write("AT+CMGF=0\r\n");
    QVERIFY(modem.waitForInputs(1));
    QCOMPARE(modem.inputs(), QStringList{QStringLiteral("AT+CMGF=0")});
}

void TestSerialLink::statusLight()
{
    ComLed light;
    QCOMPARE(light.size(), QSize(22, 21));
    QCOMPARE(light.toolTip(), QStringLiteral("Set port by clicking here"));
    QCOMPARE(light.cursor().shape(), Qt::PointingHandCursor);

    QSignalSpy clicks(&light, &ComLed::clicked);
    QTest::mouseClick(&light, Qt::LeftButton);
    QTest::mouseClick(&light, Qt::RightButton);
    QCOMPARE(clicks.count(), 1);

    // Lit is bright red in the middle; dark is not.
    const QPoint middle(11, 10);
    const QColor dark = light.grab().toImage().pixelColor(middle);
    light.setLit(true);
    const QColor lit = light.grab().toImage().pixelColor(middle);
    QVERIFY2(lit.red() > 200 && dark.red() < 160, qPrintable(QStringLiteral("%1 %2").arg(lit.name(), dark.name())));
}

QTEST_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
