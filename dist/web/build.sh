#!/bin/sh
# Builds the web page from this checkout with Debian's Emscripten: the Allegro library's
# source (dist/allegro_source.sh, shared with the Windows release) with the patches beside
# this script and the web platform in dist/web/allegro/, built once into build-web/ and
# reused; the native build's data files and icons (made first in build/ when missing); the
# game and its unit tests as WebAssembly; and finally build-web/tabrivet-<version>-web/ and
# its zip, with index.html at the zip's root. The large icons are made small, and the service
# worker's cache is named by the release and a digest of the files it keeps.
#
#   dist/web/build.sh          (./setup.sh test installs what it needs)
#
# Serve the folder (python3 -m http.server in it) and open index.html.
set -eu
cd "$(dirname "$0")/../.."
top=$PWD
out=$top/build-web
# Emscripten's JavaScript optimiser needs Debian's acorn.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
toolchain=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake
mkdir -p "$out"

# The library, rebuilt only when its inputs change.
inputs_hash() {
    cat "$0" dist/allegro_source.sh dist/web/patches/*.patch \
        $(find dist/web/allegro -type f | LC_ALL=C sort) | sha256sum | cut -d' ' -f1
}
stamp=$out/allegro/.build-inputs
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$(inputs_hash)" ]; then
    echo "Allegro for the web already built in $out/allegro"
else
    # The game's configuration holds the library's flags: it is made again too.
    rm -rf "$out/allegro" "$out/allegro-build" "$out/game/CMakeCache.txt"
    dist/allegro_source.sh "$out" dist/web/patches
    cmake -S dist/web/allegro -B "$out/allegro-build" \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DALLEGRO_SOURCE_DIR="$out/allegro-4.4.3.1" -DCMAKE_INSTALL_PREFIX="$out/allegro"
    cmake --build "$out/allegro-build" -j"$(nproc)"
    cmake --install "$out/allegro-build"
    inputs_hash > "$stamp"
fi

# The data files and icons: the native build's, byte for byte.
if [ ! -f build/patches.dat ] || [ ! -f data/tabrivet.dat ] ||
   [ ! -f build/assets/icon-512.png ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
    cmake --build build -j"$(nproc)" --target tabrivet_data tabrivet_patches
fi

PKG_CONFIG_LIBDIR="$out/allegro/lib/pkgconfig" cmake -S . -B "$out/game" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_FIND_ROOT_PATH="$out/allegro" \
    -DCMAKE_BUILD_TYPE=Release \
    -DTABRIVET_HOST_BUILD="$top/build"
cmake --build "$out/game" -j"$(nproc)"

version=$(sed -n 's/^project(tabrivet VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=tabrivet-$version-web
rm -rf "$out/$name"
cmake --install "$out/game" --prefix "$out/$name"
/usr/bin/python3 dist/web/web_icons.py "$out/$name/icon-192.png" "$out/$name/icon-512.png"
# The files the service worker keeps (its list of FILES, but the folder itself).
cached="index.html tabrivet.js tabrivet.wasm tabrivet.dat patches.dat icon-192.png manifest.json"
digest=$(cd "$out/$name" && cat $cached | sha256sum | cut -c1-12)
sed -i "s/^var RELEASE = \"tabrivet-$version\";\$/var RELEASE = \"tabrivet-$version-$digest\";/" \
    "$out/$name/sw.js"
grep -q "^var RELEASE = \"tabrivet-$version-$digest\";\$" "$out/$name/sw.js"
# Dated by the latest changelog entry, as the other releases are, unless a date is given.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(cmake -DCHANGELOG=dist/changelog -P dist/changelog_date.cmake)}
export SOURCE_DATE_EPOCH
python3 dist/pack_zip.py --at-root "$out/$name.zip" "$out/$name" \
    index.html tabrivet.js tabrivet.wasm tabrivet.dat patches.dat icon-192.png \
    icon-512.png manifest.json sw.js README.txt COPYRIGHT.txt GPL-2.txt ALLEGRO-LICENSE.txt
echo "Web page: $out/$name/ and $out/$name.zip"
