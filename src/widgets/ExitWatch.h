#pragma once

#include <QHash>
#include <QObject>

#include <functional>

class Dialogs;
class QWidget;

// Runs a control's exit handler when the user leaves it for another control of the same
// window, inside the error guard. A window losing its activation or a popup opening is
// not a leave.
class ExitWatch : public QObject {
    Q_OBJECT

public:
    ExitWatch(QWidget &scope, Dialogs &dialogs);

    void onExit(QWidget *control, std::function<void()> handler);
    // Runs the handler of the control that holds the focus, as leaving it would.
    void leaveFocused();

private:
    void focusMoved(QWidget *old, QWidget *now);
    void leave(QWidget *focused);

    QWidget &m_scope;
    Dialogs &m_dialogs;
    QHash<QWidget *, std::function<void()>> m_handlers;
};
