#!/bin/bash
# The Debian package: CPack builds it into a scratch folder; a second run gives the same
# bytes; its contents are exactly the game's files under /usr with Debian's owners and
# modes, its control fields are right, its dependencies were found from the program,
# nothing in it refers to the build or source tree, its changelog is that of this version,
# lintian finds no error or warning in it, and apt accepts it for installation (simulated:
# nothing is installed).
. "$(dirname "$0")/common.sh"

out=$SCRATCH/cpack
if ! "$CPACK" -G DEB --config "$BUILD_DIR/CPackConfig.cmake" -B "$out" >"$SCRATCH/cpack.log" 2>&1; then
    cat "$SCRATCH/cpack.log" >&2
    echo "FAIL: cpack" >&2
    exit 1
fi
debs=("$out"/tabrivet_*.deb)
check "exactly one package made (${debs[*]##*/})" test "${#debs[@]}" = 1 -a -f "${debs[0]}"
deb=${debs[0]}

# --- The same sources give the same package: made again a second later, byte for byte ---
sleep 1.1
if "$CPACK" -G DEB --config "$BUILD_DIR/CPackConfig.cmake" -B "$SCRATCH/cpack-again" >"$SCRATCH/cpack-again.log" 2>&1; then
    check "a second package of the same build is byte-identical" cmp "$deb" "$SCRATCH/cpack-again/${deb##*/}"
else
    cat "$SCRATCH/cpack-again.log" >&2
    fail "cpack, second run"
fi
arch=$(dpkg --print-architecture)
check "file name is tabrivet_1.4_$arch.deb" test "${deb##*/}" = "tabrivet_1.4_$arch.deb"

# --- Contents: the expected tree under /usr, and nothing else ---
dpkg-deb --contents "$deb" >"$SCRATCH/contents.txt"
echo "dpkg-deb --contents:"
cat "$SCRATCH/contents.txt"
expected=$(printf './usr/\n'; printf '%s\n' "$EXPECTED_TREE" | sed 's|^|./usr/|')
actual=$(awk '{print $6}' "$SCRATCH/contents.txt" | LC_ALL=C sort)
check "package contents are exactly the installed tree under /usr" same_text "package contents" \
    "$(LC_ALL=C sort <<<"$expected")" "$actual"
check "everything belongs to root/root" bash -c '! awk "\$2 != \"root/root\"" "$1" | grep .' _ "$SCRATCH/contents.txt"
check "folders are drwxr-xr-x" bash -c '! awk "\$6 ~ /\\/\$/ && \$1 != \"drwxr-xr-x\"" "$1" | grep .' _ "$SCRATCH/contents.txt"
for exe in ./usr/games/tabrivet ./usr/lib/games/tabrivet/tabrivet; do
    check "$exe is -rwxr-xr-x" bash -c 'awk -v f="$2" "\$6 == f {print \$1}" "$1" | grep -qx -- -rwxr-xr-x' _ "$SCRATCH/contents.txt" "$exe"
done
check "other files are -rw-r--r--" bash -c '! awk "\$6 !~ /\\/\$/ && \$6 != \"./usr/games/tabrivet\" && \$6 != \"./usr/lib/games/tabrivet/tabrivet\" && \$1 != \"-rw-r--r--\"" "$1" | grep .' _ "$SCRATCH/contents.txt"

# --- Control fields ---
field() { dpkg-deb -f "$deb" "$1"; }
dpkg-deb --info "$deb"
check "Package: tabrivet" test "$(field Package)" = tabrivet
check "Version: 1.4" test "$(field Version)" = 1.4
check "Section: games" test "$(field Section)" = games
check "Architecture: $arch" test "$(field Architecture)" = "$arch"
check "Maintainer is 'Name <address>'" grep -qE '^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$' <<<"$(field Maintainer)"
description=$(field Description)
check "Description synopsis" test "$(head -n1 <<<"$description")" = "arcade table tennis against the computer or a friend"
check "Description long text starts with the game's name, not the synopsis again" \
    grep -q '^ Tabrivet is a small arcade table-tennis game' <<<"$(sed -n 2p <<<"$description")"
check "Description long text has several lines" test "$(wc -l <<<"$description")" -ge 5
depends=$(field Depends)
check "Depends found from the program names Allegro ($depends)" grep -q 'liballegro4\.4' <<<"$depends"
check "Depends names the C library ($depends)" grep -q 'libc6 (>= ' <<<"$depends"
check "Recommends x11-utils (xmessage)" test "$(field Recommends)" = x11-utils
check "Installed-Size set" grep -qE '^[0-9]+$' <<<"$(field Installed-Size)"

# --- Nothing of the build machine's trees inside ---
root=$SCRATCH/root
dpkg-deb -x "$deb" "$root"
source_dir=$(cd "$(dirname "$0")/../.." && pwd -P)
build_real=$(cd "$BUILD_DIR" && pwd -P)
for tree in "$source_dir" "$build_real"; do
    check "no file mentions $tree" bash -c '! grep -rlF -- "$1" "$2"' _ "$tree" "$root"
done
game=$root/usr/lib/games/tabrivet/tabrivet
check "program has no RPATH or RUNPATH" bash -c '! readelf -d "$1" | grep -E "RPATH|RUNPATH"' _ "$game"
check "program is stripped (no .symtab)" bash -c '! readelf -S "$1" | grep -q "\.symtab"' _ "$game"
check "desktop entry runs /usr/games/tabrivet" \
    test "$(desktop_value "$root/usr/share/applications/tabrivet.desktop" Exec)" = /usr/games/tabrivet
check "copyright names the FreePats licence" grep -q '^License: GPL-2+ with FreePats exception$' "$root/usr/share/doc/tabrivet/copyright"
check "copyright covers patches.dat" grep -qx 'Files: usr/lib/games/tabrivet/patches.dat' "$root/usr/share/doc/tabrivet/copyright"
check "copyright carries the MIT licence" grep -q 'Permission is hereby granted, free of charge' "$root/usr/share/doc/tabrivet/copyright"
check "GPL version 2 text shipped" grep -q 'GNU GENERAL PUBLIC LICENSE' "$root/usr/share/doc/tabrivet/GPL-2"
page_warnings=$(gzip -dc "$root/usr/share/man/man6/tabrivet.6.gz" | groff -man -Tutf8 -ww -z 2>&1)
check "packaged manual page formats without warnings${page_warnings:+: $page_warnings}" test -z "$page_warnings"

# --- The changelog: its latest entry is this version, and it is dated by that entry ---
changelog=$root/usr/share/doc/tabrivet/changelog.gz
gzip -dc "$changelog" >"$SCRATCH/changelog" 2>/dev/null
changelog_version=$(dpkg-parsechangelog -l "$SCRATCH/changelog" -S Version 2>&1)
check "changelog's latest entry ($changelog_version) is the package's version" \
    test "$changelog_version" = "$(field Version)"
changelog_time=$(dpkg-parsechangelog -l "$SCRATCH/changelog" -S Timestamp 2>&1)
check "packaged changelog.gz has the time of its latest entry ($changelog_time)" \
    test "$(stat -c %Y "$changelog")" = "$changelog_time"

# --- lintian: no error and no warning ---
if command -v lintian >/dev/null 2>&1; then
    lintian --no-cfg --fail-on error,warning "$deb" >"$SCRATCH/lintian.out" 2>&1
    status=$?
    echo "lintian $deb:"
    cat "$SCRATCH/lintian.out"
    check "lintian exits 0 (status $status)" test "$status" = 0
    check "lintian reports no error or warning" bash -c '! grep -E "^[EW]: " "$1"' _ "$SCRATCH/lintian.out"
else
    echo "SKIP: lintian is not installed; the package is not checked against Debian policy"
fi

# --- apt would install it: dependencies resolvable (simulation, nothing changes) ---
if apt-get -s -o Debug::NoLocking=1 install "$deb" >"$SCRATCH/apt.out" 2>&1; then
    check "apt-get -s install lists the package" grep -q '^Inst tabrivet ' "$SCRATCH/apt.out"
else
    cat "$SCRATCH/apt.out" >&2
    fail "apt-get -s install failed"
fi

finish
