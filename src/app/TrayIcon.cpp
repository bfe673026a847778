#include "app/TrayIcon.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

namespace {

// A blue speech bubble: the program needs no icon file of its own. The desktop menu's icon,
// packaging/brivora.svg, is the same drawing: change both together.
QIcon bubbleIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1b, 0x4f, 0x8a));
    painter.drawRoundedRect(QRectF(1, 3, 30, 21), 6, 6);
    const QPointF tail[] = {{8, 22}, {8, 30}, {16, 22}};
    painter.drawPolygon(tail, 3);
    painter.setBrush(Qt::white);
    for (int x : {9, 16, 23})
        painter.drawEllipse(QPointF(x, 13.5), 2.5, 2.5);
    return QIcon(pixmap);
}

} // namespace

TrayIcon::TrayIcon(QWidget &window)
    : QSystemTrayIcon(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("CiaTray1"));
    QApplication::setQuitOnLastWindowClosed(false);

    PopupMenu1 = new QMenu(&window);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Restrore1 = PopupMenu1->addAction(QStringLiteral("Restore Aplication"), this, &TrayIcon::Restrore1Click);
    Restrore1->setObjectName(QStringLiteral("Restrore1"));
    Exit1 = PopupMenu1->addAction(QStringLiteral("Exit"), this, &TrayIcon::Exit1Click);
    Exit1->setObjectName(QStringLiteral("Exit1"));
    setContextMenu(PopupMenu1);

    // The right button opens the menu by itself; a single left click does nothing.
    connect(this, &QSystemTrayIcon::activated, this, [this](ActivationReason reason) {
        if (reason == DoubleClick)
            CiaTray1DblClick();
    });

    setIcon(bubbleIcon());
    setToolTip(QString::fromLatin1(Tip));
    m_window.installEventFilter(this);
    show();
}

void TrayIcon::CiaTray1DblClick()
{
    showHiddenWindow();
}

void TrayIcon::Restrore1Click()
{
    showHiddenWindow();
}

void TrayIcon::Exit1Click()
{
    Q_EMIT exitRequested();
}

void TrayIcon::endProgram()
{
    m_exiting = true;
    if (m_window.isVisible())
        m_window.close();
    QCoreApplication::quit();
}

void TrayIcon::showHiddenWindow()
{
    if (!m_window.isVisible()) {
        m_window.show();
    } else if (m_window.isMinimized()) {
        // A window sent to the task bar comes back as it was, without reloading.
        m_window.showNormal();
        m_window.activateWindow();
    }
}

bool TrayIcon::eventFilter(QObject *watched, QEvent *event)
{
    // Without a notification area a hidden window could never be brought back, nor the
    // program ended.
    if (watched == &m_window && event->type() == QEvent::Close && !m_exiting && !trayAvailable()) {
        event->ignore();
        Q_EMIT closedWithoutNotificationArea();
        return true;
    }
    return QSystemTrayIcon::eventFilter(watched, event);
}

void TrayIcon::showBalloon(const QString &text)
{
    m_lastBalloon = text;
    if (trayAvailable() && supportsMessages())
        showMessage(QStringLiteral("Brivora"), text);
}
