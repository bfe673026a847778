#pragma once

#include <QWidget>

class QDateTimeEdit;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class DataModule;

// The "SMS Anouncement & Broadcast" tab: the project composer, its schedule option
// and the day's birthday and anniversary greetings.
class AnnouncementTab : public QWidget {
    Q_OBJECT

public:
    explicit AnnouncementTab(DataModule &dm, QWidget *parent = nullptr);

    // Empties the target list and refills it, unticked, from the rows of q_group.
    void fillTargetGroups();

    QListWidget *CheckListBox1;
    QLabel *Label22;
    QPlainTextEdit *RichEdit2;
    QLabel *Label23;
    QPlainTextEdit *RichEdit3;
    // When a scheduled project goes out: a date and a time of day.
    QDateTimeEdit *DateTimePicker5;

private:
    DataModule &m_dm;
};
