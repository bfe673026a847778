# Files of this subsystem: core ones build without widgets.
list(APPEND BRIVORA_CORE_SOURCES
    base/Errors.h base/Errors.cpp
    base/Dialogs.h
    base/Clock.h base/Clock.cpp)
list(APPEND BRIVORA_GUI_SOURCES)
