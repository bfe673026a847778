# One interface target carries the warning flags and Qt defines for every target of the
# project, tests and tools included.
add_library(brivora_config INTERFACE)
target_compile_options(brivora_config INTERFACE
    -Wall -Wextra -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wcast-qual -pedantic
    -Wno-missing-field-initializers
    $<$<BOOL:${BRIVORA_WERROR}>:-Werror>)
target_compile_definitions(brivora_config INTERFACE
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_KEYWORDS
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_USE_QSTRINGBUILDER
    QT_DISABLE_DEPRECATED_UP_TO=0x060000)

# AddressSanitizer and UndefinedBehaviorSanitizer for a second build of everything;
# every report ends the program, so a test that meets one fails.
option(BRIVORA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(BRIVORA_SANITIZE)
    set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_compile_options(brivora_config INTERFACE ${sanitizers})
    target_link_options(brivora_config INTERFACE ${sanitizers})
endif()

# Debian's hardening, as dpkg-buildflags gives a package: checked C library calls, a stack
# protector, and relocations made read-only and bound at start. Optimised builds only, since
# _FORTIFY_SOURCE needs the optimiser, and not under the sanitizers, which replace those calls.
if(NOT BRIVORA_SANITIZE)
    target_compile_definitions(brivora_config INTERFACE
        $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
    target_compile_options(brivora_config INTERFACE -fstack-protector-strong -Wformat -Werror=format-security)
    target_link_options(brivora_config INTERFACE LINKER:-z,relro LINKER:-z,now)
endif()
