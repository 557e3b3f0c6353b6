# The Windows release: the program, its data file, the MIDI instruments, the licences and
# a short README, installed into one folder (`cmake --install BUILD --prefix FOLDER`) that
# dist/windows/build.sh then zips as tabrivet-<version>-windows.zip.
set(TABRIVET_DIST_DIR ${CMAKE_SOURCE_DIR}/dist)
set(TABRIVET_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)

# The library's own licence, which its build leaves beside it.
pkg_get_variable(TABRIVET_ALLEGRO_PREFIX allegro prefix)
set(TABRIVET_ALLEGRO_LICENCE ${TABRIVET_ALLEGRO_PREFIX}/share/doc/allegro/license.txt)
if(NOT EXISTS ${TABRIVET_ALLEGRO_LICENCE})
  message(FATAL_ERROR "the library's licence is not at ${TABRIVET_ALLEGRO_LICENCE}")
endif()

# The texts with Windows' line ends, so that Notepad shows them as they are written. The
# copyright file names patches.dat and the GPL where they are in this folder.
file(READ ${TABRIVET_DIST_DIR}/copyright _tabrivet_copyright)
string(REPLACE "usr/lib/games/tabrivet/patches.dat" "patches.dat"
       _tabrivet_copyright "${_tabrivet_copyright}")
string(REPLACE "in the file GPL-2 beside" "in the file GPL-2.txt beside"
       _tabrivet_copyright "${_tabrivet_copyright}")
file(READ ${TABRIVET_DIST_DIR}/windows/README.txt.in _tabrivet_readme)
string(REPLACE "@VERSION@" "${PROJECT_VERSION}" _tabrivet_readme "${_tabrivet_readme}")
file(READ ${TABRIVET_DIST_DIR}/GPL-2 _tabrivet_gpl)
file(READ ${TABRIVET_ALLEGRO_LICENCE} _tabrivet_allegro_licence)
foreach(text readme copyright gpl allegro_licence)
  string(REPLACE "\r\n" "\n" _tabrivet_${text} "${_tabrivet_${text}}")
  string(REPLACE "\n" "\r\n" _tabrivet_${text} "${_tabrivet_${text}}")
endforeach()
file(WRITE ${TABRIVET_RELEASE_DIR}/README.txt "${_tabrivet_readme}")
file(WRITE ${TABRIVET_RELEASE_DIR}/COPYRIGHT.txt "${_tabrivet_copyright}")
file(WRITE ${TABRIVET_RELEASE_DIR}/GPL-2.txt "${_tabrivet_gpl}")
file(WRITE ${TABRIVET_RELEASE_DIR}/ALLEGRO-LICENSE.txt "${_tabrivet_allegro_licence}")

install(TARGETS tabrivet RUNTIME DESTINATION .)
install(FILES ${TABRIVET_DATA_FILE} ${TABRIVET_PATCHES_FILE}
              ${TABRIVET_RELEASE_DIR}/README.txt ${TABRIVET_RELEASE_DIR}/COPYRIGHT.txt
              ${TABRIVET_RELEASE_DIR}/GPL-2.txt ${TABRIVET_RELEASE_DIR}/ALLEGRO-LICENSE.txt
        DESTINATION .)
