# Files of this subsystem: core ones build without widgets.
list(APPEND BRIVORA_CORE_SOURCES)
list(APPEND BRIVORA_GUI_SOURCES
    app/Named.h
    app/EditorText.h
    app/QtDialogs.h app/QtDialogs.cpp
    app/DatasetGrid.h app/DatasetGrid.cpp
    app/DropDownBox.h app/DropDownBox.cpp
    app/ExitWatch.h app/ExitWatch.cpp
    app/FolderTree.h app/FolderTree.cpp
    app/HeldBoxes.h app/HeldBoxes.cpp
    app/DatasetNavigator.h app/DatasetNavigator.cpp
    app/UrlLabel.h app/UrlLabel.cpp
    app/SplashWindow.h app/SplashWindow.cpp
    app/TrayIcon.h app/TrayIcon.cpp
    app/ProgressWindow.h app/ProgressWindow.cpp
    app/MainWindow.h app/MainWindow.cpp)
