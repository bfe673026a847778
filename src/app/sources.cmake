# The program's shell, on top of everything else: nothing outside src/app includes it.
list(APPEND BRIVORA_CORE_SOURCES)
list(APPEND BRIVORA_GUI_SOURCES
    app/SplashWindow.h app/SplashWindow.cpp
    app/TrayIcon.h app/TrayIcon.cpp
    app/ProgressWindow.h app/ProgressWindow.cpp
    app/HelpWindow.h app/HelpWindow.cpp app/help/help.qrc
    app/MainWindow.h app/MainWindow.cpp)
