#!/usr/bin/env bash
# Proves that sound comes out of the real program: a private PulseAudio with a null sink records
# everything it plays while the welcome tune plays, the music list plays after the hand-over,
# the music is switched off in the options dialog, Start says the picture's word, letters are
# typed, and again after the sound server was stopped and started anew. The sound libraries are not loaded at start but with the first sound; without the audio
# module beside the executable the game runs silent, with no box.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
need_tools pulseaudio pactl parec sox xvfb-run openbox xdotool

# A private PulseAudio whose null sink records what is played.
start_sound_server() {
  pulseaudio --daemonize=yes --exit-idle-time=-1 -n --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=lettora_sink rate=48000 channels=2" \
    --log-target="file:$XDG_RUNTIME_DIR/pa.log" 2>/dev/null
}

if [ -z "${LETTORA_E2E_INNER:-}" ]; then
  at_start=$(ldd "$program/Lettora" | grep -E 'libgst|libpulse|libsamplerate|libasound|libfluidsynth|libjack' || true)
  [ -z "$at_start" ] || fail "the game loads sound libraries at start: $(echo $at_start)"
  work=$(mktemp -d)
  cp -a "$program/." "$work/program/" 2>/dev/null || { mkdir -p "$work/program"; cp -a "$program/." "$work/program/"; }
  rm -f "$work/program/Data/"*.dat
  # A first word that lasts well beyond Start's click, which it now overlaps.
  list_starter_pictures "$work/program" banana cat dog
  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
  start_sound_server || { echo "SKIP: PulseAudio does not start here"; exit 77; }
  cleanup() {
    local pa
    pa=$(cat "$XDG_RUNTIME_DIR/pulse/pid" 2>/dev/null) || pa=
    if [ -n "$pa" ] && kill "$pa" 2>/dev/null; then
      # The server writes into the runtime folder until it has gone.
      for _ in $(seq 50); do kill -0 "$pa" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -rf "$work" || true
  }
  trap cleanup EXIT
  wait_for 20 pactl info || fail "PulseAudio did not answer"
  pactl set-default-sink lettora_sink
  display=$(free_display) || fail "no free X display number"
  LETTORA_E2E_INNER=1 xvfb-run -n "$display" -s "-screen 0 800x600x24 -nolisten tcp" "$0" "$work/program" "$work"
  [ -n "${LETTORA_E2E_KEEP:-}" ] && cp "$work"/*.wav "$work"/*.log "$LETTORA_E2E_KEEP/" 2>/dev/null

  level() { sox "$work/$1.wav" -n stat 2>&1 | awk -v k="$2" 'index($0, k) == 1 { print $NF }'; }
  loud() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a + 0 > b + 0) }'; }
  for phase in welcome music letters again; do
    peak=$(level "$phase" "Maximum amplitude")
    echo "$phase: peak $peak, RMS $(level "$phase" "RMS     amplitude")"
    loud "$peak" 0.02 || fail "no sound came out during $phase (peak $peak)"
  done
  quiet=$(level silence "Maximum amplitude")
  echo "music off: peak $quiet"
  loud 0.01 "$quiet" || fail "sound went on after the music was switched off (peak $quiet)"
  # Start's click lasts 0.15 s; the picture's word ("banana"), on its own channel and without a
  # lead of silence, starts as the click sounds and goes on well after it.
  span=$(sox "$work/word.wav" -n silence 1 0.005 2% reverse silence 1 0.005 2% reverse stat 2>&1 |
    awk '/^Length/ { print $NF }')
  echo "word after Start: sound for $span s"
  loud "$span" 0.3 || fail "no word was heard after Start (sound for $span s)"
  echo "e2e sound: passed"
  exit 0
fi

work=$2
# A new user's cache: no GStreamer registry is made there.
export XDG_CACHE_HOME=$work/cache
# One recording a phase. A 20 ms latency: an idle null sink works in 2-second blocks and the first
# sounds would be lost.
record() {
  parec -d lettora_sink.monitor --latency-msec=20 --rate=48000 --channels=1 --format=s16le \
    --file-format=wav "$work/$1.wav" &
  recorder=$!
  sleep 0.3
}
stop_recording() { sleep 0.5; kill -INT "$recorder"; wait "$recorder" 2>/dev/null || true; }
start_window_manager "$work"
"$program/Lettora" >"$work/lettora.log" 2>&1 &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lettora$' | head -n1) || fail "no game window"
welcome=$(timeout 15 xdotool search --sync --onlyvisible --name '^Welcome$' | head -n1) || fail "no welcome screen"
sleep 0.5; record welcome; sleep 1.5; stop_recording
grep -q '/liblettora-audio\.so$' "/proc/$pid/maps" || fail "the welcome tune played without the audio module"
xdotool mousemove --window "$welcome" 66 329 click 1  # Play: the music list starts
sleep 1; record music; sleep 2; stop_recording

# Options: switch the music off, then Cancel.
xdotool mousemove --window "$win" 706 260 click 1
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Option$' | head -n1) || fail "no options dialog"
sleep 0.3
xdotool mousemove --window "$dialog" 483 156 click 1
sleep 0.3
xdotool mousemove --window "$dialog" 421 340 click 1
sleep 0.8; record silence; sleep 1.5; stop_recording

xdotool windowactivate --sync "$win" 2>/dev/null || true
# Quiet for more than 2 s since the music went off: the game's stream rests, and Start's click and
# the word that follows must start it again, whole.
record word
xdotool mousemove --window "$win" 706 85 click 1  # Start
sleep 1.5; stop_recording

record letters
xdotool type --delay 150 abcdefghij
stop_recording
xdotool key Escape
# The sound server goes and comes back: the game finds it again within seconds.
kill "$(cat "$XDG_RUNTIME_DIR/pulse/pid")"
for _ in $(seq 50); do pactl info >/dev/null 2>&1 || break; sleep 0.1; done
start_sound_server || fail "PulseAudio did not start again"
wait_for 20 pactl info || fail "PulseAudio did not answer again"
pactl set-default-sink lettora_sink
wait_for 15 sh -c 'pactl list short sink-inputs | grep -q .' || fail "the game did not find the sound server again"
record again
xdotool type --delay 150 klmnop
stop_recording
xdotool key Escape
sleep 0.3
rarer=$(grep -E '/liblettora-audio-formats\.so$|/libgstreamer-1\.0\.so|/libfluidsynth\.so' "/proc/$pid/maps" || true)
kill "$pid"
wait "$pid" 2>/dev/null || true
# The delivered tunes play through the mixer: neither GStreamer nor the synthesiser is loaded, nor
# GStreamer's registry made.
[ -z "$rarer" ] || fail "the rarer formats' libraries were loaded for the delivered tunes: $rarer"
[ ! -e "$XDG_CACHE_HOME/gstreamer-1.0" ] && [ ! -e "$XDG_CACHE_HOME/lettora/gstreamer-registry.bin" ] ||
  fail "a GStreamer registry was made for the delivered tunes"

# Without the module: the welcome screen, the music list, Start and letters, silently.
mv "$program/liblettora-audio.so" "$work/"
"$program/Lettora" >"$work/silent.log" 2>&1 &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lettora$' | head -n1) || fail "no game window without the module"
welcome=$(timeout 15 xdotool search --sync --onlyvisible --name '^Welcome$' | head -n1) || fail "no welcome screen without the module"
sleep 0.5
xdotool mousemove --window "$welcome" 66 329 click 1
sleep 1
xdotool windowactivate --sync "$win" 2>/dev/null || true
xdotool mousemove --window "$win" 706 85 click 1
sleep 1
xdotool type --delay 150 abc
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "the game ended without the module: $(tail -n 3 "$work/silent.log")"
boxes=$(xdotool search --onlyvisible --name '^Lettora$' | { grep -vx "$win" || true; } | wc -l)
[ "$boxes" = 0 ] || fail "a box came up without the module"
xdotool search --onlyvisible --name '^Welcome$' >/dev/null && fail "the welcome screen stayed without the module"
kill "$pid"
