# The installed copy and its Debian package.
#
# cmake --install puts the program folder (the window's executable, the command
# line's corvina-cli, the TextLog and driver libraries, the translations) under
# <prefix>/lib/corvina, the launcher <prefix>/bin/corvina (which picks one of
# the two by its first argument), the desktop entry, the icon in the hicolor theme and
# the AppStream metadata under <prefix>/share. An installed program folder is
# usually not writable by its user: the program then keeps Corvina.ini and its
# log in the user's configuration and data folders.
#
# cpack (from the build folder) makes corvina_<version>_<arch>.deb of the same
# files with prefix /usr. The device emulator is a developer's and demo tool
# and is not part of the package.

set(CORVINA_APP_ID "com.pelora.Corvina")
set(CORVINA_RELEASE_DATE "2026-12-07")
set(CORVINA_HOMEPAGE_URL "https://pelora.com/corvina" CACHE STRING
  "The program's home page, named in the AppStream metadata")
set(CORVINA_SCREENSHOT_URL "${CORVINA_HOMEPAGE_URL}/screenshots" CACHE STRING
  "Web folder where resources/linux/screenshots/*.png are published, named in the AppStream metadata")

set(CORVINA_INSTALL_PROGRAM_DIR "lib/corvina")
set(CORVINA_LINUX_RESOURCES "${PROJECT_SOURCE_DIR}/resources/linux")

# A prefix the installing user cannot write ends the install step with one
# clear message before any file is copied, instead of a failure half-way.
install(CODE [[
  set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
  set(existing "${target}")
  while(NOT IS_DIRECTORY "${existing}")
    get_filename_component(parent "${existing}" DIRECTORY)
    if(parent STREQUAL existing)
      break()
    endif()
    set(existing "${parent}")
  endwhile()
  execute_process(COMMAND test -w "${existing}" RESULT_VARIABLE not_writable)
  if(not_writable)
    message(FATAL_ERROR "Cannot install Corvina into ${target}: ${existing} is not writable by this user. "
                        "Install as root (sudo cmake --install ...) or choose a folder of your own with --prefix, "
                        "for example --prefix ~/.local.")
  endif()
]])

install(TARGETS Corvina corvina-cli TextLog CoreFoundation iTunesMobileDevice
  RUNTIME DESTINATION ${CORVINA_INSTALL_PROGRAM_DIR}
  LIBRARY DESTINATION ${CORVINA_INSTALL_PROGRAM_DIR})
install(FILES "${CORVINA_PROGRAM_DIR}/corvina_en.qm" "${CORVINA_PROGRAM_DIR}/corvina_zh.qm"
  DESTINATION ${CORVINA_INSTALL_PROGRAM_DIR})
install(PROGRAMS "${CORVINA_LINUX_RESOURCES}/corvina" DESTINATION bin)

install(FILES "${CORVINA_LINUX_RESOURCES}/${CORVINA_APP_ID}.desktop" DESTINATION share/applications)
configure_file("${CORVINA_LINUX_RESOURCES}/${CORVINA_APP_ID}.metainfo.xml.in"
  "${CMAKE_BINARY_DIR}/${CORVINA_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${CMAKE_BINARY_DIR}/${CORVINA_APP_ID}.metainfo.xml" DESTINATION share/metainfo)
install(FILES "${PROJECT_SOURCE_DIR}/resources/icons/corvina.svg" DESTINATION share/icons/hicolor/scalable/apps)
install(DIRECTORY "${PROJECT_SOURCE_DIR}/resources/icons/hicolor/" DESTINATION share/icons/hicolor)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvina)
set(CPACK_PACKAGE_VENDOR "Pelora")
set(CPACK_PACKAGE_CONTACT "Pelora <corvina@pelora.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Back up an iPhone or iPad over USB and restore it")
set(CPACK_PACKAGE_DESCRIPTION
  "Corvina copies the personal data of an iPhone or iPad connected by USB into a folder, and optionally its apps, and restores such a backup onto a device. It runs the libimobiledevice tools through usbmuxd.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${CORVINA_HOMEPAGE_URL}")
# dpkg-shlibdeps adds the libraries the binaries link (Qt, libimobiledevice,
# libplist, libusbmuxd, libsqlite3) with their versions; the list names what the program
# needs without linking it: the tools it runs, usbmuxd, the Qt platform
# plugins, libsecret (which the keyring library loads to reach the desktop's
# Secret Service), Qt's own translations (its buttons and dialogs in Chinese) and the
# fonts that stand in for the forms' Arial and 微软雅黑.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CORVINA_PROGRAM_DIR}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libimobiledevice-utils, ideviceinstaller, usbmuxd, qt6-qpa-plugins, libsecret-1-0, qt6-translations-l10n, fonts-noto-cjk, fonts-liberation2")
include(CPack)
