#!/usr/bin/env bash
# Where the running game's memory goes and when its start-up steps happen: the real program under
# Xvfb (1024 x 768, openbox) with a PulseAudio null sink and a new user's cache, as bench/peers.sh
# runs it. Memory from /proc/PID/smaps at 8 s (welcome tune playing) and at 30 s (Play pressed at
# 9 s, background music playing): totals, by kind of mapping, the largest libraries, and how many
# shared libraries are mapped. The start-up timeline from strace: exec, the X connection, the
# first picture read, the fonts, the welcome tune and its soundfont, the sound server.
#   bench/breakdown.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/e2e/lib.sh"
build=$(cd "$1" && pwd)
need_tools xvfb-run openbox xdotool pulseaudio pactl strace

if [ -z "${LETTORA_BENCH_INNER:-}" ]; then
  work=$(mktemp -d)
  trap 'kill "$(cat "$work/runtime/pulse/pid" 2>/dev/null)" 2>/dev/null || true; rm -rf "$work"' EXIT
  copy_program "$build/program" "$work/program"
  cp "$build/program/Data/"*.txt "$work/program/Data/"
  export XDG_RUNTIME_DIR="$work/runtime" XDG_CACHE_HOME="$work/cache"
  start_null_sink bench_sink
  LETTORA_BENCH_INNER=1 xvfb-run -n "$(free_display)" -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$work/program" "$work"
  exit 0
fi

program=$1
work=$2
openbox --sm-disable >/dev/null 2>&1 &
wait_for 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

# Per kind of mapping and per library, from one smaps file.
report() {
  awk -v at="$2" '
    /^[0-9a-f]+-[0-9a-f]+ / { name = $6; if (name == "") name = "[anonymous]" }
    /^Rss:/ { rss[name] += $2; total += $2 }
    /^Pss:/ { pss += $2 }
    END {
      for (n in rss) {
        kind = n ~ /\.so/ ? "shared libraries" : n ~ /^\[heap\]/ ? "heap (main arena)" : n ~ /^\[anonymous\]/ ? "anonymous (large blocks, thread stacks)" : n ~ /memfd|SYSV|shm/ ? "shared memory (window buffers, sound)" : "other files and the program"
        bykind[kind] += rss[n]
        if (n ~ /\.so/) { libs++ }
      }
      printf "At %s: %.1f MB RSS, %.1f MB PSS; %d shared libraries mapped\n", at, total / 1024, pss / 1024, libs
      for (k in bykind) printf "  %-42s %7.1f MB\n", k, bykind[k] / 1024
    }' "$1"
  echo "  largest libraries:"
  awk '/^[0-9a-f]+-[0-9a-f]+ / { name = $6 } /^Rss:/ { if (name ~ /\.so/) rss[name] += $2 }
       END { for (n in rss) printf "%d %s\n", rss[n], n }' "$1" | sort -rn | awk 'NR <= 12' |
    awk '{ n = $2; sub(/.*\//, "", n); printf "    %-40s %6.1f MB\n", n, $1 / 1024 }'
}

strace -f -tt -e trace=execve,openat,connect -o "$work/trace" "$program/Lettora" >"$work/lettora.log" 2>&1 &
sleep 2
pid=$(pgrep -f "^$program/Lettora" | head -n1)
sleep 6
cp "/proc/$pid/smaps" "$work/smaps8"
welcome=$(timeout 20 xdotool search --sync --onlyvisible --name '^Welcome$' | head -n1)
# shellcheck disable=SC2046
xdotool mousemove --window "$welcome" $(scaled "$(game_scale)" 66 329) click 1
sleep 21
cp "/proc/$pid/smaps" "$work/smaps30"
kill "$pid"; sleep 1
[ -n "${LETTORA_BENCH_KEEP:-}" ] && cp "$work/smaps8" "$work/smaps30" "$work/trace" "$LETTORA_BENCH_KEEP/"

echo "Memory (under strace, so a little more than without):"
report "$work/smaps8" "8 s (welcome tune)"
report "$work/smaps30" "30 s (background music)"

echo "Start-up timeline (ms after exec):"
awk '
  function ms(t,  h) { split(t, h, ":"); return ((h[1] * 60 + h[2]) * 60 + h[3]) * 1000 }
  NR == 1 { t0 = ms($2) }
  { line = $0; at = ms($2) - t0 }
  function mark(what) { if (!(what in seen)) { seen[what] = 1; printf "  %6.0f  %s\n", at, what } }
  line ~ /connect\(.*X11-unix/ { mark("connected to the X server") }
  line ~ /openat\(.*fontconfig.*\.conf/ { mark("fontconfig reads its configuration") }
  line ~ /openat\(.*border\.bmp/ { mark("the game window reads its background") }
  line ~ /openat\(.*imageformats\/libq/ { mark("the image plugin folder is read (descriptions only)") }
  line ~ /openat\(.*BtnPlay\.jpg/ { mark("the welcome screen reads its pictures") }
  line ~ /openat\(.*liblettora-audio\.so.*= [0-9]/ { mark("the audio module is loaded, after the first paint") }
  line ~ /openat\(.*chachacha\.mid/ { mark("the welcome tune is opened") }
  line ~ /openat\(.*chachacha\.ogg/ { mark("its recording is opened") }
  line ~ /openat\(.*\.sf2/ { mark("a soundfont is loaded (no recording of the tune)") }
  line ~ /connect\(.*pulse\/native/ { mark("connected to the sound server") }
' "$work/trace"
