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

# The cross compiler and qemu; the build machine's moc, uic and rcc, which the arm64 Qt's CMake
# files name (without an architecture qualifier, apt keeps the native ones); the arm64 Qt and
# libcrypto; GoogleTest's sources, which the cross build compiles; gzip and coreutils for the
# command-line test; and what CPack and lintian need for the package.
TAV_ARM64_PACKAGES=(cmake make pkg-config g++-aarch64-linux-gnu qemu-user qt6-base-dev-tools
                    qt6-base-dev:arm64 libssl-dev:arm64 googletest gzip coreutils dpkg-dev file
                    lintian)
missing=()
for p in "${TAV_ARM64_PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  echo "Installing: ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx arm64 || "${as_root[@]}" dpkg --add-architecture arm64
  apt=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900)
  "${apt[@]}" update -qq
  # Without recommends: qemu-user's would register binfmt handlers with the running kernel.
  "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"
fi
cd "$root"  # where the presets are
not() { ! "$@"; }

echo "== arm64 build: core, platform, widget and command-line suites under qemu-aarch64 =="
cmake --preset arm64
cmake --build --preset arm64
ctest --preset arm64

echo "== The arm64 Debian package =="
cmake --preset deb-arm64 >/dev/null
cmake --build --preset deb-arm64 >/dev/null
cpack --preset deb-arm64 >/dev/null
deb="$root/build/deb-arm64/tavrinel_2.0.0_arm64.deb"
check "cpack made $(basename "$deb")" test -f "$deb"
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
