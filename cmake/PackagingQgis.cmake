# The Debian package of the QGIS plugin (a build with QUARNEL_QT_MAJOR=5).
#
#   /usr/lib/qgis/plugins/libquarnelvisibilityplugin.so   the plugin
#   <libdir>/quarnel-qgis/libQuarnelHost.so              its private library
#   /usr/bin/quarnel-qgis-process                        its algorithms from a shell
#
# `cpack -G DEB` makes the package "quarnel-visibility-qgis"; QGIS lists the
# plugin in its plugin manager, where each user enables it.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME quarnel-visibility-qgis)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "QuarnelVisibility add-in for QGIS")
set(CPACK_PACKAGE_DESCRIPTION
    "A QGIS plugin that saves which layers of the open project are visible\n"
    "under a name, restores a saved set with one click and switches all layers\n"
    "on or off at once. The sets live in the file that mapdesk's add-in uses,\n"
    "so that both applications share them. It exports a print layout once for\n"
    "each set and offers its commands to QGIS Processing; quarnel-qgis-process\n"
    "runs them on a project from a shell.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
include(${CMAKE_CURRENT_LIST_DIR}/PackagingDebian.cmake)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/Code/host)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qgis, ${CPACK_DEBIAN_PACKAGE_DEPENDS}")

set(_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(_debian ${CMAKE_BINARY_DIR}/debian)
configure_file(${_packaging}/quarnel-visibility-qgis.changelog.Debian.in ${_debian}/changelog.Debian @ONLY)
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(OUTPUT ${_debian}/changelog.Debian.gz
                   COMMAND ${GZIP_PROGRAM} -9 -n -c ${_debian}/changelog.Debian > ${_debian}/changelog.Debian.gz
                   DEPENDS ${_debian}/changelog.Debian VERBATIM)
add_custom_command(OUTPUT ${_debian}/quarnel-qgis-process.1.gz
                   COMMAND ${GZIP_PROGRAM} -9 -n -c ${_packaging}/quarnel-qgis-process.1 > ${_debian}/quarnel-qgis-process.1.gz
                   DEPENDS ${_packaging}/quarnel-qgis-process.1 VERBATIM)
add_custom_target(qgis_package_docs ALL DEPENDS ${_debian}/changelog.Debian.gz ${_debian}/quarnel-qgis-process.1.gz)
install(FILES ${_debian}/quarnel-qgis-process.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_debian}/changelog.Debian.gz ${_packaging}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quarnel-visibility-qgis)

include(CPack)
