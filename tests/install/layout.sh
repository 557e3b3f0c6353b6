#!/bin/bash
# Installs the build into a scratch prefix, then with DESTDIR as a package build does,
# and checks that exactly the expected files land where Debian puts a game's files,
# with the right kinds, modes and contents, and that the installed paths name the prefix.
. "$(dirname "$0")/common.sh"

prefix=$SCRATCH/prefix
install_into "$prefix"

check "installed tree under --prefix" same_text "installed tree" "$EXPECTED_TREE" "$(tree_of "$prefix")"

# Kinds and modes.
check "launcher is an executable shell script" test -x "$prefix/games/tabrivet"
check "launcher starts with #!/bin/sh" test "$(head -n1 "$prefix/games/tabrivet")" = "#!/bin/sh"
check "launcher parses as POSIX sh (dash -n)" dash -n "$prefix/games/tabrivet"
check "game is an executable ELF file" bash -c '[ -x "$1" ] && [ "$(od -An -c -N4 "$1" | tr -d " ")" = "177ELF" ]' _ "$prefix/lib/games/tabrivet/tabrivet"
for f in lib/games/tabrivet/patches.dat share/games/tabrivet/tabrivet.dat \
         share/applications/tabrivet.desktop share/doc/tabrivet/copyright share/doc/tabrivet/GPL-2 \
         share/metainfo/org.tabrivet.tabrivet.metainfo.xml share/man/man6/tabrivet.6.gz \
         share/doc/tabrivet/changelog.gz; do
    check "$f is a non-empty file that is not executable" \
        bash -c '[ -f "$1" ] && [ -s "$1" ] && [ ! -x "$1" ]' _ "$prefix/$f"
done

# The installed data and patches are the built ones, byte for byte.
check "installed data file is the built one" cmp -s "$TABRIVET_DATA_FILE" "$prefix/share/games/tabrivet/tabrivet.dat"
check "installed patches.dat is the built one" cmp -s "$BUILD_DIR/patches.dat" "$prefix/lib/games/tabrivet/patches.dat"
check "the data file starts with the library's packfile magic (slh.)" \
    test "$(od -An -c -N4 "$prefix/share/games/tabrivet/tabrivet.dat" | tr -d ' ')" = "slh."
# The changelog as Debian compresses it (-9, no name or time in the header): the same
# bytes from every install.
check "installed changelog.gz is dist/changelog through gzip -9n" \
    bash -c 'gzip -9 -n -c "$1" | cmp -s - "$2"' _ "$(dirname "$0")/../../dist/changelog" "$prefix/share/doc/tabrivet/changelog.gz"

# Icons: PNG pictures of their folder's size.
for n in 32 48 64 128; do
    icon=$prefix/share/icons/hicolor/${n}x$n/apps/tabrivet.png
    check "icon $n is a ${n}x$n PNG (found: $(png_size "$icon" || echo 'no PNG'))" \
        test "$(png_size "$icon")" = "${n}x$n"
done

# The desktop entry and the manual page name the installed paths of this prefix.
desktop=$prefix/share/applications/tabrivet.desktop
check "desktop Exec is the installed launcher" test "$(desktop_value "$desktop" Exec)" = "$prefix/games/tabrivet"
check "desktop TryExec is the installed launcher" test "$(desktop_value "$desktop" TryExec)" = "$prefix/games/tabrivet"
page=$SCRATCH/tabrivet.6
# (The page's paths carry break points, \:, after their slashes.)
check "manual page is gzip data" bash -c 'gzip -dc "$1" | sed "s/\\\\://g" >"$2"' _ "$prefix/share/man/man6/tabrivet.6.gz" "$page"
check "manual page names the installed data file" grep -qF "$prefix/share/games/tabrivet/tabrivet.dat" "$page"
check "manual page names the installed program" grep -qF "$prefix/lib/games/tabrivet/tabrivet" "$page"
check "manual page has no placeholder left" bash -c '! grep -n "@[A-Z_]*@" "$1" >&2' _ "$page"
check "launcher has no placeholder left" bash -c '! grep -n "@[A-Z_]*@" "$1" >&2' _ "$prefix/games/tabrivet"

# With DESTDIR the tree is put together under it, but the paths inside name the prefix.
destdir=$SCRATCH/stage
install_into /usr "$destdir"
check "installed tree under DESTDIR/usr" same_text "staged tree" "$EXPECTED_TREE" "$(tree_of "$destdir/usr")"
check "nothing outside DESTDIR/usr" same_text "DESTDIR top" "usr/" "$(cd "$destdir" && find . -mindepth 1 -maxdepth 1 -printf '%P/\n')"
check "staged desktop Exec is /usr/games/tabrivet" \
    test "$(desktop_value "$destdir/usr/share/applications/tabrivet.desktop" Exec)" = "/usr/games/tabrivet"
check "staged manual page names /usr/share/games/tabrivet/tabrivet.dat" \
    bash -c 'gzip -dc "$1" | sed "s/\\\\://g" | grep -qxF ".I \\%/usr/share/games/tabrivet/tabrivet.dat"' _ "$destdir/usr/share/man/man6/tabrivet.6.gz"
check "same launcher whatever the prefix" cmp -s "$prefix/games/tabrivet" "$destdir/usr/games/tabrivet"

finish
