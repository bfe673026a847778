#pragma once

#include <QWidget>

class QDateEdit;
class QLabel;
class QLineEdit;
class DataModule;
class Dialogs;

// The "Profile" tab: the profile form, the profile list and the individual message.
class ProfileTab : public QWidget
{
    Q_OBJECT

public:
    ProfileTab(DataModule &dm, Dialogs &dialogs, QWidget *parent = nullptr);

    // The two date pickers' starting dates, set at every showing and by "Clear".
    void resetDates();
    void setRecordCount(int count);

    QLineEdit *Edit1;
    QDateEdit *DateTimePicker1;
    QDateEdit *DateTimePicker2;
    QLabel *Label32;

private:
    DataModule &m_dm;
    Dialogs &m_dialogs;
};
