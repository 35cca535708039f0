#!/usr/bin/env bash
# A first build delivers lists that name the starter pictures and the background tunes (recorded);
# a rebuild never overwrites the lists and settings that the user has saved.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
source_dir=$1
artwork=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
draw() {
  QT_QPA_PLATFORM=offscreen "$artwork" "$work" /usr/share/fonts/truetype/andika/Andika-Bold.ttf \
    /usr/share/fonts/truetype/noto/NotoColorEmoji.ttf >/dev/null
  cmake -DSRC="$source_dir/assets" -DDST="$work" -P "$source_dir/cmake/SeedProgramFolder.cmake"
}

draw
for d in Data Image Font/Upper Font/Lower Sound Music Picture; do [ -d "$work/$d" ] || fail "no $d folder"; done
[ ! -e "$work/README.md" ] || fail "the assets README was copied"
pictures=$(tr -d '\r' < "$work/Data/ImageFile.txt" | wc -l)
[ "$pictures" -ge 16 ] || fail "only $pictures starter pictures"
[ "$pictures" = "$(tr -d '\r' < "$work/Data/Image.txt" | wc -l)" ] || fail "the picture lists differ in length"
# Relative to the program folder, so that the folder can be moved or installed anywhere.
while IFS= read -r path; do
  path=${path%$'\r'}
  case "$path" in ./Picture/*) ;; *) fail "not relative to the program folder's Picture folder: $path" ;; esac
  [ -f "$work/$path" ] || fail "the picture list names a missing file: $path"
done < "$work/Data/Image.txt"
tunes=$(tr -d '\r' < "$work/Data/MusicFile.txt" | wc -l)
[ "$tunes" -ge 2 ] || fail "only $tunes background tunes"
while IFS= read -r path; do
  path=${path%$'\r'}
  case "$path" in ./Music/*) ;; *) fail "not relative to the program folder's Music folder: $path" ;; esac
  [ -f "$work/$path" ] || fail "the music list names a missing file: $path"
  [ "$(head -c 4 "$work/$path")" = OggS ] || fail "not an Ogg recording: $path"
done < "$work/Data/Music.txt"
[ -f "$work/Music/chachacha.mid" ] || fail "no welcome tune"
[ -f "$work/Music/chachacha.ogg" ] || fail "no recording of the welcome tune"

printf 'cat.bmp\r\n' > "$work/Data/ImageFile.txt"
printf '/home/ann/cat.bmp\r\n' > "$work/Data/Image.txt"
: > "$work/Data/MusicFile.txt"; : > "$work/Data/Music.txt"
printf '\x0f\x00\x00\x00' > "$work/Data/Timer.dat"
draw
[ "$(hex "$work/Data/ImageFile.txt")" = 6361742e626d700d0a ] || fail "a rebuild overwrote the picture list"
[ "$(cat "$work/Data/Image.txt")" = $'/home/ann/cat.bmp\r' ] || fail "a rebuild overwrote the picture paths"
[ ! -s "$work/Data/MusicFile.txt" ] && [ ! -s "$work/Data/Music.txt" ] || fail "a rebuild overwrote the emptied music list"
[ "$(hex "$work/Data/Timer.dat")" = 0f000000 ] || fail "a rebuild overwrote Timer.dat"
echo "first build: passed"
