# CMake toolchain file: cross-compile for 64-bit Windows with Debian's
# MinGW-w64 (posix threads flavour), and run target programs with Wine.
#
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ...

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
set(CMAKE_AR ${MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${MINGW_TRIPLET}-ranlib CACHE FILEPATH "")

# Headers and libraries come from the MinGW sysroot and from the roots given with
# -DCMAKE_FIND_ROOT_PATH (the cross-built Allegro); programs come from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The build's Windows programs (the asset program, the unit tests) run under Wine, in a
# Wine prefix of the build's own, quietly, and without the prompt to install Wine's .NET
# and HTML engines, which nothing here uses. Debian's wine64 package installs the 64-bit
# loader but no `wine` wrapper.
find_program(WINE64_LOADER NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(WINE64_LOADER NAMES wine64 wine)
if(WINE64_LOADER)
    set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix
        WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= ${WINE64_LOADER})
endif()
