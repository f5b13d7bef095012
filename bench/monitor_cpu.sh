#!/usr/bin/env bash
# The monitor's own cost while it watches: five queues at the default 1 s refresh, measured as
# the process's CPU time (user + system, from /proc) over 30 seconds under Xvfb.
#   $1: the build directory (default build); $2: seconds to measure (default 30)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
seconds=${2:-30}
work=$(mktemp -d)
export KX_DATA_DIR=$work/kx XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=xcb
xvfb=""
app=""
trap '[ -n "$app" ] && kill $app 2>/dev/null; [ -n "$xvfb" ] && kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT

mkfifo "$work/displayfd"
Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset 9>"$work/displayfd" 2>/dev/null &
xvfb=$!
read -r number <"$work/displayfd"
export DISPLAY=:$number

kxadmin=$build/tools/kxadmin/kxadmin
"$kxadmin" create CPU >/dev/null
"$kxadmin" start CPU >/dev/null
for q in 1 2 3 4 5; do
  "$kxadmin" define CPU WATCH.Q$q >/dev/null
  "$kxadmin" put CPU WATCH.Q$q --text load --count $((q * 100)) >/dev/null
done
"$build/app/main/tarnix" CPU WATCH.Q1 WATCH.Q2 WATCH.Q3 WATCH.Q4 WATCH.Q5 >/dev/null 2>&1 &
app=$!
sleep 3  # start-up is not what is measured

ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
kill -0 "$app" || { echo "tarnix ended early" >&2; exit 1; }
awk -v used=$((after - before)) -v hz="$hz" -v s="$seconds" 'BEGIN {
  cpu = used / hz
  pct = 100 * cpu / s
  printf "monitor_cpu: %.2f s of CPU over %d s watching five queues at 1 s = %.2f%% of one core (target < 1%%): %s\n",
         cpu, s, pct, (pct < 1 ? "PASS" : "FAIL")
}'
