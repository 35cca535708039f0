#!/usr/bin/env bash
# "Keep my child in the game" in the real program under Xvfb, with openbox's key bindings live and
# another program's window to switch to. Off: Alt+Tab reaches the other program and Alt+F4 closes
# the game. Ticked in the parents' corner: at once, Alt+Tab, Super, Ctrl+Alt+Left, Alt+F4 and the
# window manager's Close leave the game where it is, in the corner and in the game window; Exit asks
# the grown-ups' question, a wrong answer or Escape goes back to the game, the right answer (read off
# the screen as a parent reads it) ends the program with 0.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=$1
need_tools xvfb-run openbox xdotool wmctrl xprop xmessage import tesseract
if [ -z "${LETTORA_E2E_INNER:-}" ]; then
  run_in_xvfb "$0" "$program" 800x600
  exit $?
fi

work=$2
# Bindings that visibly act: a second desktop to go to, Super alone shows the desktop.
cat >"$work/rc.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <desktops><number>2</number></desktops>
  <keyboard>
    <keybind key="A-Tab">
      <action name="NextWindow"><finalactions><action name="Focus"/><action name="Raise"/></finalactions></action>
    </keybind>
    <keybind key="Super_L"><action name="ToggleShowDesktop"/></keybind>
    <keybind key="C-A-Left"><action name="GoToDesktop"><to>left</to><wrap>yes</wrap></action></keybind>
    <keybind key="A-F4"><action name="Close"/></keybind>
  </keyboard>
</openbox_config>
EOF
openbox --sm-disable --config-file "$work/rc.xml" >"$work/openbox.log" 2>&1 &
wait_for 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || fail "openbox did not start"
xmessage -title Other "another program" >/dev/null 2>&1 &
other=$(timeout 10 xdotool search --sync --onlyvisible --name '^Other$' | head -n1) || fail "no other program"

active() { printf '%d' "$(xdotool getactivewindow 2>/dev/null || echo 0)"; }
root_value() { xprop -root "$1" | awk '{ print $3 }'; }
ended_with() {
  wait_for 10 gone "$pid" || return 1
  set +e; wait "$pid"; code=$?; set -e
  [ "$code" = "$1" ] || fail "exit code $code"
}
# Presses each key and checks the window $1 stays active, on the first desktop, the desktop not shown.
keys_stay_in() {
  local key
  for key in alt+Tab super ctrl+alt+Left alt+F4; do
    # Held, the key does nothing to be seen: the window manager gets a second in which it must not act.
    xdotool key "$key"; sleep 1
    [ "$(active)" = "$1" ] || fail "$key left the game for $(active)"
    [ "$(root_value _NET_CURRENT_DESKTOP)" = 0 ] || fail "$key changed the desktop"
    [ "$(root_value _NET_SHOWING_DESKTOP)" = 0 ] || fail "$key showed the desktop"
    kill -0 "$pid" 2>/dev/null || fail "$key ended the game"
  done
}

# Off, as always: the window manager's keys act, Alt+F4 closes the game.
start_game
grep -qs '^KeepInGame=true' "$program/Data/Lettora.ini" && fail "kept in the game from the start"
xdotool key alt+Tab
wait_for 10 sh -c "[ \$(xdotool getactivewindow) = $other ]" || fail "Alt+Tab did not reach the other program"
xdotool windowactivate --sync "$win"
wait_for 10 sh -c "[ \$(xdotool getactivewindow) = $win ]" || fail "the game did not come back"
xdotool key alt+F4
ended_with 0 || fail "Alt+F4 did not close the game"

# Ticked in the parents' corner, it holds at once.
start_game
open_parents_corner "$win" "$ox" "$oy"
grab "$work/before-tab.png"
click_word "$corner" Screen || fail "no Screen tab"
wait_screen_change 10 "$work/before-tab.png" "" 30 || fail "the Screen tab did not show"
click_word "$corner" Keep || fail "no box to keep the child in the game"
wait_for 10 grep -q '^KeepInGame=true' "$program/Data/Lettora.ini" || fail "the box was not saved"
import -window root "$work/ticked.png"
keys_stay_in "$corner"
# Unticked, the keyboard is free at once; ticked again, held again.
click_word "$corner" Keep || fail "the box went"
wait_for 10 grep -q '^KeepInGame=false' "$program/Data/Lettora.ini" || fail "the untick was not saved"
xdotool key alt+Tab
wait_for 10 sh -c "[ \$(xdotool getactivewindow) = $other ]" || fail "unticked, Alt+Tab is still held"
xdotool windowactivate --sync "$corner"
wait_for 10 sh -c "[ \$(xdotool getactivewindow) = $corner ]" || fail "the corner did not come back"
click_word "$corner" Keep || fail "the box went"
wait_for 10 grep -q '^KeepInGame=true' "$program/Data/Lettora.ini" || fail "the second tick was not saved"
keys_stay_in "$corner"
xdotool key Escape
wait_for 10 no_window "^Parents' corner\$" || fail "the corner did not close"
wait_for 10 active_is "$dialog" || fail "the options dialog did not get the keyboard back"
xdotool mousemove --window "$dialog" 421 340 click 1   # Cancel
wait_for 10 no_window '^Option$' || fail "the options dialog did not close"
wait_for 10 active_is "$win" || fail "the game is not active after the dialogs"
keys_stay_in "$win"
# Another program takes the focus (as any program may ask the window manager): the game keeps the
# keyboard, so the window manager's keys still do nothing, nor close the other program.
xdotool windowactivate "$other"
wait_for 10 sh -c "[ \$(xdotool getactivewindow) = $other ]" || fail "the other program did not take the focus"
keys_stay_in "$other"
xdotool search --onlyvisible --name '^Other$' >/dev/null || fail "Alt+F4 reached the window manager"
xdotool windowactivate "$win"
wait_for 10 sh -c "[ \$(xdotool getactivewindow) = $win ]" || fail "the game did not come back"
keys_stay_in "$win"
# The game still takes its letters.
answer_row="561x97+$((ox + 48))+$((oy + 288))"
answers() { grab "$work/$1.png" "$answer_row"; }
answers empty-row; type_seen "$answer_row" cat || fail "typing reached no letter"; answers typed-row
/usr/bin/compare -metric AE "$work/empty-row.png" "$work/typed-row.png" null: 2>/dev/null \
  && fail "typing reached no letter"
# The game ignores the window manager's Close, which shows nothing: a second in which it must not end.
wmctrl -c Lettora; sleep 1
kill -0 "$pid" 2>/dev/null || fail "the window manager's Close ended the game"

# Exit asks; a wrong answer asks anew, Escape goes back to the game.
xdotool mousemove --window "$win" $((ox + 706)) $((oy + 341)) click 1
gate=$(window '^For grown-ups$') || fail "Exit did not ask"
wait_for 10 sh -c "[ \$(xdotool getactivewindow) = $gate ]" || fail "the question does not have the keyboard"
# The answer field's menu takes the keyboard while it is open; closed, the question holds it again.
seen_in_field "" key Menu || fail "the answer field's menu did not open"
seen_in_field "" key Escape || fail "Escape did not close the answer field's menu"
keys_stay_in "$gate"
seen_in_field "" type 5 || fail "typing into the question showed nothing"
# A wrong answer says so, asks a new sum and empties the field.
seen_in_field "" key Return || fail "a wrong answer changed nothing on the screen"
xdotool search --onlyvisible --name '^For grown-ups$' >/dev/null || fail "a wrong answer closed the question"
xdotool key Escape
wait_for 10 no_window '^For grown-ups$' || fail "Escape did not close the question"
wait_for 10 active_is "$win" || { gone "$pid" && fail "Escape ended the game"; fail "the game is not active after the question"; }
gone "$pid" && fail "Escape ended the game"

# The right answer ends the program as Exit always did.
xdotool mousemove --window "$win" $((ox + 706)) $((oy + 341)) click 1
gate=$(window '^For grown-ups$') || fail "Exit did not ask"
for _ in 1 2 3; do
  answer_question "$gate"
  # The right answer ends the game; a misread sum asks a new one, read once it is drawn.
  wait_for 5 gone "$pid" && break
  wait_window_still 10 "$gate" || break
done
ended_with 0 || fail "the right answer did not end the game"
[ -n "${LETTORA_E2E_KEEP:-}" ] && cp "$work"/*.png "$LETTORA_E2E_KEEP"/
echo "ok: off, the desktop's keys act; kept in the game, they do not, and only a grown-up leaves"
