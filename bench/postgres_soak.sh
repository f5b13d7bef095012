#!/usr/bin/env bash
# A fault soak of a queue manager kept in PostgreSQL: for SOAK_SECONDS (default 600), two putters
# put persistent messages and four getters take them, each a process of its own that connects
# again whenever the server goes away, while the server (a private one, with its syncs on) is
# killed with SIGKILL and started again every minute. Then the putters stop and the getters drain
# the queue. At the end, by message id:
#   - no message was delivered twice;
#   - every put that returned success was got or is left: put = got + left;
#   - a put that failed with the connection (in doubt) was kept or not, and if kept, got or left
#     like any other; nothing was got that was never put;
#   - no worker died.
# Usage: bench/postgres_soak.sh [build-dir]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
[[ "$build" = /* ]] || build="$root/$build"
seconds=${SOAK_SECONDS:-600}
cycle=60
server="$root/tests/support/postgres_server.sh"
worker=$build/bench/postgres_soak_worker
kxadmin=$build/tools/kxadmin/kxadmin
[ -x "$worker" ] || { echo "postgres_soak.sh: no $worker; build postgres_soak_worker" >&2; exit 2; }
work=$(mktemp -d)
export KX_DATA_DIR=$work/kx
unset KX_DEFAULT_QMGR
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  bash "$server" stop "$work/server" || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "SOAK FAIL: $*" >&2; exit 1; }

FSYNC=on bash "$server" start "$work/server"
"$kxadmin" create PGSOAK --postgres "$(cat "$work/server/conninfo")" >/dev/null
"$kxadmin" start PGSOAK >/dev/null
"$kxadmin" define PGSOAK Q1 --max-depth 999999999 >/dev/null

putters=()
getters=()
for tag in A B; do
  "$worker" put PGSOAK Q1 "$tag" >"$work/put.$tag" 2>>"$work/errors" &
  putters+=($!)
done
for n in 1 2 3 4; do
  "$worker" get PGSOAK Q1 >"$work/get.$n" 2>>"$work/errors" &
  getters+=($!)
done
pids+=("${putters[@]}" "${getters[@]}")
alive() { for pid in "$@"; do kill -0 "$pid" 2>/dev/null || fail "a worker died"; done; }

start=$SECONDS
crashes=0
while ((SECONDS - start < seconds)); do
  cycle_end=$((SECONDS + cycle))
  while ((SECONDS < cycle_end && SECONDS - start < seconds)); do
    sleep 1
    alive "${putters[@]}" "${getters[@]}"
  done
  ((SECONDS - start < seconds)) || break
  bash "$server" crash "$work/server"
  sleep 1
  bash "$server" up "$work/server"
  crashes=$((crashes + 1))
done

# The putters stop; the getters take what is left, and settle what they took in doubt.
kill -TERM "${putters[@]}"
wait "${putters[@]}" || fail "a putter ended badly"
drained=""
for _ in $(seq 600); do
  depth=$("$kxadmin" queues PGSOAK 2>/dev/null | awk '$1 == "Q1" {print $3}')
  if [ "$depth" = 0 ]; then drained=yes; break; fi
  sleep 1
done
[ -n "$drained" ] || fail "the getters did not drain the queue (depth $depth)"
sleep 3
alive "${getters[@]}"
kill -TERM "${getters[@]}"
wait "${getters[@]}" || fail "a getter ended badly"
left=$("$kxadmin" queues PGSOAK | awk '$1 == "Q1" {print $3}')

cat "$work"/put.* | awk '$1 == "P" {print $2}' | sort >"$work/put"
cat "$work"/put.* | awk '$1 == "D" {print $2}' | sort >"$work/doubt"
cat "$work"/get.* | awk '$1 == "G" {print $2}' | sort >"$work/got"
put=$(wc -l <"$work/put")
doubt=$(wc -l <"$work/doubt")
got=$(wc -l <"$work/got")
twice=$(uniq -d "$work/got" | wc -l)
lost=$(comm -23 "$work/put" "$work/got" | wc -l)
kept=$(comm -12 "$work/doubt" "$work/got" | wc -l)
stray=$(sort "$work/put" "$work/doubt" | comm -13 - "$work/got" | wc -l)
errors=$(cat "$work"/put.* "$work"/get.* | grep -c '^E' || true)
echo "soak: $((SECONDS - start)) s, $crashes crashes of the server (SIGKILL, then started again)"
echo "messages: put $put answered + $kept of $doubt in doubt kept = $((put + kept));" \
  "got $got + left $left = $((got + left))"
echo "delivered twice: $twice; answered puts lost: $lost; got but never put: $stray;" \
  "other failures: $errors"
((put > 0)) || fail "nothing was put"
((twice == 0)) || fail "messages delivered twice"
((lost == 0)) || fail "answered puts lost"
((stray == 0)) || fail "messages got that were never put"
((put + kept == got + left)) || fail "messages unaccounted for"
echo "SOAK PASS"
