#!/usr/bin/env bash
# The real tarnix binary under Xvfb watching two queues: alarm colours after kxadmin fills one
# queue past its threshold, and the reconnect label while the queue manager is stopped.
source "$(dirname "$0")/e2e_lib.sh"
start_xvfb

"$KXADMIN" create QM1 >/dev/null
"$KXADMIN" start QM1 >/dev/null
"$KXADMIN" define QM1 FULL.Q --max-depth 10 >/dev/null
"$KXADMIN" define QM1 CALM.Q --max-depth 10 >/dev/null
start_tarnix QM1 FULL.Q CALM.Q
window=$(monitor_window QM1)

# Nine of ten is over the 80% mark: once a tick has shown the depths, the first box is red and
# the second green.
"$KXADMIN" put QM1 FULL.Q --text order --count 9 --persistent >/dev/null
"$KXADMIN" put QM1 CALM.Q --text order --count 2 --persistent >/dev/null
[ "$(wait_for_text 170 111 9)" = "9" ] || fail "first depth box does not show 9"
[ "$(wait_for_text 170 135 2)" = "2" ] || fail "second depth box does not show 2"
sleep 1.2  # a tick more, as an operator would see it
screenshot monitor_alarm_colours
shot=$SHOTS/monitor_alarm_colours.png
# The depth boxes lie right of the buttons, one row each: row 0 from y 100, row 1 from y 124
# (by the 8-point DejaVu Sans the build installs).
row0="50x20+145+101"
row1="50x20+145+125"
red0=$(pixels_of_colour "$shot" "$row0" "255,0,0")
green0=$(pixels_of_colour "$shot" "$row0" "0,255,0")
red1=$(pixels_of_colour "$shot" "$row1" "255,0,0")
green1=$(pixels_of_colour "$shot" "$row1" "0,255,0")
echo "first box: $red0 red, $green0 green; second box: $red1 red, $green1 green"
[ "$red0" -gt 20 ] && [ "$green0" -eq 0 ] || fail "the full queue's box is not red"
[ "$green1" -gt 20 ] && [ "$red1" -eq 0 ] || fail "the calm queue's box is not green"

# Stopped: the first box counts the reconnect attempts.
"$KXADMIN" stop QM1 >/dev/null
label=""
for _ in $(seq 20); do
  sleep 0.5
  label=$(edit_text_at 170 111)
  [[ "$label" =~ ^R[0-9]+$ ]] && break
done
echo "while stopped: '$label'"
[[ "$label" =~ ^R[0-9]+$ ]] || fail "no reconnect label while stopped, got '$label'"
screenshot monitor_reconnecting

# Started again: the depths come back within the current wait and one tick.
"$KXADMIN" start QM1 >/dev/null
back=$(wait_for_text 170 111 9)
echo "after start: '$back'"
[ "$back" = "9" ] || fail "the depth did not come back after start, got '$back'"
[ "$(wait_for_text 170 135 2)" = "2" ] || fail "second depth box did not come back"

press_key_until_gone "$window" Escape
[ "$(tarnix_status)" -eq 0 ] || fail "closing the window: non-zero status"
echo "PASS"
