#pragma once

#include "broadcast/ProjectStore.h"
#include "widgets/ExitWatch.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimeEdit;
class Clock;
class DataModule;
class Settings;
class DatasetGrid;
class DatasetNavigator;
class DeliveryColumn;
class Dialogs;

// The "SMS Anouncement & Broadcast" tab: the project composer with its recipient list
// and project list, its schedule option, the Delay Delivery Option and the buttons of
// the day's birthday and anniversary greetings.
class AnnouncementTab : public QWidget {
    Q_OBJECT

public:
    AnnouncementTab(DataModule &dm, const Settings &settings, Dialogs &dialogs, const Clock &clock,
                    QWidget *parent = nullptr);

    // Empties the target list and refills it, unticked, from the rows of q_group.
    void fillTargetGroups();
    // Asked before what would change the rows a running send walks; true refuses it
    // (the guard has said why). The main window's run state answers it.
    void setSendGuard(std::function<bool()> refusedWhileSending);

    QString projectName() const;
    int pauseEvery() const;
    int pauseMinutes() const;

    QLineEdit *Edit12;
    QComboBox *ComboBox6;
    QListWidget *CheckListBox1;
    QLabel *Label22;
    QPlainTextEdit *RichEdit2;
    QLineEdit *Edit10;
    QLabel *Label23;
    QPlainTextEdit *RichEdit3;
    QLineEdit *Edit13;
    // Beside each counter, how the template as typed goes: "2 SMS · Unicode".
    QLabel *smsCostMalay;
    QLabel *smsCostEnglish;
    // After Save && Populate Recipient, the contacts left out for having opted out:
    // "(2 opted out, left out)"; empty when none were.
    QLabel *leftOutLabel;
    QPushButton *BitBtn9;
    QPushButton *BitBtn8;
    // The recipients' delivery, as the network reported it.
    DeliveryColumn *deliveryColumn;
    DatasetGrid *DBGrid3;
    DatasetNavigator *DBNavigator4;
    DatasetGrid *DBGrid4;
    QSpinBox *suiSpinEdit1;
    QSpinBox *suiSpinEdit2;
    QPushButton *BitBtn10;
    // When a scheduled project goes out: a day and a time of day.
    QDateTimeEdit *DateTimePicker5;
    QTimeEdit *DateTimePicker6;
    QPushButton *BitBtn6;
    // The day's greetings.
    QPushButton *BitBtn11;
    QPushButton *BitBtn12;

public Q_SLOTS:
    void RichEdit2Change();
    void RichEdit3Change();
    void suitempComboBox6Exit();
    void suitempBitBtn8Click();
    // Clear: also run after a broadcast and after scheduling.
    void suitempBitBtn9Click();
    void suitempDBGrid4CellClick();
    void suitempDBGrid4KeyUp();
    void BitBtn6Click();

private:
    std::function<bool()> m_refusedWhileSending = [] { return false; };
    QWidget *buildComposer();
    QWidget *buildProjectList();
    QWidget *buildSchedule();
    QWidget *buildDelay();
    static QWidget *buildGreeting(const QString &caption, QPushButton *start);
    void countCharacters(const QPlainTextEdit *editor, QLineEdit *counter, QLabel *cost);
    AnnouncementProject composed() const;
    void loadSelectedProject();

    DataModule &m_dm;
    const Settings &m_settings;
    Dialogs &m_dialogs;
    ProjectStore m_projects;
    ExitWatch m_exits;
};
