# Files of this subsystem: core ones build without widgets.
list(APPEND BRIVORA_CORE_SOURCES
    modem/Clock.h modem/Clock.cpp)
list(APPEND BRIVORA_GUI_SOURCES)
