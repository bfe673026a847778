#pragma once

#include <QPlainTextEdit>

// A box of several lines in which Enter does not break the line, so it cannot add
// stray line breaks by accident; Ctrl+Enter does.
class NoReturnTextEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit NoReturnTextEdit(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
