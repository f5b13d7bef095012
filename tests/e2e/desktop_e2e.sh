#!/usr/bin/env bash
# The real tarnix binary on a desktop with a window manager: the emptying question comes up above
# the always-on-top window with the keyboard, and Remove takes the Nth message. (layout_e2e.sh
# judges the window's rows and labels.)
source "$(dirname "$0")/e2e_lib.sh"
start_xvfb
start_window_manager

"$KXADMIN" create QM1 >/dev/null
"$KXADMIN" start QM1 >/dev/null
for q in ORDERS.IN Q2 Q3 REPLIES.OUT Q5; do "$KXADMIN" define QM1 "$q" --max-depth 10 >/dev/null; done

layout_of monitor
start_tarnix QM1 ORDERS.IN
window=$(monitor_window QM1)
sleep 0.5
screenshot desktop_one_queue
press_key_until_gone "$window" Escape
[ "$(tarnix_status)" -eq 0 ] || fail "closing the window: non-zero status"
rm -f "$WORK/status"

start_tarnix QM1 ORDERS.IN Q2 Q3 REPLIES.OUT Q5
window=$(monitor_window QM1)
sleep 0.5
screenshot desktop_five_queues

# The window as a newcomer sees it, frame included, once a tick has shown the depths: one queue
# over its mark. (docs/monitor.png in the repository is this picture.)
"$KXADMIN" put QM1 REPLIES.OUT --text reply --count 9 >/dev/null
"$KXADMIN" put QM1 Q2 --text request --count 3 >/dev/null
sleep 1.5
eval "$(geometry_of "$window")"
read -r left right top bottom <<<"$(frame_extents "$window")"
import -display "$DISPLAY" -window root -crop \
  "$((WIDTH + left + right))x$((HEIGHT + top + bottom))+$((X - left))+$((Y - top))" +repage \
  "$SHOTS/monitor_window.png"
"$KXADMIN" purge QM1 Q2 >/dev/null

# "C" with "Confirm Del " ticked: the question comes up above the monitor and has the keyboard;
# Return answers Yes and the queue is emptied.
"$KXADMIN" put QM1 ORDERS.IN --text order --count 3 --persistent >/dev/null
eval "$(geometry_of "$window")"
read -r cx cy <<<"$(centre_of monitor 1010)"
xdotool mousemove $((X + cx)) $((Y + cy)) click 1
box=$(visible_windows '^Empty Queue\?$')
[ -n "$box" ] || fail "no question after clicking C"
sleep 0.5
screenshot desktop_empty_question
stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
position_of() {
  local i=0
  for id in $stacking; do
    [ $((id)) -eq $(($1)) ] && echo $i
    i=$((i + 1))
  done
}
[ "$(position_of "$box")" -gt "$(position_of "$window")" ] || fail "the question is below the monitor"
[ $(($(xdotool getwindowfocus))) -eq $((box)) ] || fail "the question does not have the keyboard"
xdotool key Return
for _ in $(seq 20); do
  "$KXADMIN" queues QM1 | grep -q '^ORDERS.IN  *local  *0 ' && break
  sleep 0.2
done
"$KXADMIN" queues QM1 | grep -q '^ORDERS.IN  *local  *0 ' || fail "ORDERS.IN was not emptied"

# Remove with Number 2 on three messages leaves the first and the third.
for text in one two three; do "$KXADMIN" put QM1 Q2 --text "$text" --persistent >/dev/null; done
xdotool windowsize "$window" 800 560
sleep 0.5
eval "$(geometry_of "$window")"
read -r cx cy <<<"$(centre_of monitor 1023)"
xdotool mousemove $((X + cx)) $((Y + cy)) click 1 # the second row's select button
read -r cx cy <<<"$(centre_of monitor 1027)"
xdotool mousemove $((X + cx)) $((Y + cy)) click 1 # the Number edit
xdotool key ctrl+a
xdotool type 2
sleep 0.3
read -r cx cy <<<"$(centre_of monitor 1021)"
xdotool mousemove $((X + cx)) $((Y + cy)) click 1 # Remove
sleep 0.5
screenshot desktop_after_remove
left=$("$KXADMIN" browse QM1 Q2 | sed -n 's/.* data="\(.*\)"$/\1/p' | tr '\n' ' ')
echo "left on Q2: $left"
[ "$left" = "one three " ] || fail "Remove with Number 2 left '$left'"

press_key_until_gone "$window" Escape
[ "$(tarnix_status)" -eq 0 ] || fail "closing the window: non-zero status"
echo "PASS"
