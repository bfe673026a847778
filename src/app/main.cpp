#include "app/MainWindow.h"
#include "app/QtDialogs.h"
#include "app/SplashWindow.h"
#include "base/Clock.h"

#include <QApplication>
#include <QFont>

int main(int argc, char *argv[])
{
    Clock::readTimeZoneOnce();
    QApplication app(argc, argv);

    SplashWindow splash;
    splash.show();
    app.processEvents();

    QApplication::setApplicationName(QStringLiteral("Brivora"));
    // The window is laid out for an 11-pixel sans-serif font.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    QApplication::setFont(font);

    QtDialogs dialogs;
    Clock clock;
    MainWindow window(dialogs, clock);
    dialogs.setOwner(&window);
    window.setSplash(&splash);
    splash.close();
    return app.exec();
}
