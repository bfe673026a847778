#pragma once

#include <QWidget>

class DataModule;
class DatasetGrid;
class DatasetNavigator;
class Dialogs;
class FailQueue;
class QLabel;
class QPushButton;

// The "Broadcast Queue List (Fail Send)" tab: every "FAIL" row, newest first, and their
// re-send.
class QueueTab : public QWidget {
    Q_OBJECT

public:
    QueueTab(DataModule &dm, Dialogs &dialogs, FailQueue &queue, QWidget *parent = nullptr);

    QLabel *Label37;
    DatasetGrid *suiDBGrid3;
    DatasetNavigator *suiDBNavigator1;
    QPushButton *suiButton5;
    QPushButton *suiButton4;

public Q_SLOTS:
    void suiButton5Click();
    void suiButton4Click();

private:
    DataModule &m_dm;
    Dialogs &m_dialogs;
    FailQueue &m_queue;
};
