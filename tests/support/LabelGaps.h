#pragma once

#include <QLabel>
#include <QStyle>
#include <QWidget>

#include <climits>

// The labels of a shown form whose text ends closer to the control on their right, on the
// same line, than the style's gap between neighbours in a row: such a label reads as
// touching its box. Each as "label: gap in pixels". A label beside a label is text
// going on, not a box.
inline QStringList labelsTouchingTheirBoxes(const QWidget *form)
{
    const int usualGap = form->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing);
    QStringList touching;
    const QList<QLabel *> labels = form->findChildren<QLabel *>();
    for (const QLabel *label : labels) {
        if (!label->isVisible() || label->text().isEmpty())
            continue;
        const QRect area = label->contentsRect().translated(label->mapTo(form, QPoint(0, 0)));
        // The first pixel after the text, trailing blanks left out as they show nothing.
        QString shown = label->text();
        while (shown.endsWith(QLatin1Char(' ')))
            shown.chop(1);
        const int textEnd = label->alignment() & Qt::AlignRight
            ? area.right() + 1 - label->margin()
            : area.left() + label->margin() + label->fontMetrics().horizontalAdvance(shown);
        int nearest = INT_MAX;
        const QList<QWidget *> widgets = form->findChildren<QWidget *>();
        for (const QWidget *other : widgets) {
            if (qobject_cast<const QLabel *>(other) || !other->isVisible() || other->isAncestorOf(label))
                continue;
            const QRect box(other->mapTo(form, QPoint(0, 0)), other->size());
            if (box.left() > area.left() && box.top() <= area.center().y() && area.center().y() <= box.bottom())
                nearest = std::min(nearest, box.left());
        }
        if (nearest != INT_MAX && nearest - textEnd < usualGap)
            touching << QStringLiteral("%1: %2").arg(label->text()).arg(nearest - textEnd);
    }
    return touching;
}
