#!/usr/bin/env bash
# A parent's own photos with a phone's names, in the real program under Xvfb and openbox: the
# grown-ups' question answered as a parent reads it (from the screen), the photos dropped on the
# parents' corner's picture page from another program, a word typed for each, and the child then
# spells the three words in the game, one picture after the other, to the win picture.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
drag_source=$2
need_tools xvfb-run openbox xdotool wmctrl import xprop tesseract
if [ -z "${LETTORA_E2E_INNER:-}" ]; then
  LETTORA_DRAG_SOURCE=$drag_source run_in_xvfb "$0" "$program" 800x600
  exit $?
fi

work=$2
drag_source=$LETTORA_DRAG_SOURCE
mkdir -p "$work/phone"
photos=()
colours=(red green blue)
i=0
for name in IMG_20261204_1832.jpg PXL_20261205_093012345.jpg DSC01234.jpg; do
  /usr/bin/convert -size 640x480 "xc:${colours[$i]}" "$work/phone/$name"
  photos+=("$work/phone/$name")
  i=$((i + 1))
done


start_window_manager "$work"
start_game
# The sum read off the question as a parent reads it; the Pictures tab found by its word.
open_parents_corner "$win" "$ox" "$oy"
grab "$work/before-tab.png"
click_word "$corner" Pictures || fail "no Pictures tab"
wait_screen_change 10 "$work/before-tab.png" "" 30 || fail "the Pictures tab did not show"

# The photos are dragged from another program and dropped on the grid.
"$drag_source" "${photos[@]}" >"$work/drag.log" 2>&1 &
source_pid=$!
window '^Drag source$' >/dev/null || fail "no drag source"
eval "$(xdotool getwindowgeometry --shell "$corner")"
gx=$((X + 270)); gy=$((Y + 230))
xdotool mousemove 80 60 mousedown 1
wait_for 10 grep -qx dragging "$work/drag.log" || fail "the press started no drag: $(cat "$work/drag.log")"
# Straight onto the grid and on within it: every place the target hears of is on the grid, so the
# drop lands there even where the drag has not yet sent the last place (it sends the next one only
# once the target has answered).
xdotool mousemove $((gx - 20)) $((gy - 20)) mousemove $((gx - 10)) $((gy - 10)) mousemove $gx $gy
wait_for 10 sh -c "tail -n1 '$work/drag.log' | grep -qx taken" || fail "the picture grid did not take the drag: $(cat "$work/drag.log")"
xdotool mouseup 1
wait_for 10 grep -q '^ended' "$work/drag.log" || fail "the drag did not end: $(cat "$work/drag.log")"
# The source hands the photos' names over after its drag has ended: it stays until they are saved.
expected_paths=$(printf '%s\r\n' "${photos[@]}")
wait_for 10 sh -c "[ \"\$(cat '$program/Data/Image.txt')\" = \"\$(printf '%s\r\n' ${photos[*]})\" ]" \
  || fail "the drop did not add the photos: $(cat -A "$program/Data/Image.txt"); the drag: $(cat "$work/drag.log")"
kill "$source_pid" 2>/dev/null || true
import -window "$corner" "$work/dropped.png"

# A word for each: the first picture, then F2 on each, the word, Enter.
xdotool mousemove $gx $gy click 1
xdotool key Home
for word in cake dog sun; do
  seen_in_field "" key F2 || fail "F2 opened no field for the word $word"
  xdotool type --delay 40 "$word"; xdotool key Return
  wait_for 10 grep -q "^$word\.jpg" "$program/Data/ImageFile.txt" || fail "the word $word was not saved: $(cat -A "$program/Data/ImageFile.txt")"
  xdotool key Right
done
wait_screen_still 10 || fail "the picture page did not settle"
import -window "$corner" "$work/words.png"
[ "$(cat "$program/Data/ImageFile.txt")" = "$(printf 'cake.jpg\r\ndog.jpg\r\nsun.jpg\r\n')" ] \
  || fail "the words are not the names: $(cat -A "$program/Data/ImageFile.txt")"
[ "$(cat "$program/Data/Image.txt")" = "$expected_paths" ] || fail "the path list changed"

xdotool key Escape
wait_for 10 no_window "^Parents' corner\$" || fail "the corner did not close"
wait_for 10 active_is "$dialog" || fail "the options dialog did not get the keyboard back"
xdotool mousemove --window "$dialog" 421 340 click 1   # Cancel
wait_for 10 no_window '^Option$' || fail "the options dialog did not close"
xdotool windowactivate --sync "$win" 2>/dev/null || true
wait_for 10 active_is "$win" || fail "the game is not active after the dialogs"
wait_screen_still 10 || fail "the game did not settle after the dialogs"

# The child spells the three words.
picture_box="220x220+$((ox + 64))+$((oy + 40))"
picture() { grab "$work/$1.png" "$picture_box"; }
# Waits (10 s at most) until the picture differs from the one in $1.png and is still; keeps it as $2.png.
new_picture() { wait_screen_change 10 "$work/$1.png" "$picture_box" && picture "$2"; }
picture idle
xdotool mousemove --window "$win" $((ox + 706)) $((oy + 85)) click 1   # Start
new_picture idle first || fail "Start showed no picture"
xdotool type --delay 60 cake; xdotool key Return
new_picture first second || fail "the word cake brought no new picture"
xdotool type --delay 60 dog; xdotool key Return
new_picture second third || fail "the word dog brought no new picture"
xdotool type --delay 60 sun; xdotool key Return
/usr/bin/convert "$program/Image/Win.bmp" "$work/win-expected.png"
wait_for 10 screen_shows "$work/win-expected.png" "$(/usr/bin/identify -format %wx%h "$program/Image/Win.bmp")+$((ox + 80))+$((oy + 56))" \
  || fail "no win picture after the third word"
[ -n "${LETTORA_E2E_KEEP:-}" ] && cp "$work"/*.png "$LETTORA_E2E_KEEP"/

wmctrl -c Lettora
wait_for 10 gone "$pid" || fail "the program did not end after close"
set +e; wait "$pid"; code=$?; set -e
[ "$code" = 0 ] || fail "exit code $code"
echo "ok: photos with a phone's names dropped, given words, and spelled"
