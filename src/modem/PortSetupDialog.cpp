#include "modem/PortSetupDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// The custom rate the "Custom" item stands for; the dialog cannot change it.
constexpr qint32 CustomBaudRate = 9600;

const QStringList BaudRates = {
    QStringLiteral("Custom"), QStringLiteral("110"),    QStringLiteral("300"),    QStringLiteral("600"),
    QStringLiteral("1200"),   QStringLiteral("2400"),   QStringLiteral("4800"),   QStringLiteral("9600"),
    QStringLiteral("14400"),  QStringLiteral("19200"),  QStringLiteral("38400"),  QStringLiteral("56000"),
    QStringLiteral("57600"),  QStringLiteral("115200"), QStringLiteral("128000"), QStringLiteral("256000")};

// List items in order, each with the setting it stands for.
const QList<std::pair<QString, QSerialPort::DataBits>> DataBitItems = {{QStringLiteral("5"), QSerialPort::Data5},
                                                                       {QStringLiteral("6"), QSerialPort::Data6},
                                                                       {QStringLiteral("7"), QSerialPort::Data7},
                                                                       {QStringLiteral("8"), QSerialPort::Data8}};
const QList<std::pair<QString, QSerialPort::StopBits>> StopBitItems = {
    {QStringLiteral("1"), QSerialPort::OneStop},
    {QStringLiteral("1.5"), QSerialPort::OneAndHalfStop},
    {QStringLiteral("2"), QSerialPort::TwoStop}};
const QList<std::pair<QString, QSerialPort::Parity>> ParityItems = {
    {QStringLiteral("None"), QSerialPort::NoParity},
    {QStringLiteral("Odd"), QSerialPort::OddParity},
    {QStringLiteral("Even"), QSerialPort::EvenParity},
    {QStringLiteral("Mark"), QSerialPort::MarkParity},
    {QStringLiteral("Space"), QSerialPort::SpaceParity}};
// "Custom" stands for no setting of its own: it is never preselected.
const QList<std::pair<QString, QSerialPort::FlowControl>> FlowItems = {
    {QStringLiteral("Hardware"), QSerialPort::HardwareControl},
    {QStringLiteral("Software"), QSerialPort::SoftwareControl},
    {QStringLiteral("None"), QSerialPort::NoFlowControl}};
const QString CustomFlow = QStringLiteral("Custom");

template<typename Value>
QStringList labels(const QList<std::pair<QString, Value>> &items)
{
    QStringList result;
    for (const auto &item : items)
        result << item.first;
    return result;
}

template<typename Value>
int indexOf(const QList<std::pair<QString, Value>> &items, Value value)
{
    for (int i = 0; i < items.size(); ++i)
        if (items.at(i).second == value)
            return i;
    return -1;
}

template<typename Value>
Value chosen(const QList<std::pair<QString, Value>> &items, const QComboBox *list, Value current)
{
    const int index = list->currentIndex();
    return index >= 0 && index < items.size() ? items.at(index).second : current;
}

} // namespace

PortSetupDialog::PortSetupDialog(const SerialSettings &current, const QList<PortEntry> &ports, QWidget *parent)
    : QDialog(parent)
    , m_current(current)
{
    setObjectName(QStringLiteral("PortSetupDialog"));
    setWindowTitle(QStringLiteral("Setup"));

    auto *group = new QGroupBox(QStringLiteral(" Settings "), this);
    m_form = new QFormLayout(group);
    m_port = addList(QStringLiteral("Port"), QStringLiteral("PortCombo"), {});
    for (const PortEntry &port : ports)
        m_port->addItem(port.label(), port.path);
    m_port->setMinimumContentsLength(24);
    m_baudRate = addList(QStringLiteral("Baud rate"), QStringLiteral("BaudRateCombo"), BaudRates);
    m_dataBits = addList(QStringLiteral("Data bits"), QStringLiteral("DataBitsCombo"), labels(DataBitItems));
    m_stopBits = addList(QStringLiteral("Stop bits"), QStringLiteral("StopBitsCombo"), labels(StopBitItems));
    m_parity = addList(QStringLiteral("Parity"), QStringLiteral("ParityCombo"), labels(ParityItems));
    m_flowControl =
        addList(QStringLiteral("Flow control"), QStringLiteral("FlowControlCombo"), labels(FlowItems) << CustomFlow);

    // The port may be any path as well (a stable name under /dev/serial/by-id, a link, a
    // pseudo-terminal): the box takes one typed. The start name "COM" is no device and
    // shows as no choice.
    m_port->setEditable(true);
    m_port->setInsertPolicy(QComboBox::NoInsert);
    int currentPort = m_port->findData(current.portName);
    // A port stored by its kernel name is shown by its stable name, which OK then keeps.
    for (int i = 0; i < ports.size() && currentPort < 0; ++i)
        if (!ports.at(i).kernelName.isEmpty() && ports.at(i).kernelName == current.portName)
            currentPort = i;
    m_port->setCurrentIndex(currentPort);
    if (m_port->currentIndex() < 0)
        m_port->setEditText(current.portName.startsWith(QLatin1Char('/')) ? current.portName : QString());
    m_baudRate->setCurrentIndex(BaudRates.indexOf(QString::number(current.baudRate), 1));
    m_dataBits->setCurrentIndex(indexOf(DataBitItems, current.dataBits));
    m_stopBits->setCurrentIndex(indexOf(StopBitItems, current.stopBits));
    m_parity->setCurrentIndex(indexOf(ParityItems, current.parity));
    m_flowControl->setCurrentIndex(indexOf(FlowItems, current.flowControl));

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QComboBox *PortSetupDialog::addList(const QString &label, const QString &name, const QStringList &items)
{
    auto *list = new QComboBox(this);
    list->setObjectName(name);
    list->setEditable(false);
    list->addItems(items);
    list->setMinimumContentsLength(10);
    m_form->addRow(label, list);
    return list;
}

SerialSettings PortSetupDialog::settings() const
{
    SerialSettings result = m_current;
    // A port's line in the list, picked or completed as a path was typed, stands for its path.
    const int listed = m_port->findText(m_port->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    result.portName = listed >= 0 ? m_port->itemData(listed).toString() : m_port->currentText().trimmed();
    const int baud = m_baudRate->currentIndex();
    if (baud == 0)
        result.baudRate = CustomBaudRate;
    else if (baud > 0)
        result.baudRate = BaudRates.at(baud).toInt();
    result.dataBits = chosen(DataBitItems, m_dataBits, m_current.dataBits);
    result.stopBits = chosen(StopBitItems, m_stopBits, m_current.stopBits);
    result.parity = chosen(ParityItems, m_parity, m_current.parity);
    result.flowControl = chosen(FlowItems, m_flowControl, m_current.flowControl);
    return result;
}

std::optional<SerialSettings> PortSetupDialog::ask(const SerialSettings &current, QWidget *parent)
{
    PortSetupDialog dialog(current, PortCatalog().ports(), parent);
    dialog.adjustSize();
    if (const QScreen *screen = parent ? parent->screen() : dialog.screen()) {
        QRect frame = dialog.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        dialog.move(frame.topLeft());
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.settings();
}
