#!/usr/bin/env bash
# Starts the monitor on the demo queue manager of the embedded store, creating it with a few
# queues and messages on first use. $1: the build directory (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
kxadmin=$build/tools/kxadmin/kxadmin
tarnix=$build/app/main/tarnix
manager=DEMO

if ! "$kxadmin" list | grep -q "^$manager "; then
  echo "Setting up the demo queue manager $manager in ${KX_DATA_DIR:-the kx data directory}"
  "$kxadmin" create "$manager"
  "$kxadmin" start "$manager"
  "$kxadmin" define "$manager" DEMO.ORDERS --max-depth 100
  "$kxadmin" define "$manager" DEMO.REPLIES
  "$kxadmin" define "$manager" DEMO.EVENTS --max-depth 50
  "$kxadmin" define "$manager" DEMO.ORDERS.ALIAS --alias-for DEMO.ORDERS
  # Orders stand above the 80% warning mark, so that row shows red.
  "$kxadmin" put "$manager" DEMO.ORDERS --text "order" --count 85 --persistent >/dev/null
  "$kxadmin" put "$manager" DEMO.REPLIES --text "reply" --count 12 --persistent >/dev/null
  "$kxadmin" put "$manager" DEMO.EVENTS --text "event" --count 3 --persistent >/dev/null
fi
if "$kxadmin" list | grep -q "^$manager .*stopped"; then
  "$kxadmin" start "$manager"
fi
"$kxadmin" queues "$manager"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to open the monitor on (DISPLAY is not set)." >&2
  exit 1
fi
exec "$tarnix" "$manager" DEMO.ORDERS DEMO.REPLIES DEMO.EVENTS DEMO.ORDERS.ALIAS
