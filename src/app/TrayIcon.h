#pragma once

#include <QSystemTrayIcon>

#include <functional>

class QAction;
class QMenu;

// "CiaTray1": keeps the program in the notification area for as long as it runs, so
// that the automatic greetings still go out while the main window is hidden. Its
// menu brings the window back or ends the program.
class TrayIcon : public QSystemTrayIcon {
    Q_OBJECT

public:
    static constexpr auto Tip = "Brivora is running....";

    // The icon belongs to the window it brings back; closing that window from now on
    // only hides it and the program runs on.
    explicit TrayIcon(QWidget &window);

    // Whether the desktop has a notification area to come back from; a probe so
    // that both kinds of desktop can be tried.
    void setTrayAvailable(std::function<bool()> probe) { m_trayAvailable = std::move(probe); }
    bool trayAvailable() const { return m_trayAvailable(); }

    QMenu *PopupMenu1;
    QAction *Restrore1;
    QAction *Exit1;

    // Ends the program: the window closes for good and the event loop ends.
    void endProgram();

    // A balloon from the icon, where the desktop shows them; the last one is kept.
    void showBalloon(const QString &text);
    const QString &lastBalloon() const { return m_lastBalloon; }

public Q_SLOTS:
    void CiaTray1DblClick();
    void Restrore1Click();
    // Asks the window's owner to end the program (it may first stop a running send).
    void Exit1Click();

Q_SIGNALS:
    void exitRequested();
    // The window was closed where the desktop has no notification area: it stays as it
    // is, and its owner decides whether the program ends or the window is minimised.
    void closedWithoutNotificationArea();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showHiddenWindow();

    QWidget &m_window;
    std::function<bool()> m_trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;
    // Set by "Exit": the window must then close for good, or the ending is refused.
    bool m_exiting = false;
    QString m_lastBalloon;
};
