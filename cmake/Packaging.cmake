# Installation and the Debian package.
#
#   bin/mapdesk                          the application
#   <libdir>/mapdesk/libQuarnelHost.so   its private library, shared with the add-in
#   <libdir>/mapdesk/libQuarnelGIS.so    the QuarnelVisibility add-in's module
#   share/applications, share/mime, share/icons   the desktop entry for map documents
#   share/mapdesk/samples                the sample documents and their data
#
# `cpack -G DEB` makes the package "mapdesk"; its maintainer scripts register
# the add-in in mapdesk's system-wide registry (<sysconfdir>/mapdesk/registry.ini)
# when it is installed and take the registration away before it is removed.
include(GNUInstallDirs)

set(MAPDESK_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/mapdesk)
# The installed programs find the private library beside them, wherever the
# prefix is.
file(RELATIVE_PATH _mapdesk_bin_to_lib ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${MAPDESK_PRIVATE_LIBDIR})
set_target_properties(mapdesk PROPERTIES INSTALL_RPATH "$ORIGIN/${_mapdesk_bin_to_lib}")
set_target_properties(QuarnelGIS PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS mapdesk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS QuarnelHost LIBRARY DESTINATION ${MAPDESK_PRIVATE_LIBDIR} NAMELINK_SKIP)
install(TARGETS QuarnelGIS LIBRARY DESTINATION ${MAPDESK_PRIVATE_LIBDIR} NAMELINK_SKIP)
# The command-line tool for visibility sets goes beside mapdesk once it is
# built (a target `quarnel-sets`).
if(TARGET quarnel-sets)
    set_target_properties(quarnel-sets PROPERTIES INSTALL_RPATH "$ORIGIN/${_mapdesk_bin_to_lib}")
    install(TARGETS quarnel-sets RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(_packaging ${PROJECT_SOURCE_DIR}/packaging)
install(FILES ${_packaging}/mapdesk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_packaging}/mapdesk-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME mapdesk.xml)
install(FILES ${_packaging}/icons/mapdesk.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/samples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/mapdesk/samples
        PATTERN tools EXCLUDE)

# The Debian package.
set(CPACK_PACKAGE_NAME mapdesk)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop map application with the QuarnelVisibility add-in")
set(CPACK_PACKAGE_DESCRIPTION
    "mapdesk opens map documents (JSON, with GeoJSON, Shapefile, GeoPackage and\n"
    "raster data read through GDAL), shows their table of contents, data view and\n"
    "page layout, and loads registered command modules onto its toolbar.\n"
    "The QuarnelVisibility add-in, registered for every user, saves which layers\n"
    "are visible under a name and restores them with one click.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
include(${CMAKE_CURRENT_LIST_DIR}/PackagingDebian.cmake)

# Maintainer scripts, changelog and copyright, made in the build folder.
set(_debian ${CMAKE_BINARY_DIR}/debian)
set(MAPDESK_ADDIN_INSTALLED ${CMAKE_INSTALL_FULL_LIBDIR}/mapdesk/libQuarnelGIS.so)
configure_file(${_packaging}/postinst.in ${_debian}/postinst @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
               GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
configure_file(${_packaging}/prerm.in ${_debian}/prerm @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
               GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${_debian}/postinst ${_debian}/prerm)

configure_file(${_packaging}/changelog.Debian.in ${_debian}/changelog.Debian @ONLY)
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(OUTPUT ${_debian}/changelog.Debian.gz
                   COMMAND ${GZIP_PROGRAM} -9 -n -c ${_debian}/changelog.Debian > ${_debian}/changelog.Debian.gz
                   DEPENDS ${_debian}/changelog.Debian VERBATIM)
add_custom_command(OUTPUT ${_debian}/mapdesk.1.gz
                   COMMAND ${GZIP_PROGRAM} -9 -n -c ${_packaging}/mapdesk.1 > ${_debian}/mapdesk.1.gz
                   DEPENDS ${_packaging}/mapdesk.1 VERBATIM)
add_custom_command(OUTPUT ${_debian}/quarnel-sets.1.gz
                   COMMAND ${GZIP_PROGRAM} -9 -n -c ${_packaging}/quarnel-sets.1 > ${_debian}/quarnel-sets.1.gz
                   DEPENDS ${_packaging}/quarnel-sets.1 VERBATIM)
add_custom_target(mapdesk_package_docs ALL
                  DEPENDS ${_debian}/changelog.Debian.gz ${_debian}/mapdesk.1.gz ${_debian}/quarnel-sets.1.gz)
install(FILES ${_debian}/mapdesk.1.gz ${_debian}/quarnel-sets.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_debian}/changelog.Debian.gz ${_packaging}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/mapdesk)

include(CPack)
