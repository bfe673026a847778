#include "contacts/FormControls.h"

#include <QKeyEvent>

DropDownBox::DropDownBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    // Typing a text and pressing Enter chooses it for this profile; it does not become an item.
    setInsertPolicy(QComboBox::NoInsert);
}

void DropDownBox::refill(const QStringList &items)
{
    const QString text = currentText();
    clear();
    addItems(items);
    setEditText(text);
}

void DropDownBox::showPopup()
{
    Q_EMIT dropDown();
    QComboBox::showPopup();
}

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
