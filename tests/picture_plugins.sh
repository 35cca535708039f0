#!/usr/bin/env bash
# Pictures are read by their own format's reader: a BMP or a PNG loads no image plugin, a JPEG only
# the JPEG one; a file whose content is not what its name says is still found out by its content.
set -euo pipefail
source "$(dirname "$0")/e2e/lib.sh"
check=$1
program=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/convert "$program/Image/border.bmp" "$work/border.png"
cp "$work/border.png" "$work/png-named.jpg"
expect() {
  local want=$1; shift
  local out
  out=$("$check" --plugins "$@") || fail "not shown: $out"
  [ "$(tail -n 1 <<<"$out")" = "plugins: $want" ] || fail "$*: $(tail -n 1 <<<"$out"), expected plugins: $want"
  echo "ok: $* -> plugins: $want"
}
expect "" "$program/Image/border.bmp"
expect "" "$work/border.png"
expect "libqjpeg.so" "$program/Picture/cat.jpg"
expect "libqjpeg.so" "$program/Image/border.bmp" "$program/Picture/cat.jpg" "$work/border.png"
out=$("$check" "$work/png-named.jpg") || fail "a PNG named .jpg is not shown: $out"
echo "ok: a PNG named .jpg is shown"
