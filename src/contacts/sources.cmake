# Files of this subsystem: core ones build without widgets.
list(APPEND BRIVORA_CORE_SOURCES
    contacts/ProfileStore.h contacts/ProfileStore.cpp
    contacts/Workbook.h contacts/Workbook.cpp contacts/XlsxReader.cpp contacts/XlsReader.cpp)
list(APPEND BRIVORA_GUI_SOURCES
    contacts/FormControls.h contacts/FormControls.cpp
    contacts/BalloonTip.h contacts/BalloonTip.cpp
    contacts/ProfileTab.h contacts/ProfileTab.cpp)
