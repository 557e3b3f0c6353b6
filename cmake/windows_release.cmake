# The Windows release: the program, its data file, the MIDI instruments, the licences and
# a short README, installed into one folder (`cmake --install BUILD --prefix FOLDER`) that
# dist/windows/build.sh then zips as tabrivet-<version>-windows.zip.
include(cmake/release_texts.cmake)
set(TABRIVET_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
tabrivet_release_texts(${TABRIVET_RELEASE_DIR} ${CMAKE_SOURCE_DIR}/dist/windows/README.txt.in ON)

install(TARGETS tabrivet RUNTIME DESTINATION .)
install(FILES ${TABRIVET_DATA_FILE} ${TABRIVET_PATCHES_FILE}
              ${TABRIVET_RELEASE_DIR}/README.txt ${TABRIVET_RELEASE_DIR}/COPYRIGHT.txt
              ${TABRIVET_RELEASE_DIR}/GPL-2.txt ${TABRIVET_RELEASE_DIR}/ALLEGRO-LICENSE.txt
        DESTINATION .)
