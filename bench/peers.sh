#!/usr/bin/env bash
# Start-up time and memory of Lettora against Tux Typing, KLettres, KHangMan and GCompris, each run
# the same way on one virtual X server with one window manager and a null sound sink; and
# Lettora's idle CPU time, waiting and with music. Medians of RUNS runs (default 5).
#   bench/peers.sh BUILD_DIR [RUNS]
# Needs the Debian packages tuxtype klettres khangman qml-module-org-kde-newstuff gcompris-qt
# (besides the test packages).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/e2e/lib.sh"
build=$(cd "$1" && pwd)
runs=${2:-5}
need_tools xvfb-run openbox xdotool import pulseaudio pactl

if [ -z "${LETTORA_BENCH_INNER:-}" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  copy_program "$build/program" "$work/program"
  # The delivered lists: the game starts as a new user's would.
  cp "$build/program/Data/"*.txt "$work/program/Data/"
  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
  pulseaudio --daemonize=yes --exit-idle-time=-1 -n --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=bench_sink" --log-target="file:$XDG_RUNTIME_DIR/pa.log"
  wait_for 20 pactl info
  pactl set-default-sink bench_sink
  display=$(free_display)
  LETTORA_BENCH_INNER=1 xvfb-run -n "$display" -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$work/program" "$runs"
  kill "$(cat "$XDG_RUNTIME_DIR/pulse/pid")" 2>/dev/null || true
  exit 0
fi

program=$1
runs=$2
export HOME=$(mktemp -d)  # every program starts as for a new user
openbox --sm-disable >/dev/null 2>&1 &
wait_for 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
sleep 0.5

now_ms() { date +%s%3N; }
median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : int((a[NR / 2] + a[NR / 2 + 1]) / 2) }'; }
colours() { import -window root -crop 400x300+312+234 +repage -format '%k' info: 2>/dev/null || echo 0; }
tree_rss() {  # resident kB of a process and its children
  local total=0 p
  for p in $1 $(pgrep -P "$1" 2>/dev/null); do
    total=$((total + $(awk '/VmRSS/ { print $2 }' "/proc/$p/status" 2>/dev/null || echo 0)))
  done
  echo "$total"
}
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
stop() { kill "$1" 2>/dev/null; for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done; kill -9 "$1" 2>/dev/null || true; sleep 0.5; }

# Start-up: from exec to the middle of the screen painted; memory 8 s after start.
measure() {
  local name=$1; shift
  # LETTORA_BENCH_SELECT="KHangMan GCompris" measures only those.
  if [ -n "${LETTORA_BENCH_SELECT:-}" ] && [[ " $LETTORA_BENCH_SELECT " != *" $name "* ]]; then return 0; fi
  local starts=() memories=() i pid t0 painted
  for ((i = 0; i < runs; i++)); do
    t0=$(now_ms)
    "$@" >"$HOME/${name// /_}.log" 2>&1 &
    pid=$!
    painted=
    for _ in $(seq 600); do
      if [ "$(colours)" -gt 8 ]; then painted=$(now_ms); break; fi
    done
    [ -n "$painted" ] || { echo "$name: nothing painted in time: $(tail -n 3 "$HOME/${name// /_}.log")" >&2; stop "$pid"; continue; }
    starts+=($((painted - t0)))
    sleep "$(awk -v t="$((8000 - (painted - t0)))" 'BEGIN { print (t > 0 ? t / 1000 : 0) }')"
    memories+=("$(tree_rss "$pid")")
    stop "$pid"
  done
  printf '%-12s start-up %5s ms   memory %7s kB\n' "$name" \
    "$(printf '%s\n' "${starts[@]}" | median)" "$(printf '%s\n' "${memories[@]}" | median)"
}

echo "Runs: $runs, medians. Start-up: exec to the screen's middle painted. Memory: resident, 8 s after start."
measure Lettora "$program/Lettora"
[ -n "${LETTORA_BENCH_ONLY_LETTORA:-}" ] && exit 0
measure "Tux Typing" /usr/games/tuxtype
measure KLettres /usr/bin/klettres
measure KHangMan /usr/bin/khangman
measure GCompris /usr/games/gcompris-qt

if [ -n "${LETTORA_BENCH_ONLY_STARTUP:-}" ]; then exit 0; fi

# Lettora waiting: the welcome screen closed, no music (an empty music list), 60 s of CPU time.
mkdir -p "$HOME/quiet"
cp -a "$program/." "$HOME/quiet/"
: > "$HOME/quiet/Data/MusicFile.txt"; : > "$HOME/quiet/Data/Music.txt"
"$HOME/quiet/Lettora" >/dev/null 2>&1 &
pid=$!
welcome=$(timeout 20 xdotool search --sync --onlyvisible --name '^Welcome$' | head -n1)
xdotool mousemove --window "$welcome" 66 329 click 1
info=$(timeout 10 xdotool search --sync --onlyvisible --name '^Information$' | head -n1)
xdotool windowactivate --sync "$info" key Return 2>/dev/null || xdotool key Return
sleep 2
ticks=$(cpu_ticks "$pid"); sleep 60; idle=$(( ($(cpu_ticks "$pid") - ticks) * 1000 / $(getconf CLK_TCK) ))
echo "Lettora waiting (no music), 60 s: ${idle} ms of CPU; memory $(tree_rss "$pid") kB"
stop "$pid"

# Lettora with the music list playing: memory and 60 s of CPU time.
"$program/Lettora" >/dev/null 2>&1 &
pid=$!
welcome=$(timeout 20 xdotool search --sync --onlyvisible --name '^Welcome$' | head -n1)
xdotool mousemove --window "$welcome" 66 329 click 1
sleep 8
echo "Lettora memory with music playing: $(tree_rss "$pid") kB"
ticks=$(cpu_ticks "$pid"); sleep 60; music=$(( ($(cpu_ticks "$pid") - ticks) * 1000 / $(getconf CLK_TCK) ))
echo "Lettora with music playing, 60 s: ${music} ms of CPU"
stop "$pid"
