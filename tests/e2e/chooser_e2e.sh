#!/usr/bin/env bash
# The real chooser on a desktop: tarnix --choose QM1, filtered and ticked from the keyboard, ends
# in the monitor on the ticked queues in the same process; the next tarnix --choose offers that
# choice again, and Escape ends it with status 0 and no monitor.
source "$(dirname "$0")/e2e_lib.sh"
export XDG_CONFIG_HOME=$WORK/config
start_xvfb
start_window_manager

"$KXADMIN" create QM1 >/dev/null
"$KXADMIN" start QM1 >/dev/null
for q in EVENTS ORDERS.IN ORDERS.OUT REPLIES; do "$KXADMIN" define QM1 "$q" --max-depth 50 >/dev/null; done
"$KXADMIN" put QM1 ORDERS.OUT --text order --count 4 >/dev/null
"$KXADMIN" create QM2 >/dev/null

# Keys go to the window that has the keyboard: the manager list first, then Tab to the filter
# (the disabled buttons are passed over) and on to the queue list.
keys() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  shift
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.15
  done
}

start_tarnix --choose QM1
chooser=$(visible_windows '^Tarnix: Choose Queues$')
[ -n "$chooser" ] || fail "no chooser window"
sleep 0.5
keys "$chooser" Tab
xdotool type --delay 50 "out"
sleep 0.3
# The filter leaves ORDERS.OUT alone: tick it; then all again, and tick EVENTS, the first.
keys "$chooser" Tab Down space shift+Tab ctrl+a BackSpace Tab Home space
screenshot chooser_ticked
# The window as a newcomer sees it, frame included (docs/chooser.png in the repository).
eval "$(geometry_of "$chooser")"
read -r left right top bottom <<<"$(frame_extents "$chooser")"
import -display "$DISPLAY" -window root -crop \
  "$((WIDTH + left + right))x$((HEIGHT + top + bottom))+$((X - left))+$((Y - top))" +repage \
  "$SHOTS/chooser_window.png"
keys "$chooser" Return
monitor=$(visible_windows '^QM1$')
[ -n "$monitor" ] || fail "no monitor after Monitor"
[ -z "$(xdotool search --onlyvisible --name '^Tarnix: Choose Queues$' 2>/dev/null)" ] ||
  fail "the chooser is still shown"
sleep 1.2
eval "$(geometry_of "$monitor")"
# The name boxes of the first two rows (dialog units 73, 5 and 73, 20 of the monitor's template).
first=$(wait_for_text $((X + 160)) $((Y + 18)) ORDERS.OUT)
second=$(wait_for_text $((X + 160)) $((Y + 42)) EVENTS)
echo "monitor rows: $first, $second"
[ "$first" = ORDERS.OUT ] && [ "$second" = EVENTS ] || fail "the monitor shows '$first', '$second'"
screenshot chooser_monitor
press_key_until_gone "$monitor" Escape
[ "$(tarnix_status)" -eq 0 ] || fail "closing the monitor: non-zero status"
rm -f "$WORK/status"
grep -q '^manager=QM1$' "$XDG_CONFIG_HOME/tarnix/tarnix.ini" || fail "the choice was not remembered"

# Next time the same choice is offered first; Escape is Cancel, status 0 and no monitor.
for scale in 1 2; do
  QT_SCALE_FACTOR=$scale start_tarnix --choose
  chooser=$(visible_windows '^Tarnix: Choose Queues$')
  [ -n "$chooser" ] || fail "no chooser window at scale $scale"
  sleep 0.8
  screenshot "chooser_remembered_x$scale"
  press_key_until_gone "$chooser" Escape
  [ "$(tarnix_status)" -eq 0 ] || fail "Escape in the chooser: non-zero status"
  rm -f "$WORK/status"
  [ -z "$(xdotool search --onlyvisible --name '^QM1$' 2>/dev/null)" ] || fail "a monitor after Escape"
done
echo PASS
