#pragma once

#include "data/Settings.h"
#include "modem/SerialLink.h"
#include "widgets/ExitWatch.h"

#include <QList>
#include <QWidget>

#include <utility>

class Clock;
class DataModule;
class Dataset;
class DatasetGrid;
class DatasetNavigator;
class Dialogs;
class DropDownBox;
class QCheckBox;
class QDateTimeEdit;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeView;

// The "Preference" tab: groups, greetings, template tokens, the birthday and
// anniversary settings, the message centre number, the two languages and the backup.
// Its controls edit the settings' working copy as they are typed; each value is stored
// when the user leaves its control.
class PreferenceTab : public QWidget {
    Q_OBJECT

public:
    // The clock's date names the backups.
    PreferenceTab(DataModule &dm, Settings &settings, Dialogs &dialogs, const Clock &clock, QWidget *parent = nullptr);

    // Fills the controls from the settings' working copy.
    void showSettings();

    // What the modem list shows of a modem now, by its port, and how it asks for a port's
    // settings (tests answer without the modal dialog).
    void setModemStatus(std::function<QString(const QString &port)> status) { m_modemStatus = std::move(status); }
    void setPortSetupPrompt(PortSetupPrompt prompt) { m_portSetupPrompt = std::move(prompt); }
    // "Modems...": the modem list.
    void modemsClick();

    // Stores the setting whose control has the focus, as leaving it would. The window
    // calls this when it hides, so that a value typed just before is not lost.
    void storeFocusedSetting();

    // The folder selected in the backup tree, or empty when none is.
    QString selectedFolder() const;

    // " Grouping "
    QLineEdit *Edit5;
    QPushButton *BitBtn3;
    DatasetGrid *DBGrid5;
    DatasetNavigator *DBNavigator2;
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
    // " Greeting "
    QLineEdit *Edit9;
    DropDownBox *ComboBox4;
    QPushButton *BitBtn5;
    DatasetGrid *DBGrid2;
    DatasetNavigator *DBNavigator3;
    // "Backup Database "
    QTreeView *ShellTreeView1;
    QPushButton *BitBtn7;
    // " Message Center Number  (SMSC) " and "2 Languages prefered "
    QLineEdit *suiEdit1;
    QLineEdit *suiEdit6;
    QLineEdit *suiEdit7;
    // How a send goes: at the fixed pace, or waiting for each of the modem's answers.
    QCheckBox *CheckBoxAnswers;
    QPushButton *modemsButton;
    // Replies and their consequences: delivery reports asked, the words of a reply that
    // opts out or back in, and the line that ends every announcement.
    QCheckBox *CheckBoxReports;
    QLineEdit *EditOptOutWords;
    QLineEdit *EditOptInWords;
    QLineEdit *EditEnding;

    // The handlers throw BrivoraError; the tab runs them guarded when its controls fire.
public Q_SLOTS:
    void suitempBitBtn3Click();
    void suitempBitBtn5Click();
    void ComboBox4DropDown();
    void suitempBitBtn7Click();

private:
    using Handler = void (PreferenceTab::*)();
    // A control and the setting it edits.
    struct Binding {
        QWidget *control;
        Settings::Field field;
    };

    QWidget *buildGrouping();
    QWidget *buildGreetingSettings(const QString &caption, QCheckBox *check, QDateTimeEdit *time, QLabel *firstLabel,
                                   QPlainTextEdit *first, QLabel *secondLabel, QPlainTextEdit *second);
    QWidget *buildTokens();
    QWidget *buildGreetingWords();
    QWidget *buildBackup();
    QWidget *buildSmsc();
    QWidget *buildLanguages();
    void onClick(QPushButton *button, Handler handler);
    // The control's edits go into the working copy as they are made, and the value is
    // stored when the control is left.
    void bind(const Binding &binding);
    // Adds a row to a list from the text of a box that must not be empty; either way
    // the box is emptied and takes the focus for the next entry.
    void addListRow(QLineEdit *box, const QString &emptyWarning, Dataset &list,
                    const QList<std::pair<QString, QString>> &fields);

    DataModule &m_dm;
    Settings &m_settings;
    Dialogs &m_dialogs;
    const Clock &m_clock;
    QFileSystemModel *m_folders;
    ExitWatch m_exits;
    QList<Binding> m_bindings;
    std::function<QString(const QString &)> m_modemStatus;
    PortSetupPrompt m_portSetupPrompt;
};
