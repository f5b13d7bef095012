#!/usr/bin/env bash
# Installs the Debian packages Tarnix needs (when missing), configures and builds it, then runs
# what the mode asks for. ./build.sh --help lists the modes.
set -euo pipefail
cd "$(dirname "$0")"

usage() {
  cat <<'USAGE'
Usage: ./build.sh [MODE]
Installs the Debian packages Tarnix needs (when missing), builds, and then:
  build      build everything, nothing more (the default)
  demo       build the monitor and kxadmin, set up the demo queue manager and start the monitor
             on it (needs a graphical session)
  test       build everything and run every test
  bench      build everything and run the benchmarks, each figure beside its raw baseline
  sanitize   every test again but the packaging ones, built with AddressSanitizer and
             UndefinedBehaviorSanitizer (in build-sanitize); any report from any process fails
             the run
  tsan       the messaging, headless toolkit and monitor tests built with ThreadSanitizer
             (in build-tsan)
  fuzz       build the fuzz targets with clang's libFuzzer (in build-fuzz) and run each for
             FUZZ_SECONDS seconds (default 60), one after the other; FUZZ_SEED fixes the seed
  lint       clang-tidy over the whole tree with the checks of .clang-tidy, warnings as errors
             (each target read as one unit, in build-lint)
build, demo, test and bench share the folder build, with warnings as errors in each, so that
switching between them rebuilds nothing. The suppression files of the sanitizer runs are in
tests/sanitizers/, each entry with its reason.
USAGE
}

mode=${1:-build}
case "$mode" in
  -h | --help | help) usage; exit 0 ;;
  build | demo | test | bench | sanitize | tsan | fuzz | lint) ;;
  *) echo "build.sh: unknown mode '$mode'" >&2; usage >&2; exit 2 ;;
esac
if [ "$mode" = demo ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "build.sh: the demo opens a window, and there is no graphical session here (DISPLAY is" \
    "not set). Run it from a desktop, or over ssh -X." >&2
  exit 1
fi

packages=(build-essential cmake pkg-config qt6-base-dev qt6-charts-dev qt6-qpa-plugins libsqlite3-dev sqlite3
          libpq-dev postgresql libgtest-dev libbenchmark-dev libcli11-dev xvfb xauth xdotool xclip x11-utils imagemagick
          openbox dbus libxcb1-dev desktop-file-utils man-db lintian nlohmann-json3-dev
          fonts-dejavu-core fonts-liberation2 clang libclang-rt-14-dev clang-tidy)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get install -y -q "${missing[@]}" >/dev/null 2>&1 ||
    { $sudo apt-get update -q >/dev/null && $sudo apt-get install -y -q "${missing[@]}"; }
fi

jobs=$(nproc)
suppressions=$PWD/tests/sanitizers

# configure DIR CMAKE-ARGS...: configures a build folder, quietly.
configure() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

# Fails when a sanitizer wrote a report, from a test or from any process a test started whose
# exit status no one reads (the monitor under Xvfb, kxadmin in a script).
check_reports() {
  local reports=$1
  if compgen -G "$reports/*" >/dev/null; then
    echo "Sanitizer reports:" >&2
    cat "$reports"/* >&2
    return 1
  fi
}

# The sources are read as larger units (eight files to a unit), which about halves a first build;
# lint and the sanitizer build read them so too, so a name two files of a target share is caught
# wherever it is built.
case "$mode" in
  build | test | bench)
    configure build -DTARNIX_WERROR=ON -DCMAKE_UNITY_BUILD=ON
    cmake --build build -j"$jobs"
    ;;
  demo)
    configure build -DTARNIX_WERROR=ON -DCMAKE_UNITY_BUILD=ON
    cmake --build build -j"$jobs" --target tarnix kxadmin
    ;;
esac

case "$mode" in
  build) ;;
  demo) exec tools/demo.sh build ;;
  test) ctest --test-dir build --output-on-failure -j"$jobs" ;;
  bench) exec bench/run.sh build ;;
  sanitize)
    # -O1: the sanitizers see the code much as written, and the build is quicker than at -O2.
    configure build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
      -DCMAKE_UNITY_BUILD=ON \
      -DTARNIX_WERROR=ON -DTARNIX_SANITIZE=address,undefined
    cmake --build build-sanitize -j"$jobs"
    reports=$PWD/build-sanitize/sanitizer-reports
    rm -rf "$reports" && mkdir -p "$reports"
    export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=1:check_initialization_order=1:suppressions=$suppressions/asan.supp"
    export LSAN_OPTIONS="suppressions=$suppressions/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1:halt_on_error=1:suppressions=$suppressions/ubsan.supp"
    status=0
    ctest --test-dir build-sanitize --output-on-failure -j"$jobs" -LE packaging || status=1
    check_reports "$reports" || status=1
    exit $status
    ;;
  tsan)
    configure build-tsan -DTARNIX_WERROR=ON -DTARNIX_SANITIZE=thread
    tests=(messaging/messaging_tests toolkit/toolkit_headless_tests monitor/monitor_tests
           monitor/qt/monitor_qt_tests)
    cmake --build build-tsan -j"$jobs" --target kxadmin store_worker "${tests[@]##*/}"
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$suppressions/tsan.supp"
    export QT_QPA_PLATFORM=offscreen
    for test in "${tests[@]}"; do
      echo "== $test"
      "build-tsan/tests/$test" --gtest_brief=1
    done
    ;;
  lint)
    # Each target's sources read as one unit: the window library's and the test framework's
    # headers are parsed once a target rather than once a file.
    configure build-lint -DCMAKE_BUILD_TYPE=Debug -DCMAKE_UNITY_BUILD=ON \
      -DCMAKE_UNITY_BUILD_BATCH_SIZE=0 -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
    run-clang-tidy -p build-lint -quiet -j "$jobs"
    ;;
  fuzz)
    CC=clang CXX=clang++ configure build-fuzz -DTARNIX_FUZZ=ON -DCMAKE_UNITY_BUILD=ON
    cmake --build build-fuzz -j"$jobs" --target fuzz_targets
    seconds=${FUZZ_SECONDS:-60}
    status=0
    while read -r target; do
      corpus=build-fuzz/corpus/$target
      mkdir -p "$corpus"
      seeds=()
      [ -d "fuzz/seeds/$target" ] && seeds=("fuzz/seeds/$target")
      echo "== $target for ${seconds}s"
      log=build-fuzz/$target.log
      # -len_control=0: inputs of any length from the start; a store file needs a few pages.
      # -timeout: one input that runs this long is a hang, and is reported as one at once.
      # FUZZ_SEED makes a run repeat the inputs of an earlier run from the same corpus.
      if ! "build-fuzz/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 -len_control=0 \
          -timeout=60 ${FUZZ_SEED:+-seed="$FUZZ_SEED"} \
          -artifact_prefix="build-fuzz/$target-" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
        status=1
        tail -n 60 "$log"
      fi
      grep -E '^#[0-9]+[[:space:]]+DONE|^(INFO|==).*(ERROR|leak)' "$log" || true
    done <build-fuzz/fuzz/targets.txt
    exit $status
    ;;
esac
