# A build for web pages (Emscripten): the game as WebAssembly on the library's web
# platform. Its data files are a native build's, byte for byte, since the asset program,
# the library's dat tool and make_patches run on the host (dist/web/build.sh makes that
# build first and names it here).
set(TABRIVET_HOST_BUILD "" CACHE PATH "The native build whose data files the page carries")
set(TABRIVET_ASSET_DIR ${TABRIVET_HOST_BUILD}/assets)
set(TABRIVET_DATA_FILE ${CMAKE_SOURCE_DIR}/data/tabrivet.dat)
set(TABRIVET_PATCHES_FILE ${TABRIVET_HOST_BUILD}/patches.dat)
foreach(file ${TABRIVET_DATA_FILE} ${TABRIVET_PATCHES_FILE} ${TABRIVET_ASSET_DIR}/icon-192.png
             ${TABRIVET_ASSET_DIR}/icon-512.png)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "no ${file}: build the game natively first and give that build as "
      "-DTABRIVET_HOST_BUILD (dist/web/build.sh does both)")
  endif()
endforeach()
add_custom_target(tabrivet_assets)
add_custom_target(tabrivet_data)
add_custom_target(tabrivet_patches)

# The page loads tabrivet.js, which fetches tabrivet.wasm; the page writes the data files
# into the program's file system before it starts, and reads back what the program
# writes. The library's web drivers bring the flags they need (ASYNCIFY, which lets the
# frame loops wait for the browser) through their pkg-config file.
target_link_options(tabrivet PRIVATE
  -sENVIRONMENT=web
  -sALLOW_MEMORY_GROWTH=1
  -sEXIT_RUNTIME=1
  "-sEXPORTED_RUNTIME_METHODS=FS,addRunDependency,removeRunDependency")

# Only the functions that can be on the stack when the program waits for the browser
# (in vsync(), rest() or while the sound starts) are made able to pause and resume: the
# program is then some 40% smaller. A new screen loop, or a new wait in one, goes into
# this list: a function left out would not resume where it waited but run again from its
# start. Names the optimiser has inlined into their callers are reported missing at link
# time and do no harm.
target_link_options(tabrivet PRIVATE "-sASYNCIFY_ONLY=@${CMAKE_SOURCE_DIR}/cmake/web_asyncify.json")
