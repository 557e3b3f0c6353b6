# Installation of Tabrivet as Debian lays out its games, and its Debian package.
#
#   games/tabrivet                       launcher (dist/tabrivet.in)
#   lib/games/tabrivet/tabrivet          the game, with patches.dat beside it where
#   lib/games/tabrivet/patches.dat         the library looks for its MIDI patch set
#   share/games/tabrivet/tabrivet.dat    the data file
#   share/applications/tabrivet.desktop  menu entry
#   share/icons/hicolor/NxN/apps/tabrivet.png   N = 32, 48, 64, 128
#   share/metainfo/org.tabrivet.tabrivet.metainfo.xml
#   share/man/man6/tabrivet.6.gz
#   share/doc/tabrivet/copyright, GPL-2
#   share/doc/tabrivet/changelog.gz      dist/changelog, as a native Debian package has it
#
# `cmake --install build [--prefix DIR]` installs it; `cpack` in the build folder makes
# tabrivet_<version>_<arch>.deb with the files under /usr.

set(TABRIVET_INSTALL_GAMESDIR games)
set(TABRIVET_INSTALL_LIBDIR lib/games/tabrivet)
set(TABRIVET_INSTALL_DATADIR share/games/tabrivet)
set(TABRIVET_INSTALL_DOCDIR share/doc/tabrivet)
set(TABRIVET_ICON_SIZES 32 48 64 128)
set(TABRIVET_DESKTOP_ID tabrivet.desktop)
set(TABRIVET_APPSTREAM_ID org.tabrivet.tabrivet)
set(TABRIVET_DIST_DIR ${CMAKE_SOURCE_DIR}/dist)

find_program(TABRIVET_GZIP gzip)
if(NOT TABRIVET_GZIP)
  message(FATAL_ERROR "gzip is needed to install the manual page and the changelog")
endif()
# touch -d gives the compressed changelog the date of its latest entry.
find_program(TABRIVET_TOUCH touch)
if(NOT TABRIVET_TOUCH)
  message(FATAL_ERROR "touch is needed to install the changelog")
endif()

# The launcher finds the installed files from its own folder, so the tree works under
# any prefix and wherever it is unpacked.
set(TABRIVET_LAUNCHER_PATH ${TABRIVET_INSTALL_GAMESDIR}/tabrivet)
file(RELATIVE_PATH TABRIVET_LAUNCHER_TO_PREFIX
     /prefix/${TABRIVET_INSTALL_GAMESDIR} /prefix)
configure_file(${TABRIVET_DIST_DIR}/tabrivet.in ${CMAKE_BINARY_DIR}/dist/tabrivet @ONLY)
configure_file(${TABRIVET_DIST_DIR}/install-configured.cmake.in
               ${CMAKE_BINARY_DIR}/dist/install-configured.cmake @ONLY)

# A plain build makes everything the install rules copy.
add_custom_target(tabrivet_install_inputs ALL)
add_dependencies(tabrivet_install_inputs tabrivet)
foreach(asset_target tabrivet_data tabrivet_patches)
  if(TARGET ${asset_target})
    add_dependencies(tabrivet_install_inputs ${asset_target})
  endif()
endforeach()

install(PROGRAMS ${CMAKE_BINARY_DIR}/dist/tabrivet DESTINATION ${TABRIVET_INSTALL_GAMESDIR})
install(TARGETS tabrivet RUNTIME DESTINATION ${TABRIVET_INSTALL_LIBDIR})
install(FILES ${CMAKE_BINARY_DIR}/patches.dat DESTINATION ${TABRIVET_INSTALL_LIBDIR})
install(FILES ${TABRIVET_DATA_FILE} DESTINATION ${TABRIVET_INSTALL_DATADIR})
foreach(size ${TABRIVET_ICON_SIZES})
  install(FILES ${TABRIVET_ASSET_DIR}/icon-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME tabrivet.png)
endforeach()
install(FILES ${TABRIVET_DIST_DIR}/${TABRIVET_APPSTREAM_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${TABRIVET_DIST_DIR}/copyright ${TABRIVET_DIST_DIR}/GPL-2
        DESTINATION ${TABRIVET_INSTALL_DOCDIR})
# The desktop entry and the manual page, with the prefix of this install, and the
# changelog, compressed with a fixed date (dist/install-configured.cmake.in).
install(SCRIPT ${CMAKE_BINARY_DIR}/dist/install-configured.cmake)

# The Debian package.
set(TABRIVET_PACKAGE_MAINTAINER "The Tabrivet authors <tabrivet@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tabrivet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tabrivet authors")
set(CPACK_PACKAGE_CONTACT "${TABRIVET_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "arcade table tennis against the computer or a friend")
# Install rules run with CMAKE_INSTALL_PREFIX=/usr and DESTDIR set to the staging
# folder, so the desktop entry and the manual page name /usr paths.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME tabrivet)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TABRIVET_PACKAGE_MAINTAINER}")
# Run-time libraries found from the program by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The game shows its start-up failures with xmessage.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "x11-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The same commit gives the same package: times from the changelog, and folders with
# Debian's modes whatever the umask of the build (dist/cpack_stage.cmake).
set(CPACK_PRE_BUILD_SCRIPTS ${TABRIVET_DIST_DIR}/cpack_stage.cmake)
set(CPACK_TABRIVET_DIST_DIR ${TABRIVET_DIST_DIR})
# The long description; CPACK_PACKAGE_DESCRIPTION_SUMMARY is its first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Tabrivet is a small arcade table-tennis game for the X Window System: two
paddles, one on each side of the screen, and a ball that bounces off the top
and bottom edges over a moving starfield.
.
Play against the computer at one of four levels, from easy to unbeatable,
or against a friend on the same keyboard, with music if you like. Print
Screen keeps a screenshot in the player's own folder. The game is in French.")
include(CPack)

if(BUILD_TESTING)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/install ${CMAKE_BINARY_DIR}/tests/install)
endif()
