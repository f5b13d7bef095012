#!/usr/bin/env bash
# Installs the Debian packages Tarnix needs (when missing), configures and builds it, then:
#   ./build.sh          build only
#   ./build.sh demo     set up the demo queue manager and start the monitor on it
#   ./build.sh test     run every test (warnings are errors in this build)
#   ./build.sh bench    run the benchmarks and print each figure beside its raw baseline
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-build}

packages=(build-essential cmake pkg-config qt6-base-dev qt6-qpa-plugins libsqlite3-dev sqlite3
          libgtest-dev libbenchmark-dev libcli11-dev xvfb xauth xdotool xclip x11-utils imagemagick
          openbox dbus libxcb1-dev desktop-file-utils man-db
          fonts-dejavu-core)
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

werror=OFF
[ "$mode" = test ] && werror=ON
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNIX_WERROR=$werror >/dev/null
cmake --build build -j"$(nproc)"

case "$mode" in
  build) ;;
  demo) exec tools/demo.sh build ;;
  test) ctest --test-dir build --output-on-failure -j"$(nproc)" ;;
  bench) exec bench/run.sh build ;;
  *) echo "usage: $0 [build|demo|test|bench]" >&2; exit 2 ;;
esac
