#pragma once

#include <QWidget>

class QCheckBox;
class QPushButton;
class DataModule;
class DatasetGrid;
class DeliveryColumn;
class Dialogs;
class ScheduleListRunner;

// The "Broadcast Schedule List" tab: the list of broadcast projects in two views, the
// recipient list of the selected project, and "Start Broadcasting" over that list.
class ScheduleTab : public QWidget {
    Q_OBJECT

public:
    ScheduleTab(DataModule &dm, Dialogs &dialogs, ScheduleListRunner &runner, QWidget *parent = nullptr);

    DatasetGrid *suiDBGrid1;
    // "Not yet broadcast": projects never sent instead of scheduled ones.
    QCheckBox *CheckBox6;
    // The recipients' delivery, as the network reported it.
    DeliveryColumn *deliveryColumn;
    DatasetGrid *suiDBGrid2;
    QPushButton *suiButton1;

public Q_SLOTS:
    void CheckBox6Click();
    void suiDBGrid1CellClick();
    void suiDBGrid1KeyUp();
    void suiButton1Click();

private:
    void loadSelectedRecipients();

    DataModule &m_dm;
    Dialogs &m_dialogs;
    ScheduleListRunner &m_runner;
};
