#pragma once

#include <QComboBox>
#include <QPlainTextEdit>

// An editable drop-down whose list is filled by its owner each time it opens
// (dropDown), so it always offers what the database holds at that moment.
class DropDownBox : public QComboBox
{
    Q_OBJECT

public:
    explicit DropDownBox(QWidget *parent = nullptr);

    // Replaces the items; the text typed or chosen in the box stays as it is.
    void refill(const QStringList &items);

    void showPopup() override;

Q_SIGNALS:
    void dropDown();
};

// A box of several lines in which Enter does not break the line, so it cannot add
// stray line breaks by accident; Ctrl+Enter does.
class NoReturnTextEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit NoReturnTextEdit(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
