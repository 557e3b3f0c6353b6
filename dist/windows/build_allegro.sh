#!/bin/sh
# Cross-build Allegro 4.4.3.1 as a static library for 64-bit Windows.
#
#   dist/windows/build_allegro.sh BUILD_DIR
#
# Takes the library's source from dist/allegro_source.sh (Debian's orig
# tarball, hash-checked) with dist/windows/patches/*.patch applied, builds
# with cmake/mingw-w64-x86_64.cmake and installs into BUILD_DIR/allegro,
# with lib/pkgconfig/allegro.pc for the game's CMake:
#
#   PKG_CONFIG_LIBDIR=BUILD_DIR/allegro/lib/pkgconfig cmake ...
#
# The tarball and the installed library are reused on later runs; the
# library is built again only when this script, the patches or the
# toolchain file change.
#
# Needs: g++-mingw-w64-x86-64-posix mingw-w64-tools cmake (and wine64 to run
# the result).
set -eu

VERSION=4.4.3.1

[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
mkdir -p "$1"
BUILD_DIR=$(cd "$1" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
TOP=$(cd "$HERE/../.." && pwd)
TOOLCHAIN=$TOP/cmake/mingw-w64-x86_64.cmake
PREFIX=$BUILD_DIR/allegro

# Hash of everything the built library depends on besides the tarball.
build_inputs_hash() {
    cat "$0" "$TOOLCHAIN" "$HERE"/patches/*.patch "$TOP/dist/allegro_source.sh" | sha256sum | cut -d' ' -f1
}

write_pc() {
    mkdir -p "$PREFIX/lib/pkgconfig"
    cat > "$PREFIX/lib/pkgconfig/allegro.pc" <<EOF
prefix=$PREFIX
exec_prefix=\${prefix}
libdir=\${exec_prefix}/lib
includedir=\${prefix}/include

Name: allegro
Description: Allegro game programming library (static, Windows)
Version: $VERSION
Cflags: -I\${includedir} -DALLEGRO_STATICLINK
Libs: -L\${libdir} -lalleg -ldinput -lddraw -ldxguid -lwinmm -ldsound -lkernel32 -luser32 -lgdi32 -lcomdlg32 -lole32
EOF
}

build() {
    src=$BUILD_DIR/allegro-$VERSION
    obj=$BUILD_DIR/allegro-build
    rm -rf "$obj" "$PREFIX"
    "$TOP/dist/allegro_source.sh" "$BUILD_DIR" "$HERE/patches"
    # -ffile-prefix-map keeps the build folder's path out of the objects.
    cmake -S "$src" -B "$obj" \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$PREFIX" \
        -DCMAKE_C_FLAGS="-ffile-prefix-map=$BUILD_DIR=." \
        -DSHARED=OFF \
        -DWANT_EXAMPLES=OFF -DWANT_TOOLS=OFF -DWANT_TESTS=OFF -DWANT_DOCS=OFF \
        -DWANT_ALLEGROGL=OFF -DWANT_LOADPNG=OFF -DWANT_LOGG=OFF -DWANT_JPGALLEG=OFF
    cmake --build "$obj" -j "$(nproc)"
    cmake --install "$obj"
    # The library's licence, which the game's release carries beside the program.
    mkdir -p "$PREFIX/share/doc/allegro"
    cp "$src/docs/txt/license.txt" "$PREFIX/share/doc/allegro/license.txt"
    write_pc
}

stamp=$PREFIX/.build-inputs
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$(build_inputs_hash)" ]; then
    echo "Allegro $VERSION already built in $PREFIX"
else
    build
    build_inputs_hash > "$stamp"
    echo "Allegro $VERSION installed in $PREFIX"
fi
