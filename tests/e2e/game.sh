#!/usr/bin/env bash
# Starts the built Lettora under Xvfb with openbox, types and clicks letters with real input,
# checks what it shows and the settings files it created, closes it and checks the exit code.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
need_tools xvfb-run openbox xdotool wmctrl import xprop setxkbmap
if [ -z "${LETTORA_E2E_INNER:-}" ]; then
  run_in_xvfb "$0" "$program" 800x600
  exit $?
fi

work=$2
cd "$work"
start_window_manager "$work"

"$program/Lettora" >"$work/lettora.log" 2>&1 &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lettora$' | head -n1) || fail "no game window"
dismiss_welcome "$win" empty

# Borderless and maximized: it covers the whole screen. (A larger screen, where the game draws
# itself larger, is scale.sh's.)
eval "$(xdotool getwindowgeometry --shell "$win")"
[ "$WIDTH" = 800 ] && [ "$HEIGHT" = 600 ] || fail "window is ${WIDTH}x${HEIGHT}, not the whole screen"

# The settings files were created with their defaults, byte for byte.
[ "$(hex "$program/Data/Timer.dat")" = 0a000000 ] || fail "Timer.dat: $(hex "$program/Data/Timer.dat")"
[ "$(hex "$program/Data/Random.dat")" = 00000000 ] || fail "Random.dat: $(hex "$program/Data/Random.dat")"
[ "$(hex "$program/Data/Font.dat")" = 00000000 ] || fail "Font.dat: $(hex "$program/Data/Font.dat")"
for f in ImageFile.txt Image.txt MusicFile.txt Music.txt; do
  [ ! -s "$program/Data/$f" ] || fail "$f is not empty"
done

# The 800 x 600 playing surface, in screen pixels.
ox=$(( (WIDTH - 800) / 2 )); oy=$(( (HEIGHT - 600) / 2 ))
# The answer row's white box, in screen pixels (surface 56..601 x 296..377).
answer_row="545x79+$((ox + 56))+$((oy + 296))"
row() { grab "$work/$1.png" "$answer_row"; }
colours() { /usr/bin/convert "$work/$1.png" -format '%k' info:; }
differing() { pixels_apart "$work/$1.png" "$work/$2.png"; }

row empty
[ "$(colours empty)" -le 2 ] || fail "the answer row is not empty at start"

type_seen "$answer_row" cat || fail "typing cat drew no letters"
row cat
[ "$(colours cat)" -gt 20 ] || fail "typing cat drew no letters"
import -window root "$work/after-cat.png"

# A click on the letter picture "s" (keyboard Left 280, Top 504) adds a fourth letter.
seen "$answer_row" mousemove --window "$win" $((ox + 290)) $((oy + 525)) click 1 || fail "clicking s changed nothing"
row cats
[ "$(differing cat cats)" != 0 ] || fail "clicking s changed nothing"

# Escape empties the row again.
xdotool key Escape
wait_for 10 screen_shows "$work/empty.png" "$answer_row" || fail "Escape did not empty the answer row"
row cleared
[ "$(differing empty cleared)" = 0 ] || fail "Escape did not empty the answer row"

# With a Russian layout the physical keys C, A, T (X key codes 54, 38, 28) type the same letters.
setxkbmap ru
for code in 54 38 28; do
  seen "$answer_row" key "$code" || fail "the key $code on a Russian layout typed nothing"
done
row russian
[ "$(differing cat russian)" = 0 ] || fail "the keys C, A, T on a Russian layout did not type cat"
xdotool key Escape
wait_for 10 screen_shows "$work/empty.png" "$answer_row" || fail "Escape did not empty the answer row on a Russian layout"
row cleared
[ "$(differing empty cleared)" = 0 ] || fail "Escape did not empty the answer row on a Russian layout"
setxkbmap us

# Options: Add two photos from elsewhere on disk with the real file picker, then OK.
mkdir -p "$work/photos"
/usr/bin/convert -size 64x48 xc:tomato "$work/photos/red ball.jpg"
/usr/bin/convert -size 64x48 xc:gold "$work/photos/sun.png"
open_options() {
  xdotool mousemove --window "$win" $((ox + 700)) $((oy + 260)) click 1
  dialog=$(window '^Option$') || fail "no options dialog"
}
press_ok() {
  xdotool mousemove --window "$dialog" 325 340 click 1
  # Both lists must hold entries, else the empty-list warning comes: close it.
  info=$(timeout 10 xdotool search --sync --onlyvisible --name '^Information$' | head -n1) || fail "no empty-list warning"
  xdotool windowactivate --sync "$info" key Return 2>/dev/null || xdotool key Return
  wait_for 5 no_window '^Option$' || fail "OK did not close the options dialog"
  true
}
open_options
xdotool mousemove --window "$dialog" 230 65 click 1
picker=$(window '^Open$') || fail "no file picker"
wait_for 10 active_is "$picker" || fail "the file picker does not have the keyboard"
# The folder typed, its completion shown, then Return opens it and empties the name field.
xdotool type --delay 20 "$work/photos/"
wait_screen_still 10 || fail "the file picker did not settle after the folder was typed"
seen "" key Return || fail "Return did not open the folder in the file picker"
xdotool type --delay 20 '"sun.png" "red ball.jpg"'; xdotool key Return
wait_for 10 no_window '^Open$' || fail "the file picker did not close"
press_ok
[ "$(hex "$program/Data/ImageFile.txt")" = "$(printf 'sun.png\r\nred ball.jpg\r\n' | od -An -tx1 -v | tr -d ' \n')" ] \
  || fail "ImageFile.txt: $(cat -A "$program/Data/ImageFile.txt")"
[ "$(cat "$program/Data/Image.txt")" = "$(printf '%s\r\n%s\r' "$work/photos/sun.png" "$work/photos/red ball.jpg")" ] \
  || fail "Image.txt: $(cat -A "$program/Data/Image.txt")"
[ ! -s "$program/Data/MusicFile.txt" ] || fail "MusicFile.txt is not empty"
cp "$program/Data/ImageFile.txt" "$program/Data/Image.txt" "$work/"

# Close as the window manager asks (the taskbar's close); the program ends with code 0.
close_game() {
  wmctrl -c Lettora
  wait_for 10 gone "$pid" || fail "the program did not end after close"
  set +e; wait "$pid"; code=$?; set -e
  [ "$code" = 0 ] || fail "exit code $code"
  true
}
close_game
[ "$(hex "$program/Data/Timer.dat")" = 0a000000 ] || fail "Timer.dat changed"

# Started again, the lists come back as they were saved: OK writes the same bytes.
"$program/Lettora" >>"$work/lettora.log" 2>&1 &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lettora$' | head -n1) || fail "no game window after restart"
dismiss_welcome "$win" empty
open_options
import -window root "$work/options.png"
press_ok
cmp -s "$program/Data/ImageFile.txt" "$work/ImageFile.txt" || fail "the picture names changed after a restart"
cmp -s "$program/Data/Image.txt" "$work/Image.txt" || fail "the picture paths changed after a restart"
close_game
[ -n "${LETTORA_E2E_SHOTS:-}" ] && cp "$work"/*.png "$LETTORA_E2E_SHOTS"/
echo "e2e game: passed"
