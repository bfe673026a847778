# Files of this subsystem: core ones build without widgets.
list(APPEND BRIVORA_CORE_SOURCES
    broadcast/RunState.h)
list(APPEND BRIVORA_GUI_SOURCES)
