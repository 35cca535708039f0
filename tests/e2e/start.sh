#!/usr/bin/env bash
# Starting the built program: with no display it says so and exits with 1; under Xvfb with
# openbox a second start over the same Data folder brings the running game forward and leaves.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
need_tools xvfb-run openbox xdotool wmctrl xprop
if [ -z "${LETTORA_E2E_INNER:-}" ]; then
  # No display at all, and a display where nothing listens.
  out=$(mktemp); err=$(mktemp)
  trap 'rm -f "$out" "$err"' EXIT
  nothing=$(free_display) || fail "no free X display number"
  for display in unset ":$nothing"; do
    set +e
    if [ "$display" = unset ]; then
      env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 "$program/Lettora" >"$out" 2>"$err"
    else
      env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" timeout 20 "$program/Lettora" >"$out" 2>"$err"
    fi
    code=$?
    set -e
    [ "$code" = 1 ] || fail "DISPLAY $display: exit code $code, expected 1 ($(cat "$err"))"
    [ ! -s "$out" ] || fail "DISPLAY $display: standard output: $(cat "$out")"
    grep -q '^Lettora needs an X11 or Wayland display' "$err" || fail "DISPLAY $display: standard error: $(cat "$err")"
    grep -qi 'reinstall' "$err" && fail "DISPLAY $display: Qt's advice to reinstall: $(cat "$err")"
    echo "ok: DISPLAY $display: $(cat "$err")"
  done
  run_in_xvfb "$0" "$program" 1024x768
  exit $?
fi

work=$2
start_window_manager "$work"

# Started as on a GNOME desktop where Qt's GTK theme is installed (Debian recommends it with Qt).
gtk_theme=$(find /usr/lib -path '*/qt6/plugins/platformthemes/libqgtk3.so' -print -quit)
[ -n "$gtk_theme" ] || fail "Qt's GTK theme (qt6-gtk-platformtheme) is not installed"
XDG_CURRENT_DESKTOP=GNOME "$program/Lettora" >"$work/lettora.log" 2>&1 &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lettora$' | head -n1) || fail "no game window"
welcome=$(timeout 15 xdotool search --sync --onlyvisible --name '^Welcome$' | head -n1) || fail "no welcome screen"
# The game keeps its own look there: neither the theme nor GTK is loaded.
if grep -E 'libqgtk3|libgtk-3' "/proc/$pid/maps" >/dev/null; then
  fail "GTK loaded on a GNOME desktop: $(grep -oE '[^/ ]*(libqgtk3|libgtk-3)[^ ]*' "/proc/$pid/maps" | sort -u | tr '\n' ' ')"
fi
echo "ok: on a GNOME desktop the game loads no GTK"

# Minimized, then started again from the same folder: the second copy leaves at once and the
# running game comes back to the front, still the only one.
xdotool windowminimize --sync "$win"
wait_for 10 sh -c '! xdotool search --onlyvisible --name "^Lettora\$"' || fail "the game window did not go"
set +e
timeout 30 "$program/Lettora" >"$work/second.log" 2>&1
code=$?
set -e
[ "$code" = 0 ] || fail "the second start: exit code $code ($(cat "$work/second.log"))"
wait_for 10 xdotool search --onlyvisible --name '^Lettora$' || fail "the running game did not come back"
windows=$(xdotool search --onlyvisible --name '^Lettora$' | wc -l)
[ "$windows" = 1 ] || fail "$windows game windows after the second start"
[ "$(xdotool getwindowpid "$(xdotool search --onlyvisible --name '^Lettora$')")" = "$pid" ] \
  || fail "the game window is not the first copy's"
kill -0 "$pid" 2>/dev/null || fail "the running game ended"
# The dialog that is up comes above the game window and has the focus.
wait_for 10 sh -c "[ \"\$(xdotool getactivewindow)\" = $welcome ]" \
  || fail "the welcome screen is not the active window ($(xdotool getactivewindow))"
echo "ok: a second start brings the running game forward and leaves"

wmctrl -c Lettora
wait_for 10 gone "$pid" || fail "closing did not end the game"
set +e; wait "$pid"; code=$?; set -e
[ "$code" = 0 ] || fail "closing the game: exit code $code"
echo "e2e start: passed"
