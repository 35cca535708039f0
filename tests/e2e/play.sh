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

# The picture box and the answer row.
picture_box=220x220+64+40
answer_row=545x79+56+296
# A click on the window at $1, $2 that the picture box shows.
click() { seen "$picture_box" mousemove --window "$win" "$1" "$2" click 1; }
picture() { grab "$work/$1.png" "$picture_box"; }
# The result picture at 80, 56, as large as its file.
result() { grab "$work/$1.png" "$(/usr/bin/identify -format %wx%h "$program/Image/Win.bmp")+80+56"; }
differing() { pixels_apart "$1" "$2"; }
same_as_file() { /usr/bin/convert "$2" "$work/expected.png"; [ "$(differing "$work/$1.png" "$work/expected.png")" = 0 ]; }
# True when the result picture is the file $2 (kept as $1.png).
result_is() { result "$1"; same_as_file "$1" "$2"; }

picture idle
click 706 85 || fail "Start showed no picture"
picture first
[ "$(differing "$work/idle.png" "$work/first.png")" != 0 ] || fail "Start showed no picture"
import -window root "$work/playing.png"
grab "$work/empty-row.png" "$answer_row"

# Each right word brings the next picture, the last one the win picture.
xdotool type --delay 60 cat; seen "$picture_box" key Return || fail "the right word brought no new picture"
picture second
[ "$(differing "$work/first.png" "$work/second.png")" != 0 ] || fail "the right word brought no new picture"
xdotool type --delay 60 dog; seen "$picture_box" key Return || fail "the word dog brought no new picture"
xdotool type --delay 60 SUN; xdotool key Return
wait_for 10 result_is won "$program/Image/Win.bmp" || fail "no win picture after the last word"
import -window root "$work/won.png"

click 706 173 || fail "Reset did not take the win picture away"
click 706 85 || fail "Start after Reset showed no picture"
# The first four wrong answers are each taken when the row is emptied; the fifth loses.
for i in 1 2 3 4 5; do
  xdotool type --delay 30 zzz
  wait_for 10 screen_differs_from "$work/empty-row.png" "$answer_row" || fail "wrong answer $i: no letters in the row"
  xdotool key Return
  [ "$i" = 5 ] || wait_for 10 screen_shows "$work/empty-row.png" "$answer_row" \
    || fail "wrong answer $i did not empty the row"
done
wait_for 10 result_is lost "$program/Image/Lose.bmp" || fail "no lose picture after five wrong answers"
import -window root "$work/lost.png"

xdotool mousemove --window "$win" 706 339 click 1  # Exit
wait_for 10 gone "$pid" || fail "Exit did not end the program"
set +e; wait "$pid"; code=$?; set -e
[ "$code" = 0 ] || fail "Exit ended the program with code $code"
[ -n "${LETTORA_E2E_SHOTS:-}" ] && cp "$work"/playing.png "$work"/won.png "$work"/lost.png "$LETTORA_E2E_SHOTS"/
echo "e2e play: passed"
