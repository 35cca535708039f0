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

# Whatever the playing surface leaves free has the background picture's bottom-right colour.
margin=$(colour_at "$program/Image/border.bmp" 799 599)
shots=$work/shots
mkdir "$shots"
shoot() {
  rm -f "$shots"/*.png
  (cd "$shots" && WAYLAND_DISPLAY=$socket weston-screenshooter >/dev/null 2>&1) || return 1
  cp "$shots"/*.png "$work/screen.png"
}
pixel() { colour_at "$work/screen.png" "$1" "$2"; }
# Full screen: the margin colour reaches every corner of the output (Weston's panel and its
# desktop would show there otherwise).
full_screen() {
  shoot || return 1
  for corner in "0 0" "1919 0" "0 1079" "1919 1079"; do
    near "$(pixel $corner)" "$margin" || return 1
  done
}
wait_for 30 full_screen || fail "the game does not cover the output (top left $(pixel 0 0), margin $margin)"
echo "ok: full screen"

# Scaled to the output's height: 1.8 at 1920 x 1080, the surface in the middle (a window of
# 1067 x 600 design pixels, the surface at 133, 0). The background's sky at the top, the Clear
# picture at the foot.
at() { awk -v x="$1" -v y="$2" 'BEGIN { printf "%d %d\n", 133 * 1.8 + x * 1.8, y * 1.8 }'; }
sky=$(colour_at "$program/Image/border.bmp" 400 4)
clear=$(colour_at "$program/Image/BtnClear.bmp" 6 25)
# shellcheck disable=SC2046
near "$(pixel $(at 400 4))" "$sky" || fail "the surface's top at $(at 400 4) is $(pixel $(at 400 4)), not the sky's $sky"
# shellcheck disable=SC2046
near "$(pixel $(at 678 537))" "$clear" || fail "the Clear picture at $(at 678 537) is $(pixel $(at 678 537)), not $clear"
echo "ok: scaled to the output"

# The welcome screen comes in the middle of the game window, above it (a compositor such as this
# one keeps other windows below a full-screen one): its Play picture at its place, a 627 x 444
# screen centred in the 1067 x 600 window.
play=$(colour_at "$program/Image/BtnPlay.jpg" 50 25)
play_at=$(awk 'BEGIN { printf "%d %d\n", (220 + 16 + 50) * 1.8, (78 + 304 + 25) * 1.8 }')
# shellcheck disable=SC2086
welcome_up() { shoot && near "$(pixel $play_at)" "$play"; }
# shellcheck disable=SC2086
wait_for 30 welcome_up || fail "no welcome screen: $(pixel $play_at) at $play_at, not its Play picture's $play"
echo "ok: the welcome screen above the game window"

kill -TERM "$pid"
set +e
wait "$pid"
code=$?
set -e
[ "$code" = 143 ] || fail "exit code $code after SIGTERM, expected 143: $(cat "$work/lettora.log")"
echo "ok: ended by SIGTERM"
