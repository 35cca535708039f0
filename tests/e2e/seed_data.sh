#!/usr/bin/env bash
# The build fills the program folder's Data with empty lists once and never overwrites the
# user's lists and settings on a rebuild.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -DSRC="$source_dir/assets" -DDST="$work" -P "$source_dir/cmake/SeedProgramFolder.cmake"
for f in MusicFile.txt Music.txt; do
  [ -f "$work/Data/$f" ] && [ ! -s "$work/Data/$f" ] || fail "first build: Data/$f is not an empty file"
done
for d in Image Font/Upper Font/Lower Sound Music Picture; do [ -d "$work/$d" ] || fail "no $d folder"; done

printf 'cat.bmp\r\n' > "$work/Data/ImageFile.txt"
printf '\x0f\x00\x00\x00' > "$work/Data/Timer.dat"
rm "$work/Data/Music.txt"
cmake -DSRC="$source_dir/assets" -DDST="$work" -P "$source_dir/cmake/SeedProgramFolder.cmake"
[ "$(hex "$work/Data/ImageFile.txt")" = 6361742e626d700d0a ] || fail "a rebuild overwrote the picture list"
[ "$(hex "$work/Data/Timer.dat")" = 0f000000 ] || fail "a rebuild overwrote Timer.dat"
[ -f "$work/Data/Music.txt" ] || fail "a missing list was not put back"
echo "seed data: passed"
