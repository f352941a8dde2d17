# `make package` (cpack -G DEB): a Debian package of the programs, the metafile helper, the
# manual pages, desktop entry, icons and metainfo. Library dependencies are read from the
# binaries by dpkg-shlibdeps; the rest are what the libraries load at run time.
include(GNUInstallDirs)

set(GLINT_PACKAGE_MAINTAINER "The Glintwork developers <glintwork@glintwork.org>"
    CACHE STRING "Maintainer field of the Debian package")

set(PACKAGE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/glintwork)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${PACKAGE_DOC_DIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${PACKAGE_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glintwork)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${GLINT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert pictures to an old-school scan-line look")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Glintwork turns a picture into a scan-line look: every row of the picture
becomes a row of wide pixel runs, green from the picture and red and blue
from two sliders, followed by gap rows in a background colour.
.
The package holds the window program glintwork, the batch tool
glintwork-cli, which converts many or large pictures from the command line
and in shell pipelines, and glintwork-spread, which spreads a batch over
ssh hosts or a Slurm cluster.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's platform plugin for the window on X11 (xcb) and the rest of its family, Qt's image
# plugins for tiff and webp, and the fonts libwmf draws metafile text with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-image-formats-plugins, fonts-urw-base35")
# glintwork-spread: GNU parallel and ssh for its ssh engine, Slurm's commands for the other.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "parallel, openssh-client")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "slurm-client")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
