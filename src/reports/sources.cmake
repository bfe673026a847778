# Files of this subsystem: core ones build without widgets; the report pages need
# Qt's fonts and PDF writer but no widgets either.
list(APPEND BRIVORA_CORE_SOURCES
    reports/TransactionLog.h reports/TransactionLog.cpp)
list(APPEND BRIVORA_REPORT_SOURCES
    reports/ReportPage.h reports/PageDrawing.h reports/PageDrawing.cpp
    reports/PdfText.h reports/PdfText.cpp
    reports/ReportCatalog.h reports/ReportCatalog.cpp
    reports/TextMeasure.h reports/TextMeasure.cpp
    reports/ReportLayouts.h reports/ReportLayouts.cpp)
list(APPEND BRIVORA_GUI_SOURCES
    reports/ReportsTab.h reports/ReportsTab.cpp
    reports/ReportViewer.h reports/ReportViewer.cpp
    reports/ReportPrinting.h reports/ReportPrinting.cpp
    reports/TransactionLogTab.h reports/TransactionLogTab.cpp)
