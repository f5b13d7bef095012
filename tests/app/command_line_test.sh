#!/usr/bin/env bash
# The real tarnix binary's command line without a display: help and version need none, an
# unknown option is refused with status 2, and a missing or unreachable display is one line and
# status 1, never an abort.
set -uo pipefail
tarnix=${1:?path of tarnix}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
fail() { echo "FAIL: $*" >&2; exit 1; }

"$tarnix" --help >"$work/out" 2>"$work/err"
[ $? -eq 0 ] || fail "--help: status"
grep -q '^Usage: tarnix \[--notify\] QMGR QUEUE' "$work/out" || fail "--help: $(cat "$work/out")"
[ ! -s "$work/err" ] || fail "--help wrote to stderr: $(cat "$work/err")"

"$tarnix" --version >"$work/out" 2>&1
[ $? -eq 0 ] || fail "--version: status"
grep -Eq '^tarnix [0-9]+\.[0-9]+' "$work/out" || fail "--version: $(cat "$work/out")"

"$tarnix" --frobnicate QM1 Q1 >"$work/out" 2>"$work/err"
[ $? -eq 2 ] || fail "unknown option: status"
[ ! -s "$work/out" ] || fail "unknown option wrote to stdout"
head -1 "$work/err" | grep -q "^tarnix: unknown option '--frobnicate'$" || fail "$(cat "$work/err")"
grep -q '^Usage:' "$work/err" || fail "unknown option: no usage on stderr"

"$tarnix" --choose QM1 Q1 >"$work/out" 2>"$work/err"
[ $? -eq 2 ] || fail "--choose with a queue: status"
head -1 "$work/err" | grep -q "^tarnix: --choose takes at most the name of a queue manager" ||
  fail "$(cat "$work/err")"
grep -q -- '--choose \[QMGR\]' "$work/err" || fail "the usage does not show --choose"

for display in "" ":97"; do
  if [ -n "$display" ]; then export DISPLAY=$display; fi
  (cd "$work" && ulimit -c unlimited && "$tarnix" QM1 Q1 >"$work/out" 2>"$work/err")
  status=$?
  [ "$status" -eq 1 ] || fail "display '$display': status $status: $(cat "$work/err")"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "display '$display': $(cat "$work/err")"
  grep -q '^tarnix: .*display' "$work/err" || fail "display '$display': $(cat "$work/err")"
  ls "$work" | grep -q '^core' && fail "display '$display': a core dump"
done
echo PASS
