# Shared by the end-to-end tests: a private copy of the program folder and a free X display number.

# A display number whose lock file and socket are free, so that parallel runs on a shared machine
# do not collide.
free_display() {
  local n
  for n in $(shuf -i 120-480 -n 60); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then echo "$n"; return 0; fi
  done
  return 1
}

# Copies the built program folder, without the settings a previous run may have left.
copy_program() {
  local from=$1 to=$2
  cp -a "$from/." "$to/"
  rm -f "$to"/Data/*.dat
  for f in ImageFile.txt Image.txt MusicFile.txt Music.txt; do : > "$to/Data/$f"; done
}

# Makes the picture list of the program folder $1 the starter pictures named next, in that order.
list_starter_pictures() {
  local program=$1 w; shift
  : > "$program/Data/ImageFile.txt"; : > "$program/Data/Image.txt"
  for w in "$@"; do
    printf '%s.jpg\r\n' "$w" >> "$program/Data/ImageFile.txt"
    printf '%s/Picture/%s.jpg\r\n' "$program" "$w" >> "$program/Data/Image.txt"
  done
}

# Waits until the command succeeds, for at most $1 seconds.
wait_for() {
  local seconds=$1; shift
  local end=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
}

# True when the process $1 has ended.
gone() { ! kill -0 "$1" 2>/dev/null; }

# True when no window whose name matches $1 is shown.
no_window() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

# True when the window $1 has the keyboard.
active_is() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }

# Looks at the screen for the waits below: the pictures go to the work folder ($work).
# A look at the whole screen, or at its region $2 ("WxH+X+Y"), into the picture file $1 (its
# format by its name; the waits' own looks are .miff, which is quick to write).
grab() {
  if [ -n "${2:-}" ]; then import -window root -crop "$2" +repage "$1"; else import -window root "$1"; fi
}
# The number of pixels in which the pictures $1 and $2 differ.
pixels_apart() { /usr/bin/compare -metric AE "$1" "$2" null: 2>&1 || true; }
# True when the screen (or its region $2) differs from the picture $1 in more than $3 pixels (0 by
# default; more where a blinking text cursor must not count).
screen_differs_from() {
  grab "$work/look.miff" "${2:-}" || return 1
  # (A large count comes as 1.2e+06.)
  awk -v n="$(pixels_apart "$1" "$work/look.miff")" -v most="${3:-0}" 'BEGIN { exit !(n + 0 > most + 0) }'
}
# True when the screen (or its region $2) is the picture $1, pixel for pixel.
screen_shows() { grab "$work/look.miff" "${2:-}" && [ "$(pixels_apart "$1" "$work/look.miff")" = 0 ]; }
# True when the screen (or its region $1) is as it was at the previous call.
screen_still() {
  local now
  now=$(grab rgb:- "${1:-}" | md5sum)
  [ "$now" = "${_screen_last:-}" ] && { _screen_last=; return 0; }
  _screen_last=$now; return 1
}
# Waits, at most $1 seconds, until the screen (or its region $2) has stopped changing: the same in
# two looks in a row.
wait_screen_still() { _screen_last=; wait_for "$1" screen_still "${2:-}"; }
# Waits, at most $1 seconds, until the screen (or its region $3) differs from the picture $2 (in
# more than $4 pixels) and then stops changing.
wait_screen_change() { wait_for "$1" screen_differs_from "$2" "${3:-}" "${4:-0}" && wait_screen_still "$1" "${3:-}"; }

# Runs xdotool with the arguments after the region $1 ("" for the whole screen) and waits until
# that region shows it: changed (in more pixels than a text cursor's blink, where seen_in_field
# says so), then still.
seen() {
  local region=$1; shift
  grab "$work/unseen.miff" "$region" || return 1
  xdotool "$@"
  wait_screen_change 10 "$work/unseen.miff" "$region" "${cursor_pixels:-0}"
}
# seen, where a text field with a blinking cursor is in the region.
seen_in_field() { cursor_pixels=30 seen "$@"; }
# Types the text $2 a letter at a time, each once the region $1 shows the one before.
type_seen() {
  local region=$1 text=$2 i
  for ((i = 0; i < ${#text}; i++)); do seen "$region" type "${text:i:1}" || return 1; done
}

# True when the window $1 is where, as large and as drawn as at the previous call.
window_still() {
  local now
  now=$(xwininfo -id "$1" 2>/dev/null | grep -E 'Absolute|Width|Height|Map State') || return 1
  # (import waits for good on a window that went while it looks.)
  now+=$(timeout 5 import -window "$1" rgb:- 2>/dev/null | md5sum)
  [ "$now" = "${_window_last:-}" ] && { _window_last=; return 0; }
  _window_last=$now; return 1
}
# Waits, at most $1 seconds, until the window $2 stays put and drawn (the same in two looks in a row).
wait_window_still() { _window_last=; wait_for "$1" window_still "$2"; }
# Prints the id of the shown window whose name matches $1 once it is drawn and in its place (the
# same in two looks in a row), waiting at most $2 seconds (10 by default).
window() {
  wait_for "${2:-10}" shown "$1" || return 1
  wait_window_still "${2:-10}" "$_shown" || return 1
  echo "$_shown"
}
# True when the window $1 is no longer shown.
unmapped() { ! xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
# True when a window whose name matches $1 is shown, its id then in `_shown`. (xdotool's own --sync
# gives up when a window goes while it looks.)
shown() { _shown=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) && [ -n "$_shown" ]; }

# A private PulseAudio with one null sink (named $1, more module arguments in $2) as the default
# output, its socket in XDG_RUNTIME_DIR; false when it does not come up.
start_null_sink() {
  mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
  pulseaudio --daemonize=yes --exit-idle-time=-1 -n --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=$1 ${2:-}" --log-target="file:$XDG_RUNTIME_DIR/pa.log" || return 1
  wait_for 20 pactl info || return 1
  pactl set-default-sink "$1"
}

hex() { od -An -tx1 -v "$1" | tr -d ' \n'; }

fail() { echo "FAIL: $*" >&2; exit 1; }

# Skips the test (exit 77) when a tool it needs is not installed.
need_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
}

# Runs the script ($1) again inside a fresh Xvfb of screen size $3, with a private copy of the
# program folder $2; the inner run gets the copy and a work folder as its arguments.
run_in_xvfb() {
  local script=$1 program=$2 screen=$3 display
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  copy_program "$program" "$work/program"
  display=$(free_display) || fail "no free X display number"
  LETTORA_E2E_INNER=1 xvfb-run -n "$display" -s "-screen 0 ${screen}x24 -nolisten tcp" \
    "$script" "$work/program" "$work"
}

# Skips the test unless Xorg with the dummy driver can run here (as root): the one X server whose
# display really switches its size.
need_dummy_xorg() {
  [ "$(id -u)" = 0 ] || { echo "SKIP: Xorg with the dummy driver needs root"; exit 77; }
  [ -e /usr/lib/xorg/modules/drivers/dummy_drv.so ] || { echo "SKIP: xserver-xorg-video-dummy is not installed"; exit 77; }
}

# Starts Xorg with the dummy driver at 1024 x 768 (tests/e2e/xorg-dummy.conf) on a free display,
# made DISPLAY, with openbox; stopped, and the work folder $1 removed, when the script ends.
start_dummy_xorg() {
  local n
  n=$(free_display) || fail "no free X display number"
  export DISPLAY=:$n
  Xorg "$DISPLAY" -config "$(dirname "${BASH_SOURCE[0]}")/xorg-dummy.conf" -noreset -nolisten tcp -novtswitch \
    -sharevts -logfile "$1/xorg.log" >"$1/xorg.out" 2>&1 &
  xorg=$!
  dummy_work=$1
  trap 'kill "$xorg" 2>/dev/null || true; wait "$xorg" 2>/dev/null || true; rm -rf "$dummy_work"' EXIT
  wait_for 30 xdpyinfo || fail "Xorg did not start: $(tail -n 5 "$1/xorg.out")"
  start_window_manager "$1"
}

# The screen's size, "800x600".
size() { xdpyinfo | awk '/dimensions:/ { print $2 }'; }

# Starts openbox and waits until it manages the screen.
start_window_manager() {
  openbox --sm-disable >"$1/openbox.log" 2>&1 &
  wait_for 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || fail "openbox did not start"
}

# The factor the game draws itself at on this screen, where the display was not switched: the
# 800 x 600 design as large as the screen allows, keeping its shape.
game_scale() {
  xdpyinfo | awk '/dimensions:/ { split($2, s, "x"); f = s[1] / 800; if (s[2] / 600 < f) f = s[2] / 600; print f }'
}

# The colour of the pixel ($2, $3) of the picture file $1, as "r,g,b" from 0 to 255.
colour_at() { /usr/bin/convert "$1" -crop "1x1+$2+$3" -format '%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]' info:; }

# True when the colours $1 and $2 ("r,g,b") are within 24 of each other on every channel.
near() {
  awk -v a="$1" -v b="$2" 'BEGIN { split(a, p, ","); split(b, q, ","); for (i = 1; i <= 3; i++) { d = p[i] - q[i]; if (d < -24 || d > 24) exit 1 } }'
}

# A design point ($2, $3) of a window drawn at the factor $1, in that window's screen pixels.
scaled() { awk -v f="$1" -v x="$2" -v y="$3" 'BEGIN { printf "%d %d\n", x * f + 0.5, y * f + 0.5 }'; }

# The welcome screen comes up about a second after start, above the game window ($1); Play
# (at 16, 304, 100 x 50 in its client area) closes it. With an empty music list ($2 = empty) the
# hand-over says so in an information box, which is closed here too.
dismiss_welcome() {
  local game=$1 music=${2:-} welcome stacking info
  welcome=$(window '^Welcome$' 15) || fail "no welcome screen"
  stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
  local g w i=0 gi=-1 wi=-1
  g=$(printf '0x%x' "$game"); w=$(printf '0x%x' "$welcome")
  for id in $stacking; do
    [ "$((id))" = "$((g))" ] && gi=$i
    [ "$((id))" = "$((w))" ] && wi=$i
    i=$((i + 1))
  done
  [ "$wi" -gt "$gi" ] || fail "the welcome screen is not above the game window ($stacking)"
  # shellcheck disable=SC2046
  xdotool mousemove --window "$welcome" $(scaled "$(game_scale)" 66 329) click 1
  # The box comes from the close itself: the welcome screen goes once it is answered.
  if [ "$music" = empty ]; then
    info=$(timeout 10 xdotool search --sync --onlyvisible --name '^Information$' | head -n1) \
      || fail "no box saying the music list is empty"
    xdotool windowactivate --sync "$info" 2>/dev/null || true
    xdotool key Return
    wait_for 5 no_window '^Information$' || fail "Return did not close the box saying the music list is empty"
  fi
  wait_for 5 no_window '^Welcome$' || fail "Play did not close the welcome screen"
  xdotool windowactivate --sync "$game" 2>/dev/null || true
  # The game drawn again where the welcome screen was.
  wait_screen_still 10 || fail "the screen did not settle after the welcome screen"
}

# Starts the game of $program (its output added to $work/lettora.log), waits for its window and
# closes the welcome screen with Play (and the empty music list's box); sets `pid`, `win` and the
# playing surface's corner in the window, `ox` and `oy`.
start_game() {
  "$program/Lettora" >>"$work/lettora.log" 2>&1 &
  pid=$!
  win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lettora$' | head -n1) || fail "no game window"
  dismiss_welcome "$win" empty
  wait_for 10 active_is "$win" || fail "the game is not active"
  eval "$(xdotool getwindowgeometry --shell "$win")"
  ox=$(( (WIDTH - 800) / 2 )); oy=$(( (HEIGHT - 600) / 2 ))
}

# Reading the screen as a parent does (tesseract; the work folder is $work).
# The words of the screenshot $1 and where they are: "left top width height text" a line.
read_screen() {
  /usr/bin/convert "$1" -resize 300% -colorspace Gray "$work/ocr.png"
  tesseract "$work/ocr.png" - tsv 2>/dev/null | awk -F'\t' 'NR > 1 && $12 != "" { print int($7 / 3), int($8 / 3), int($9 / 3), int($10 / 3), $12 }'
}
# Clicks the word $2 in window $1.
click_word() {
  local x y w h
  import -window "$1" "$work/words.png"
  read -r x y w h _ < <(read_screen "$work/words.png" | awk -v word="$2" '$5 == word' | head -n1) || return 1
  xdotool mousemove --window "$1" $((x + w / 2)) $((y + h / 2)) click 1
}
# Answers the grown-ups' question in window $1 with the sum it shows; a misread sum asks a new one.
answer_question() {
  local sum
  import -window "$1" "$work/gate.png"
  sum=$(read_screen "$work/gate.png" | awk '{ printf "%s ", $5 }' | grep -oE '[0-9]+ ?\+ ?[0-9]+' | head -n1) \
    || fail "the question could not be read"
  xdotool type "$(( ${sum//[ ]/} ))"; xdotool key Return
}
# Opens the parents' corner from the game window $1, its playing surface at $2, $3: Option, then
# "Parents...", then the grown-ups' question answered with the sum it shows. Sets `dialog` (the
# options dialog) and `corner`.
open_parents_corner() {
  local win=$1 ox=$2 oy=$3 gate
  xdotool mousemove --window "$win" $((ox + 700)) $((oy + 260)) click 1
  dialog=$(window '^Option$') || fail "no options dialog"
  xdotool mousemove --window "$dialog" 517 340 click 1   # Parents...
  gate=$(window '^For grown-ups$') || fail "no question"
  for _ in 1 2 3; do
    answer_question "$gate"
    # The right answer closes the question; a misread sum asks a new one, read once it is drawn.
    wait_for 5 unmapped "$gate" && break
    wait_window_still 10 "$gate" || break
  done
  corner=$(window "^Parents' corner\$" 20) || fail "no parents' corner"
}
