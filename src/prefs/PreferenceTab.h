#pragma once

#include <QWidget>

class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class DataModule;
class Dialogs;

// The "Preference" tab: groups, greetings, template tokens, the birthday and
// anniversary settings, the message centre number, the two languages and the backup.
class PreferenceTab : public QWidget
{
    Q_OBJECT

public:
    PreferenceTab(DataModule &dm, Dialogs &dialogs, QWidget *parent = nullptr);

    // The message centre number the senders use: the box as it stands, stored or not.
    QString centreNumber() const;

    // " Birthday " and "Anniversary  "
    QCheckBox *CheckBox1;
    QDateTimeEdit *DateTimePicker3;
    QLabel *Label8;
    QPlainTextEdit *Memo1;
    QLabel *Label12;
    QPlainTextEdit *Memo3;
    QCheckBox *CheckBox2;
    QDateTimeEdit *DateTimePicker4;
    QLabel *Label9;
    QPlainTextEdit *Memo2;
    QLabel *Label13;
    QPlainTextEdit *Memo4;
    // "Text variable to replace with "
    QLineEdit *Edit6;
    QLineEdit *Edit7;
    QLineEdit *Edit8;
    QLineEdit *suiEdit2;
    QLineEdit *suiEdit3;
    // " Message Center Number  (SMSC) " and "2 Languages prefered "
    QLineEdit *suiEdit1;
    QLineEdit *suiEdit6;
    QLineEdit *suiEdit7;

private:
    DataModule &m_dm;
    Dialogs &m_dialogs;
};
