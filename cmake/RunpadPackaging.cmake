# Installation and the Debian package: the executable as /usr/bin/runpad
# (its download helper in /usr/libexec/runpad),
# its desktop entry, the icon in the hicolor theme (the SVG and PNGs rendered
# from it at build time) and the AppStream metainfo.
# `cmake --build build --target package` writes runpad_<version>_amd64.deb.

include(GNUInstallDirs)

set(RUNPAD_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(RUNPAD_ICON_SVG ${PROJECT_SOURCE_DIR}/src/ui/resources/runpad.svg)
set(RUNPAD_ICON_SIZES 16 22 24 32 48 64 128 256)

install(TARGETS Runpad RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The build's output keeps the program's name; the installed command is
# lower case, as commands are.
install(CODE "file(RENAME
  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/Runpad\"
  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/runpad\")")

# The download helper is no command of its own: it lives with the program's
# internal executables (main.cpp finds it relative to the program).
install(TARGETS runpad-fetch RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/runpad)

install(FILES ${RUNPAD_PACKAGING_DIR}/${RUNPAD_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

string(TIMESTAMP RUNPAD_RELEASE_DATE "%Y-%m-%d" UTC)
configure_file(${RUNPAD_PACKAGING_DIR}/${RUNPAD_APP_ID}.metainfo.xml.in
  ${PROJECT_BINARY_DIR}/packaging/${RUNPAD_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/${RUNPAD_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The PNG sizes are drawn from the SVG at build time (not kept in git).
add_executable(render_icon src/tools/render_icon.cpp)
target_link_libraries(render_icon PRIVATE Qt6::Gui Qt6::Svg)
set(RUNPAD_ICON_DIR ${PROJECT_BINARY_DIR}/packaging/icons)
set(RUNPAD_ICON_PNGS)
foreach(size IN LISTS RUNPAD_ICON_SIZES)
  list(APPEND RUNPAD_ICON_PNGS ${RUNPAD_ICON_DIR}/${size}x${size}/apps/${RUNPAD_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${RUNPAD_ICON_PNGS}
  COMMAND render_icon ${RUNPAD_ICON_SVG} ${RUNPAD_ICON_DIR} ${RUNPAD_APP_ID} ${RUNPAD_ICON_SIZES}
  DEPENDS render_icon ${RUNPAD_ICON_SVG}
  COMMENT "Rendering the program icon")
add_custom_target(runpad_icons ALL DEPENDS ${RUNPAD_ICON_PNGS})
install(DIRECTORY ${RUNPAD_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${RUNPAD_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME ${RUNPAD_APP_ID}.svg)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME runpad)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Command pad: start commands from a table")
set(CPACK_PACKAGE_DESCRIPTION
  "Runpad keeps a table of commands and starts the one you pick by double
click, Enter or the first button of a game controller.")
set(CPACK_PACKAGE_CONTACT "Runpad developers <runpad@localhost>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the program calls or loads at run time, which no library link shows:
# the desktop's opener, image and platform plugins, the SVG module for the
# icons, the libraries opened on first use (controller, desktop entries,
# metafiles), and the fonts that stand in for the window's faces and
# that libwmf draws metafile text with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "xdg-utils, qt6-image-formats-plugins, qt6-qpa-plugins, libqt6svg6, libsdl2-2.0-0, libglib2.0-0, libwmf-0.2-7, libemf2svg1, fonts-open-sans, fonts-inconsolata, fonts-urw-base35")
set(CPACK_STRIP_FILES ON)
include(CPack)
