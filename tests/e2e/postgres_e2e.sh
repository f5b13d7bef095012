#!/usr/bin/env bash
# The real tarnix binary under Xvfb watching a queue manager kept in PostgreSQL, while the
# database server restarts and then stops answering (SIGSTOP): either way the first row counts
# reconnect attempts (R1, R2, ...), and the depth comes back once the server is back.
#   $2: tests/support/postgres_server.sh, which starts a private server for this test alone
source "$(dirname "$0")/e2e_lib.sh"
SERVER=${2:?postgres_server.sh}
stop_server() {
  bash "$SERVER" resume "$WORK/postgres" 2>/dev/null || true
  bash "$SERVER" stop "$WORK/postgres"
}
trap 'stop_server; cleanup' EXIT
bash "$SERVER" start "$WORK/postgres"
start_xvfb

# Every wait on the server is bounded at two seconds.
"$KXADMIN" create PGQM --postgres "$(cat "$WORK/postgres/conninfo") connect_timeout=2" >/dev/null
"$KXADMIN" start PGQM >/dev/null
"$KXADMIN" define PGQM ORDERS --max-depth 10 >/dev/null
"$KXADMIN" put PGQM ORDERS --text order --count 3 --persistent >/dev/null
start_tarnix PGQM ORDERS
window=$(monitor_window PGQM)
[ "$(wait_for_text 170 111 3)" = "3" ] || fail "the depth box does not show 3"

# The labels a sampling of the depth box saw count the attempts up from the first: R1 (or R2, when
# a loaded machine sampled too late for the first), then larger numbers only.
counts_attempts() {
  [ $# -ge 2 ] || return 1
  local previous=0 label
  for label in "$@"; do
    ((${label#R} > previous)) || return 1
    previous=${label#R}
  done
  ((${1#R} <= 2))
}

# Down for six seconds: long enough for the monitor to try more than once.
bash "$SERVER" restart "$WORK/postgres" 6 &
restart=$!
seen=()
for _ in $(seq 24); do
  sleep 0.5
  label=$(edit_text_at 170 111)
  [[ "$label" =~ ^R[0-9]+$ ]] && [[ " ${seen[*]} " != *" $label "* ]] && seen+=("$label")
  [ ${#seen[@]} -ge 2 ] && break
done
echo "while the server was down: ${seen[*]}"
counts_attempts "${seen[@]}" || fail "no R1, R2 while the database server was down, saw '${seen[*]}'"
screenshot postgres_reconnecting
wait "$restart" || fail "the database server did not start again"

# Up again: the depth comes back within the current wait and a tick.
back=""
for _ in $(seq 30); do
  back=$(edit_text_at 170 111)
  [ "$back" = "3" ] && break
  sleep 0.5
done
echo "after the restart: '$back'"
[ "$back" = "3" ] || fail "the depth did not come back after the restart, got '$back'"
"$KXADMIN" put PGQM ORDERS --text order --count 2 >/dev/null
[ "$(wait_for_text 170 111 5)" = "5" ] || fail "the depth does not follow puts after the restart"

# Stopped without a word: no wait outlasts the bound, so the monitor counts its attempts as for a
# server that is down, and is back once the server runs again.
bash "$SERVER" pause "$WORK/postgres"
seen=()
for _ in $(seq 60); do
  sleep 0.5
  label=$(edit_text_at 170 111)
  [[ "$label" =~ ^R[0-9]+$ ]] && [[ " ${seen[*]} " != *" $label "* ]] && seen+=("$label")
  [ ${#seen[@]} -ge 2 ] && break
done
echo "while the server was stopped: ${seen[*]}"
screenshot postgres_server_stopped
bash "$SERVER" resume "$WORK/postgres"
counts_attempts "${seen[@]}" ||
  fail "no R1, R2 while the database server was stopped, saw '${seen[*]}'"
[ "$(wait_for_text 170 111 5)" = "5" ] || fail "the depth did not come back once the server ran"

press_key_until_gone "$window" Escape
[ "$(tarnix_status)" -eq 0 ] || fail "closing the window: non-zero status"
echo "PASS"
