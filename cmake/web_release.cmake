# The web page: the page, the program (tabrivet.js and tabrivet.wasm), its data file, the
# MIDI instruments, the game's icons, the app manifest and the service worker that keeps
# the files offline, the licences and a short README, installed into one folder
# (`cmake --install BUILD --prefix FOLDER`) that dist/web/build.sh zips with index.html at
# its root.
include(cmake/release_texts.cmake)
set(TABRIVET_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
tabrivet_release_texts(${TABRIVET_RELEASE_DIR} ${CMAKE_SOURCE_DIR}/dist/web/README.txt.in OFF)
configure_file(${CMAKE_SOURCE_DIR}/dist/web/index.html ${TABRIVET_RELEASE_DIR}/index.html COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/dist/web/manifest.json ${TABRIVET_RELEASE_DIR}/manifest.json COPYONLY)
foreach(size 192 512)
  configure_file(${TABRIVET_ASSET_DIR}/icon-${size}.png ${TABRIVET_RELEASE_DIR}/icon-${size}.png
                 COPYONLY)
endforeach()
# The service worker's cache is named by the release (dist/web/build.sh adds a digest of
# the files).
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/dist/web/sw.js)
file(READ ${CMAKE_SOURCE_DIR}/dist/web/sw.js service_worker)
string(REPLACE "@VERSION@" "${PROJECT_VERSION}" service_worker "${service_worker}")
file(WRITE ${TABRIVET_RELEASE_DIR}/sw.js "${service_worker}")

install(FILES $<TARGET_FILE:tabrivet> $<TARGET_FILE_DIR:tabrivet>/tabrivet.wasm
              ${TABRIVET_DATA_FILE} ${TABRIVET_PATCHES_FILE}
              ${TABRIVET_RELEASE_DIR}/index.html
              ${TABRIVET_RELEASE_DIR}/icon-192.png ${TABRIVET_RELEASE_DIR}/icon-512.png
              ${TABRIVET_RELEASE_DIR}/manifest.json ${TABRIVET_RELEASE_DIR}/sw.js
              ${TABRIVET_RELEASE_DIR}/README.txt ${TABRIVET_RELEASE_DIR}/COPYRIGHT.txt
              ${TABRIVET_RELEASE_DIR}/GPL-2.txt ${TABRIVET_RELEASE_DIR}/ALLEGRO-LICENSE.txt
        DESTINATION .)
