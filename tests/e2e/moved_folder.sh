#!/usr/bin/env bash
# The delivered lists name the starter pictures relative to the program folder: a program folder
# copied elsewhere, started from another current folder, shows them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
artwork=$2
need_tools xvfb-run openbox xdotool wmctrl import xprop
if [ -z "${LETTORA_E2E_INNER:-}" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  # Not the e2e copy, which empties the lists: the lists a first build delivers, written anew.
  mkdir -p "$work/moved"
  cp -a "$program/." "$work/moved/Lettora folder"
  rm -f "$work/moved/Lettora folder"/Data/*
  QT_QPA_PLATFORM=offscreen "$artwork" --lists "$work/moved/Lettora folder/Data"
  display=$(free_display) || fail "no free X display number"
  LETTORA_E2E_INNER=1 xvfb-run -n "$display" -s "-screen 0 800x600x24 -nolisten tcp" \
    "$0" "$work/moved/Lettora folder" "$artwork" "$work"
  exit $?
fi

work=$3
[ "$(head -n1 "$program/Data/Image.txt" | tr -d '\r')" = ./Picture/cat.jpg ] \
  || fail "the delivered picture list does not start with ./Picture/cat.jpg: $(head -n1 "$program/Data/Image.txt")"
# The music list is emptied: this test is about the pictures, and has no sound server.
: > "$program/Data/MusicFile.txt"; : > "$program/Data/Music.txt"
start_window_manager "$work"
cd /
start_game
# The picture box (surface 64, 40, 220 x 220), in screen pixels.
picture_box="220x220+$((ox + 64))+$((oy + 40))"
picture() { grab "$work/$1.png" "$picture_box"; }
colours() { /usr/bin/convert "$work/$1.png" -format '%k' info:; }
boxes() { xdotool search --onlyvisible --name '^Lettora$' | wc -l; }
# True when a message came or the picture box no longer shows the picture $1.png.
message_or_not() { [ "$(boxes)" != 1 ] || screen_differs_from "$work/$1.png" "$picture_box"; }
# Waits until a message came or the picture box changed from $1.png and is still.
picture_or_message() { wait_for 10 message_or_not "$1" && wait_screen_still 10 "$picture_box"; }

picture before
xdotool mousemove --window "$win" $((ox + 706)) $((oy + 85)) click 1
picture_or_message before || fail "Start showed neither a picture nor a message"
[ "$(boxes)" = 1 ] || fail "Start showed a message: $(import -window root "$work/box.png"; echo see box.png)"
picture cat
[ "$(/usr/bin/compare -metric AE "$work/before.png" "$work/cat.png" null: 2>&1 || true)" != 0 ] \
  || fail "Start showed no picture"
[ "$(colours cat)" -gt 100 ] || fail "the picture box does not show a picture"
# Its word is the first starter's: cat.
xdotool type --delay 80 cat; xdotool key Return
picture_or_message cat || fail "the answer cat brought neither a picture nor a message"
[ "$(boxes)" = 1 ] || fail "the next picture showed a message"
picture dog
[ "$(/usr/bin/compare -metric AE "$work/cat.png" "$work/dog.png" null: 2>&1 || true)" != 0 ] \
  || fail "the answer cat did not bring the next picture"
wmctrl -c Lettora
wait_for 10 gone "$pid" || fail "the program did not end after close"
echo "e2e moved folder: passed"
