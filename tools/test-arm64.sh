#!/usr/bin/env bash
# arm64 check: cross-builds for arm64, runs every suite under qemu-aarch64, makes the arm64 .deb.
#
# It changes the machine it runs on more than the other steps: it adds arm64 to dpkg's
# architectures and installs the arm64 Qt and OpenSSL beside the native ones, and apt then
# upgrades the native copies of the libraries both share, which must have the same version.
# So it runs only where CI=true or TAV_TEST_ARM64=1 asks for it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
tav_utf8

if [ "${CI:-}" != true ] && [ "${TAV_TEST_ARM64:-}" != 1 ]; then
  cat >&2 <<'TEXT'
The arm64 check adds arm64 to dpkg's architectures, installs arm64 libraries and upgrades the
native libraries they share to the same version. Run it with TAV_TEST_ARM64=1 to allow that:
  TAV_TEST_ARM64=1 bash tools/test-arm64.sh
TEXT
  exit 2
fi

# The cross build's packages, qemu, GoogleTest's sources (the cross build compiles them), gzip
# and coreutils for the command-line test, and what CPack and lintian need for the package.
# Without recommends: qemu-user's would register binfmt handlers with the running kernel.
tav_need cmake make pkg-config googletest gzip coreutils dpkg-dev file lintian
tav_need --no-install-recommends "${TAV_ARM64_BUILD_PACKAGES[@]}" qemu-user
cd "$root"  # where the presets are
not() { ! "$@"; }

echo "== arm64 build: core, platform, widget and command-line suites under qemu-aarch64 =="
cmake --preset arm64
cmake --build --preset arm64
ctest --preset arm64

echo "== The arm64 Debian package =="
cmake --preset deb-arm64 >/dev/null
cmake --build --preset deb-arm64 >/dev/null
rm -f "$root"/build/deb-arm64/tavrinel_*_arm64.deb  # so that the one found is this run's
cpack --preset deb-arm64 >/dev/null
debs=("$root"/build/deb-arm64/tavrinel_*_arm64.deb)
deb="${debs[0]}"
check "cpack made $(basename "$deb")" test -f "$deb"
check "its programs are arm64 ones" \
  bash -c 'dpkg-deb --fsys-tarfile "$1" | tar -xOf - ./usr/bin/tavrinel-sums | file - | grep -q aarch64' _ "$deb"
depends="$(dpkg-deb -f "$deb" Depends)"
for need in libqt6widgets6 libssl3; do
  check "depends on $need, found among the arm64 libraries" grep -q "\b$need\b" <<<"$depends"
done
# lintian also compares the programs' machine with the package's architecture.
report="$root/build/deb-arm64/lintian.txt"
lintian --pedantic --display-info "$deb" >"$report" 2>&1 || true
sed 's/^/     lintian: /' "$report"
check "lintian reports no errors or warnings" not grep -q '^[EW]:' "$report"

echo "arm64: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
