# The web page: the page, the program (tabrivet.js and tabrivet.wasm), its data file, the
# MIDI instruments, the game's icon, the licences and a short README, installed into one
# folder (`cmake --install BUILD --prefix FOLDER`) that dist/web/build.sh zips with
# index.html at its root.
include(cmake/release_texts.cmake)
set(TABRIVET_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
tabrivet_release_texts(${TABRIVET_RELEASE_DIR} ${CMAKE_SOURCE_DIR}/dist/web/README.txt.in OFF)
configure_file(${CMAKE_SOURCE_DIR}/dist/web/index.html ${TABRIVET_RELEASE_DIR}/index.html COPYONLY)
configure_file(${TABRIVET_ASSET_DIR}/icon-32.png ${TABRIVET_RELEASE_DIR}/icon.png COPYONLY)

install(FILES $<TARGET_FILE:tabrivet> $<TARGET_FILE_DIR:tabrivet>/tabrivet.wasm
              ${TABRIVET_DATA_FILE} ${TABRIVET_PATCHES_FILE}
              ${TABRIVET_RELEASE_DIR}/index.html ${TABRIVET_RELEASE_DIR}/icon.png
              ${TABRIVET_RELEASE_DIR}/README.txt ${TABRIVET_RELEASE_DIR}/COPYRIGHT.txt
              ${TABRIVET_RELEASE_DIR}/GPL-2.txt ${TABRIVET_RELEASE_DIR}/ALLEGRO-LICENSE.txt
        DESTINATION .)
