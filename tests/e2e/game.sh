#!/usr/bin/env bash
# Starts the built Lettora under Xvfb with openbox, types and clicks letters with real input,
# checks what it shows and the settings files it created, closes it and checks the exit code.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
for tool in xvfb-run openbox xdotool wmctrl import xprop; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

if [ -z "${LETTORA_E2E_INNER:-}" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  copy_program "$program" "$work/program"
  display=$(free_display) || fail "no free X display number"
  LETTORA_E2E_INNER=1 xvfb-run -n "$display" -s "-screen 0 1024x768x24 -nolisten tcp" \
    "$0" "$work/program" "$work"
  exit $?
fi

work=$2
cd "$work"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wait_for 20 xprop -root _NET_SUPPORTING_WM_CHECK || fail "openbox did not start"
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || wait_for 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

"$program/Lettora" >"$work/lettora.log" 2>&1 &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lettora$' | head -n1) || fail "no game window"

# Borderless and maximized: it covers the whole screen (Xvfb cannot switch to 800 x 600).
eval "$(xdotool getwindowgeometry --shell "$win")"
[ "$WIDTH" = 1024 ] && [ "$HEIGHT" = 768 ] || fail "window is ${WIDTH}x${HEIGHT}, not the whole screen"

# The settings files were created with their defaults, byte for byte.
[ "$(hex "$program/Data/Timer.dat")" = 0a000000 ] || fail "Timer.dat: $(hex "$program/Data/Timer.dat")"
[ "$(hex "$program/Data/Random.dat")" = 00000000 ] || fail "Random.dat: $(hex "$program/Data/Random.dat")"
[ "$(hex "$program/Data/Font.dat")" = 00000000 ] || fail "Font.dat: $(hex "$program/Data/Font.dat")"
for f in ImageFile.txt Image.txt MusicFile.txt Music.txt; do
  [ ! -s "$program/Data/$f" ] || fail "$f is not empty"
done

# The answer row's white box, in screen pixels (client 56..601 x 296..377).
row() { import -window root -crop 545x79+56+296 +repage "$work/$1.png"; }
colours() { /usr/bin/convert "$work/$1.png" -format '%k' info:; }
differing() { /usr/bin/compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1 || true; }

xdotool windowactivate --sync "$win" || true
sleep 0.3
row empty
[ "$(colours empty)" -le 2 ] || fail "the answer row is not empty at start"

xdotool type --delay 80 cat
sleep 0.5
row cat
[ "$(colours cat)" -gt 20 ] || fail "typing cat drew no letters"
import -window root "$work/after-cat.png"

# A click on the letter picture "s" (keyboard Left 280, Top 504) adds a fourth letter.
xdotool mousemove --window "$win" 290 525 click 1
sleep 0.5
row cats
[ "$(differing cat cats)" != 0 ] || fail "clicking s changed nothing"

# Escape empties the row again.
xdotool key Escape
sleep 0.5
row cleared
[ "$(differing empty cleared)" = 0 ] || fail "Escape did not empty the answer row"

# Close as the window manager asks (the taskbar's close); the program ends with code 0.
wmctrl -c Lettora
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the program did not end after close"
set +e; wait "$pid"; code=$?; set -e
[ "$code" = 0 ] || fail "exit code $code"
[ "$(hex "$program/Data/Timer.dat")" = 0a000000 ] || fail "Timer.dat changed"
echo "e2e game: passed"
