#!/usr/bin/env bash
# The Debian package as lintian judges it: no error and no warning, except the ones the package
# keeps in its overrides file, each with its reason. Skipped (status 77) where lintian is missing;
# build.sh installs it.
#   $1: the build directory
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
if ! command -v lintian >/dev/null; then
  echo "SKIP: lintian is not installed (./build.sh installs it)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >/dev/null
deb=$(ls "$work"/tarnix_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for file in doc/tarnix/copyright doc/tarnix/changelog.gz doc/tarnix/README.md man/man1/tarnix.1.gz \
  man/man1/kxadmin.1.gz; do
  grep -qx "./usr/share/$file" "$work/contents" || fail "no /usr/share/$file in the package"
done
# Each dependency once, by its package name.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | awk '{print $1}' | sort)
[ -z "$(uniq -d <<<"$depends")" ] || fail "named twice in Depends: $(uniq -d <<<"$depends")"

# --fail-on error,warning: any error or warning that is not overridden fails the check.
status=0
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || status=$?
grep -v '^running with root' "$work/lintian" || true
[ "$status" -eq 0 ] || fail "lintian, status $status"
if grep -qE '^[EW]: ' "$work/lintian"; then fail "lintian reports the lines above"; fi
echo PASS
