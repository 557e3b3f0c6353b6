# The game's assets: builds make_assets, runs it to paint and synthesise every picture,
# sound and tune into the build's assets folder, packs them with the library's dat tool
# into data/tabrivet.dat, and builds make_patches to make patches.dat (the instruments the
# tune plays, from freepats).
set(TABRIVET_ASSET_DIR ${CMAKE_BINARY_DIR}/assets)
# The data file goes where ./play.sh runs the game; a cross build keeps its own in its
# build folder, so that it never writes over the native build's.
if(CMAKE_CROSSCOMPILING)
  set(TABRIVET_DATA_DIR ${CMAKE_BINARY_DIR})
else()
  set(TABRIVET_DATA_DIR ${CMAKE_SOURCE_DIR}/data)
endif()
set(TABRIVET_DATA_FILE ${TABRIVET_DATA_DIR}/tabrivet.dat)
set(TABRIVET_PATCHES_FILE ${CMAKE_BINARY_DIR}/patches.dat)

find_program(ALLEGRO_DAT_EXECUTABLE dat REQUIRED)
set(FREEPATS_CFG /etc/timidity/freepats.cfg CACHE FILEPATH "TiMidity index of the freepats set")
set(FREEPATS_DIR /usr/share/midi/freepats CACHE PATH "Folder of the freepats Tone_000 and Drum_000")
if(NOT EXISTS ${FREEPATS_CFG} OR NOT EXISTS ${FREEPATS_DIR}/Tone_000 OR NOT EXISTS ${FREEPATS_DIR}/Drum_000)
  message(FATAL_ERROR "freepats not found at ${FREEPATS_CFG} and ${FREEPATS_DIR} "
    "(install the Debian package freepats)")
endif()

add_executable(make_assets
  ${CMAKE_CURRENT_LIST_DIR}/make_assets.cpp
  ${CMAKE_CURRENT_LIST_DIR}/asset_canvas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/asset_letters.cpp
  ${CMAKE_CURRENT_LIST_DIR}/asset_title.cpp
  ${CMAKE_CURRENT_LIST_DIR}/asset_sprites.cpp
  ${CMAKE_CURRENT_LIST_DIR}/asset_icons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/asset_sounds.cpp
  ${CMAKE_CURRENT_LIST_DIR}/asset_music.cpp
  ${CMAKE_CURRENT_LIST_DIR}/asset_files.cpp
)
target_link_libraries(make_assets PRIVATE PkgConfig::ALLEGRO)

# The data file's objects, in the order the game indexes them, and the other outputs.
set(TABRIVET_BITMAPS ball.bmp pause.bmp logo.bmp cursor.bmp paddle_left.bmp paddle_right.bmp)
set(TABRIVET_SAMPLES bounce.wav hit.wav)
set(TABRIVET_TUNE music.mid)
set(TABRIVET_ICONS icon-32.png icon-48.png icon-64.png icon-128.png icon-192.png icon-512.png
    icon.xpm tabrivet.ico)
set(asset_outputs)
foreach(name ${TABRIVET_BITMAPS} ${TABRIVET_SAMPLES} ${TABRIVET_TUNE} ${TABRIVET_ICONS})
  list(APPEND asset_outputs ${TABRIVET_ASSET_DIR}/${name})
endforeach()

# Naming the make_assets target in DEPENDS reruns it whenever the program is rebuilt.
add_custom_command(
  OUTPUT ${asset_outputs}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TABRIVET_ASSET_DIR}
  COMMAND make_assets ${TABRIVET_ASSET_DIR}
  DEPENDS make_assets
  COMMENT "Painting and synthesising the game's assets"
  VERBATIM)
# The two packing steps below wait for this target, so that parallel builds never run
# make_assets twice at once.
add_custom_target(tabrivet_assets DEPENDS ${asset_outputs})

# dat adds objects in command-line order when sorting is off (-n0); one run per object
# type so that every type is explicit.  The file is made afresh so that no object of an
# older file survives.
add_custom_command(
  OUTPUT ${TABRIVET_DATA_FILE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TABRIVET_DATA_DIR}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${TABRIVET_DATA_FILE}
  COMMAND ${ALLEGRO_DAT_EXECUTABLE} -n0 -s1 -bpp 16 ${TABRIVET_DATA_FILE} -t BMP -a ${TABRIVET_BITMAPS}
  COMMAND ${ALLEGRO_DAT_EXECUTABLE} -n0 -s1 ${TABRIVET_DATA_FILE} -t SAMP -a ${TABRIVET_SAMPLES}
  COMMAND ${ALLEGRO_DAT_EXECUTABLE} -n0 -s1 ${TABRIVET_DATA_FILE} -t MIDI -a ${TABRIVET_TUNE}
  COMMAND ${ALLEGRO_DAT_EXECUTABLE} -l ${TABRIVET_DATA_FILE}
  WORKING_DIRECTORY ${TABRIVET_ASSET_DIR}
  DEPENDS ${asset_outputs}
  COMMENT "Packing the assets into ${TABRIVET_DATA_FILE}"
  VERBATIM)
add_custom_target(tabrivet_data ALL DEPENDS ${TABRIVET_DATA_FILE})
add_dependencies(tabrivet_data tabrivet_assets)

# Only the instruments the tune sounds and, of each, only the samples its notes reach.
add_executable(make_patches ${CMAKE_CURRENT_LIST_DIR}/make_patches.cpp)
target_link_libraries(make_patches PRIVATE PkgConfig::ALLEGRO)
add_custom_command(
  OUTPUT ${TABRIVET_PATCHES_FILE}
  COMMAND make_patches ${TABRIVET_ASSET_DIR}/${TABRIVET_TUNE} ${FREEPATS_CFG} ${FREEPATS_DIR}
    ${TABRIVET_PATCHES_FILE}
  DEPENDS make_patches ${TABRIVET_ASSET_DIR}/${TABRIVET_TUNE} ${FREEPATS_CFG}
  COMMENT "Collecting the tune's instruments from freepats into ${TABRIVET_PATCHES_FILE}"
  VERBATIM)
add_custom_target(tabrivet_patches ALL DEPENDS ${TABRIVET_PATCHES_FILE})
add_dependencies(tabrivet_patches tabrivet_assets)
