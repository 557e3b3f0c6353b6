#!/bin/bash
# Desktop integration of an installed tree: the desktop entry passes desktop-file-validate
# and has the game's categories, both languages, a working Exec and the class of the
# game's window; the AppStream metainfo passes appstreamcli (strictly, without network)
# and points at that entry; the icon it names exists in the hicolor theme.
. "$(dirname "$0")/common.sh"

prefix=$SCRATCH/prefix
install_into "$prefix"
desktop=$prefix/share/applications/tabrivet.desktop
metainfo=$prefix/share/metainfo/org.tabrivet.tabrivet.metainfo.xml

# --- Desktop entry ---
desktop-file-validate "$desktop" >"$SCRATCH/dfv.out" 2>&1
status=$?
cat "$SCRATCH/dfv.out"
check "desktop-file-validate exits 0" test "$status" = 0
check "desktop-file-validate reports nothing" test ! -s "$SCRATCH/dfv.out"

categories=$(desktop_value "$desktop" Categories)
check "Categories has Game ($categories)" grep -q '\(^\|;\)Game;' <<<"$categories"
check "Categories has ArcadeGame ($categories)" grep -q '\(^\|;\)ArcadeGame;' <<<"$categories"
check "Type is Application" test "$(desktop_value "$desktop" Type)" = Application
check "English Name" test "$(desktop_value "$desktop" Name)" = Tabrivet
check "French Name" test -n "$(desktop_value "$desktop" 'Name\[fr\]')"
check "English Comment" test -n "$(desktop_value "$desktop" Comment)"
check "French Comment differs from the English one" \
    bash -c '[ -n "$1" ] && [ "$1" != "$2" ]' _ "$(desktop_value "$desktop" 'Comment\[fr\]')" "$(desktop_value "$desktop" Comment)"
exec_path=$(desktop_value "$desktop" Exec)
check "Exec ($exec_path) is the installed, executable launcher" \
    bash -c '[ "$1" = "$2" ] && [ -x "$1" ]' _ "$exec_path" "$prefix/games/tabrivet"
# The game names its X window's class Tabrivet; the desktop ties the window to this entry by it.
check "StartupWMClass is the game window's class, Tabrivet" test "$(desktop_value "$desktop" StartupWMClass)" = Tabrivet
icon=$(desktop_value "$desktop" Icon)
for n in 32 48 64 128; do
    check "Icon '$icon' exists at ${n}x$n" test -f "$prefix/share/icons/hicolor/${n}x$n/apps/$icon.png"
done

# desktop-file-validate does catch a broken entry (so a pass above means something).
sed 's/^Categories=.*/Categories=Game;NotACategory/' "$desktop" >"$SCRATCH/broken.desktop"
check "desktop-file-validate rejects a broken copy" bash -c '! desktop-file-validate "$1" >/dev/null 2>&1' _ "$SCRATCH/broken.desktop"

# --- AppStream metainfo ---
appstreamcli validate --no-net --strict --pedantic "$metainfo" >"$SCRATCH/asv.out" 2>&1
status=$?
cat "$SCRATCH/asv.out"
check "appstreamcli validate --strict passes" test "$status" = 0
check "appstreamcli reports no issue" bash -c '! grep -q "^[EWIP]:" "$1"' _ "$SCRATCH/asv.out"

# The tree as a whole: the metainfo together with the desktop entry and the icons.
appstreamcli validate-tree --no-net "$prefix" >"$SCRATCH/asvt.out" 2>&1
status=$?
cat "$SCRATCH/asvt.out"
check "appstreamcli validate-tree passes" test "$status" = 0

check "metainfo launchable is the installed desktop entry" \
    grep -q '<launchable type="desktop-id">tabrivet.desktop</launchable>' "$metainfo"
check "metainfo id matches its file name" grep -q '<id>org.tabrivet.tabrivet</id>' "$metainfo"
check "metainfo release is the project version" grep -q '<release version="1.4"' "$metainfo"

finish
