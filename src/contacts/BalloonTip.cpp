#include "contacts/BalloonTip.h"

#include <QEnterEvent>
#include <QGridLayout>
#include <QLabel>
#include <QStyle>

BalloonTip::BalloonTip(QWidget *target, const QString &title, const QString &text)
    : QFrame(target, Qt::ToolTip)
    , m_target(target)
{
    setObjectName(QStringLiteral("BalloonTip"));
    setFrameShape(QFrame::Box);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);

    auto *icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(16, 16));
    auto *heading = new QLabel(title, this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto *body = new QLabel(text, this);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setHorizontalSpacing(6);
    layout->addWidget(icon, 0, 0);
    layout->addWidget(heading, 0, 1);
    layout->addWidget(body, 1, 1);

    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(ShowMilliseconds);
    connect(&m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
    m_target->installEventFilter(this);
}

bool BalloonTip::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_target) {
        switch (event->type()) {
            case QEvent::Enter:
                popUp(static_cast<QEnterEvent *>(event)->globalPosition().toPoint());
                break;
            case QEvent::Leave:
            case QEvent::Hide:
                m_hideTimer.stop();
                hide();
                break;
            default:
                break;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void BalloonTip::popUp(const QPoint &globalPointer)
{
    adjustSize();
    // Just under the box, at the pointer, so the box itself stays readable.
    move(globalPointer.x(), m_target->mapToGlobal(QPoint(0, m_target->height())).y() + 2);
    show();
    m_hideTimer.start();
}
