#!/usr/bin/env bash
# The real tarnix binary under Xvfb keeping its depth history: a double click on a depth box opens
# the queue's History window, closing the monitor closes it, the points outlive the run and are
# printed by --history QMGR QUEUE --csv, and a damaged history file never stops the monitor.
source "$(dirname "$0")/e2e_lib.sh"
start_xvfb
export XDG_STATE_HOME=$WORK/state
state=$XDG_STATE_HOME/tarnix/depth-history.sqlite

"$KXADMIN" create QM1 >/dev/null
"$KXADMIN" start QM1 >/dev/null
"$KXADMIN" define QM1 Q1 --max-depth 50 >/dev/null
"$KXADMIN" define QM1 Q2 >/dev/null

"$TARNIX" --history QM1 Q1 --csv >"$WORK/csv" 2>"$WORK/err" || fail "--history: status $?"
[ "$(cat "$WORK/csv")" = "time,depth,max_depth" ] || fail "no history: $(cat "$WORK/csv")"
[ ! -s "$WORK/err" ] || fail "no history: $(cat "$WORK/err")"
[ ! -e "$state" ] || fail "--history made the history file"

start_tarnix QM1 Q1 Q2
window=$(monitor_window QM1)
"$KXADMIN" put QM1 Q1 --text order --count 3 --persistent >/dev/null
[ "$(wait_for_text 170 111 3)" = "3" ] || fail "first depth box does not show 3"
sleep 2
xdotool mousemove 170 111 click --repeat 2 --delay 80 1
history=$(visible_windows '^History of Q1 on QM1$')
[ -n "$history" ] || fail "no History window after a double click; windows: $(all_titled_windows)"
sleep 1
screenshot history_window
press_key_until_gone "$window" Escape
[ "$(tarnix_status)" -eq 0 ] || fail "closing the monitor: non-zero status"
xdotool getwindowname "$history" >/dev/null 2>&1 && fail "the History window outlived the monitor"
[ ! -s "$WORK/stderr" ] || fail "the monitor wrote to stderr"

"$TARNIX" --history QM1 Q1 --csv >"$WORK/csv" 2>"$WORK/err" || fail "--history: status $?"
head -1 "$WORK/csv" | grep -qx 'time,depth,max_depth' || fail "no header: $(head -1 "$WORK/csv")"
grep -Eq '^20[0-9]{2}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}Z,3,50$' "$WORK/csv" ||
  fail "no point with depth 3 of 50: $(cat "$WORK/csv")"
echo "kept $(($(wc -l <"$WORK/csv") - 1)) points of Q1"
"$TARNIX" --history QM1 Q1 >/dev/null 2>&1 && fail "--history without --csv was accepted"
status=0
"$TARNIX" --history QM1 --csv >/dev/null 2>"$WORK/err" || status=$?
[ "$status" -eq 2 ] || fail "one name: status $status"

# A damaged file: one line, then the monitor runs on, its history in memory; the file is left be.
head -c 4096 /dev/urandom >"$state"
rm -f "$state-wal" "$state-shm"
sum=$(md5sum <"$state")
"$TARNIX" --history QM1 Q1 --csv >"$WORK/csv" 2>"$WORK/err" || fail "damaged: status $?"
[ "$(cat "$WORK/csv")" = "time,depth,max_depth" ] || fail "damaged: $(cat "$WORK/csv")"
grep -q "^tarnix: depth history: .*damaged" "$WORK/err" || fail "damaged: $(cat "$WORK/err")"
start_tarnix QM1 Q1
window=$(monitor_window QM1)
[ "$(wait_for_text 170 111 3)" = "3" ] || fail "the monitor does not run over a damaged history"
press_key_until_gone "$window" Escape
[ "$(tarnix_status)" -eq 0 ] || fail "damaged: non-zero status"
[ "$(wc -l <"$WORK/stderr")" -eq 1 ] || fail "damaged: $(cat "$WORK/stderr")"
grep -q "damaged; the depth history is kept in memory only" "$WORK/stderr" ||
  fail "damaged: $(cat "$WORK/stderr")"
[ "$(md5sum <"$state")" = "$sum" ] || fail "the damaged file was changed"
echo "PASS"
