#include "widgets/UrlLabel.h"

#include <QMouseEvent>

UrlLabel::UrlLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
    setColour(Qt::blue);
}

void UrlLabel::enterEvent(QEnterEvent *event)
{
    setColour(Qt::red);
    QLabel::enterEvent(event);
}

void UrlLabel::leaveEvent(QEvent *event)
{
    setColour(Qt::blue);
    QLabel::leaveEvent(event);
}

void UrlLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    // A press dragged off the link and let go elsewhere opens nothing.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

void UrlLabel::setColour(Qt::GlobalColor colour)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, colour);
    setPalette(palette);
}
