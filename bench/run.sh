#!/usr/bin/env bash
# Runs the benchmarks and prints each figure beside its raw SQLite baseline, with the ratio and
# PASS/FAIL against the targets:
#   puts and gets          at least 0.5 of the baseline's rate
#   with COA and COD       puts and gets of messages that ask for both reports (each also puts a
#                          report) at least 0.4 of the same baselines' rate, on each backend
#   browse next            at most 2.5 times the baseline's time
#   depth at 1,000,000     at most 1.5 times depth at 1,000
#   one depth-poll tick    at most 3 times ten raw reads (depth and maximum of five queues),
#                          also with the depth history kept in its file
#   taking message 1000    at most 2.5 times 1001 raw browses and a raw delete (100,000 deep)
#   the Remove click       at most 2.5 times that and the 1001 raw browses of its display
#   emptying a queue       at least 0.5 of a raw select-and-delete loop's rate (100,000 messages)
#   generator runs         at least 0.8 of a bare loop of the same client calls' rate (20,000
#                          random 1 KB messages; 20,000 copies of a 1,000-message queue)
#   the monitor's CPU      under 1% of one core watching five queues at 1 s (monitor_cpu.sh)
#   kxadmin export/import  export (browsing, and with --take) at least 0.5 of kxadmin get's rate,
#                          import at least 0.5 of kxadmin put's, 100,000 messages of 1 KB
#                          (transfer.sh)
#   PostgreSQL backend     put and get at least 0.5 of raw libpq statements' rate; depth at
#                          1,000,000 at most 1.5 times depth at 1,000; eight getters draining
#                          100,000 persistent messages at least 3 times one getter's rate (on a
#                          private server with its syncs on)
# Usage: bench/run.sh [build-dir]   (default: build). Extra benchmark flags go in KX_BENCH_FLAGS;
# BENCH_SKIP_CPU=1 skips the 30-second CPU measurement, BENCH_SKIP_TRANSFER=1 the few minutes of
# export and import.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
[[ "$build" = /* ]] || build="$root/$build"
outs=()
postgres=$(mktemp -d)
cleanup() {
  rm -f "${outs[@]}"
  bash "$root/tests/support/postgres_server.sh" stop "$postgres/server" || true
  rm -rf "$postgres"
}
trap cleanup EXIT
FSYNC=on bash "$root/tests/support/postgres_server.sh" start "$postgres/server"
export KX_TEST_POSTGRES=$postgres/server/conninfo
for name in kx_bench poll_bench removal_bench generator_bench postgres_bench; do
  bench="$build/bench/$name"
  [ -x "$bench" ] || { echo "run.sh: no $bench; build the $name target first" >&2; exit 2; }
  out="$(mktemp)"
  outs+=("$out")
  # Repetitions interleaved at random, so that a change in the machine's load hits both sides.
  "$bench" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true --benchmark_format=json --benchmark_out="$out" \
    --benchmark_out_format=json ${KX_BENCH_FLAGS:-} >/dev/null
done

status=0
python3 - "${outs[@]}" <<'PY' || status=1
import json, sys

runs = [run for path in sys.argv[1:] for run in json.load(open(path))["benchmarks"]]
median = {}
for run in runs:
    if run.get("aggregate_name") == "median":
        name = run["run_name"].replace("/real_time", "")
        median[name] = run["real_time"] * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[run["time_unit"]]

def us(ns):
    return f"{ns / 1000:10.2f} us"

failed = False
print(f"{'benchmark':28} {'ours':>13} {'baseline':>13} {'ratio':>7}  target")
def row(name, ours, base, ratio, ok, target):
    global failed
    failed |= not ok
    print(f"{name:28} {us(ours)} {us(base)} {ratio:7.2f}  {target:18} {'PASS' if ok else 'FAIL'}")

def both(ours, base):
    """Both figures of a comparison; a missing one (a benchmark that failed) fails the run."""
    global failed
    a, b = median.get(ours), median.get(base)
    if a is None or b is None:
        failed = True
        print(f"{ours:28} missing: {ours if a is None else base} gave no figure  FAIL")
        return None, None
    return a, b

for name in ["PutNonPersistent", "PutPersistent", "GetDestructive"]:
    ours, base = both("BM_" + name, "BM_Raw_" + name)
    if ours and base:
        rate = base / ours  # our rate as a share of the baseline's
        row(name, ours, base, rate, rate >= 0.5, "rate >= 0.5 x raw")
# With confirmation on arrival and on delivery asked for, each put and get also puts a report.
for name, base in [("PutWithReports", "PutNonPersistent"), ("GetWithReports", "GetDestructive")]:
    ours, raw = both("BM_" + name, "BM_Raw_" + base)
    if ours and raw:
        rate = raw / ours
        row(name, ours, raw, rate, rate >= 0.4, "rate >= 0.4 x raw")
ours, base = both("BM_BrowseNext", "BM_Raw_BrowseNext")
if ours and base:
    row("BrowseNext", ours, base, ours / base, ours / base <= 2.5, "time <= 2.5 x raw")
small, large = both("BM_DepthQuery/1000", "BM_DepthQuery/1000000")
if small and large:
    row("DepthQuery/1000000", large, small, large / small, large / small <= 1.5,
        "time <= 1.5 x /1000")
ours, base = both("BM_PollTick", "BM_Raw_TenReads")
if ours and base:
    row("PollTick (5 x 100,000)", ours, base, ours / base, ours / base <= 3,
        "time <= 3 x 10 reads")
ours, base = both("BM_PollTickWithHistory", "BM_Raw_TenReads")
if ours and base:
    row("PollTick with history", ours, base, ours / base, ours / base <= 3,
        "time <= 3 x 10 reads")
for name, label in [("TakeNthMessage", "TakeNthMessage (1000th)"),
                    ("RemoveMessage", "Remove click (1000th)")]:
    ours, base = both("BM_" + name, "BM_Raw_" + name)
    if ours and base:
        row(label, ours, base, ours / base, ours / base <= 2.5, "time <= 2.5 x raw")
ours, base = both("BM_EmptyQueue/iterations:1", "BM_Raw_EmptyQueue/iterations:1")
if ours and base:
    rate = base / ours
    row("EmptyQueue (100,000)", ours, base, rate, rate >= 0.5, "rate >= 0.5 x raw")
for name in ["GeneratorRandom", "GeneratorCopies"]:
    ours, base = both("BM_" + name + "/iterations:1", "BM_Bare_" + name + "/iterations:1")
    if ours and base:
        rate = base / ours
        row(name + " (20,000)", ours, base, rate, rate >= 0.8, "rate >= 0.8 x bare")
for name in ["PutNonPersistent", "PutPersistent", "GetDestructive"]:
    ours, base = both("BM_Pg_" + name, "BM_PgRaw_" + name)
    if ours and base:
        rate = base / ours
        row("Postgres " + name, ours, base, rate, rate >= 0.5, "rate >= 0.5 x raw")
for name, base in [("PutWithReports", "PutNonPersistent"), ("GetWithReports", "GetDestructive")]:
    ours, raw = both("BM_Pg_" + name, "BM_PgRaw_" + base)
    if ours and raw:
        rate = raw / ours
        row("Postgres " + name, ours, raw, rate, rate >= 0.4, "rate >= 0.4 x raw")
small, large = both("BM_Pg_DepthQuery/1000", "BM_Pg_DepthQuery/1000000")
if small and large:
    row("Postgres Depth/1000000", large, small, large / small, large / small <= 1.5,
        "time <= 1.5 x /1000")
one, eight = both("BM_Pg_Drain/1/100000/iterations:1/manual_time",
                  "BM_Pg_Drain/8/100000/iterations:1/manual_time")
if one and eight:
    row("Postgres Drain 8 getters", eight, one, one / eight, one / eight >= 3,
        "rate >= 3 x 1 getter")
ours, base = median.get("BM_Pg_DepthQuery/1000"), median.get("BM_PgRaw_DepthQuery")
if ours and base:
    print(f"{'Postgres DepthQuery/1000':28} {us(ours)} {us(base)} {ours / base:7.2f}  (for reference)")
for n in ["1000", "1000000"]:
    ours, base = median.get("BM_DepthQuery/" + n), median.get("BM_Raw_DepthQuery/" + n)
    if ours and base:
        print(f"{'DepthQuery/' + n:28} {us(ours)} {us(base)} {ours / base:7.2f}  (for reference)")
sys.exit(1 if failed else 0)
PY

if [ -z "${BENCH_SKIP_CPU:-}" ]; then
  "$root/bench/monitor_cpu.sh" "$build" || status=1
fi
if [ -z "${BENCH_SKIP_TRANSFER:-}" ]; then
  "$root/bench/transfer.sh" "$build" || status=1
fi
exit $status
