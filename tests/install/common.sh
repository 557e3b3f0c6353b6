# Helpers shared by the install tests, sourced by bash scripts that ctest runs as
#   SCRIPT BUILD_DIR CMAKE_COMMAND [CPACK_COMMAND]
# Each script works in a scratch folder of its own, removed on exit.

set -u

BUILD_DIR=$1
CMAKE=$2
CPACK=${3:-}

failures=0
checks=0

# check DESCRIPTION COMMAND...: runs the command and counts a failure if it fails.
check() {
    local what=$1
    shift
    checks=$((checks + 1))
    if "$@"; then
        return 0
    fi
    failures=$((failures + 1))
    echo "FAIL: $what" >&2
    return 1
}

fail() {
    failures=$((failures + 1))
    echo "FAIL: $*" >&2
}

# Ends the script: non-zero when a check failed or when nothing was checked.
finish() {
    echo "$checks checks, $failures failed"
    if [ "$checks" -eq 0 ]; then
        echo "FAIL: no check ran" >&2
        exit 1
    fi
    [ "$failures" -eq 0 ] || exit 1
    exit 0
}

SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/tabrivet-install-test.XXXXXX")
cleanup_hooks=()
cleanup() {
    local hook
    for hook in "${cleanup_hooks[@]}"; do
        eval "$hook"
    done
    rm -rf -- "$SCRATCH"
}
trap cleanup EXIT

# install_into PREFIX [DESTDIR]: installs the build tree; prints the log on failure.
install_into() {
    local prefix=$1 destdir=${2:-} log="$SCRATCH/install.log"
    if ! DESTDIR=$destdir "$CMAKE" --install "$BUILD_DIR" --prefix "$prefix" >"$log" 2>&1; then
        cat "$log" >&2
        echo "FAIL: cmake --install into $destdir$prefix" >&2
        exit 1
    fi
}

# The files and folders an install puts under the prefix, relative to it, sorted; folders
# end with a slash.
EXPECTED_TREE='games/
games/tabrivet
lib/
lib/games/
lib/games/tabrivet/
lib/games/tabrivet/patches.dat
lib/games/tabrivet/tabrivet
share/
share/applications/
share/applications/tabrivet.desktop
share/doc/
share/doc/tabrivet/
share/doc/tabrivet/GPL-2
share/doc/tabrivet/changelog.gz
share/doc/tabrivet/copyright
share/games/
share/games/tabrivet/
share/games/tabrivet/tabrivet.dat
share/icons/
share/icons/hicolor/
share/icons/hicolor/128x128/
share/icons/hicolor/128x128/apps/
share/icons/hicolor/128x128/apps/tabrivet.png
share/icons/hicolor/32x32/
share/icons/hicolor/32x32/apps/
share/icons/hicolor/32x32/apps/tabrivet.png
share/icons/hicolor/48x48/
share/icons/hicolor/48x48/apps/
share/icons/hicolor/48x48/apps/tabrivet.png
share/icons/hicolor/64x64/
share/icons/hicolor/64x64/apps/
share/icons/hicolor/64x64/apps/tabrivet.png
share/man/
share/man/man6/
share/man/man6/tabrivet.6.gz
share/metainfo/
share/metainfo/org.tabrivet.tabrivet.metainfo.xml'

# tree_of DIR: the entries under DIR in the form of EXPECTED_TREE.
tree_of() {
    (cd "$1" && find . -mindepth 1 \( -type d -printf '%P/\n' \) -o -printf '%P\n') | LC_ALL=C sort
}

# same_text WHAT EXPECTED ACTUAL: compares two texts, showing the difference when they differ.
same_text() {
    local what=$1
    if [ "$2" = "$3" ]; then
        return 0
    fi
    echo "$what differs (- expected, + actual):" >&2
    diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") >&2
    return 1
}

# png_size FILE: prints "WIDTHxHEIGHT" read from a PNG's header, or nothing if it is no PNG.
png_size() {
    local sig
    sig=$(od -An -tx1 -N8 "$1" | tr -d ' \n')
    [ "$sig" = 89504e470d0a1a0a ] || return 1
    set -- $(od -An -tu1 -j16 -N8 "$1")
    echo "$(( ($1 << 24) | ($2 << 16) | ($3 << 8) | $4 ))x$(( ($5 << 24) | ($6 << 16) | ($7 << 8) | $8 ))"
}

# desktop_value FILE KEY: the value of KEY in the [Desktop Entry] group.
desktop_value() {
    sed -n '/^\[Desktop Entry\]/,/^\[/{s/^'"$2"'=//p}' "$1"
}
