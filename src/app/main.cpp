#include "app/MainWindow.h"
#include "widgets/QtDialogs.h"
#include "app/SplashWindow.h"
#include "base/Clock.h"
#include "base/CommandLine.h"

#include <QApplication>
#include <QFont>

int main(int argc, char *argv[])
{
    CommandLine commandLine({.program = QStringLiteral("brivora"),
                             .description = QStringLiteral(
                                 "Sends personalised SMS in bulk to a client list through a GSM modem. It opens the\n"
                                 "database \"Dovrel.mdb\" of the folder it starts in; brivora-launch starts it in its\n"
                                 "working folder. Qt's own options (-platform, -style ...) are taken as well."),
                             .example = QStringLiteral("cd ~/Brivora && brivora")});
    // Read before the application is made: help, the version and wrong arguments need no display.
    if (const auto done = commandLine.processBeforeApplication(argc, argv))
        return *done;
    CommandLine::quietenQtStartup();
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
