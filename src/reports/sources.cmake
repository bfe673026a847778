# Files of this subsystem: core ones build without widgets.
list(APPEND BRIVORA_CORE_SOURCES)
list(APPEND BRIVORA_GUI_SOURCES
    reports/ReportsTab.h reports/ReportsTab.cpp)
