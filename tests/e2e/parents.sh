#!/usr/bin/env bash
# The door to the parents' corner in the real program under Xvfb with openbox: a FIFO in place of
# Data/Lettora.ini holds nothing up; "Parents..." asks the grown-ups' question above the options
# dialog; a wrong answer asks anew, Escape closes the question and opens nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
need_tools xvfb-run openbox xdotool wmctrl xprop
if [ -z "${LETTORA_E2E_INNER:-}" ]; then
  run_in_xvfb "$0" "$program" 800x600
  exit $?
fi

work=$2
start_window_manager "$work"
rm -f "$program/Data/Lettora.ini"
mkfifo "$program/Data/Lettora.ini"

"$program/Lettora" >"$work/lettora.log" 2>&1 &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Lettora$' | head -n1) || fail "no game window"
dismiss_welcome "$win" empty
[ -p "$program/Data/Lettora.ini" ] || fail "the FIFO was replaced"

# The position of a window in the stacking order, bottom first.
stack_index() {
  local i=0 id
  for id in $(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g'); do
    [ "$((id))" = "$(($1))" ] && { echo "$i"; return; }
    i=$((i + 1))
  done
  echo -1
}

eval "$(xdotool getwindowgeometry --shell "$win")"
ox=$(( (WIDTH - 800) / 2 )); oy=$(( (HEIGHT - 600) / 2 ))
xdotool mousemove --window "$win" $((ox + 700)) $((oy + 260)) click 1
dialog=$(window '^Option$') || fail "no options dialog"
# "Parents..." at 480, 328 (75 x 25), right of Cancel.
xdotool mousemove --window "$dialog" 517 340 click 1
gate=$(window '^For grown-ups$') || fail "no question"
[ "$(stack_index "$gate")" -gt "$(stack_index "$dialog")" ] || fail "the question is under the options dialog"
wait_for 10 sh -c "[ \"\$(xdotool getactivewindow)\" = $gate ]" || fail "the question does not have the focus"
import -window root "$work/question.png"

# No sum of two two-digit numbers is 5: the question stays and asks anew.
seen_in_field "" type 5 || fail "typing into the question showed nothing"
# A wrong answer says so, asks a new sum and empties the field.
seen_in_field "" key Return || fail "a wrong answer changed nothing on the screen"
xdotool search --onlyvisible --name '^For grown-ups$' >/dev/null || fail "a wrong answer closed the question"
import -window root "$work/asked-anew.png"
/usr/bin/compare -metric AE "$work/question.png" "$work/asked-anew.png" null: 2>/dev/null \
  && fail "a wrong answer changed nothing on the screen"

xdotool key Escape
wait_for 10 no_window '^For grown-ups$' || fail "Escape did not close the question"
# The options dialog has the keyboard again: had the corner opened, it would be above it by now.
wait_for 10 active_is "$dialog" || fail "the options dialog did not get the keyboard back"
xdotool search --onlyvisible --name "^Parents' corner\$" >/dev/null && fail "the corner opened without an answer"
xdotool search --onlyvisible --name '^Option$' >/dev/null || fail "the options dialog went"
[ -p "$program/Data/Lettora.ini" ] || fail "the FIFO was replaced"

xdotool mousemove --window "$dialog" 421 340 click 1
wait_for 10 no_window '^Option$' || fail "Cancel did not close the options dialog"
wmctrl -c Lettora
wait_for 10 gone "$pid" || fail "the program did not end after close"
set +e; wait "$pid"; code=$?; set -e
[ "$code" = 0 ] || fail "exit code $code"
echo "ok: the grown-ups' question stands above the options dialog and opens nothing unanswered"
