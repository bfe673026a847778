# Files of this subsystem: core ones build without widgets.
list(APPEND BRIVORA_CORE_SOURCES
    compose/MessageSplit.h compose/MessageSplit.cpp
    compose/Personalise.h compose/Personalise.cpp)
list(APPEND BRIVORA_GUI_SOURCES)
