#!/usr/bin/env bash
# The real tarnix binary under Xvfb: "Gen" with a count of 100 from tarnix.ini puts 100 messages
# onto the selected queue, and the progress bar is back at its start after the run. A run from a
# pipe says why it cannot in a box of its own while the window goes on, and a run held in a put
# by another program's lock does not hold the window's close.
source "$(dirname "$0")/e2e_lib.sh"

# Starts a monitor on Q1 as tarnix.ini now sets it and presses its "Gen" (at cx, cy); the
# window's id lands in $window.
press_gen_in_new_window() {
  rm -f "$WORK/status"
  start_tarnix QM1 Q1
  window=$(monitor_window QM1)
  sleep 0.5
  eval "$(geometry_of "$window")"
  xdotool mousemove $((X + cx)) $((Y + cy)) click 1 # "Gen"
}

start_xvfb

"$KXADMIN" create QM1 >/dev/null
"$KXADMIN" start QM1 >/dev/null
"$KXADMIN" define QM1 Q1 >/dev/null
"$KXADMIN" put QM1 Q1 --text before --count 7 >/dev/null
cd "$WORK"
printf '1 80 1 1 100 0 0 b 256 SRC.Q lines.txt 0 0 0 0 0 0 0 0 0 REPLY.Q QM2\n' >tarnix.ini
layout_of monitor
start_tarnix QM1 Q1
window=$(monitor_window QM1)
xdotool windowsize "$window" 820 580
sleep 0.5
eval "$(geometry_of "$window")"
read -r bx by bw bh <<<"$(rect_of monitor 1071)"
bar="$((bw - 4))x$((bh - 4))+$((X + bx + 2))+$((Y + by + 2))"
screenshot generator_before
convert "$SHOTS/generator_before.png" -crop "$bar" +repage "$WORK/bar_before.png"

read -r cx cy <<<"$(centre_of monitor 1041)"
xdotool mousemove $((X + cx)) $((Y + cy)) click 1 # "Gen"
depth=""
for _ in $(seq 100); do
  depth=$("$KXADMIN" queues QM1 | awk '$1 == "Q1" {print $3}')
  [ "$depth" = "107" ] && break
  sleep 0.1
done
echo "depth of Q1 after Gen: $depth"
[ "$depth" = "107" ] || fail "Gen did not put 100 messages (depth $depth)"
sleep 1
screenshot generator_after
convert "$SHOTS/generator_after.png" -crop "$bar" +repage "$WORK/bar_after.png"
changed=$(compare -metric AE "$WORK/bar_before.png" "$WORK/bar_after.png" null: 2>&1 || true)
echo "progress bar pixels changed by the run: $changed"
[ "$changed" = "0" ] || fail "the progress bar is not back at its start"
"$KXADMIN" browse QM1 Q1 --limit 8 | tail -1 | grep -q 'length=256' || fail "no 256-byte message"

press_key_until_gone "$window" Escape
[ "$(tarnix_status)" -eq 0 ] || fail "closing the window: non-zero status"
[ ! -s "$WORK/stdout" ] || fail "the run printed: $(cat "$WORK/stdout")"

# A pipe as the source file: the run ends at once with its line, on standard output and in a box
# "Gen" over the window, which stays.
mkfifo "$WORK/lines.fifo"
printf '1 80 1 1 5 0 0 f 256 SRC.Q %s 0 0 0 0 0 0 0 0 0 REPLY.Q QM2\n' "$WORK/lines.fifo" >tarnix.ini
press_gen_in_new_window
box=$(visible_windows '^Gen$')
[ -n "$box" ] || fail "no box after a run from a pipe"
said="Cannot open the input file $WORK/lines.fifo: not a regular file"
[ "$(cat "$WORK/stdout")" = "$said" ] || fail "the run printed: $(cat "$WORK/stdout")"
screenshot generator_failed
[ -n "$(visible_windows '^QM1$')" ] || fail "the window went with the run"
press_key_until_gone "$box" Return
press_key_until_gone "$window" Escape
[ "$(tarnix_status)" -eq 0 ] || fail "closing the window: non-zero status"

# Another program holds the store's write lock, so the run waits in its first put, where no stop
# reaches it: closing the window still ends the program at once, not when the lock's wait ends.
printf '1 80 1 1 5 0 0 b 256 SRC.Q lines.txt 0 0 0 0 0 0 0 0 0 REPLY.Q QM2\n' >tarnix.ini
mkfifo "$WORK/sql"
sqlite3 "$KX_DATA_DIR/QM1.qmgr" <"$WORK/sql" >/dev/null &
locker=$!
exec 8>"$WORK/sql"
echo 'BEGIN IMMEDIATE;' >&8
press_gen_in_new_window
sleep 1
started=$(date +%s%N)
xdotool windowfocus --sync "$window" key Escape
status=$(tarnix_status)
took=$((($(date +%s%N) - started) / 1000000))
echo "COMMIT;" >&8
exec 8>&-
wait "$locker"
echo "closing during a held put took $took ms"
[ "$status" -eq 0 ] || fail "closing the window: status $status"
[ "$took" -lt 2000 ] || fail "closing the window took $took ms"
echo "PASS"
