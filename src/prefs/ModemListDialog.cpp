#include "prefs/ModemListDialog.h"

#include "base/Dialogs.h"
#include "base/Errors.h"
#include "modem/PortCatalog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { PortColumn, SettingsColumn, OnColumn, CentreColumn, StatusColumn };

QTableWidgetItem *fixedItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

ModemListDialog::ModemListDialog(Settings &settings, Dialogs &dialogs, PortSetupPrompt prompt, Status status,
                                 QWidget *parent)
    : QDialog(parent)
    , modemList(new QTableWidget(0, 5, this))
    , addButton(new QPushButton(QStringLiteral("Add..."), this))
    , changeButton(new QPushButton(QStringLiteral("Change..."), this))
    , removeButton(new QPushButton(QStringLiteral("Remove"), this))
    , m_settings(settings)
    , m_dialogs(dialogs)
    , m_prompt(std::move(prompt))
    , m_status(std::move(status))
{
    setObjectName(QStringLiteral("ModemListDialog"));
    setWindowTitle(QStringLiteral("Modems"));
    modemList->setObjectName(QStringLiteral("modemList"));
    addButton->setObjectName(QStringLiteral("addButton"));
    changeButton->setObjectName(QStringLiteral("changeButton"));
    removeButton->setObjectName(QStringLiteral("removeButton"));
    modemList->setHorizontalHeaderLabels({QStringLiteral("Port"), QStringLiteral("Settings"), QStringLiteral("On"),
                                          QStringLiteral("Message centre"), QStringLiteral("Now")});
    modemList->setSelectionBehavior(QAbstractItemView::SelectRows);
    modemList->setSelectionMode(QAbstractItemView::SingleSelection);
    modemList->verticalHeader()->hide();
    modemList->horizontalHeader()->setStretchLastSection(true);
    connect(modemList, &QTableWidget::cellChanged, this, &ModemListDialog::cellChanged);

    const auto guardedClick = [this](QPushButton *button, void (ModemListDialog::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] { guarded(m_dialogs, [&] { (this->*handler)(); }); });
    };
    guardedClick(addButton, &ModemListDialog::add);
    guardedClick(changeButton, &ModemListDialog::change);
    guardedClick(removeButton, &ModemListDialog::remove);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(addButton);
    buttons->addWidget(changeButton);
    buttons->addWidget(removeButton);
    buttons->addStretch();
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::accept);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("The first modem is the one the status light shows. The modems that "
                                                "are on open at the next click on the light; an empty message "
                                                "centre is the Preference tab's."),
                                 this));
    layout->addWidget(modemList, 1);
    layout->addLayout(buttons);
    resize(760, 300);
    fill();
}

void ModemListDialog::fill()
{
    m_filling = true;
    const QList<ModemSetup> &modems = m_settings.modems();
    const PortCatalog ports;
    modemList->setRowCount(static_cast<int>(modems.size()));
    for (int row = 0; row < modems.size(); ++row) {
        const ModemSetup &modem = modems.at(row);
        modemList->setItem(row, PortColumn, fixedItem(ports.describe(modem.port)));
        modemList->setItem(row, SettingsColumn, fixedItem(modem.lineSettings));
        auto *on = fixedItem(QString());
        on->setFlags(on->flags() | Qt::ItemIsUserCheckable);
        on->setCheckState(modem.enabled ? Qt::Checked : Qt::Unchecked);
        modemList->setItem(row, OnColumn, on);
        modemList->setItem(row, CentreColumn, new QTableWidgetItem(modem.centreNumber));
        modemList->setItem(row, StatusColumn, fixedItem(m_status ? m_status(modem.port) : QString()));
    }
    modemList->resizeColumnsToContents();
    m_filling = false;
}

void ModemListDialog::store(QList<ModemSetup> modems, bool showAgain)
{
    const QList<ModemSetup> before = m_settings.modems();
    m_settings.setModems(modems);
    try {
        m_settings.storeModems();
    } catch (...) {
        // Not stored, not changed: the list shows what is kept, once the cell is left.
        m_settings.setModems(before);
        QMetaObject::invokeMethod(this, &ModemListDialog::fill, Qt::QueuedConnection);
        throw;
    }
    if (showAgain)
        fill();
}

void ModemListDialog::add()
{
    QList<ModemSetup> modems = m_settings.modems();
    const SerialSettings start;
    const std::optional<SerialSettings> chosen = m_prompt(start);
    if (!chosen)
        return;
    modems << ModemSetup{chosen->portName, lineSettingsText(*chosen), true, QString()};
    store(modems);
    modemList->selectRow(static_cast<int>(modems.size()) - 1);
}

void ModemListDialog::change()
{
    const int row = modemList->currentRow();
    QList<ModemSetup> modems = m_settings.modems();
    if (row < 0 || row >= modems.size())
        return;
    ModemSetup &modem = modems[row];
    const std::optional<SerialSettings> chosen = m_prompt(serialSettingsOf(modem.port, modem.lineSettings));
    if (!chosen)
        return;
    modem.port = chosen->portName;
    modem.lineSettings = lineSettingsText(*chosen);
    store(modems);
    modemList->selectRow(row);
}

void ModemListDialog::remove()
{
    const int row = modemList->currentRow();
    QList<ModemSetup> modems = m_settings.modems();
    if (row < 0 || row >= modems.size())
        return;
    if (m_dialogs.confirm(QStringLiteral("Delete record?"), Dialogs::Buttons::OkCancel) != Dialogs::Answer::Ok)
        return;
    modems.removeAt(row);
    store(modems);
}

void ModemListDialog::cellChanged(int row, int column)
{
    if (m_filling || (column != OnColumn && column != CentreColumn))
        return;
    guarded(m_dialogs, [&] {
        QList<ModemSetup> modems = m_settings.modems();
        if (row >= modems.size())
            return;
        if (column == OnColumn)
            modems[row].enabled = modemList->item(row, column)->checkState() == Qt::Checked;
        else
            modems[row].centreNumber = modemList->item(row, column)->text().trimmed();
        store(modems, false);
    });
}
