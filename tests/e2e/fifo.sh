#!/usr/bin/env bash
# A FIFO in place of the picture name list: the start shows an error box instead of waiting for a
# writer, the game is playable after it, and the FIFO is left as it was.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
need_tools xvfb-run openbox xdotool import xprop
if [ -z "${LETTORA_E2E_INNER:-}" ]; then
  run_in_xvfb "$0" "$program" 1024x768
  exit $?
fi

work=$2
cd "$work"
start_window_manager "$work"
rm -f "$program/Data/ImageFile.txt"
mkfifo "$program/Data/ImageFile.txt"

"$program/Lettora" >"$work/lettora.log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
# The error box bears the game's caption but is far smaller than the screen; sets `box`, or ends
# the wait when the program has ended.
error_box() {
  local id
  gone "$pid" && return 0
  for id in $(xdotool search --onlyvisible --name '^Lettora$' 2>/dev/null || true); do
    eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)" || continue
    if [ "$WIDTH" -lt 1000 ]; then box=$id; return 0; fi
  done
  return 1
}
box=
wait_for 20 error_box || fail "no error box within 20 s"
[ -n "$box" ] || fail "the program ended"
wait_window_still 10 "$box" || fail "the error box did not settle"
import -window root "$work/fifo-box.png"
xdotool windowactivate --sync "$box" 2>/dev/null || true
xdotool key Return
wait_for 10 unmapped "$box" || fail "Return did not close the error box"

wait_for 30 shown '^Lettora$' || fail "no game window"
win=$_shown
dismiss_welcome "$win" empty
import -window root "$work/before.png"
type_seen "" cat || fail "typing cat changed nothing"
import -window root "$work/after.png"
[ "$(/usr/bin/compare -metric AE "$work/before.png" "$work/after.png" null: 2>&1 || true)" != 0 ] \
  || fail "typing cat changed nothing"
[ -p "$program/Data/ImageFile.txt" ] || fail "the FIFO was replaced"
[ -n "${LETTORA_E2E_SHOTS:-}" ] && cp "$work"/*.png "$LETTORA_E2E_SHOTS"/
echo "e2e fifo: passed"
