#!/usr/bin/env bash
# Start-up time and memory of Lettora against Tux Typing, KLettres, KHangMan and GCompris, each run
# the same way on one virtual X server with one window manager and a null sound sink; and
# Lettora's idle CPU time, waiting and with music. Medians of RUNS runs (default 7).
#   bench/peers.sh BUILD_DIR [RUNS]
# LETTORA_BENCH_SELECT="Lettora Tux Typing" measures only those ("Bare Qt": a Qt window and nothing
# else, when the target lettora-bare-window is built); LETTORA_BENCH_NO_SOUND_SERVER=1
# runs them with no sound server at all.
# Needs the Debian packages tuxtype klettres khangman qml-module-org-kde-newstuff gcompris-qt
# (besides the test packages).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/e2e/lib.sh"
build=$(cd "$1" && pwd)
runs=${2:-7}
need_tools xvfb-run openbox xdotool import pulseaudio pactl

if [ -z "${LETTORA_BENCH_INNER:-}" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  copy_program "$build/program" "$work/program"
  # The delivered lists: the game starts as a new user's would.
  cp "$build/program/Data/"*.txt "$work/program/Data/"
  export XDG_RUNTIME_DIR="$work/runtime"
  if [ -n "${LETTORA_BENCH_NO_SOUND_SERVER:-}" ]; then
    # No sound server: the programs find none (and start none) and fall back to ALSA.
    export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/none" PULSE_CLIENTCONFIG="$work/client.conf"
    echo "autospawn = no" > "$PULSE_CLIENTCONFIG"
    echo "Without a sound server."
  else
    start_null_sink bench_sink
  fi
  display=$(free_display)
  LETTORA_BENCH_INNER=1 xvfb-run -n "$display" -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$work/program" "$runs" "$build/bench"
  [ -f "$XDG_RUNTIME_DIR/pulse/pid" ] && kill "$(cat "$XDG_RUNTIME_DIR/pulse/pid")" 2>/dev/null
  exit 0
fi

program=$1
runs=$2
bare=$3/lettora-bare-window
# Looks at the screen every 2 ms (cmake --build BUILD_DIR --target lettora-paint-watch); without it,
# ImageMagick's import, 50-80 ms a look.
watch=$3/lettora-paint-watch
export HOME=$(mktemp -d)  # every program starts as for a new user
openbox --sm-disable >/dev/null 2>&1 &
wait_for 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
sleep 0.5

now_ms() { date +%s%3N; }
median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : int((a[NR / 2] + a[NR / 2 + 1]) / 2) }'; }
colours() { import -window root -crop 400x300+312+234 +repage -format '%k' info: 2>/dev/null || echo 0; }
# Resident and proportional kB of a process and its children: "RSS PSS".
tree_mem() {
  local rss=0 pss=0 p r q
  for p in $1 $(pgrep -P "$1" 2>/dev/null); do
    read -r r q < <(awk '/^Rss:/ { r = $2 } /^Pss:/ { q = $2 } END { print r + 0, q + 0 }' "/proc/$p/smaps_rollup" 2>/dev/null || echo 0 0)
    rss=$((rss + r)); pss=$((pss + q))
  done
  echo "$rss $pss"
}
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
stop() { kill "$1" 2>/dev/null; for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done; kill -9 "$1" 2>/dev/null || true; sleep 0.5; }
# Sleeps until $1 seconds after the start at $2 (ms).
until_second() { local left=$(($1 * 1000 - ($(now_ms) - $2))); [ "$left" -le 0 ] || sleep "$(awk -v t="$left" 'BEGIN { print t / 1000 }')"; }
# Lettora's Play on its welcome screen, at the scale the game draws at on this screen.
press_play() {
  local welcome
  welcome=$(timeout 20 xdotool search --sync --onlyvisible --name '^Welcome$' | head -n1) || return 0
  # shellcheck disable=SC2046
  xdotool mousemove --window "$welcome" $(scaled "$(game_scale)" 66 329) click 1
}
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

# Per run: start-up (the start to the middle of the screen painted; for Lettora also its welcome
# screen), memory at 8 s (Lettora's welcome tune playing) and at 30 s (Lettora's background music
# playing since Play at 9 s). The first run is a new user's first start.
measure() {
  local name=$1; shift
  # LETTORA_BENCH_SELECT="Lettora Tux Typing" measures only those.
  if [ -n "${LETTORA_BENCH_SELECT:-}" ] && [[ " $LETTORA_BENCH_SELECT " != *" $name "* ]]; then return 0; fi
  local starts=() welcomes=() r8=() p8=() r30=() p30=() i pid t0 painted shown first_welcome=
  for ((i = 0; i < runs; i++)); do
    painted=
    if [ -x "$watch" ]; then
      # The watch is up and connected before the program starts, and is told the start.
      [ -p "$HOME/t0" ] || mkfifo "$HOME/t0"
      "$watch" - <"$HOME/t0" >"$HOME/painted" &
      local watching=$!
      exec 3>"$HOME/t0"
      t0=$(now_ms)
      "$@" >"$HOME/${name// /_}.log" 2>&1 3>&- &
      pid=$!
      echo "$t0" >&3
      exec 3>&-
      wait "$watching" && painted=$(cat "$HOME/painted")
    else
      t0=$(now_ms)
      "$@" >"$HOME/${name// /_}.log" 2>&1 &
      pid=$!
      for _ in $(seq 600); do
        if [ "$(colours)" -gt 8 ]; then painted=$(($(now_ms) - t0)); break; fi
      done
    fi
    [ -n "$painted" ] || { echo "$name: nothing painted in time: $(tail -n 3 "$HOME/${name// /_}.log")" >&2; stop "$pid"; continue; }
    starts+=("$painted")
    if [ "$name" = Lettora ]; then
      shown=
      if [ -x "$watch" ]; then
        shown=$("$watch" "$t0" Welcome) || shown=
      else
        for _ in $(seq 1000); do
          if xdotool search --onlyvisible --name '^Welcome$' >/dev/null 2>&1; then shown=$(($(now_ms) - t0)); break; fi
        done
      fi
      [ -n "$shown" ] && { [ "$i" = 0 ] && first_welcome=$shown || welcomes+=("$shown"); }
    fi
    until_second 8 "$t0"
    read -r r q < <(tree_mem "$pid"); r8+=("$r"); p8+=("$q")
    if [ "$name" = Lettora ]; then until_second 9 "$t0"; press_play; fi
    until_second 30 "$t0"
    read -r r q < <(tree_mem "$pid"); r30+=("$r"); p30+=("$q")
    stop "$pid"
  done
  printf '%-12s start-up %5s ms   at 8 s %6s MB RSS %6s MB PSS   at 30 s %6s MB RSS %6s MB PSS\n' "$name" \
    "$(printf '%s\n' "${starts[@]}" | median)" \
    "$(mb "$(printf '%s\n' "${r8[@]}" | median)")" "$(mb "$(printf '%s\n' "${p8[@]}" | median)")" \
    "$(mb "$(printf '%s\n' "${r30[@]}" | median)")" "$(mb "$(printf '%s\n' "${p30[@]}" | median)")"
  if [ "$name" = Lettora ] && [ ${#welcomes[@]} -gt 0 ]; then
    echo "Lettora      welcome screen at $(printf '%s\n' "${welcomes[@]}" | median) ms (median of later starts); a new user's first start: ${first_welcome:-?} ms"
  fi
}

echo "Runs: $runs, medians. Start-up: exec to the screen's middle painted. Memory: resident (RSS) and proportional (PSS)."
measure Lettora "$program/Lettora"
[ -n "${LETTORA_BENCH_ONLY_LETTORA:-}" ] && exit 0
# The toolkit's floor: a bare Qt window (cmake --build BUILD_DIR --target lettora-bare-window).
[ -x "$bare" ] && measure "Bare Qt" "$bare"
measure "Tux Typing" /usr/games/tuxtype
measure KLettres /usr/bin/klettres
measure KHangMan /usr/bin/khangman
measure GCompris /usr/games/gcompris-qt

if [ -n "${LETTORA_BENCH_ONLY_STARTUP:-}" ]; then exit 0; fi

# Idle a minute: Lettora with its welcome screen closed and no music (an empty music list), and
# Tux Typing left at its menu; memory at 60 s, and the CPU time each spends waiting.
mkdir -p "$HOME/quiet"
cp -a "$program/." "$HOME/quiet/"
: > "$HOME/quiet/Data/MusicFile.txt"; : > "$HOME/quiet/Data/Music.txt"
t0=$(now_ms)
"$HOME/quiet/Lettora" >/dev/null 2>&1 &
pid=$!
press_play
info=$(timeout 10 xdotool search --sync --onlyvisible --name '^Information$' | head -n1) || true
[ -n "$info" ] && { xdotool windowactivate --sync "$info" key Return 2>/dev/null || xdotool key Return; }
sleep 2
ticks=$(cpu_ticks "$pid")
until_second 60 "$t0"
idle=$(( ($(cpu_ticks "$pid") - ticks) * 1000 / $(getconf CLK_TCK) ))
read -r r q < <(tree_mem "$pid")
echo "Lettora      idle at 60 s (welcome closed, no music): $(mb "$r") MB RSS $(mb "$q") MB PSS; ${idle} ms of CPU since Play"
stop "$pid"
if [ -x /usr/games/tuxtype ] && { [ -z "${LETTORA_BENCH_SELECT:-}" ] || [[ " $LETTORA_BENCH_SELECT " == *" Tux Typing "* ]]; }; then
  t0=$(now_ms)
  /usr/games/tuxtype >/dev/null 2>&1 &
  pid=$!
  until_second 10 "$t0"
  ticks=$(cpu_ticks "$pid")
  until_second 60 "$t0"
  idle=$(( ($(cpu_ticks "$pid") - ticks) * 1000 / $(getconf CLK_TCK) ))
  read -r r q < <(tree_mem "$pid")
  echo "Tux Typing   idle at 60 s (its menu): $(mb "$r") MB RSS $(mb "$q") MB PSS; ${idle} ms of CPU in its last 50 s"
  stop "$pid"
fi

# Lettora with the music list playing: 60 s of CPU time.
"$program/Lettora" >/dev/null 2>&1 &
pid=$!
press_play
sleep 8
ticks=$(cpu_ticks "$pid"); sleep 60; music=$(( ($(cpu_ticks "$pid") - ticks) * 1000 / $(getconf CLK_TCK) ))
echo "Lettora with music playing, 60 s: ${music} ms of CPU"
stop "$pid"
