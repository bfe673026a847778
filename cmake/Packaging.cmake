# What a user installs: the program, its tools, the launcher the desktop menu starts, the
# menu entry with its icon, what software centres read of it (the metainfo), a manual page
# for each program, and the copyright and changelog Debian asks for. Tests and benchmarks
# have no install rules and stay out.
include(GNUInstallDirs)

install(TARGETS brivora brivora-newdb brivora-modemsim brivora-pdu brivora-import brivora-export brivora-report
                brivora-copy
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The launcher and the manual pages get the project's version written in.
configure_file(${PROJECT_SOURCE_DIR}/packaging/brivora-launch.in ${PROJECT_BINARY_DIR}/packaging/brivora-launch
               @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                      WORLD_READ WORLD_EXECUTE)
install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/brivora-launch
        DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/brivora.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/brivora.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/org.brivora.brivora.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Debian's place for them is named after the package, not the project.
set(BRIVORA_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/brivora)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${BRIVORA_DOCDIR})

# Manual pages and the Debian changelog go in compressed with gzip -9n, without a name or a
# time stamp, so that the same sources give the same package.
set(BRIVORA_PROGRAMS brivora brivora-launch brivora-newdb brivora-modemsim brivora-pdu brivora-import
                     brivora-export brivora-report brivora-copy)
set(gzipped)
function(brivora_gzip source target)
    add_custom_command(OUTPUT ${target}
                       COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${source} ${target}
                       DEPENDS ${source} VERBATIM)
    set(gzipped ${gzipped} ${target} PARENT_SCOPE)
endfunction()
foreach(program ${BRIVORA_PROGRAMS})
    set(page ${PROJECT_BINARY_DIR}/packaging/man/${program}.1)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/man/${program}.1 ${page} @ONLY)
    brivora_gzip(${page} ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
# The package's version has no Debian revision: the package is native, and so its changelog
# is changelog.gz, not changelog.Debian.gz (lintian: wrong-name-for-changelog-of-native-package).
set(changelog ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
brivora_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog ${changelog})
install(FILES ${changelog} DESTINATION ${BRIVORA_DOCDIR})
add_custom_target(brivora_packaged_docs ALL DEPENDS ${gzipped})

# The Debian package, made by scripts/package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brivora)
set(CPACK_PACKAGE_CONTACT "Brivora maintainers <maintainers@users.noreply.c-seed-921a107c.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personalised bulk SMS to a client list through a GSM modem")
set(CPACK_PACKAGE_DESCRIPTION [[
Brivora keeps a client list and sends each client a personal SMS, written once
in two languages, through a GSM phone or modem on a serial port: announcements
to chosen groups, the day's birthday and anniversary greetings, single
messages, and re-sends of what the modem refused.]])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Control files and folders with the permissions Debian expects (0644 and 0755).
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)
# dpkg-shlibdeps finds the libraries the programs link. What Qt loads at run time is named
# here: the SQLite and PostgreSQL drivers (the program reads with libpq on the driver's own
# connection, and without the driver a server could not be opened at all) and the font the
# layouts are measured for. The xcb platform and JPEG plugins come with libqt6gui6 on
# Debian 12 (qt6-qpa-plugins holds only VNC and touch).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, fonts-liberation, fonts-symbola")
# Clients' names and messages in Chinese and Tamil, and emoji, shown as typed.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, fonts-lohit-taml, fonts-noto-color-emoji")
include(CPack)
