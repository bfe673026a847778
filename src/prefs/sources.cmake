# Files of this subsystem: core ones build without widgets.
list(APPEND BRIVORA_CORE_SOURCES)
list(APPEND BRIVORA_GUI_SOURCES
    prefs/PreferenceTab.h prefs/PreferenceTab.cpp
    prefs/ModemListDialog.h prefs/ModemListDialog.cpp)
