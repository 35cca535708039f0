#!/usr/bin/env bash
# The answers' history in the real program under Xvfb and openbox: a wrong OK, a right OK and a
# countdown that ran out each append their line to Data/Progress.csv, after a line that a crash
# cut, and the last answer before Exit is on disk when the program has ended.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
need_tools xvfb-run openbox xdotool wmctrl
if [ -z "${LETTORA_E2E_INNER:-}" ]; then
  run_in_xvfb "$0" "$program" 800x600
  exit $?
fi

work=$2
cd "$work"
list_starter_pictures "$program" cat dog sun
printf '\x03\x00\x00\x00' > "$program/Data/Timer.dat"   # 3 seconds a picture
history="$program/Data/Progress.csv"
printf 'time,word,result,seconds,typed\n2026-01-05T10:00:00,cat,right,2.5,cat\n2026-01-05T10:0' > "$history"

start_window_manager "$work"
"$program/Lettora" >"$work/lettora.log" 2>&1 &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lettora$' | head -n1) || fail "no game window"
dismiss_welcome "$win" empty

seen 220x220+64+40 mousemove --window "$win" 706 85 click 1 || fail "Start showed no picture"
xdotool type --delay 40 cta; xdotool key Return
wait_for 10 grep -q ',cat,wrong,' "$history" || fail "no line for the wrong answer: $(cat "$history")"
xdotool type --delay 40 cat; xdotool key Return
wait_for 10 grep -q ',cat,right,' "$history" || fail "no line for the right answer: $(cat "$history")"
xdotool type --delay 40 do
wait_for 10 grep -q ',dog,timeout,' "$history" || fail "no time-out line: $(cat "$history")"
xdotool type --delay 40 zz; xdotool key Return   # the letters stay after a time-out: "dozz"
xdotool mousemove --window "$win" 706 339 click 1   # Exit, at once
wait_for 10 gone "$pid" || fail "Exit did not end the program"
set +e; wait "$pid"; code=$?; set -e
[ "$code" = 0 ] || fail "exit code $code"

# The old lines as they were, the cut one on its own line, then one line per answer.
head -n 3 "$history" | cmp -s - <(printf 'time,word,result,seconds,typed\n2026-01-05T10:00:00,cat,right,2.5,cat\n2026-01-05T10:0\n') \
  || fail "the lines before changed: $(head -n 3 "$history")"
got=$(tail -n +4 "$history" | cut -d, -f2,3,5 | tr '\n' ' ')
[ "$got" = "cat,wrong,cta cat,right,cat dog,timeout,do sun,wrong,dozz " ] || fail "the answers were recorded as: $got"
tail -n +4 "$history" | grep -Eqv '^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2},[a-z]+,[a-z]+,[0-9]+\.[0-9],[a-z]*$' \
  && fail "a line out of form: $(cat "$history")"
echo "ok: every answer, the last one before Exit too, is appended to the history"
