#!/usr/bin/env bash
# Effect start latency through a private PulseAudio null sink: Lettora's effect player against
# an open PulseAudio stream written directly (the floor).   bench/latency.sh BUILD_DIR [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/e2e/lib.sh"
build=$(cd "$1" && pwd)
need_tools pulseaudio pactl
cmake --build "$build" --target lettora-latency >/dev/null
work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work"
chmod 700 "$work"
pulseaudio --daemonize=yes --exit-idle-time=-1 -n --load=module-native-protocol-unix \
  --load="module-null-sink sink_name=latency_sink rate=48000" --log-target="file:$work/pa.log"
trap 'kill "$(cat "$work/pulse/pid")" 2>/dev/null; rm -rf "$work"' EXIT
wait_for 20 pactl info
pactl set-default-sink latency_sink
"$build/bench/lettora-latency" latency_sink "$build/program/Sound/Click.wav" "${2:-15}"
