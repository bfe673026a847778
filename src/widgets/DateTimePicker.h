#pragma once

#include <QDateTimeEdit>

// A date or time box that is typed as people expect of one: a click picks the part under
// it (the day, the hour ...), so the digits typed replace that part instead of landing
// beside what it held, a letter sets the half of the day ("a", "p") from any part, and Tab leaves the
// box, as from any other box, instead of moving through its parts. The rest of "AM" or
// "PM" typed after its first letter is taken as part of it.
class DateTimePicker : public QDateTimeEdit {
    Q_OBJECT

public:
    explicit DateTimePicker(QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    // The letters of the half of the day typed so far, "a" once "A" has set it.
    QString m_halfTyped;
};
