#!/bin/sh
# Cross-build Allegro 4.4.3.1 as a static library for 64-bit Windows.
#
#   dist/windows/build_allegro.sh BUILD_DIR
#
# Fetches Debian's orig tarball of allegro4.4 (hash-checked) with a private
# apt configuration under BUILD_DIR, applies dist/windows/patches/*.patch,
# builds with cmake/mingw-w64-x86_64.cmake and installs into
# BUILD_DIR/allegro, with lib/pkgconfig/allegro.pc for the game's CMake:
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
ORIG=allegro4.4_$VERSION.orig.tar.gz
ORIG_SHA256=ec19dbc9a021244582b4819b3583ee594b50141f9fcf6944a4ed8069cbf8d4d4

[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
mkdir -p "$1"
BUILD_DIR=$(cd "$1" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
TOP=$(cd "$HERE/../.." && pwd)
TOOLCHAIN=$TOP/cmake/mingw-w64-x86_64.cmake
PREFIX=$BUILD_DIR/allegro

# Prints the deb-src entry (deb822) for the machine's main Debian archive.
deb_src_entry() {
    codename=$(sed -n "s/^VERSION_CODENAME=//p" /etc/os-release)
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        # The stanza whose Suites holds the bare codename is the main archive.
        awk -v suite="$codename" '
            /^[ \t]*#/ { next }
            /^[ \t]*$/ { if (ok && uris != "") exit; uris = ""; ok = 0; sb = ""; comp = ""; next }
            $1 == "URIs:"       { uris = $2 }
            $1 == "Components:" { comp = $0; sub(/^Components:[ \t]*/, "", comp) }
            $1 == "Signed-By:"  { sb = $2 }
            $1 == "Suites:"     { for (i = 2; i <= NF; i++) if ($i == suite) ok = 1 }
            END { if (ok && uris != "") {
                    print "Types: deb-src"; print "URIs: " uris
                    print "Suites: " suite; print "Components: " comp
                    if (sb != "") print "Signed-By: " sb; found = 1 }
                  exit !found }' "$f" && return 0
    done
    # One-line format: the first "deb URI codename components" line.
    [ -f /etc/apt/sources.list ] &&
        awk -v suite="$codename" '
            $1 == "deb" { sub(/^deb[ \t]+(\[[^]]*\][ \t]+)?/, "")
                          if ($2 == suite) { uri = $1; $1 = ""; $2 = ""; sub(/^[ \t]+/, "")
                              print "Types: deb-src"; print "URIs: " uri
                              print "Suites: " suite; print "Components: " $0
                              found = 1; exit } }
            END { exit !found }' /etc/apt/sources.list && return 0
    echo "no Debian archive for $codename in the apt sources" >&2
    return 1
}

sha256_of() { sha256sum "$1" | cut -d' ' -f1; }

fetch_orig() {
    if [ -f "$BUILD_DIR/$ORIG" ] && [ "$(sha256_of "$BUILD_DIR/$ORIG")" = "$ORIG_SHA256" ]; then
        return 0
    fi
    apt_dir=$BUILD_DIR/apt
    mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    : > "$apt_dir/sources.list"
    deb_src_entry > "$apt_dir/sources.list.d/debian-src.sources"
    set -- -o Dir::Etc::SourceList="$apt_dir/sources.list" \
           -o Dir::Etc::SourceParts="$apt_dir/sources.list.d" \
           -o Dir::State::Lists="$apt_dir/lists" \
           -o Dir::Cache="$apt_dir/cache"
    apt-get "$@" -q update
    # The line of the orig tarball: 'URI' NAME SIZE SHA256:HASH
    line=$(apt-get "$@" source --print-uris allegro4.4 | grep "^'[^']*/$ORIG' ") ||
        { echo "$ORIG is not in the source archive" >&2; return 1; }
    uri=$(echo "$line" | cut -d"'" -f2)
    sha=$(echo "$line" | sed -n 's/.* SHA256:\([0-9a-f]*\).*/\1/p')
    if [ "$sha" != "$ORIG_SHA256" ]; then
        echo "archive offers $ORIG with sha256 '$sha', expected $ORIG_SHA256" >&2
        return 1
    fi
    # apt-helper checks the hash; keep the file in place only once it matched.
    /usr/lib/apt/apt-helper -o APT::Sandbox::User=root \
        download-file "$uri" "$BUILD_DIR/$ORIG.download" "SHA256:$ORIG_SHA256"
    [ "$(sha256_of "$BUILD_DIR/$ORIG.download")" = "$ORIG_SHA256" ]
    mv "$BUILD_DIR/$ORIG.download" "$BUILD_DIR/$ORIG"
}

# Hash of everything the built library depends on besides the tarball.
build_inputs_hash() {
    cat "$0" "$TOOLCHAIN" "$HERE"/patches/*.patch | sha256sum | cut -d' ' -f1
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
    rm -rf "$src" "$obj" "$PREFIX"
    tar -xzf "$BUILD_DIR/$ORIG" -C "$BUILD_DIR"
    for p in "$HERE"/patches/*.patch; do
        echo "applying $(basename "$p")"
        patch -d "$src" -p1 --no-backup-if-mismatch < "$p"
    done
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
fetch_orig
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$(build_inputs_hash)" ]; then
    echo "Allegro $VERSION already built in $PREFIX"
else
    build
    build_inputs_hash > "$stamp"
    echo "Allegro $VERSION installed in $PREFIX"
fi
