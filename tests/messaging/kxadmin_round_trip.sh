#!/usr/bin/env bash
# kxadmin from the outside: exit statuses and output of a round trip and of bad input.
set -u
kxadmin=$1
export KX_DATA_DIR=$(mktemp -d)
unset KX_DEFAULT_QMGR
trap 'rm -rf "$KX_DATA_DIR"' EXIT
failures=0

# expect STATUS PATTERN -- ARGS: runs kxadmin ARGS, checks the exit status and that stdout+stderr
# match the extended regular expression.
expect() {
  local status=$1 pattern=$2
  shift 3
  local out
  out=$("$kxadmin" "$@" 2>&1)
  local got=$?
  if [ "$got" -ne "$status" ] || ! grep -Eq -- "$pattern" <<<"$out"; then
    echo "FAIL: kxadmin $* -> status $got (wanted $status), output:"
    echo "$out" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}

expect 0 'created queue manager QM1' -- create QM1
expect 1 'not available.*kxadmin start QM1' -- put QM1 Q1 --text early
expect 0 'started' -- start QM1
expect 0 'defined local queue Q1' -- define QM1 Q1 --max-depth 3
expect 0 'defined alias A1 for Q1' -- define QM1 A1 --alias-for Q1
expect 0 'put 2 messages' -- put QM1 Q1 --text hello --count 2 --persistent
expect 0 'put 1 message' -- put QM1 A1 --text 'tab	here' --correl-id c1
expect 1 'put 0 of 1 messages.*queue full.*were kept' -- put QM1 Q1 --text overflow
expect 0 'Q1 +local +3 +3' -- queues QM1
expect 0 'A1 +alias.*Q1' -- queues QM1
expect 0 '^3 .*data="tab\\x09here"' -- browse QM1 Q1
expect 0 'persistent=1 .*data="hello"' -- get QM1 Q1
expect 0 'correlid=6331.*data="tab' -- get QM1 Q1 --correl-id c1
expect 0 'purged 1 messages' -- purge QM1 Q1
expect 1 'no message available' -- get QM1 Q1
expect 0 'no messages' -- browse QM1 Q1
expect 0 'QM1 +running' -- list
expect 0 'QM1 is now the default' -- default QM1
expect 0 '^QM1$' -- default

# expect_output STATUS TEXT -- ARGS: as expect, but stdout+stderr must be TEXT exactly.
expect_output() {
  local status=$1 text=$2
  shift 3
  local out
  out=$("$kxadmin" "$@" 2>&1)
  local got=$?
  if [ "$got" -ne "$status" ] || [ "$out" != "$text" ]; then
    echo "FAIL: kxadmin $* -> status $got (wanted $status), output:"
    echo "$out" | sed 's/^/    /'
    echo "  wanted:"
    echo "$text" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}

# Bad input: a clear error, a non-zero status, nothing created or lost.
expect 1 'bad queue manager name.*nothing was created' -- create '../x'
expect 1 'bad queue name.*nothing was defined' -- define QM1 'has blank'
expect 1 "bad queue name '' .*nothing was defined" -- define QM1 ''
expect 1 'already exists.*left as it was' -- define QM1 Q1
expect 1 'is itself an alias' -- define QM1 A2 --alias-for A1
expect 1 'does not exist' -- alter QM1 NOPE --max-depth 5
expect 1 'not within 0 to 999999999' -- alter QM1 Q1 --max-depth -4
expect 1 'is running; stop it first; nothing was deleted' -- delete QM1
expect 2 'excludes' -- put QM1 Q1 --text a --file /dev/null
expect 2 'hex is not 48 hex digits' -- put QM1 Q1 --text a --msg-id-hex 12
expect 1 'cannot read' -- put QM1 Q1 --file /nonexistent/file
expect 2 'required' --
expect 0 'Usage' -- put --help
expect 0 '^kxadmin [0-9]+\.[0-9]+' -- --version
expect 2 "unknown command 'frobnicate'.*kxadmin --help" -- frobnicate QM1
# Options are checked before anything is connected to: the same refusal with the manager stopped.
expect 2 '^kxadmin: put needs the data: --text TEXT or --file PATH; no message was put$' -- put QM1 Q1
expect 2 '--count must be at least 1; no message was removed' -- get QM1 Q1 --count 0
expect 2 '^kxadmin: --limit must be at least 1$' -- browse QM1 Q1 --limit 0
expect 0 'put 1 message' -- put QM1 Q1 --text r --reply-to-q REPLY.Q --reply-to-qmgr QM2
expect 0 'replyto="REPLY.Q" replytoqmgr="QM2" data="r"' -- browse QM1 Q1
expect 0 'replytoqmgr="QM2"' -- get QM1 Q1
printf 'not a store at all' >"$KX_DATA_DIR/JUNK.qmgr"
expect 1 'not a usable queue manager store; the file was left untouched' -- start JUNK
expect 0 'JUNK +damaged' -- list
[ "$(cat "$KX_DATA_DIR/JUNK.qmgr")" = "not a store at all" ] || { echo "FAIL: JUNK changed"; failures=$((failures + 1)); }
[ -e "$KX_DATA_DIR/../x.qmgr" ] && { echo "FAIL: ../x.qmgr was created"; failures=$((failures + 1)); }

expect 0 'stopped' -- stop QM1
expect 1 'already stopped' -- stop QM1
expect 2 'put needs the data' -- put QM1 Q1
expect 2 '--count must be at least 1' -- put QM1 Q1 --text x --count 0
expect 0 'deleted queue manager QM1' -- delete QM1
expect 1 'does not exist' -- queues QM1

# The parser's own mistakes get the one line and status 2 that every command-line mistake gets.
line() { echo "kxadmin: $1; nothing was done ('kxadmin $2 --help' lists what it takes)"; }
expect_output 2 "$(line 'manager is required' define)" -- define
expect_output 2 "$(line 'queue is required' define)" -- define QM1
expect_output 2 "$(line 'Could not convert: --max-depth = abc' define)" -- define QM1 Q1 --max-depth abc
expect_output 2 "$(line 'The following argument was not expected: extra' list)" -- list extra
# Reads change nothing and never say they did.
where=" in $KX_DATA_DIR (reason 2058)"
expect_output 1 "kxadmin: queue manager 'QM1' does not exist$where" -- queues QM1
expect_output 1 "kxadmin: queue manager 'QM1' does not exist$where" -- check QM1
expect_output 1 "kxadmin: cannot connect to queue manager 'QM1': unknown or bad queue manager name (reason 2058)" -- browse QM1 Q1
expect_output 1 "kxadmin: no default queue manager: set KX_DEFAULT_QMGR or run 'kxadmin default NAME' (reason 7012)" -- default

echo "$failures failures"
[ "$failures" -eq 0 ]
