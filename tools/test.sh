#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test suite.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"
tav_utf8
tav_need "${TAV_BUILD_PACKAGES[@]}" "${TAV_TEST_PACKAGES[@]}"
cd "$root"  # where the presets are

echo "== Linux build: core, platform, widget and command-line suites =="
cmake --preset linux
cmake --build --preset linux
ctest --preset linux

echo "== Core and platform suites under AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake --preset asan
cmake --build --preset asan
ctest --preset asan

echo "== Core and platform suites and tavrinel-sums under ThreadSanitizer =="
cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan

echo "== The desktop app under Xvfb and a window manager =="
bash "$here/test-desktop.sh" "$root/build/linux/app/qt/tavrinel"

echo "== The Windows build under Wine =="
bash "$here/test-win32.sh"

echo "== Packages: cmake --install, the .deb unpacked and run (installed with apt only where CI=true or TAV_APT_INSTALL=1), the Windows zip =="
bash "$here/test-package.sh"

# The arm64 cross build's suites under qemu and the arm64 .deb. It adds arm64 to dpkg's
# architectures and installs the arm64 libraries, so only where asked: CI runs it (CI=true);
# elsewhere TAV_TEST_ARM64=1. Before the release check, whose release has an arm64 .deb too.
if [ "${CI:-}" = true ] || [ "${TAV_TEST_ARM64:-}" = 1 ]; then
  echo "== arm64: the cross build's suites under qemu-aarch64, the arm64 .deb =="
  bash "$here/test-arm64.sh"
fi

# The release check: two whole releases compared byte for byte and the Windows installer under
# Wine, some minutes more. CI runs it (CI=true); elsewhere TAV_TEST_RELEASE=1 asks for it.
if [ "${CI:-}" = true ] || [ "${TAV_TEST_RELEASE:-}" = 1 ]; then
  echo "== Releases: reproducible byte for byte; the Windows installer under Wine =="
  bash "$here/test-release.sh"
fi

echo "All test suites passed."
