# SPDX-License-Identifier: MIT
# Install rules (GNUInstallDirs) and the Debian package (CPack DEB).
#
# Only the program is installed: boardsim, the tests and the static libraries
# stay in the build tree. A test build carries the loopback board address; a
# package to ship is built with the board's address and the tests off (README).
include(GNUInstallDirs)

set(TASTOMAT_APP_ID example.tastomat.DemoTastomat)
set(packaging_dir ${CMAKE_CURRENT_LIST_DIR})

if(TARGET tastomat)
  install(TARGETS tastomat RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${packaging_dir}/${TASTOMAT_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging_dir}/${TASTOMAT_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packaging_dir}/${TASTOMAT_APP_ID}.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/demo-tastomat RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME demo-tastomat)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The DEMO-Tastomat developers")
set(CPACK_PACKAGE_CONTACT "The DEMO-Tastomat developers <tastomat@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Funksteckdosen über ein AVR-NET-IO-Board schalten")
set(CPACK_PACKAGE_DESCRIPTION "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps (dpkg-dev) finds the Qt 6 and C++ runtime libraries the
# program links; the X11 platform plugin comes with libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)

include(CPack)
