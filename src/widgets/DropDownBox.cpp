#include "widgets/DropDownBox.h"

DropDownBox::DropDownBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    // Typing a text and pressing Enter chooses it; it does not become an item of the list.
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
