#pragma once

#include <QObject>
#include <QString>

// Gives a new control its form name, so handlers, tests and the screen speak of the
// same "Edit12" or "RichEdit2".
template<typename Widget>
Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}
