#pragma once

#include <QLabel>

// A link of the window's header: blue, red while the pointer is over it, so that it
// reads as something to click.
class UrlLabel : public QLabel {
    Q_OBJECT

public:
    explicit UrlLabel(const QString &text, QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void setColour(Qt::GlobalColor colour);
};
