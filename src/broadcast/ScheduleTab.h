#pragma once

#include <QWidget>

class DataModule;
class DatasetGrid;
class Dialogs;

// The "Broadcast Schedule List" tab.
class ScheduleTab : public QWidget {
    Q_OBJECT

public:
    ScheduleTab(DataModule &dm, Dialogs &dialogs, QWidget *parent = nullptr);

    DatasetGrid *suiDBGrid1;
};
