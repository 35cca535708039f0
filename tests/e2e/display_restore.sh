#!/usr/bin/env bash
# The display switch must not outlive the game. Under a real X server whose display can switch
# (Xorg with the dummy driver, at 1024 x 768), the game switches to 800 x 600 and the display comes
# back exactly as it was (the output's very mode, the screen's size in pixels and millimetres)
# after a normal close, SIGTERM, SIGINT, SIGHUP, SIGKILL and a crash, and after SIGTERM while the
# game's main thread is blocked in a system call (the whole program made by the test helper
# tests/StuckProgram.cpp, then stuck in a read). Two copies over different Data folders leave the
# screen as it was before the first, whichever order they end in. With two monitors only the primary output switches,
# to the 800 x 600 mode nearest its refresh, and the other monitor never changes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
stuck_program=$2
need_dummy_xorg
need_tools Xorg openbox xdotool wmctrl xdpyinfo xrandr

work=$(mktemp -d)
copy_program "$program" "$work/program"
start_dummy_xorg "$work"

[ "$(size)" = 1024x768 ] || fail "the screen starts at $(size)"
xrandr --version | grep -Eq 'Server reports RandR version (1\.[2-9]|[2-9])' || fail "no RandR 1.2 outputs: $(xrandr --version)"
# The screen and the first two outputs as RandR reports them: sizes, positions, mode ids, primary.
layout() { xrandr --verbose | grep -E '^(Screen 0|DUMMY[01] )'; xdpyinfo | grep dimensions:; }
mode_id() { xrandr --verbose | awk -v name="$1" '$1 == name && $2 ~ /^\(0x/ && !found { print $2; found = 1 }'; }
before=$(layout)
is_before() { [ "$(layout)" = "$before" ]; }
grep -q "^DUMMY0 connected primary 1024x768+0+0 $(mode_id 1024x768) " <<<"$before" || fail "unexpected start: $before"

switched() {
  wait_for 30 sh -c '[ "$(xdpyinfo | awk "/dimensions:/ { print \$2 }")" = 800x600 ]' \
    || fail "the game did not switch to 800x600 (screen at $(size))"
}

start_game() {
  local folder=${1:-$work/program}
  "$folder/Lettora" >>"$work/lettora.log" 2>&1 &
  pid=$!
  switched
  win=$(timeout 30 xdotool search --all --sync --onlyvisible --pid "$pid" --name '^Lettora$' | head -n1) || fail "no game window"
  wait_for 10 sh -c "xdotool getwindowgeometry --shell $win | grep -q WIDTH=800"
  eval "$(xdotool getwindowgeometry --shell "$win")"
  [ "$WIDTH" = 800 ] && [ "$HEIGHT" = 600 ] || fail "the window is ${WIDTH}x${HEIGHT}, not the whole 800x600 screen"
}

ended_with() {
  local expected=$1 how=$2 code
  wait_for 10 gone "$pid" || { kill -KILL "$pid"; fail "$how: the game did not end"; }
  set +e; wait "$pid"; code=$?; set -e
  [ "$code" = "$expected" ] || fail "$how: exit code $code, expected $expected"
  wait_for 10 is_before || fail "$how: the display is not back as it was:
$(diff <(echo "$before") <(layout))"
  echo "ok: $how puts the display back as it was (exit code $code)"
}

start_game; wmctrl -c Lettora; ended_with 0 "closing the window"
start_game; kill -TERM "$pid"; ended_with 143 "SIGTERM"
start_game; kill -INT "$pid"; ended_with 130 "SIGINT"
start_game; kill -HUP "$pid"; ended_with 129 "SIGHUP"
start_game; kill -KILL "$pid"; ended_with 137 "SIGKILL"
start_game; kill -SEGV "$pid"; ended_with 139 "a crash"

# The whole program, its main thread blocked for good in a read after the switch (the test helper
# beside the game, so that it finds the game's watchdog): SIGTERM still ends it and puts the display back.
cp "$stuck_program" "$work/program/stuck-program"
"$work/program/stuck-program" "$work/program" >"$work/stuck.out" 2>>"$work/lettora.log" &
pid=$!
switched
wait_for 30 grep -qx stuck "$work/stuck.out" || fail "the helper did not get stuck"
wait_for 10 grep -q pipe_read "/proc/$pid/wchan" || fail "the helper is not blocked in a read: $(cat "/proc/$pid/wchan")"
kill -TERM "$pid"; ended_with 143 "SIGTERM while stuck in a system call"
rm "$work/program/stuck-program"

# Two copies over different Data folders: the second starts at the size the first switched to,
# and must not take it for the size to put back.
copy_program "$program" "$work/other"
for order in first-ends-first second-ends-first; do
  start_game; first=$pid; first_win=$win
  start_game "$work/other"; second=$pid; second_win=$win
  if [ $order = first-ends-first ]; then ends=("$first" "$second"); wins=("$first_win" "$second_win")
  else ends=("$second" "$first"); wins=("$second_win" "$first_win"); fi
  for i in 0 1; do
    pid=${ends[$i]}
    wmctrl -i -c "${wins[$i]}"
    ended_with 0 "two copies, $order: copy $((i + 1)) of 2 closed"
  done
done

# Two monitors: DUMMY0 as before, and DUMMY1 right of it at 1024 x 768 and 75 Hz, the primary one.
# Only DUMMY1 switches, to the 800 x 600 mode at 75 Hz; the screen shrinks just to hold both.
xrandr --newmode 1024x768_75 78.75 1024 1040 1136 1312 768 769 772 800 +hsync +vsync
xrandr --newmode 800x600_75 49.50 800 816 896 1056 600 601 604 625 +hsync +vsync
for mode in 1024x768 1024x768_75 800x600 800x600_75; do xrandr --addmode DUMMY1 "$mode"; done
xrandr --output DUMMY1 --mode 1024x768_75 --right-of DUMMY0 --primary
wait_for 10 sh -c 'xrandr | grep -q "^DUMMY1 connected primary 1024x768+1024+0 "' || fail "no second monitor: $(xrandr)"
before=$(layout)
other=$(grep '^DUMMY0 ' <<<"$before")
primary_switched="^DUMMY1 connected primary 800x600+1024+0 $(mode_id 800x600_75) "
start_primary() {
  "$work/program/Lettora" >>"$work/lettora.log" 2>&1 &
  pid=$!
  wait_for 30 sh -c "xrandr --verbose | grep -q '$primary_switched'" \
    || fail "the primary output did not switch to 800x600 at 75 Hz: $(layout)"
  [ "$(xrandr --verbose | grep '^DUMMY0 ')" = "$other" ] || fail "the other monitor changed: $(layout)"
  [ "$(size)" = 1824x768 ] || fail "the screen is $(size), not just holding both monitors"
  win=$(timeout 30 xdotool search --all --sync --onlyvisible --pid "$pid" --name '^Lettora$' | head -n1) || fail "no game window"
  wait_for 10 sh -c "xdotool getwindowgeometry --shell $win | grep -q WIDTH=800"
  eval "$(xdotool getwindowgeometry --shell "$win")"
  [ "$X,$Y,$WIDTH,$HEIGHT" = 1024,0,800,600 ] || fail "the window is ${WIDTH}x${HEIGHT}+$X+$Y, not the primary monitor"
}
start_primary; wmctrl -c Lettora; ended_with 0 "two monitors, closing the window"
start_primary; kill -TERM "$pid"; ended_with 143 "two monitors, SIGTERM"
start_primary; kill -KILL "$pid"; ended_with 137 "two monitors, SIGKILL"

# No watchdog is left behind.
# (A function: a shell's command line would hold the pattern itself.)
no_watchdog() { ! pgrep -f "lettora-display-guard $DISPLAY " >/dev/null; }
wait_for 10 no_watchdog || fail "a watchdog is still running"
echo "e2e display restore: passed"
