#!/bin/sh
# Builds the Windows release from this checkout, with Debian's MinGW-w64 cross compilers
# and Wine: the Allegro library from Debian's source archive with the patches beside this
# script (built once into build-windows/ and reused), then the game, its data files and
# its unit tests, and finally build-windows/tabrivet-<version>-windows.zip.
#
#   dist/windows/build.sh          (./setup.sh test installs what it needs)
#
# The asset program and the unit tests are Windows programs: they run under Wine
# (cmake/mingw-w64-x86_64.cmake says how).
set -eu
cd "$(dirname "$0")/../.."
top=$PWD
out=$top/build-windows

dist/windows/build_allegro.sh "$out"

PKG_CONFIG_LIBDIR="$out/allegro/lib/pkgconfig" cmake -S . -B "$out/game" \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_FIND_ROOT_PATH="$out/allegro" \
    -DCMAKE_BUILD_TYPE=Release
cmake --build "$out/game" -j"$(nproc)"

version=$(sed -n 's/^project(tabrivet VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage=$out/stage
rm -rf "$stage"
cmake --install "$out/game" --prefix "$stage"
# Dated by the latest changelog entry, as the Debian package is, unless a date is given.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(cmake -DCHANGELOG=dist/changelog -P dist/changelog_date.cmake)}
export SOURCE_DATE_EPOCH
python3 dist/pack_zip.py "$out/tabrivet-$version-windows.zip" "$stage" \
    tabrivet.exe tabrivet.dat patches.dat README.txt COPYRIGHT.txt GPL-2.txt ALLEGRO-LICENSE.txt
# Wine's server, which the asset program started, ends with the last program of its prefix.
WINEPREFIX="$out/game/wineprefix" /usr/lib/wine/wineserver64 -w 2>/dev/null || true
echo "Windows release: $out/tabrivet-$version-windows.zip"
