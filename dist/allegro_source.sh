#!/bin/sh
# The Allegro 4.4.3.1 library's own source, for the builds that make it themselves (the
# Windows release, the web page): Debian's orig tarball of allegro4.4, fetched once with a
# private apt configuration and checked against its SHA-256, unpacked afresh with a set of
# patches applied.
#
#   dist/allegro_source.sh BUILD_DIR PATCH_DIR
#
# leaves the patched source in BUILD_DIR/allegro-4.4.3.1 and the tarball in BUILD_DIR,
# where it is reused; a tarball already fetched by another build of this checkout is
# copied rather than fetched again.
set -eu

VERSION=4.4.3.1
ORIG=allegro4.4_$VERSION.orig.tar.gz
ORIG_SHA256=ec19dbc9a021244582b4819b3583ee594b50141f9fcf6944a4ed8069cbf8d4d4

[ $# -eq 2 ] || { echo "usage: $0 BUILD_DIR PATCH_DIR" >&2; exit 2; }
mkdir -p "$1"
BUILD_DIR=$(cd "$1" && pwd)
PATCH_DIR=$(cd "$2" && pwd)
TOP=$(cd "$(dirname "$0")/.." && pwd)

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
    for other in "$TOP"/build-*/"$ORIG"; do
        if [ -f "$other" ] && [ "$(sha256_of "$other")" = "$ORIG_SHA256" ]; then
            cp "$other" "$BUILD_DIR/$ORIG.download"
            mv "$BUILD_DIR/$ORIG.download" "$BUILD_DIR/$ORIG"
            return 0
        fi
    done
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

fetch_orig
src=$BUILD_DIR/allegro-$VERSION
rm -rf "$src"
tar -xzf "$BUILD_DIR/$ORIG" -C "$BUILD_DIR"
for p in "$PATCH_DIR"/*.patch; do
    echo "applying $(basename "$p")"
    patch -d "$src" -p1 --no-backup-if-mismatch < "$p"
done
