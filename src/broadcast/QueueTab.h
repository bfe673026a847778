#pragma once

#include <QWidget>

class DataModule;
class DatasetGrid;
class Dialogs;

// The "Broadcast Queue List (Fail Send)" tab.
class QueueTab : public QWidget {
    Q_OBJECT

public:
    QueueTab(DataModule &dm, Dialogs &dialogs, QWidget *parent = nullptr);

    DatasetGrid *suiDBGrid3;
};
