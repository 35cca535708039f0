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
      wait_for 5 gone "$pa" || true
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
# One recording a phase, raw while it runs (a WAV file's header is only complete at its end), kept
# as $phase.wav. A 20 ms latency: an idle null sink works in 2-second blocks and the first sounds
# would be lost.
record() {
  phase=$1
  parec -d lettora_sink.monitor --latency-msec=20 --rate=48000 --channels=1 --format=s16le --raw \
    "$work/$phase.raw" &
  recorder=$!
  wait_for 10 sh -c 'pactl list short source-outputs | grep -q .' || fail "the recorder did not start for $phase"
}
stop_recording() {
  kill -INT "$recorder"; wait "$recorder" 2>/dev/null || true
  sox -t raw -r 48000 -e signed -b 16 -c 1 "$work/$phase.raw" "$work/$phase.wav"
}
# The peak of the recording so far ($2 = -0.5: of its last half second), 0 to 1.
peak() {
  sox -t raw -r 48000 -e signed -b 16 -c 1 "$work/$phase.raw" -n ${1:+trim "$1"} stat 2>&1 |
    awk '/^Maximum amplitude/ { print $NF }'
}
# True when the recording holds sound (the outer part judges its level).
heard() { awk -v p="$(peak)" 'BEGIN { exit !(p + 0 > 0.02) }'; }
# True when the recording holds a sound that lasts beyond Start's click (as the outer part measures
# it) and then half a second of quiet: the word is over, however late it came.
over() {
  local span
  span=$(sox -t raw -r 48000 -e signed -b 16 -c 1 "$work/$phase.raw" -n silence 1 0.005 2% reverse silence 1 0.005 2% \
    reverse stat 2>&1 | awk '/^Length/ { print $NF }')
  awk -v s="$span" -v p="$(peak -0.5)" 'BEGIN { exit !(s + 0 > 0.3 && p != "" && p + 0 < 0.02) }'
}
playing() { pactl list short sink-inputs | grep -q .; }
answer_row=545x79+56+296
start_window_manager "$work"
"$program/Lettora" >"$work/lettora.log" 2>&1 &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lettora$' | head -n1) || fail "no game window"
welcome=$(window '^Welcome$' 15) || fail "no welcome screen"
wait_for 10 playing || fail "the game opened no sound stream for the welcome tune"
# Each recording until it holds sound, at most 10 s: its level is judged after the run.
record welcome; wait_for 10 heard || true; stop_recording
grep -q '/liblettora-audio\.so$' "/proc/$pid/maps" || fail "the welcome tune played without the audio module"
xdotool mousemove --window "$welcome" 66 329 click 1  # Play: the music list starts
# The welcome screen's close hands over from its tune, which stops where it stands, to the music.
wait_for 10 no_window '^Welcome$' || fail "Play did not close the welcome screen"
record music; wait_for 10 heard || true; stop_recording

# Options: switch the music off, then Cancel.
xdotool mousemove --window "$win" 706 260 click 1
dialog=$(window '^Option$') || fail "no options dialog"
seen "" mousemove --window "$dialog" 483 156 click 1 || fail "the music box did not change"
xdotool mousemove --window "$dialog" 421 340 click 1
wait_for 10 no_window '^Option$' || fail "Cancel did not close the options dialog"
# Nothing may be heard for three seconds after the music went off, more than the two after which
# the game's output rests.
record silence; sleep 3; stop_recording

xdotool windowactivate --sync "$win" 2>/dev/null || true
# Quiet for more than 2 s since the music went off: the game's stream rests, and Start's click and
# the word that follows must start it again, whole: recorded until it is over.
record word
xdotool mousemove --window "$win" 706 85 click 1  # Start
wait_for 10 over || true; stop_recording

record letters
xdotool type --delay 150 abcdefghij
wait_for 10 heard || true; stop_recording
xdotool key Escape
# The sound server goes and comes back: the game finds it again within seconds.
kill "$(cat "$XDG_RUNTIME_DIR/pulse/pid")"
wait_for 10 sh -c '! pactl info' || fail "the sound server did not stop"
start_sound_server || fail "PulseAudio did not start again"
wait_for 20 pactl info || fail "PulseAudio did not answer again"
pactl set-default-sink lettora_sink
wait_for 15 sh -c 'pactl list short sink-inputs | grep -q .' || fail "the game did not find the sound server again"
record again
xdotool type --delay 150 klmnop
wait_for 10 heard || true; stop_recording
# Escape's sound is asked for as the row empties.
seen "$answer_row" key Escape || fail "Escape did not empty the answer row"
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
welcome=$(window '^Welcome$' 15) || fail "no welcome screen without the module"
xdotool mousemove --window "$welcome" 66 329 click 1
wait_for 10 no_window '^Welcome$' || fail "the welcome screen stayed without the module"
xdotool windowactivate --sync "$win" 2>/dev/null || true
wait_screen_still 10 || fail "the game did not settle after the welcome screen without the module"
seen 220x220+64+40 mousemove --window "$win" 706 85 click 1 || fail "Start showed no picture without the module"
type_seen "$answer_row" abc || fail "the letters did not come without the module"
kill -0 "$pid" 2>/dev/null || fail "the game ended without the module: $(tail -n 3 "$work/silent.log")"
boxes=$(xdotool search --onlyvisible --name '^Lettora$' | { grep -vx "$win" || true; } | wc -l)
[ "$boxes" = 0 ] || fail "a box came up without the module"
xdotool search --onlyvisible --name '^Welcome$' >/dev/null && fail "the welcome screen stayed without the module"
kill "$pid"
