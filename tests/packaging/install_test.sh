#!/usr/bin/env bash
# An installation as a newcomer would make it: into a prefix of its own, and as a Debian package.
#   $1: the build directory
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null
bin=$work/prefix/bin
for program in tarnix kxadmin; do
  [ -x "$bin/$program" ] || fail "no $program in bin/"
done
(unset DISPLAY; "$bin/tarnix" --version) | grep -Eq '^tarnix [0-9]' || fail "installed tarnix --version"
"$bin/kxadmin" --help >"$work/help" || fail "installed kxadmin --help: status"
grep -q 'create' "$work/help" || fail "installed kxadmin --help"
desktop-file-validate "$work/prefix/share/applications/tarnix.desktop" || fail "desktop entry"
for size in 16 32 48 256; do
  [ -s "$work/prefix/share/icons/hicolor/${size}x${size}/apps/tarnix.png" ] || fail "no ${size}px icon"
done
for page in tarnix kxadmin; do
  MANWIDTH=80 man -l "$work/prefix/share/man/man1/$page.1.gz" >"$work/man.out" 2>"$work/man.err"
  grep -q "^NAME" "$work/man.out" || fail "man page of $page does not render"
  [ ! -s "$work/man.err" ] || fail "man page of $page: $(cat "$work/man.err")"
done
# The demo needs a display, and says so.
said=$(KX_DATA_DIR=$work/kx DISPLAY= "$bin/tarnix" --demo 2>&1) && fail "tarnix --demo ran without a display"
grep -q 'DISPLAY is not set' <<<"$said" || fail "tarnix --demo without a display: $said"

# The Debian package carries the same files and names what it needs.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/deb" >/dev/null
deb=$(ls "$work"/deb/tarnix_*.deb)
dpkg-deb -c "$deb" >"$work/contents"
grep -q './usr/bin/tarnix$' "$work/contents" || fail "no tarnix in the package"
grep -q './usr/share/applications/tarnix.desktop$' "$work/contents" || fail "no desktop entry"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "the package does not need Qt"
dpkg-deb -f "$deb" Depends | grep -q 'libpq5' || fail "the package does not need libpq"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6charts6' || fail "the package does not need Qt Charts"
dpkg-deb -x "$deb" "$work/unpacked"
(unset DISPLAY; "$work/unpacked/usr/bin/tarnix" --help) | grep -q '^Usage: tarnix' || fail "packaged tarnix"
echo PASS
