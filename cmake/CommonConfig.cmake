# One interface target carries the warning flags and Qt defines for every target of the project.
add_library(brivora_config INTERFACE)
target_compile_options(brivora_config INTERFACE
    -Wall -Wextra -Wnon-virtual-dtor -Wno-missing-field-initializers
    $<$<BOOL:${BRIVORA_WERROR}>:-Werror>)
target_compile_definitions(brivora_config INTERFACE
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_KEYWORDS
    QT_DISABLE_DEPRECATED_UP_TO=0x060000)
