#pragma once

#include "modem/PortCatalog.h"
#include "modem/SerialLink.h"

#include <QDialog>

class QComboBox;
class QFormLayout;

// The port's "Setup" dialog: six lists, each starting on the port's current value
// (or on nothing, when the value is not in the list), and "OK" / "Cancel". The port's
// list shows each port with what the system knows of it, stable names first, and also
// takes a path typed into it.
class PortSetupDialog : public QDialog {
    Q_OBJECT

public:
    PortSetupDialog(const SerialSettings &current, const QList<PortEntry> &ports, QWidget *parent = nullptr);

    // The settings the dialog started with, with the six choices applied: a listed port
    // gives its path (its stable name's, when it has one), a typed one the text typed, an
    // empty "Port" an empty name, "Custom" baud rate is 9600 and "Custom" flow control
    // keeps the flow control as it was.
    SerialSettings settings() const;

    // Shows the dialog modally, centred on the screen, with the machine's port list;
    // the chosen settings, or std::nullopt when the user cancelled.
    static std::optional<SerialSettings> ask(const SerialSettings &current, QWidget *parent);

private:
    QComboBox *addList(const QString &label, const QString &name, const QStringList &items);

    SerialSettings m_current;
    QComboBox *m_port = nullptr;
    QComboBox *m_baudRate = nullptr;
    QComboBox *m_dataBits = nullptr;
    QComboBox *m_stopBits = nullptr;
    QComboBox *m_parity = nullptr;
    QComboBox *m_flowControl = nullptr;
    QFormLayout *m_form = nullptr;
};
