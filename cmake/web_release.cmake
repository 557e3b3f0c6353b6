# The web page: the page, the program (tabrivet.js and tabrivet.wasm), its data file, the
# MIDI instruments, the game's icon, the licences and a short README, installed into one
# folder (`cmake --install BUILD --prefix FOLDER`) that dist/web/build.sh zips with
# index.html at its root.
set(TABRIVET_DIST_DIR ${CMAKE_SOURCE_DIR}/dist)
set(TABRIVET_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)

pkg_get_variable(TABRIVET_ALLEGRO_PREFIX allegro prefix)
set(TABRIVET_ALLEGRO_LICENCE ${TABRIVET_ALLEGRO_PREFIX}/share/doc/allegro/license.txt)
if(NOT EXISTS ${TABRIVET_ALLEGRO_LICENCE})
  message(FATAL_ERROR "the library's licence is not at ${TABRIVET_ALLEGRO_LICENCE}")
endif()

# The copyright file names patches.dat and the GPL where they are in this folder.
file(READ ${TABRIVET_DIST_DIR}/copyright _tabrivet_copyright)
string(REPLACE "usr/lib/games/tabrivet/patches.dat" "patches.dat"
       _tabrivet_copyright "${_tabrivet_copyright}")
string(REPLACE "in the file GPL-2 beside" "in the file GPL-2.txt beside"
       _tabrivet_copyright "${_tabrivet_copyright}")
file(WRITE ${TABRIVET_RELEASE_DIR}/COPYRIGHT.txt "${_tabrivet_copyright}")
configure_file(${TABRIVET_DIST_DIR}/web/README.txt.in ${TABRIVET_RELEASE_DIR}/README.txt @ONLY)
configure_file(${TABRIVET_DIST_DIR}/GPL-2 ${TABRIVET_RELEASE_DIR}/GPL-2.txt COPYONLY)
configure_file(${TABRIVET_ALLEGRO_LICENCE} ${TABRIVET_RELEASE_DIR}/ALLEGRO-LICENSE.txt COPYONLY)
configure_file(${TABRIVET_DIST_DIR}/web/index.html ${TABRIVET_RELEASE_DIR}/index.html COPYONLY)
configure_file(${TABRIVET_ASSET_DIR}/icon-32.png ${TABRIVET_RELEASE_DIR}/icon.png COPYONLY)

install(FILES $<TARGET_FILE:tabrivet> $<TARGET_FILE_DIR:tabrivet>/tabrivet.wasm
              ${TABRIVET_DATA_FILE} ${TABRIVET_PATCHES_FILE}
              ${TABRIVET_RELEASE_DIR}/index.html ${TABRIVET_RELEASE_DIR}/icon.png
              ${TABRIVET_RELEASE_DIR}/README.txt ${TABRIVET_RELEASE_DIR}/COPYRIGHT.txt
              ${TABRIVET_RELEASE_DIR}/GPL-2.txt ${TABRIVET_RELEASE_DIR}/ALLEGRO-LICENSE.txt
        DESTINATION .)
