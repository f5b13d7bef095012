#!/usr/bin/env bash
# The real tarnix binary under Xvfb with a tarnix.ini in its working directory: the window shows
# the preset refresh rate and warning threshold, and "Opt" opens the generator's options, which
# Escape closes again.
source "$(dirname "$0")/e2e_lib.sh"
start_xvfb

"$KXADMIN" create QM1 >/dev/null
"$KXADMIN" start QM1 >/dev/null
"$KXADMIN" define QM1 Q1 >/dev/null
cd "$WORK"
printf '1 50 2 1\n100 0 0 b 1024 SRC.Q lines.txt 0 0 0 0 0 0 0 0 0 REPLY.Q QM2\n' >tarnix.ini
layout_of monitor
start_tarnix QM1 Q1
window=$(monitor_window QM1)
xdotool windowsize "$window" 820 560
sleep 0.5
eval "$(geometry_of "$window")"

# The settings are in the boxes beside "% Warning" and "Refresh rate".
read -r wx wy <<<"$(centre_of monitor 1034)"
read -r rx ry <<<"$(centre_of monitor 1066)"
warning=$(wait_for_text $((X + wx)) $((Y + wy)) 50)
rate=$(wait_for_text $((X + rx)) $((Y + ry)) 2)
echo "% Warning '$warning', Refresh rate '$rate'"
[ "$warning" = "50" ] || fail "% Warning shows '$warning', not 50"
[ "$rate" = "2" ] || fail "Refresh rate shows '$rate', not 2"

read -r cx cy <<<"$(centre_of monitor 1103)"
xdotool mousemove $((X + cx)) $((Y + cy)) click 1 # "Opt"
options=$(visible_windows '^Generate Options$')
[ -n "$options" ] || fail "Opt did not open the options"
sleep 0.5
screenshot options_dialog
press_key_until_gone "$options" Escape
[ -n "$(visible_windows '^QM1$')" ] || fail "the monitor went away with the options"

press_key_until_gone "$window" Escape
[ "$(tarnix_status)" -eq 0 ] || fail "closing the window: non-zero status"
if grep -v 'XDG_RUNTIME_DIR' "$WORK/stderr" | grep -q .; then fail "tarnix reported errors"; fi
echo "PASS"
