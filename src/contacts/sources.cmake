# Files of this subsystem: core ones build without widgets.
list(APPEND BRIVORA_CORE_SOURCES)
list(APPEND BRIVORA_GUI_SOURCES
    contacts/ProfileTab.h contacts/ProfileTab.cpp)
