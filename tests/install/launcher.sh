#!/bin/bash
# The installed launcher on its own: in a copy of an installed tree whose game program is
# replaced by a recorder, checks the per-user folder, the link to the data file, the
# working directory, the arguments and exit code passed through, the XDG and HOME rules,
# starts through a link and through PATH, and the refusals with their messages.
# (The real game behind the launcher is exercised by e2e.sh.)
. "$(dirname "$0")/common.sh"

prefix=$SCRATCH/prefix
install_into "$prefix"
launcher=$prefix/games/tabrivet
data=$prefix/share/games/tabrivet/tabrivet.dat

# The recorder writes where it ran and with which arguments, then exits with
# RECORDER_EXIT (default 0).
record=$SCRATCH/record
cat >"$prefix/lib/games/tabrivet/tabrivet" <<EOF
#!/bin/sh
{ echo "cwd=\$(pwd -P)"; for a in "\$@"; do echo "arg=\$a"; done; } >"$record"
exit "\${RECORDER_EXIT:-0}"
EOF
chmod +x "$prefix/lib/games/tabrivet/tabrivet"

# run_launcher OUT_PREFIX COMMAND...: runs with a clean environment plus the given
# variables (as env arguments before the command), keeping stdout, stderr and the code.
run_launcher() {
    local out=$1
    shift
    rm -f "$record"
    env -i PATH=/usr/bin:/bin "$@" >"$out.stdout" 2>"$out.stderr"
    echo $? >"$out.code"
}

# --- Start with XDG_DATA_HOME set ---
xdg=$SCRATCH/xdg
run_launcher "$SCRATCH/a" HOME="$SCRATCH/home" XDG_DATA_HOME="$xdg" RECORDER_EXIT=7 "$launcher" --one "two words"
check "exit code of the game is passed through (7)" test "$(cat "$SCRATCH/a.code")" = 7
check "per-user folder created under XDG_DATA_HOME" test -d "$xdg/tabrivet"
check "data link points to the installed data file" test "$(readlink "$xdg/tabrivet/tabrivet.dat")" = "$data"
check "the game ran in the per-user folder" grep -qx "cwd=$xdg/tabrivet" "$record"
check "arguments passed unchanged" same_text "arguments" "$(printf 'arg=--one\narg=two words')" "$(grep '^arg=' "$record")"
check "nothing on stderr on success" test ! -s "$SCRATCH/a.stderr"
check "HOME untouched when XDG_DATA_HOME is set" test ! -e "$SCRATCH/home"

# A second start keeps the folder and its files and renews a stale link.
echo "player file" >"$xdg/tabrivet/capture.pcx"
ln -sfn /nonexistent/tabrivet.dat "$xdg/tabrivet/tabrivet.dat"
run_launcher "$SCRATCH/b" HOME="$SCRATCH/home" XDG_DATA_HOME="$xdg" "$launcher"
check "second start exits 0" test "$(cat "$SCRATCH/b.code")" = 0
check "stale link renewed" test "$(readlink "$xdg/tabrivet/tabrivet.dat")" = "$data"
check "player's files kept" grep -qx "player file" "$xdg/tabrivet/capture.pcx"

# --- Defaults: unset, empty or relative XDG_DATA_HOME means ~/.local/share ---
home=$SCRATCH/home2
mkdir -p "$home"
run_launcher "$SCRATCH/c" HOME="$home" "$launcher"
check "unset XDG_DATA_HOME: exit 0" test "$(cat "$SCRATCH/c.code")" = 0
check "unset XDG_DATA_HOME: runs in ~/.local/share/tabrivet" grep -qx "cwd=$home/.local/share/tabrivet" "$record"
run_launcher "$SCRATCH/d" HOME="$home" XDG_DATA_HOME= "$launcher"
check "empty XDG_DATA_HOME: runs in ~/.local/share/tabrivet" grep -qx "cwd=$home/.local/share/tabrivet" "$record"
mkdir -p "$SCRATCH/cwd"
(cd "$SCRATCH/cwd" && run_launcher "$SCRATCH/e" HOME="$home" XDG_DATA_HOME=relative/dir "$launcher")
check "relative XDG_DATA_HOME ignored" grep -qx "cwd=$home/.local/share/tabrivet" "$record"
check "relative XDG_DATA_HOME: nothing made in the working directory" test ! -e "$SCRATCH/cwd/relative"
run_launcher "$SCRATCH/f" "$launcher"
check "no HOME nor XDG_DATA_HOME: exit 1" test "$(cat "$SCRATCH/f.code")" = 1
check "no HOME nor XDG_DATA_HOME: says why on stderr" grep -q "^tabrivet: .*HOME" "$SCRATCH/f.stderr"
check "no HOME nor XDG_DATA_HOME: game not started" test ! -e "$record"

# --- Started through a link elsewhere, and by name through PATH ---
mkdir -p "$SCRATCH/bin"
ln -s "$launcher" "$SCRATCH/bin/tabrivet"
run_launcher "$SCRATCH/g" HOME="$home" XDG_DATA_HOME="$SCRATCH/xdg-link" "$SCRATCH/bin/tabrivet"
check "through a link: exit 0" test "$(cat "$SCRATCH/g.code")" = 0
check "through a link: finds the installed data" test "$(readlink "$SCRATCH/xdg-link/tabrivet/tabrivet.dat")" = "$data"
rm -f "$record"
env -i PATH="$prefix/games:/usr/bin:/bin" HOME="$home" XDG_DATA_HOME="$SCRATCH/xdg-path" \
    sh -c 'cd / && exec tabrivet' >"$SCRATCH/h.stdout" 2>"$SCRATCH/h.stderr"
check "found on PATH: exit 0" test $? = 0
check "found on PATH: finds the installed data" test "$(readlink "$SCRATCH/xdg-path/tabrivet/tabrivet.dat")" = "$data"

# --- Refusals ---
# Something of the player's named tabrivet.dat is left alone and the game is not started.
mkdir -p "$SCRATCH/xdg-own/tabrivet"
echo mine >"$SCRATCH/xdg-own/tabrivet/tabrivet.dat"
run_launcher "$SCRATCH/i" HOME="$home" XDG_DATA_HOME="$SCRATCH/xdg-own" "$launcher"
check "own tabrivet.dat: exit 1" test "$(cat "$SCRATCH/i.code")" = 1
check "own tabrivet.dat: kept" grep -qx mine "$SCRATCH/xdg-own/tabrivet/tabrivet.dat"
check "own tabrivet.dat: says why" grep -q "^tabrivet: .*tabrivet.dat exists and is not a link" "$SCRATCH/i.stderr"
check "own tabrivet.dat: game not started" test ! -e "$record"

# The per-user folder cannot be made (a file stands in the way).
mkdir -p "$SCRATCH/xdg-blocked"
: >"$SCRATCH/xdg-blocked/tabrivet"
run_launcher "$SCRATCH/j" HOME="$home" XDG_DATA_HOME="$SCRATCH/xdg-blocked" "$launcher"
check "blocked folder: exit 1" test "$(cat "$SCRATCH/j.code")" = 1
check "blocked folder: says why" grep -q "^tabrivet: cannot create the folder" "$SCRATCH/j.stderr"
check "blocked folder: game not started" test ! -e "$record"

# The program is missing.
mv "$prefix/lib/games/tabrivet/tabrivet" "$SCRATCH/recorder"
run_launcher "$SCRATCH/k" HOME="$home" XDG_DATA_HOME="$SCRATCH/xdg-k" "$launcher"
check "no program: exit 1" test "$(cat "$SCRATCH/k.code")" = 1
check "no program: names it on stderr" grep -qF "$prefix/lib/games/tabrivet/tabrivet" "$SCRATCH/k.stderr"
mv "$SCRATCH/recorder" "$prefix/lib/games/tabrivet/tabrivet"

# The data file is missing: a clear message naming it, status 1, no game, no folder.
rm "$data"
run_launcher "$SCRATCH/l" HOME="$home" XDG_DATA_HOME="$SCRATCH/xdg-nodata" "$launcher"
check "no data file: exit 1" test "$(cat "$SCRATCH/l.code")" = 1
check "no data file: message names the missing file" \
    grep -qx "tabrivet: the game's data file is not installed: $data is missing or unreadable; reinstall Tabrivet" "$SCRATCH/l.stderr"
check "no data file: nothing on stdout" test ! -s "$SCRATCH/l.stdout"
check "no data file: game not started" test ! -e "$record"
check "no data file: no per-user folder made" test ! -e "$SCRATCH/xdg-nodata"

finish
