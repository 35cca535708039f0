#!/usr/bin/env bash
# The Debian package: its contents, its dependencies, the desktop entry and AppStream metainfo
# validators, and the installed game run by an ordinary user, whose lists and settings go to a
# Data folder of their own; a copy of the program folder keeps its own Data, and a user folder that
# cannot be made is reported by name.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
build=$1
need_tools cpack dpkg-deb desktop-file-validate appstreamcli Xvfb runuser xdotool
work=$(mktemp -d)
chmod 755 "$work"
trap 'kill ${game:-} "${xvfb:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 || fail "cpack: $(tail -n 3 "$work/cpack.log")"
deb=$(ls "$work"/pkg/lettora_*_amd64.deb 2>/dev/null | head -n1)
[ -f "$deb" ] || fail "no package was built"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libpulse0 libsamplerate0 libasound2 libgstreamer1.0-0 libfluidsynth3 libsndfile1 gstreamer1.0-plugins-bad timgm6mb-soundfont libxrandr2; do
  case "$depends" in *"$needed"*) ;; *) fail "the package does not depend on $needed: $depends" ;; esac
done
# The game runs on any Qt 6 from the one it was built with: no private symbol is linked, and the
# package pins no exact Qt.
case "$depends" in *qt6-base-abi*) fail "the package pins the exact Qt: $depends" ;; esac
grep -Eq 'libqt6gui6 \(>= 6\.' <<<"$depends" || fail "the package does not depend on a Qt 6 GUI library from a version on: $depends"

root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/lettora usr/lib/lettora/Lettora usr/lib/lettora/lettora-display-guard usr/lib/lettora/liblettora-audio-formats.so usr/lib/lettora/installed-for-all-users \
         usr/lib/lettora/Image/border.bmp usr/lib/lettora/Font/Upper/A.bmp usr/lib/lettora/Font/Lower/Z.bmp \
         usr/lib/lettora/Image/BtnStart@2x.bmp usr/lib/lettora/Image/BtnPlay@3x.jpg usr/lib/lettora/Font/Lower/Z@3x.bmp \
         usr/lib/lettora/Sound/Click.wav usr/lib/lettora/Music/chachacha.mid \
         usr/lib/lettora/Music/sunny-steps.ogg \
         usr/lib/lettora/Data/ImageFile.txt usr/lib/lettora/Data/Image.txt \
         usr/lib/lettora/Data/MusicFile.txt usr/lib/lettora/Data/Music.txt \
         usr/share/applications/org.lettora.Lettora.desktop usr/share/metainfo/org.lettora.Lettora.metainfo.xml \
         usr/share/icons/hicolor/48x48/apps/org.lettora.Lettora.png usr/share/icons/hicolor/256x256/apps/org.lettora.Lettora.png; do
  [ -e "$root/$f" ] || fail "the package has no $f"
done
for f in Lettora lettora-display-guard liblettora-audio.so liblettora-audio-formats.so; do
  nm -D --undefined-only "$root/usr/lib/lettora/$f" | grep -q Qt_6_PRIVATE_API \
    && fail "$f links Qt's private API: $(nm -D --undefined-only "$root/usr/lib/lettora/$f" | grep Qt_6_PRIVATE_API | head -n 3)"
done
[ -x "$root/usr/bin/lettora" ] || fail "the launcher is not executable"
grep -q 'lib/lettora/Lettora' "$root/usr/bin/lettora" || fail "the launcher does not start the installed game"
ls "$root"/usr/lib/lettora/Data/*.dat >/dev/null 2>&1 && fail "the package carries settings files"
[ "$(head -n1 "$root/usr/lib/lettora/Data/Image.txt" | tr -d '\r')" = ./Picture/cat.jpg ] \
  || fail "the installed picture list does not name the pictures of the program folder"
[ -f "$root/usr/lib/lettora/Picture/cat.jpg" ] || fail "the package has no starter pictures"
desktop-file-validate "$root/usr/share/applications/org.lettora.Lettora.desktop" | grep -v '^.*: hint:' | grep . \
  && fail "the desktop entry does not validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.lettora.Lettora.metainfo.xml" >"$work/as.log" 2>&1 \
  || fail "the metainfo does not validate: $(cat "$work/as.log")"

if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
  # Every dependency can be had from Debian (a dry run; nothing is installed).
  apt-get install -s "$deb" >"$work/apt.log" 2>&1 || fail "apt cannot install the package: $(tail -n 5 "$work/apt.log")"
  grep -q '^Inst lettora' "$work/apt.log" || fail "apt would not install the package"

  # An ordinary user who cannot write the program folder gets a Data folder of their own.
  display=$(free_display) || fail "no free X display number"
  Xvfb ":$display" -screen 0 800x600x24 -nolisten tcp -ac >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  wait_for 20 sh -c "DISPLAY=:$display xdpyinfo" || fail "Xvfb did not start"
  mkdir -p "$work/home"
  chown nobody "$work/home"
  runuser -u nobody -- env HOME="$work/home" DISPLAY=":$display" XDG_RUNTIME_DIR= \
    timeout 6 "$root/usr/bin/lettora" >"$work/lettora.log" 2>&1 || true
  own="$work/home/.local/share/lettora/Data"
  [ "$(hex "$own/Timer.dat")" = 0a000000 ] || fail "the user's Timer.dat: $(hex "$own/Timer.dat" 2>&1)"
  cmp -s "$own/ImageFile.txt" "$root/usr/lib/lettora/Data/ImageFile.txt" || fail "the user's picture list was not seeded"
  cmp -s "$own/Music.txt" "$root/usr/lib/lettora/Data/Music.txt" || fail "the user's music list was not seeded"
  ls "$root"/usr/lib/lettora/Data/*.dat >/dev/null 2>&1 && fail "the game wrote into the installed Data folder"

  # A copy of the program folder is no installed game: it keeps its own Data, even unwritable.
  cp -a "$root/usr/lib/lettora" "$work/copy"
  rm "$work/copy/installed-for-all-users"
  mkdir -p "$work/home2"
  chown nobody "$work/home2"
  runuser -u nobody -- env HOME="$work/home2" DISPLAY=":$display" XDG_RUNTIME_DIR= \
    timeout 6 "$work/copy/Lettora" >"$work/copy.log" 2>&1 || true
  [ ! -e "$work/home2/.local/share/lettora" ] || fail "a copy of the program folder took a per-user Data folder"

  # Without HOME the user's folder cannot be made: an error box (which names it) comes first,
  # and after its OK the game goes on.
  runuser -u nobody -- env -u HOME -u XDG_DATA_HOME DISPLAY=":$display" XDG_RUNTIME_DIR= \
    "$root/usr/bin/lettora" >"$work/nohome.log" 2>&1 &
  game=$!
  export DISPLAY=":$display"
  box=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lettora$' | head -n1) || fail "no error box without HOME"
  eval "$(xdotool getwindowgeometry --shell "$box")"
  [ "$WIDTH" -lt 800 ] || fail "the game window came up without an error box"
  xdotool windowfocus --sync "$box"
  xdotool key Return
  wait_for 20 sh -c 'xdotool search --onlyvisible --name "^Lettora\$" | grep -vx '"$box" || fail "the game did not go on"
  kill "$game"
fi
echo "package: passed"
