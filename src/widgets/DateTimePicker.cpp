#include "widgets/DateTimePicker.h"

#include <QKeyEvent>
#include <QLineEdit>

DateTimePicker::DateTimePicker(QWidget *parent)
    : QDateTimeEdit(parent)
{
    lineEdit()->installEventFilter(this);
}

bool DateTimePicker::eventFilter(QObject *watched, QEvent *event)
{
    // The press has placed the cursor, and so chosen the part.
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease)
        setSelectedSection(currentSection());
    return QDateTimeEdit::eventFilter(watched, event);
}

bool DateTimePicker::focusNextPrevChild(bool next)
{
    return QWidget::focusNextPrevChild(next);
}

void DateTimePicker::keyPressEvent(QKeyEvent *event)
{
    // Left to the box, a first letter stays half typed and is dropped on leaving; typed
    // right after the minutes, it reaches the box before the box moves on to the half.
    const QString letter = event->text().toLower();
    if (displayedSections().testFlag(AmPmSection) && letter.size() == 1) {
        const bool am = locale().amText().toLower().startsWith(letter);
        const bool pm = locale().pmText().toLower().startsWith(letter);
        if (am != pm) {
            const int hour = time().hour();
            setTime(time().addSecs(am == (hour < 12) ? 0 : am ? -12 * 3600 : 12 * 3600));
            setSelectedSection(AmPmSection);
            return;
        }
    }
    QDateTimeEdit::keyPressEvent(event);
}
