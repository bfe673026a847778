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
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease) {
        m_halfTyped.clear();
        setSelectedSection(currentSection());
    }
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
    const QString half = m_halfTyped + letter;
    if (displayedSections().testFlag(AmPmSection) && letter.size() == 1 && letter.at(0).isLetter()) {
        const QString amText = locale().amText().toLower();
        const QString pmText = locale().pmText().toLower();
        // The rest of "AM" or "PM" once its first letter has set the half: the box shows it
        // whole already.
        if (!m_halfTyped.isEmpty() && (amText.startsWith(half) || pmText.startsWith(half))) {
            m_halfTyped = half;
            setSelectedSection(AmPmSection);
            return;
        }
        const bool am = amText.startsWith(letter);
        const bool pm = pmText.startsWith(letter);
        if (am != pm) {
            const int hour = time().hour();
            setTime(time().addSecs(am == (hour < 12) ? 0 : am ? -12 * 3600 : 12 * 3600));
            setSelectedSection(AmPmSection);
            m_halfTyped = letter;
            return;
        }
    }
    m_halfTyped.clear();
    QDateTimeEdit::keyPressEvent(event);
}

void DateTimePicker::focusOutEvent(QFocusEvent *event)
{
    m_halfTyped.clear();
    QDateTimeEdit::focusOutEvent(event);
}
