#!/usr/bin/env bash
# Starts the monitor on the demo queue manager of the embedded store, creating it with a few
# queues and messages on first use.
#   tools/demo.sh BUILD-DIR   the programs of a build tree
#   tarnix-demo               installed: the programs beside this script
set -euo pipefail
if [ $# -ge 1 ]; then
  kxadmin=$1/tools/kxadmin/kxadmin
  tarnix=$1/app/main/tarnix
else
  here=$(cd "$(dirname "$(readlink -f "$0")")" && pwd)
  kxadmin=$here/kxadmin
  tarnix=$here/tarnix
fi
manager=DEMO

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to open the monitor on: DISPLAY is not set. Run this in a graphical session." >&2
  exit 1
fi
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
exec "$tarnix" "$manager" DEMO.ORDERS DEMO.REPLIES DEMO.EVENTS DEMO.ORDERS.ALIAS
