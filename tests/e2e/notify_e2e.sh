#!/usr/bin/env bash
# The real tarnix binary with --notify under Xvfb, on a private session bus with a notification
# listener of the test's own: filling a queue past its warning mark with kxadmin gives exactly
# one "over" note. Without --notify, nothing is sent.
#   $2: the notification listener
# The whole test runs inside a session bus of its own, which ends with it.
if [ -z "${TARNIX_TEST_BUS:-}" ]; then
  TARNIX_TEST_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
source "$(dirname "$0")/e2e_lib.sh"
LISTENER=${2:?notification listener}
start_xvfb

"$KXADMIN" create QM1 >/dev/null
"$KXADMIN" start QM1 >/dev/null
"$KXADMIN" define QM1 ORDERS --max-depth 10 >/dev/null
"$KXADMIN" define QM1 CALM --max-depth 10 >/dev/null

notes=$WORK/notes
"$LISTENER" "$notes" &
LISTENER_PID=$!
trap 'kill "$LISTENER_PID" 2>/dev/null; cleanup' EXIT
for _ in $(seq 50); do
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications 2>/dev/null |
    grep -q 'boolean true' && break
  sleep 0.1
done

start_tarnix --notify QM1 ORDERS CALM
window=$(monitor_window QM1)
"$KXADMIN" put QM1 ORDERS --text order --count 9 --persistent >/dev/null
"$KXADMIN" put QM1 CALM --text order --count 2 --persistent >/dev/null
for _ in $(seq 50); do
  [ -s "$notes" ] && break
  sleep 0.1
done
sleep 3 # three ticks more: the alarm stands, and must not be noted again
echo "notes:"
cat "$notes" 2>/dev/null || true
[ "$(grep -c . "$notes")" -eq 1 ] || fail "expected exactly one note"
grep -q '^QM1: ORDERS is over its warning mark | Depth 9 of at most 10\.$' "$notes" ||
  fail "not the over note"
press_key_until_gone "$window" Escape
[ "$(tarnix_status)" -eq 0 ] || fail "closing the window: non-zero status"
if grep -v 'XDG_RUNTIME_DIR' "$WORK/stderr" | grep -q .; then fail "tarnix reported errors"; fi
echo "PASS"
