# The controls every tab uses, below the tabs and above the core: the grid, its navigator
# and the drop-down box, the Qt dialogs, the date and time box, the folder tree, the link,
# the exit watch and the boxes held while the window is in the tray.
list(APPEND BRIVORA_CORE_SOURCES)
list(APPEND BRIVORA_GUI_SOURCES
    widgets/Named.h
    widgets/EditorText.h
    widgets/QtDialogs.h widgets/QtDialogs.cpp
    widgets/DatasetGrid.h widgets/DatasetGrid.cpp
    widgets/DatasetNavigator.h widgets/DatasetNavigator.cpp
    widgets/DropDownBox.h widgets/DropDownBox.cpp
    widgets/DateTimePicker.h widgets/DateTimePicker.cpp
    widgets/ExitWatch.h widgets/ExitWatch.cpp
    widgets/FolderTree.h widgets/FolderTree.cpp
    widgets/HeldBoxes.h widgets/HeldBoxes.cpp
    widgets/UrlLabel.h widgets/UrlLabel.cpp)
