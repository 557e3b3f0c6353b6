#!/bin/bash
# The installed manual page: groff formats it without a warning, man reads it, it sits in
# section 6, and the formatted text tells how the game takes the screen, the keys, where
# screenshots go, what the exit codes mean and how signals end the game.
. "$(dirname "$0")/common.sh"

prefix=$SCRATCH/prefix
install_into "$prefix"
page=$prefix/share/man/man6/tabrivet.6.gz
source=$SCRATCH/tabrivet.6
gzip -dc "$page" >"$source"

check "title line is in section 6" grep -q '^\.TH TABRIVET 6 ' "$source"

# Every groff warning turned on; the page must format without any.
groff -man -Tutf8 -ww -z "$source" >"$SCRATCH/groff.out" 2>&1
status=$?
cat "$SCRATCH/groff.out"
check "groff -ww exits 0" test "$status" = 0
check "groff -ww prints no warning" test ! -s "$SCRATCH/groff.out"
# groff does warn on a bad page (so a silent run above means something).
printf '.TH X 6\n.SH NAME\n.BOGUSMACRO\n\\f(ZZ\n' >"$SCRATCH/bad.6"
check "groff -ww warns about a broken page" bash -c '[ -n "$(groff -man -Tutf8 -ww -z "$1" 2>&1)" ]' _ "$SCRATCH/bad.6"

MANWIDTH=80 man -l "$page" 2>"$SCRATCH/man.err" | col -bx >"$SCRATCH/man.txt"
check "man -l prints nothing on stderr" test ! -s "$SCRATCH/man.err"
cat "$SCRATCH/man.err"

# has_text SECTION PATTERN: the formatted text of the section has a line matching PATTERN.
has_text() {
    awk -v s="$1" '/^[A-Z]/ { on = ($0 == s) } on' "$SCRATCH/man.txt" | grep -qE -- "$2"
}
# has_phrase SECTION WORDS: the section's text, with line breaks and runs of spaces made
# single spaces, contains WORDS.
has_phrase() {
    awk -v s="$1" '/^[A-Z]/ { on = ($0 == s) } on' "$SCRATCH/man.txt" | tr -s ' \n' '  ' | grep -qF -- "$2"
}
for section in NAME SYNOPSIS DESCRIPTION "HOW TO PLAY" FILES ENVIRONMENT "EXIT STATUS" COPYRIGHT; do
    check "section $section present" grep -qx "$section" "$SCRATCH/man.txt"
done
check "NAME line" has_text NAME '^ +tabrivet - arcade table tennis'
for pattern in '^ +1 +Nombre de joueurs' '^ +2 +Difficulte' '^ +3 +Musique' '^ +Enter +Starts a match' '^ +A +Moves the left paddle up' \
               '^ +Z +Moves the left paddle down' '^ +Up, Down' '^ +Space +Serves the ball' \
               '^ +Print Screen$' 'capture\.pcx' '^ +Esc +Opens the pause box' \
               'Quitter' 'Reprendre'; do
    check "how to play: /$pattern/" has_text "HOW TO PLAY" "$pattern"
done
check "levels listed" has_phrase "HOW TO PLAY" 'Facile, Moyen, Difficile or Imbattable, from easy to unbeatable'
check "DESCRIPTION says there is no score limit" has_phrase DESCRIPTION 'There is no score limit'
check "screenshots replace each other" has_phrase "HOW TO PLAY" 'Each screenshot replaces the previous one'
check "DESCRIPTION says the texts are French" has_phrase DESCRIPTION 'Its texts are in French'
check "DESCRIPTION: the whole screen on an X11 desktop" has_phrase DESCRIPTION 'On an X11 desktop it takes the whole screen'
check "DESCRIPTION: a window under Wayland, else the whole screen" \
    has_phrase DESCRIPTION 'it opens a 640×480 window through Xwayland instead, and takes the whole screen when no window can be made'
check "ENVIRONMENT: the Wayland session variables" has_text ENVIRONMENT '^ +WAYLAND_DISPLAY, XDG_SESSION_TYPE$'
check "Musique turns on the music and both sounds" \
    has_phrase "HOW TO PLAY" "Oui turns on together the music of a match and the game's two sounds, the ball's bounce and the paddle hit"
check "unbound paddle keys against the computer" has_phrase "HOW TO PLAY" 'Against the computer these keys do nothing'
check "FILES: screenshot in the per-user folder" has_text FILES '\$XDG_DATA_HOME/tabrivet/capture\.pcx'
check "FILES: default per-user folder" has_text FILES '~/\.local/share/tabrivet/'
check "EXIT STATUS: 0 is quitting from the title screen" has_text "EXIT STATUS" '^ +0 +The +player +quit +from +the +title +screen'
check "EXIT STATUS: 0 also on closing the window" has_phrase "EXIT STATUS" "or closed the game's window"
check "EXIT STATUS: 1 is a start-up failure" has_text "EXIT STATUS" '^ +1 +The +game +could +not +start'
check "EXIT STATUS: the failures listed" has_phrase "EXIT STATUS" 'no display could be opened, the keyboard or mouse driver could not be started, the 640×480 graphics mode could not be set, or the data file is missing or damaged'
check "EXIT STATUS: the launcher's own failures" has_phrase "EXIT STATUS" 'The launcher also ends with status 1'

check "EXIT STATUS: names the data file message" has_phrase "EXIT STATUS" "Error loading 'tabrivet.dat'"
check "EXIT STATUS: 1 when the display goes away" has_phrase "EXIT STATUS" 'The game also ends with status 1 when its display goes away'
check "EXIT STATUS: the quit signals" has_phrase "EXIT STATUS" 'Ctrl+C (SIGINT), kill(1) (SIGTERM) and a hangup (SIGHUP) end the game cleanly'

finish
