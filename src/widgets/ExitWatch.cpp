#include "widgets/ExitWatch.h"

#include "base/Errors.h"

#include <QApplication>
#include <QWidget>

ExitWatch::ExitWatch(QWidget &scope, Dialogs &dialogs)
    : m_scope(scope)
    , m_dialogs(dialogs)
{
    // The connection ends with this object, which the scope's destructor destroys before
    // its controls: destroying them moves the focus, and then there is nothing to run.
    connect(qApp, &QApplication::focusChanged, this, &ExitWatch::focusMoved);
}

void ExitWatch::onExit(QWidget *control, std::function<void()> handler)
{
    m_handlers.insert(control, std::move(handler));
}

void ExitWatch::leaveFocused()
{
    leave(m_scope.window()->focusWidget());
}

void ExitWatch::focusMoved(QWidget *old, QWidget *now)
{
    if (old && now && old->window() == now->window())
        leave(old);
}

void ExitWatch::leave(QWidget *focused)
{
    // The focus may sit on a part of the control, such as the text field of a time picker.
    for (QWidget *widget = focused; widget && widget != &m_scope; widget = widget->parentWidget()) {
        const auto handler = m_handlers.constFind(widget);
        if (handler != m_handlers.constEnd()) {
            const std::function<void()> run = *handler;
            guarded(m_dialogs, run);
            return;
        }
    }
}
