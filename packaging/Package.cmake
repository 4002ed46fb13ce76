# Debian packages, built with `cpack -G DEB` (scripts/package.sh):
#   veltra-downloader       the program folder in /opt/veltra-downloader, a desktop
#                           entry and an icon
#   veltra-downloader-udev  rules for the USB serial adapters, optional
#
# The desktop entry, icon and rules have absolute destinations and are left out
# of a plain `cmake --install`, which gives the program folder alone; the
# packages name their components and so get them.
set(VELTRA_PACKAGE_NAME veltra-downloader)
set(VELTRA_PACKAGE_DIR /opt/${VELTRA_PACKAGE_NAME})

configure_file(${CMAKE_CURRENT_LIST_DIR}/veltra-downloader.desktop.in
               ${CMAKE_BINARY_DIR}/packaging/${VELTRA_PACKAGE_NAME}.desktop @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${VELTRA_PACKAGE_NAME}.desktop
        DESTINATION /usr/share/applications COMPONENT program EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/veltra-downloader.svg
        DESTINATION /usr/share/icons/hicolor/scalable/apps COMPONENT program EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/70-veltra-serial-adapters.rules
        DESTINATION /usr/lib/udev/rules.d COMPONENT udev EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VELTRA_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Veltra")
set(CPACK_PACKAGE_CONTACT "Seed 7139c202 maintainers <maintainers@users.noreply.c-seed-7139c202.example>")
# The program folder goes to /opt; the absolute destinations above go below
# the package's root, not into this machine's /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX ${VELTRA_PACKAGE_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DropEmptyFolders.cmake)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program udev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME ${VELTRA_PACKAGE_NAME})
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION "Service tool for the Veltra weighing module
Programs the firmware of the Veltra analogue-to-digital module from an Intel
HEX file, writes and reads its EEPROM parameters and runs its production
self-test, on several serial ports at once; veltra-cli runs every operation
without a window, for scripts and production lines. The program folder, with
the virtual module veltra-sim for trying it without hardware, is installed in
${VELTRA_PACKAGE_DIR}.")
# The libraries come from the binaries; the platform plugins are loaded at run
# time, and without them no window can open.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The Korean captions need a font with Hangul.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "fonts-nanum | fonts-noto-cjk")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SUGGESTS "${VELTRA_PACKAGE_NAME}-udev")

set(CPACK_DEBIAN_UDEV_PACKAGE_NAME ${VELTRA_PACKAGE_NAME}-udev)
set(CPACK_DEBIAN_UDEV_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_UDEV_PACKAGE_ENHANCES ${VELTRA_PACKAGE_NAME})
set(CPACK_COMPONENT_UDEV_DESCRIPTION "USB serial adapter rules for the Veltra downloader
Keeps ModemManager from probing FTDI, CP210x, PL2303 and CH340/CH341 USB
serial adapters, which would disturb a module on the line, and lets the user
logged in at the seat open them without being in the dialout group.")
set(CPACK_DEBIAN_UDEV_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/udev/postinst ${CMAKE_CURRENT_LIST_DIR}/udev/postrm)

include(CPack)
