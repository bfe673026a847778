#include "contacts/NoReturnTextEdit.h"

#include <QKeyEvent>

NoReturnTextEdit::NoReturnTextEdit(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
}

void NoReturnTextEdit::keyPressEvent(QKeyEvent *event)
{
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!isReturn) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    if (event->modifiers() & Qt::ControlModifier)
        textCursor().insertBlock();
    else
        event->ignore();
}
