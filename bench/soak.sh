#!/usr/bin/env bash
# A soak of the whole system: for SOAK_SECONDS (default 600), the real monitor watches five
# queues under Xvfb, two generator runs at a time put persistent messages onto Q1 (started again
# with "Gen" after every restart), a kxadmin loop gets them, and the queue manager is stopped and
# started every minute. At the end:
#   - every message is accounted for: put (the store's count of puts) = got + left;
#   - the monitor's resident memory is flat: the last minute's average against the first's;
#   - no process died: the monitor closes with status 0, the getter and the X server still run.
# Usage: bench/soak.sh [build-dir]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
[[ "$build" = /* ]] || build="$root/$build"
seconds=${SOAK_SECONDS:-600}
cycle=60
tarnix=$build/app/main/tarnix
kxadmin=$build/tools/kxadmin/kxadmin
work=$(mktemp -d)
export KX_DATA_DIR=$work/kx
unset KX_DEFAULT_QMGR
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "SOAK FAIL: $*" >&2; exit 1; }

mkfifo "$work/displayfd"
Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset 9>"$work/displayfd" \
  2>"$work/xvfb.log" &
xvfb=$!
pids+=("$xvfb")
read -r number <"$work/displayfd"
export DISPLAY=:$number QT_QPA_PLATFORM=xcb

"$kxadmin" create SOAK >/dev/null
"$kxadmin" start SOAK >/dev/null
for q in Q1 Q2 Q3 Q4 Q5; do "$kxadmin" define SOAK "$q" --max-depth 999999999 >/dev/null; done
# Runs of a million persistent 100-byte messages, 2 ms apart; each run ends at the next stop.
printf '1 80 1 0 1000000 2 0 b 100 A B 0 1 0 0 0 0 0 0 0 C D\n' >"$work/tarnix.ini"
(cd "$work" && exec "$tarnix" SOAK Q1 Q2 Q3 Q4 Q5 >"$work/tarnix.out" 2>"$work/tarnix.err") &
monitor=$!
pids+=("$monitor")
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '^SOAK$' 2>/dev/null || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no monitor window"
read -r wx wy < <(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$NF}
  /Absolute upper-left Y/ {print x, $NF}')
press_gen() { xdotool mousemove $((wx + 35)) $((wy + 20)) click 1; }

# The getter: a hundred at a time, counting what it got, trying again while the manager is down.
(
  while true; do
    "$kxadmin" get SOAK Q1 --count 100 2>/dev/null | grep -c '^[0-9]* msgid=' >>"$work/got" || true
  done
) &
getter=$!
pids+=("$getter")

rss_of() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
: >"$work/rss"
start=$SECONDS
cycles=0
while ((SECONDS - start < seconds)); do
  press_gen
  sleep 0.3
  press_gen
  cycle_end=$((SECONDS + cycle))
  while ((SECONDS < cycle_end && SECONDS - start < seconds)); do
    sleep 5
    kill -0 "$monitor" 2>/dev/null || fail "the monitor died: $(cat "$work/tarnix.err")"
    echo "$((SECONDS - start)) $(rss_of "$monitor")" >>"$work/rss"
  done
  "$kxadmin" stop SOAK >/dev/null
  sleep 2 # the monitor counts its reconnects meanwhile
  "$kxadmin" start SOAK >/dev/null
  sleep 3 # and is back within its current wait
  cycles=$((cycles + 1))
done

kill -0 "$getter" 2>/dev/null || fail "the getter died"
kill -0 "$xvfb" 2>/dev/null || fail "the X server died"
kill "$getter"
wait "$getter" 2>/dev/null || true
xdotool windowfocus --sync "$window" key Escape 2>/dev/null || true
status=0
wait "$monitor" || status=$?
[ "$status" -eq 0 ] || fail "the monitor ended with status $status"

put=$(sqlite3 -readonly "$KX_DATA_DIR/SOAK.qmgr" "SELECT next_seq FROM queues WHERE name = 'Q1'")
got=$(awk '{n += $1} END {print n + 0}' "$work/got")
left=$("$kxadmin" queues SOAK | awk '$1 == "Q1" {print $3}')
first=$(awk -v c=$cycle '$1 <= c {s += $2; n++} END {printf "%d", s / n}' "$work/rss")
last=$(awk -v t=$((SECONDS - start - cycle)) '$1 >= t {s += $2; n++} END {printf "%d", s / n}' \
  "$work/rss")
echo "soak: $((SECONDS - start)) s, $cycles stop/start cycles"
echo "messages: put $put = got $got + left $left ($((got + left)))"
echo "monitor resident memory: first minute ${first} kB, last minute ${last} kB"
echo "generator lines: $(grep -c 'reason code' "$work/tarnix.out" || true) runs ended by a stop" \
  "($(sort "$work/tarnix.out" | uniq -c | tr '\n' ';'))"
((put == got + left)) || fail "messages unaccounted for"
((put > 0)) || fail "nothing was put"
((last <= first + first / 10 + 2048)) || fail "the monitor's memory grew"
echo "SOAK PASS"
