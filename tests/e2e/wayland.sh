#!/usr/bin/env bash
# The game in a Wayland session: a native Wayland client (also where Qt on its own would take
# Xwayland, as it does on GNOME), covering the whole output of a headless Weston. Weston's
# screenshots are read as the screen shows them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
need_tools xvfb-run weston weston-screenshooter
if [ -z "${LETTORA_E2E_INNER:-}" ]; then
  # The Xvfb stands for the session's Xwayland: the game must not use it.
  run_in_xvfb "$0" "$program" 640x480
  exit $?
fi

work=$2
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket=lettora-test
weston --backend=headless-backend.so --socket="$socket" --width=1920 --height=1080 --use-pixman \
  --debug --idle-time=0 --no-config --log="$work/weston.log" >/dev/null 2>&1 &
weston_pid=$!
trap 'kill "$weston_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
wait_for 20 test -S "$XDG_RUNTIME_DIR/$socket" || fail "Weston did not start: $(cat "$work/weston.log")"

WAYLAND_DISPLAY=$socket XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME \
  "$program/Lettora" >"$work/lettora.log" 2>&1 &
pid=$!

# The platform plugin the game loaded.
wait_for 30 grep -q 'libqwayland-generic.so' "/proc/$pid/maps" \
  || fail "not a Wayland client: $(cat "$work/lettora.log")"
grep -q 'libqxcb.so' "/proc/$pid/maps" && fail "the X11 platform was loaded too"
echo "ok: native Wayland client"

pixel() { /usr/bin/convert "$1" -crop "1x1+$2+$3" -format '%[pixel:p{0,0}]' info:; }
# Whatever the playing surface leaves free has the background picture's bottom-right colour.
margin=$(/usr/bin/convert "$program/Image/border.bmp" -gravity SouthEast -crop 1x1+0+0 \
  -format '%[pixel:p{0,0}]' info:)
shots=$work/shots
mkdir "$shots"
shoot() {
  rm -f "$shots"/*.png
  (cd "$shots" && WAYLAND_DISPLAY=$socket weston-screenshooter >/dev/null 2>&1) || return 1
  ls "$shots"/*.png
}
# Full screen: the margin colour reaches every corner of the output (Weston's panel and its
# desktop would show there otherwise).
full_screen() {
  local shot
  shot=$(shoot) || return 1
  cp "$shot" "$work/screen.png"
  for corner in "0 0" "1919 0" "0 1079" "1919 1079"; do
    [ "$(pixel "$shot" $corner)" = "$margin" ] || return 1
  done
}
wait_for 30 full_screen || fail "the game does not cover the output (top left $(pixel "$work/screen.png" 0 0), margin $margin)"
echo "ok: full screen"

kill -TERM "$pid"
set +e
wait "$pid"
code=$?
set -e
[ "$code" = 143 ] || fail "exit code $code after SIGTERM, expected 143: $(cat "$work/lettora.log")"
echo "ok: ended by SIGTERM"
