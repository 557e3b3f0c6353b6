#!/bin/bash
# The installed game played through its launcher on a private X server:
#  1. a full visit: title screen, Enter into a match, Print Screen leaves capture.pcx in
#     the per-user folder, Esc then Enter back to the title, Esc quits with status 0;
#  2. a damaged installed data file: the game reports "Error loading 'tabrivet.dat'"
#     through xmessage and the launcher ends with the game's status 1.
# xmessage is replaced by a stub first on PATH that records what it was asked to show.
. "$(dirname "$0")/common.sh"

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done

prefix=$SCRATCH/prefix
install_into "$prefix"

stubs=$SCRATCH/stubs
mkdir -p "$stubs"
xmessage_log=$SCRATCH/xmessage.log
cat >"$stubs/xmessage" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>"$xmessage_log"
exit 0
EOF
chmod +x "$stubs/xmessage"

# wait_for SECONDS COMMAND...: polls the command every 0.1 s until it succeeds.
wait_for() {
    local limit=$(( $1 * 10 )) i=0
    shift
    until "$@"; do
        i=$((i + 1))
        [ "$i" -ge "$limit" ] && return 1
        sleep 0.1
    done
}

# A private X server on a free display: Xvfb picks the number and writes it once ready.
# -noreset: the polling xdotool clients come and go, and a server that resets each time
# its last client leaves refuses the game's connection more often on a loaded machine.
xvfb_pid=
start_xvfb() {
    : >"$SCRATCH/display"
    Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset 3>"$SCRATCH/display" \
        >"$SCRATCH/xvfb.log" 2>&1 &
    xvfb_pid=$!
    cleanup_hooks+=("kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null")
    if ! wait_for 30 grep -q '^[0-9][0-9]*$' "$SCRATCH/display"; then
        cat "$SCRATCH/xvfb.log" >&2
        echo "FAIL: Xvfb did not start" >&2
        exit 1
    fi
    export DISPLAY=:$(cat "$SCRATCH/display")
    echo "Xvfb on $DISPLAY"
}

# press KEY: holds the key for 150 ms, longer than the 100 ms a key needs to count.
press() {
    xdotool keydown "$1" && sleep 0.15 && xdotool keyup "$1"
}

# start_game NAME PREFIX: runs the installed launcher in the background with a fresh
# XDG_DATA_HOME, the stub first on PATH, and stdout/stderr kept; sets game_pid.
game_pid=
start_game() {
    local name=$1 root=$2
    mkdir -p "$SCRATCH/$name/home"
    env -i DISPLAY="$DISPLAY" PATH="$stubs:/usr/bin:/bin" HOME="$SCRATCH/$name/home" \
        XDG_DATA_HOME="$SCRATCH/$name/xdg" "$root/games/tabrivet" \
        >"$SCRATCH/$name/stdout" 2>"$SCRATCH/$name/stderr" </dev/null &
    game_pid=$!
}
# Stops a game still running when the script ends; a finished one was reaped by wait_exit.
cleanup_hooks+=('[ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null; [ -n "$game_pid" ] && wait "$game_pid" 2>/dev/null')

# wait_exit SECONDS: waits for the game to end and sets game_status; 1 if it did not end.
game_status=
wait_exit() {
    if ! wait_for "$1" bash -c '! kill -0 "$1" 2>/dev/null' _ "$game_pid"; then
        return 1
    fi
    wait "$game_pid"
    game_status=$?
    game_pid=
}

game_window() {
    xdotool search --onlyvisible --name '.*' 2>/dev/null | head -n1
}

show_logs() {
    local f
    for f in "$SCRATCH/$1/stdout" "$SCRATCH/$1/stderr" "$xmessage_log"; do
        [ -s "$f" ] && { echo "--- $f"; cat "$f"; }
    done
}

start_xvfb

# --- 1. A full visit ---
start_game visit "$prefix"
user_dir=$SCRATCH/visit/xdg/tabrivet
if ! wait_for 30 bash -c '[ -n "$(xdotool search --onlyvisible --name ".*" 2>/dev/null)" ]'; then
    show_logs visit
    fail "no game window within 30 s"
    finish
fi
window=$(game_window)
echo "game window $window: $(xdotool getwindowname "$window" 2>/dev/null)"
timeout 10 xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
xdotool mousemove --window "$window" 5 5

check "per-user folder made" test -d "$user_dir"
check "data link in the per-user folder" test -L "$user_dir/tabrivet.dat"

# The title screen fades in for about half a second before it reads keys. Enter starts
# the match; Print Screen in the match saves the screenshot. Enter does nothing in a
# match, so it is pressed again should the first press have come before the title read
# keys.
sleep 1.5
capture=$user_dir/capture.pcx
tries=0
until [ -f "$capture" ] || [ "$tries" -ge 20 ] || ! kill -0 "$game_pid" 2>/dev/null; do
    tries=$((tries + 1))
    press Return
    sleep 0.5
    press Print
    wait_for 2 test -s "$capture"
done
echo "screenshot after $tries round(s) of Enter and Print Screen"
check "capture.pcx saved in the per-user folder" test -s "$capture"
if [ -s "$capture" ]; then
    # PCX header: manufacturer 10, then Xmin, Ymin, Xmax, Ymax as 16-bit little-endian words.
    header=$(od -An -tu1 -N1 "$capture" | tr -d ' ')
    read -r xmin ymin xmax ymax < <(od -An -tu2 -j4 -N8 --endian=little "$capture")
    check "capture.pcx is a PCX picture" test "$header" = 10
    check "capture.pcx is 640x480 (${xmin},${ymin}-${xmax},${ymax})" \
        test "$xmin $ymin $xmax $ymax" = "0 0 639 479"
fi
check "no screenshot outside the per-user folder" \
    bash -c '[ -z "$(find "$1" "$2" -name capture.pcx)" ]' _ "$prefix" "$SCRATCH/visit/home"

# Esc opens the pause box, Enter leaves the match for the title screen, Esc there quits.
press Escape
sleep 0.7
press Return
sleep 2
check "game still running after leaving the match" bash -c 'kill -0 "$1" 2>/dev/null' _ "$game_pid"
press Escape
if wait_exit 30; then
    check "exit status 0 after Esc on the title screen (got $game_status)" test "$game_status" = 0
else
    show_logs visit
    fail "game still running 30 s after Esc on the title screen"
fi
check "no start-up message shown" test ! -s "$xmessage_log"
check "launcher printed nothing on stderr" bash -c '! grep -q "^tabrivet:" "$1"' _ "$SCRATCH/visit/stderr"

# --- 2. A damaged data file ---
broken=$SCRATCH/broken
install_into "$broken"
head -c 4096 /dev/urandom >"$broken/share/games/tabrivet/tabrivet.dat"
: >"$xmessage_log"
start_game broken "$broken"
if wait_exit 60; then
    check "damaged data: exit status 1 (got $game_status)" test "$game_status" = 1
else
    show_logs broken
    fail "damaged data: game still running after 60 s"
fi
check "damaged data: xmessage shown with Error loading 'tabrivet.dat'" \
    grep -qF "Error loading 'tabrivet.dat'" "$xmessage_log"
[ -s "$xmessage_log" ] && echo "xmessage was asked to show: $(cat "$xmessage_log")"

finish
