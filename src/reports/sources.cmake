# Files of this subsystem: core ones build without widgets.
list(APPEND BRIVORA_CORE_SOURCES
    reports/TransactionLog.h reports/TransactionLog.cpp)
list(APPEND BRIVORA_GUI_SOURCES
    reports/ReportsTab.h reports/ReportsTab.cpp
    reports/TransactionLogTab.h reports/TransactionLogTab.cpp)
