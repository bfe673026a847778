#pragma once

#include <QWidget>

class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class DataModule;
class Dialogs;

// The "SMS Anouncement & Broadcast" tab: the project composer, its schedule option
// and the day's birthday and anniversary greetings.
class AnnouncementTab : public QWidget {
    Q_OBJECT

public:
    AnnouncementTab(DataModule &dm, Dialogs &dialogs, QWidget *parent = nullptr);

    // Empties the target list and refills it, unticked, from the rows of q_group.
    void fillTargetGroups();

    QString projectName() const;
    int pauseEvery() const;
    int pauseMinutes() const;
    // The composer emptied after a broadcast: name, templates, ticks, recipient list.
    void clearComposer();

    QLineEdit *Edit12;
    QListWidget *CheckListBox1;
    QLabel *Label22;
    QPlainTextEdit *RichEdit2;
    QLineEdit *Edit10;
    QLabel *Label23;
    QPlainTextEdit *RichEdit3;
    QLineEdit *Edit13;
    QSpinBox *suiSpinEdit1;
    QSpinBox *suiSpinEdit2;
    QPushButton *BitBtn10;
    // When a scheduled project goes out: a date and a time of day.
    QDateTimeEdit *DateTimePicker5;

public Q_SLOTS:
    void RichEdit2Change();
    void RichEdit3Change();

private:
    void countCharacters(const QPlainTextEdit *editor, QLineEdit *counter);

    DataModule &m_dm;
    Dialogs &m_dialogs;
};
