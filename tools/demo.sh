#!/usr/bin/env bash
# Starts the monitor of a build tree on the demo queue manager of the embedded store; tarnix
# --demo makes it with its queues and messages on first use.
#   tools/demo.sh BUILD-DIR
set -euo pipefail
tarnix=${1:?build directory}/app/main/tarnix
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to open the monitor on: DISPLAY is not set. Run this in a graphical session." >&2
  exit 1
fi
exec "$tarnix" --demo
