#!/usr/bin/env bash
# The build script's own answers, which come before it installs or builds anything: a copy of it
# alone in an empty folder shows whether it tried (there is nothing there to build).
#   $1: the repository's root
set -uo pipefail
root=$(cd "${1:?repository root}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cp "$root/build.sh" "$work/build.sh"

for help in --help -h help; do
  "$work/build.sh" "$help" >"$work/out" 2>"$work/err" || fail "$help: status $?"
  grep -q '^Usage: ./build.sh \[MODE\]' "$work/out" || fail "$help: no usage"
done
grep -q '^  demo ' "$work/out" || fail "the usage does not list the demo"

"$work/build.sh" nonsense >"$work/out" 2>"$work/err"
[ $? -eq 2 ] || fail "an unknown mode: status"
grep -q "unknown mode 'nonsense'" "$work/err" || fail "an unknown mode: $(cat "$work/err")"
grep -q '^Usage:' "$work/err" || fail "an unknown mode: no usage on stderr"

(unset DISPLAY WAYLAND_DISPLAY; "$work/build.sh" demo >"$work/out" 2>"$work/err")
[ $? -eq 1 ] || fail "demo without a display: status"
grep -q 'no graphical session' "$work/err" || fail "demo without a display: $(cat "$work/err")"
grep -q 'Installing\|Configuring\|Building' "$work/out" "$work/err" && fail "demo built something"
[ ! -e "$work/build" ] || fail "demo without a display made a build folder"
echo PASS
