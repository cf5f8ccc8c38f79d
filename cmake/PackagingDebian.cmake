# The Debian settings both packages share: maker, version, section, the
# dependencies found from the installed libraries, and stripped files
# installed under the install prefix. The including file names the package
# and describes it.
set(CPACK_PACKAGE_VENDOR QuarnelGIS)
set(CPACK_PACKAGE_CONTACT "QuarnelGIS <support@quarnelgis.com>")
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libpq is loaded when a team's database is first used, so the libraries
# found from the installed files do not name it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libpq5)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
