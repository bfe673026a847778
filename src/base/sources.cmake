# Files of this subsystem: core ones build without widgets.
list(APPEND BRIVORA_CORE_SOURCES
    base/Errors.h base/Errors.cpp
    base/Dialogs.h
    base/WorkProgress.h base/WorkProgress.cpp
    base/Clock.h base/Clock.cpp
    base/CommandLine.h base/CommandLine.cpp)
list(APPEND BRIVORA_GUI_SOURCES)
# --version prints the CMake project's version.
set_property(SOURCE base/CommandLine.cpp APPEND PROPERTY COMPILE_DEFINITIONS BRIVORA_VERSION="${PROJECT_VERSION}")
