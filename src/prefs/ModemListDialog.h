#pragma once

#include "data/Settings.h"
#include "modem/SerialLink.h"

#include <QDialog>

#include <functional>

class Dialogs;
class QLabel;
class QPushButton;
class QTableWidget;

// The modem list of the Preference tab: each modem's port, its line settings, whether it
// sends, the message centre of its SIM when that is not the tab's, and how it is now. A
// modem is added or changed through the port's setup dialog; every change is stored at
// once, and the modems open as listed at the next click on the status light.
class ModemListDialog : public QDialog {
    Q_OBJECT

public:
    // How a modem is there now ("ttyUSB2: CelcomDigi, signal 4 of 5 ..."), by its port.
    using Status = std::function<QString(const QString &port)>;

    ModemListDialog(Settings &settings, Dialogs &dialogs, PortSetupPrompt prompt, Status status,
                    QWidget *parent = nullptr);

    void add();
    void change();
    void remove();

    QTableWidget *modemList;
    QPushButton *addButton;
    QPushButton *changeButton;
    QPushButton *removeButton;

private:
    void fill();
    // The list, stored; the table shows it again unless the edit was the table's own
    // (whose cell must live on).
    void store(QList<ModemSetup> modems, bool showAgain = true);
    void cellChanged(int row, int column);

    Settings &m_settings;
    Dialogs &m_dialogs;
    PortSetupPrompt m_prompt;
    Status m_status;
    bool m_filling = false;
};
