#!/usr/bin/env bash
# A whole game with real input under Xvfb and openbox: Start, spell each picture's word with
# key presses, see the next picture, win; then Reset, answer wrongly until the lose picture shows.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
need_tools xvfb-run openbox xdotool wmctrl import xprop
if [ -z "${LETTORA_E2E_INNER:-}" ]; then
  run_in_xvfb "$0" "$program" 800x600
  exit $?
fi

work=$2
cd "$work"
# Three pictures of the starter set, in list order.
list_starter_pictures "$program" cat dog sun

start_window_manager "$work"
"$program/Lettora" >"$work/lettora.log" 2>&1 &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lettora$' | head -n1) || fail "no game window"
dismiss_welcome "$win" empty

click() { xdotool mousemove --window "$win" "$1" "$2" click 1; sleep 0.4; }
picture() { import -window root -crop 220x220+64+40 +repage "$work/$1.png"; }
# The result picture at 80, 56, as large as its file.
result() { import -window root -crop "$(/usr/bin/identify -format %wx%h "$program/Image/Win.bmp")+80+56" +repage "$work/$1.png"; }
differing() { /usr/bin/compare -metric AE "$1" "$2" null: 2>&1 || true; }
same_as_file() { /usr/bin/convert "$2" "$work/expected.png"; [ "$(differing "$work/$1.png" "$work/expected.png")" = 0 ]; }

picture idle
click 706 85   # Start
picture first
[ "$(differing "$work/idle.png" "$work/first.png")" != 0 ] || fail "Start showed no picture"
import -window root "$work/playing.png"

xdotool type --delay 60 cat; xdotool key Return; sleep 0.5
picture second
[ "$(differing "$work/first.png" "$work/second.png")" != 0 ] || fail "the right word brought no new picture"
xdotool type --delay 60 dog; xdotool key Return; sleep 0.5
xdotool type --delay 60 SUN; xdotool key Return; sleep 0.5
result won
same_as_file won "$program/Image/Win.bmp" || fail "no win picture after the last word"
import -window root "$work/won.png"

click 706 173  # Reset
click 706 85   # Start
for i in 1 2 3 4 5; do xdotool type --delay 30 zzz; xdotool key Return; sleep 0.3; done
result lost
same_as_file lost "$program/Image/Lose.bmp" || fail "no lose picture after five wrong answers"
import -window root "$work/lost.png"

click 706 339  # Exit
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
set +e; wait "$pid"; code=$?; set -e
[ "$code" = 0 ] || fail "Exit ended the program with code $code"
[ -n "${LETTORA_E2E_SHOTS:-}" ] && cp "$work"/playing.png "$work"/won.png "$work"/lost.png "$LETTORA_E2E_SHOTS"/
echo "e2e play: passed"
