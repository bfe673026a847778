# Files of this subsystem: core ones build without widgets.
list(APPEND BRIVORA_CORE_SOURCES
    contacts/ProfileStore.h contacts/ProfileStore.cpp
    contacts/Workbook.h contacts/Workbook.cpp contacts/XlsReader.cpp contacts/XlsxReader.cpp
    contacts/ProfileImport.h contacts/ProfileImport.cpp
    contacts/CsvExport.h contacts/CsvExport.cpp)
list(APPEND BRIVORA_GUI_SOURCES
    contacts/NoReturnTextEdit.h contacts/NoReturnTextEdit.cpp
    contacts/BalloonTip.h contacts/BalloonTip.cpp
    contacts/ProfileTab.h contacts/ProfileTab.cpp
    contacts/ImportWindow.h contacts/ImportWindow.cpp)
