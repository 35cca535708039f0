#!/usr/bin/env bash
# The parents' "Change the screen to 800 x 600" turned off, under a real X server whose display can
# switch (Xorg with the dummy driver, at 1024 x 768): the game leaves the screen's size alone and
# draws itself at 1.28; when the size changes while it runs (800 x 600, then 1024 x 768 again),
# the game and the welcome screen above it follow; closing puts nothing back.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
need_dummy_xorg
need_tools Xorg openbox xdotool wmctrl xdpyinfo xwininfo xrandr import

work=$(mktemp -d)
copy_program "$program" "$work/program"
printf '[Screen]\nChangeScreen=false\n' > "$work/program/Data/Lettora.ini"
start_dummy_xorg "$work"

"$work/program/Lettora" >"$work/lettora.log" 2>&1 &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lettora$' | head -n1) || fail "no game window"
# The game switches the display, where it does, before its window shows; the welcome screen comes later.
window '^Welcome$' 15 >/dev/null || fail "no welcome screen"
[ "$(size)" = 1024x768 ] || fail "the screen was switched to $(size)"

rgb() { /usr/bin/convert "$1" -crop "1x1+$2+$3" -format '%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]' info:; }
near() {
  awk -v a="$1" -v b="$2" 'BEGIN { split(a, p, ","); split(b, q, ","); for (i = 1; i <= 3; i++) { d = p[i] - q[i]; if (d < -24 || d > 24) exit 1 } }'
}
# The Clear picture's body, right of its word and clear of the welcome screen (60, 25 in the
# picture; 732, 537 on the surface).
clear=$(/usr/bin/convert "$program/Image/BtnClear.bmp" -crop 1x1+60+25 \
  -format '%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]' info:)
welcome_size() { xwininfo -name Welcome | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'; }
# True when that point is where the factor $1 puts it and the welcome screen above it, 627 x 444
# at 1, has grown alike.
drawn_at() {
  local x y
  read -r x y < <(scaled "$1" 732 537)
  import -window root "$work/shot.png"
  near "$(rgb "$work/shot.png" "$x" "$y")" "$clear" && [ "$(welcome_size)" = "$(scaled "$1" 627 444 | tr ' ' x)" ]
}
# Waits until the game and the welcome screen are drawn at the factor $1; says what is not.
clear_at() {
  local f=$1 x y
  wait_for 10 drawn_at "$f" && return 0
  read -r x y < <(scaled "$f" 732 537)
  near "$(rgb "$work/shot.png" "$x" "$y")" "$clear" \
    || fail "at $(size), factor $f: $(rgb "$work/shot.png" "$x" "$y") at $x, $y, not the Clear picture's $clear"
  fail "at $(size), factor $f: the welcome screen is $(welcome_size)"
}
wait_for 10 sh -c "xdotool getwindowgeometry --shell $win | grep -q WIDTH=1024"
clear_at 1.28
xrandr -s 800x600
wait_for 10 sh -c "xdotool getwindowgeometry --shell $win | grep -q WIDTH=800"
clear_at 1
xrandr -s 1024x768
wait_for 10 sh -c "xdotool getwindowgeometry --shell $win | grep -q WIDTH=1024"
clear_at 1.28
echo "ok: the game and the welcome screen follow the screen from 1.28 to 1 and back"

wmctrl -c Lettora
wait_for 10 gone "$pid" || fail "the program did not end after close"
set +e; wait "$pid"; code=$?; set -e
[ "$code" = 0 ] || fail "exit code $code"
[ "$(size)" = 1024x768 ] || fail "closing changed the screen to $(size)"
echo "e2e scale follow: passed"
