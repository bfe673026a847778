#pragma once

#include <QFrame>
#include <QTimer>

// A tool tip with an information icon and a bold title that pops up as soon as the
// pointer rests on its widget and goes away when the pointer leaves or after a while.
class BalloonTip : public QFrame {
    Q_OBJECT

public:
    static constexpr int ShowMilliseconds = 10000;

    BalloonTip(QWidget *target, const QString &title, const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void popUp(const QPoint &globalPointer);

    QWidget *m_target;
    QTimer m_hideTimer;
};
