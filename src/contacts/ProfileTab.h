#pragma once

#include "contacts/ProfileStore.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class DataModule;
class DatasetGrid;
class DatasetNavigator;
class Dialogs;
class DropDownBox;
class NoReturnTextEdit;

// The "Profile" tab: the profile form, the profile list and the individual message.
// The form is not bound to the database: Save copies it into the profile with the
// same mobile number (or a new one), and selecting a row of the list copies it back.
class ProfileTab : public QWidget {
    Q_OBJECT

public:
    ProfileTab(DataModule &dm, Dialogs &dialogs, QWidget *parent = nullptr);

    // The two date pickers' starting dates, set at every showing and by "Clear".
    void resetDates();
    // Asked before what would change the rows a running send walks; true refuses it
    // (the guard has said why). The main window's run state answers it.
    void setSendGuard(std::function<bool()> refusedWhileSending);
    // A reply: the contact selected in the list and loaded into the form, the individual
    // message box ready; false when no profile has that id.
    bool selectForMessage(qint64 profileId);
    // A reply to a number of no contact: a clear form with that number, to be saved.
    void startContactWithNumber(const QString &number);

    // The form, top to bottom.
    QLineEdit *Edit1;
    QLineEdit *Edit2;
    QLineEdit *Edit3;
    QLineEdit *Edit11;
    DropDownBox *ComboBox5;
    DropDownBox *ComboBox1;
    QDateTimeEdit *DateTimePicker1;
    QCheckBox *CheckBox7;
    QDateTimeEdit *DateTimePicker2;
    QLineEdit *Edit4;
    DropDownBox *ComboBox3;
    DropDownBox *ComboBox2;
    NoReturnTextEdit *RichEdit1;
    QLineEdit *suiEdit4;
    QLineEdit *suiEdit5;
    QLabel *Label32;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;

    // The list of profiles; its current row is also the recipient of an individual SMS.
    DatasetGrid *DBGrid1;
    DatasetNavigator *suiDBNavigator2;

    // Along the bottom.
    QPlainTextEdit *RichEdit4;
    QPushButton *BitBtn4;
    // How the typed message goes: "1 SMS · GSM".
    QLabel *smsCostIndividual;
    QPushButton *suiButton2;
    QPushButton *suiButton3;

public Q_SLOTS:
    void suitempBitBtn1Click();
    // "Export Profile": every profile into a file the operator names.
    void suiButton3Click();
    void suitempBitBtn2Click();
    void DBGrid1CellClick();
    void DBGrid1KeyUp();
    void suitempComboBox1DropDown();
    void suitempComboBox2DropDown();
    void ComboBox3DropDown();
    void CheckBox7Click();

private:
    QWidget *buildForm();
    QWidget *buildList();
    Profile form() const;
    // Fills the form from a stored profile; a date text that is not a date leaves its
    // picker alone and is reported once every other field has been filled.
    void showProfile(const Profile &profile);
    void loadSelected();

    DataModule &m_dm;
    Dialogs &m_dialogs;
    ProfileStore m_store;
};
