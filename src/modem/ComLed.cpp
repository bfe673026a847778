#include "modem/ComLed.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>

ComLed::ComLed(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(22, 21);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Set port by clicking here"));
}

void ComLed::setLit(bool lit)
{
    if (m_lit == lit)
        return;
    m_lit = lit;
    update();
}

void ComLed::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF lamp = QRectF(rect()).adjusted(3.5, 3, -3.5, -3);
    // A highlight off the centre makes the lamp look round, lit or not.
    QRadialGradient glass(lamp.center() - QPointF(2, 2), lamp.width() / 2);
    if (m_lit) {
        glass.setColorAt(0, QColor(255, 190, 190));
        glass.setColorAt(0.5, QColor(255, 0, 0));
        glass.setColorAt(1, QColor(180, 0, 0));
    } else {
        glass.setColorAt(0, QColor(140, 70, 70));
        glass.setColorAt(0.5, QColor(90, 0, 0));
        glass.setColorAt(1, QColor(50, 0, 0));
    }
    painter.setPen(QPen(QColor(40, 40, 40), 1));
    painter.setBrush(glass);
    painter.drawEllipse(lamp);
}

void ComLed::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void ComLed::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        Q_EMIT clicked();
}
