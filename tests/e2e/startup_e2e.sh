#!/usr/bin/env bash
# The real tarnix binary under Xvfb: refusals at start and the monitor window's placement.
source "$(dirname "$0")/e2e_lib.sh"
start_xvfb

expect_one_error_box_then_status() {
  local expected=$1
  shift
  start_tarnix "$@"
  local boxes
  boxes=$(visible_windows '^Error$')
  [ "$(echo "$boxes" | grep -c .)" -eq 1 ] || fail "$*: expected one box titled Error, got '$boxes'"
  sleep 0.3
  local others
  others=$(all_titled_windows | grep -v "^$boxes " || true)
  [ -z "$others" ] || fail "$*: other windows besides the box: $others"
  press_key_until_gone "$boxes" Return
  local status
  status=$(tarnix_status)
  [ "$status" -eq "$expected" ] || fail "$*: status $status, expected $expected"
  rm -f "$WORK/status"
}

# No arguments, and a queue manager alone: the usage box, then status 2.
expect_one_error_box_then_status 2
expect_one_error_box_then_status 2 QM1

# A queue manager that does not exist: the connect-failure box, then status 1.
start_tarnix NOSUCH Q1
box=$(visible_windows '^tarnix$')
[ -n "$box" ] || fail "no connect-failure box"
press_key_until_gone "$box" Return
status=$(tarnix_status)
[ "$status" -eq 1 ] || fail "connect failure: status $status, expected 1"
rm -f "$WORK/status"

# A running store: one window titled QM1 at (100, 100), whose client area (there is no frame here)
# ends with the second row's name box, to the next pixel.
"$KXADMIN" create QM1 >/dev/null
"$KXADMIN" start QM1 >/dev/null
"$KXADMIN" define QM1 Q1 >/dev/null
"$KXADMIN" define QM1 Q2 >/dev/null
start_tarnix QM1 Q1 Q2
window=$(visible_windows '^QM1$')
[ "$(echo "$window" | grep -c .)" -eq 1 ] || fail "expected one window titled QM1, got '$window'"
sleep 0.5
eval "$(geometry_of "$window")"
echo "monitor window: x=$X y=$Y width=$WIDTH height=$HEIGHT (no window manager: no frame)"
[ "$X" -eq 100 ] && [ "$Y" -eq 100 ] || fail "window at ($X, $Y), expected (100, 100)"
layout_of monitor
read -r _ y _ h <<<"$(rect_of monitor 1003)"
[ "$HEIGHT" -ge $((y + h)) ] && [ "$HEIGHT" -le $((y + h + 1)) ] ||
  fail "window height $HEIGHT, expected the second name box's bottom, $((y + h))"
screenshot monitor_two_queues
press_key_until_gone "$window" Escape
status=$(tarnix_status)
[ "$status" -eq 0 ] || fail "closing the window: status $status"
echo "PASS"
