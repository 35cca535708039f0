#!/usr/bin/env bash
# The display switch must not outlive the game. Under a real X server whose display can switch
# (Xorg with the dummy driver, at 1024 x 768), the game switches to 800 x 600 and the size comes
# back after a normal close, SIGTERM, SIGINT, SIGHUP, SIGKILL and a crash.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
[ "$(id -u)" = 0 ] || { echo "SKIP: Xorg with the dummy driver needs root"; exit 77; }
[ -e /usr/lib/xorg/modules/drivers/dummy_drv.so ] || { echo "SKIP: xserver-xorg-video-dummy is not installed"; exit 77; }
need_tools Xorg openbox xdotool wmctrl xdpyinfo

work=$(mktemp -d)
copy_program "$program" "$work/program"
n=$(free_display) || fail "no free X display number"
export DISPLAY=:$n
Xorg "$DISPLAY" -config "$here/xorg-dummy.conf" -noreset -nolisten tcp -novtswitch -sharevts \
  -logfile "$work/xorg.log" >"$work/xorg.out" 2>&1 &
xorg=$!
cleanup() { kill "$xorg" 2>/dev/null || true; wait "$xorg" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
wait_for 30 xdpyinfo || fail "Xorg did not start: $(tail -n 5 "$work/xorg.out")"
start_window_manager "$work"

size() { xdpyinfo | awk '/dimensions:/ { print $2 }'; }
[ "$(size)" = 1024x768 ] || fail "the screen starts at $(size)"

start_game() {
  "$work/program/Lettora" >>"$work/lettora.log" 2>&1 &
  pid=$!
  wait_for 30 sh -c '[ "$(xdpyinfo | awk "/dimensions:/ { print \$2 }")" = 800x600 ]' \
    || fail "the game did not switch to 800x600 (screen at $(size))"
  win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lettora$' | head -n1) || fail "no game window"
  wait_for 10 sh -c "xdotool getwindowgeometry --shell $win | grep -q WIDTH=800"
  eval "$(xdotool getwindowgeometry --shell "$win")"
  [ "$WIDTH" = 800 ] && [ "$HEIGHT" = 600 ] || fail "the window is ${WIDTH}x${HEIGHT}, not the whole 800x600 screen"
}

ended_with() {
  local expected=$1 how=$2 code
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  set +e; wait "$pid"; code=$?; set -e
  [ "$code" = "$expected" ] || fail "$how: exit code $code, expected $expected"
  wait_for 10 sh -c '[ "$(xdpyinfo | awk "/dimensions:/ { print \$2 }")" = 1024x768 ]' \
    || fail "$how: the screen stayed at $(size)"
  echo "ok: $how puts 1024x768 back (exit code $code)"
}

start_game; wmctrl -c Lettora; ended_with 0 "closing the window"
start_game; kill -TERM "$pid"; ended_with 143 "SIGTERM"
start_game; kill -INT "$pid"; ended_with 130 "SIGINT"
start_game; kill -HUP "$pid"; ended_with 129 "SIGHUP"
start_game; kill -KILL "$pid"; ended_with 137 "SIGKILL"
start_game; kill -SEGV "$pid"; ended_with 139 "a crash"

# No watchdog is left behind.
sleep 0.5
pgrep -f "lettora-display-guard :$n " >/dev/null && fail "a watchdog is still running"
echo "e2e display restore: passed"
