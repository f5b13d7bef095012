#!/usr/bin/env bash
# kxadmin export and import of 100,000 messages of 1 KB against kxadmin get and put of the same
# messages, the real binaries timed in the same run, each the median of three rounds:
#   export (browse)    rate at least 0.5 of get's
#   export --take      rate at least 0.5 of get's
#   import             rate at least 0.5 of put's
#   $1: the build directory (default build); $2: messages (default 100000)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
count=${2:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export KX_DATA_DIR=$work/kx
kxadmin=$build/tools/kxadmin/kxadmin
"$kxadmin" create BENCH >/dev/null
"$kxadmin" start BENCH >/dev/null
"$kxadmin" define BENCH Q --max-depth "$count" >/dev/null
head -c 1024 /dev/zero | tr '\0' 'x' >"$work/body"

# Seconds a command takes, its output dropped; a failure ends the run.
timed() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
median() { printf '%s\n' "$@" | sort -g | sed -n 2p; }
depth() { "$kxadmin" queues BENCH --json | python3 -c 'import json,sys; print(json.load(sys.stdin)["queues"][0]["depth"])'; }

puts=() gets=() exports=() takes=() imports=()
for round in 1 2 3; do
  rm -f "$work"/*.jsonl
  puts+=("$(timed "$kxadmin" put BENCH Q --file "$work/body" --count "$count")")
  exports+=("$(timed "$kxadmin" export BENCH Q --to "$work/browsed.jsonl")")
  takes+=("$(timed "$kxadmin" export BENCH Q --take --to "$work/taken.jsonl")")
  [ "$(depth)" = 0 ] || { echo "transfer: export --take left messages" >&2; exit 1; }
  imports+=("$(timed "$kxadmin" import BENCH Q --from "$work/taken.jsonl")")
  [ "$(depth)" = "$count" ] || { echo "transfer: import did not put every message" >&2; exit 1; }
  gets+=("$(timed "$kxadmin" get BENCH Q --count "$count")")
done
put=$(median "${puts[@]}") get=$(median "${gets[@]}")
status=0
report() {  # name, ours (s), baseline (s), baseline's name
  local ratio verdict
  ratio=$(echo "scale=4; $3 / $2" | bc)
  verdict=$(echo "$ratio >= 0.5" | bc)
  [ "$verdict" = 1 ] && verdict=PASS || { verdict=FAIL; status=1; }
  printf "%-28s %10.3f s %10.3f s %7.2f  %-18s %s\n" "$1 ($count)" "$2" "$3" "$ratio" \
    "rate >= 0.5 x $4" "$verdict"
}
report "kxadmin export" "$(median "${exports[@]}")" "$get" get
report "kxadmin export --take" "$(median "${takes[@]}")" "$get" get
report "kxadmin import" "$(median "${imports[@]}")" "$put" put
exit $status
