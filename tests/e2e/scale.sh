#!/usr/bin/env bash
# Where the display cannot switch to 800 x 600 (Xvfb offers one size), the game draws itself at
# the factor that fits the screen: at 1280 x 720, 1920 x 1080 and 3840 x 2160 the playing surface
# fills the screen's height in its middle, with margins in the background's colour, and a whole
# game is won by clicks at the scaled places of Start, the letters and OK.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
need_tools xvfb-run openbox xdotool xdpyinfo wmctrl import
if [ -z "${LETTORA_E2E_INNER:-}" ]; then
  for screen in ${LETTORA_E2E_SCREENS:-1280x720 1920x1080 3840x2160}; do
    ( run_in_xvfb "$0" "$program" "$screen" ) || exit $?
  done
  exit 0
fi

work=$2
cd "$work"
list_starter_pictures "$program" cat dog sun
printf '\x3c\x00\x00\x00' > "$program/Data/Timer.dat"   # a minute a picture: time for the clicks

start_window_manager "$work"
"$program/Lettora" >"$work/lettora.log" 2>&1 &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lettora$' | head -n1) || fail "no game window"
dismiss_welcome "$win" empty

read -r W H < <(xdpyinfo | awk '/dimensions:/ { split($2, s, "x"); print s[1], s[2] }')
f=$(game_scale)
eval "$(xdotool getwindowgeometry --shell "$win")"
[ "$WIDTH" = "$W" ] && [ "$HEIGHT" = "$H" ] || fail "${W}x$H: the window is ${WIDTH}x$HEIGHT, not the whole screen"
# The surface's corner: the window's logical size less 800 x 600, halved, in screen pixels.
read -r ox oy < <(awk -v W="$W" -v H="$H" -v f="$f" 'BEGIN {
  lw = int(W / f + 0.5); lh = int(H / f + 0.5)
  printf "%.2f %.2f\n", int((lw - 800) / 2) * f, int((lh - 600) / 2) * f }')
# A design point of the playing surface, in screen pixels.
at() { awk -v f="$f" -v ox="$ox" -v oy="$oy" -v x="$1" -v y="$2" 'BEGIN { printf "%d %d\n", ox + x * f, oy + y * f }'; }
# A design region ($1 x $2 at $3, $4) of the playing surface, in screen pixels, "WxH+X+Y".
area() { awk -v f="$f" -v ox="$ox" -v oy="$oy" 'BEGIN { printf "%dx%d+%d+%d\n", '"$1"' * f, '"$2"' * f, ox + '"$3"' * f, oy + '"$4"' * f }'; }
picture_box=$(area 220 220 64 40)
# Clicks the design point $1, $2.
click() {
  # shellcheck disable=SC2046
  xdotool mousemove $(at "$1" "$2") click 1
}
pixel() { colour_at "$work/shot.png" "$1" "$2"; }
pixel_at() { pixel $(at "$1" "$2"); }

import -window root "$work/shot.png"
# The margins beside the surface take the colour of the background picture's bottom-right corner.
border=$(colour_at "$program/Image/border.bmp" 799 599)
left=$(pixel 2 $((H / 2))); right=$(pixel $((W - 3)) $((H / 2)))
near "$left" "$border" && near "$right" "$border" || fail "${W}x$H: margins $left and $right, not the background's $border"
# The surface fills the height: the sky of the background picture at its top, the Clear picture
# at its foot, both where the factor puts them; and the background's left edge starts at the corner.
sky=$(colour_at "$program/Image/border.bmp" 400 4)
near "$(pixel_at 400 4)" "$sky" || fail "${W}x$H: the surface's top at $(at 400 4) is $(pixel_at 400 4), not the sky's $sky"
near "$(pixel_at 4 300)" "$(colour_at "$program/Image/border.bmp" 4 300)" \
  || fail "${W}x$H: the surface's left edge is not at $(at 0 300)"
# (The Clear picture's body, left of its word: 6, 25 in the picture.)
clear=$(colour_at "$program/Image/BtnClear.bmp" 6 25)
near "$(pixel_at 678 537)" "$clear" || fail "${W}x$H: the Clear picture at $(at 678 537) is $(pixel_at 678 537), not $clear"
cp "$work/shot.png" "$work/idle-${W}x$H.png"

# A whole game by clicks: Start, then each word's letters on the lower-case keyboard, then OK.
declare -A letter=([a]="70 473" [c]="166 473" [t]="333 524" [d]="212 465" [o]="119 524" [g]="341 473"
                   [s]="294 524" [u]="368 524" [n]="61 524")
grab "$work/idle-picture.png" "$picture_box"
click 706 85   # Start
wait_for 10 screen_differs_from "$work/idle-picture.png" "$picture_box" || fail "${W}x$H: Start showed no picture"
history="$program/Data/Progress.csv"
# Each word's clicks are taken in order (no two at one place, which would make a double click);
# OK's answer is written to the history.
for word in cat dog sun; do
  for ((i = 0; i < ${#word}; i++)); do
    # shellcheck disable=SC2086
    click ${letter[${word:i:1}]}
  done
  click 707 467   # OK
  wait_for 10 grep -q ",$word," "$history" || fail "${W}x$H: OK after $word was not taken: $(cat "$history" 2>/dev/null)"
done
wait_for 10 grep -q ',sun,right,' "$history" || fail "${W}x$H: the game was not won: $(cat "$history" 2>/dev/null)"
got=$(tail -n +2 "$history" | cut -d, -f2,3,5 | tr '\n' ' ')
[ "$got" = "cat,right,cat dog,right,dog sun,right,sun " ] || fail "${W}x$H: the answers were $got"
wait_screen_still 10 || fail "${W}x$H: the screen did not settle after the win"
import -window root "$work/won-${W}x$H.png"

wmctrl -c Lettora 2>/dev/null || kill "$pid"
wait_for 10 gone "$pid" || fail "${W}x$H: the program did not end after close"
set +e; wait "$pid"; code=$?; set -e
[ "$code" = 0 ] || fail "${W}x$H: exit code $code"
[ -n "${LETTORA_E2E_SHOTS:-}" ] && cp "$work"/idle-*.png "$work"/won-*.png "$LETTORA_E2E_SHOTS"/
echo "ok: ${W}x$H at factor $f: the surface fills the screen's height, a game won by clicks"
