#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test suite.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"
tav_utf8
tav_need "${TAV_BUILD_PACKAGES[@]}" "${TAV_TEST_PACKAGES[@]}"
build="$root/build"

echo "== Linux build: core, platform, widget and command-line suites =="
cmake -S "$root" -B "$build/linux" -DCMAKE_BUILD_TYPE=Release -DTAVRINEL_TESTS=ON -DTAVRINEL_QT=ON
cmake --build "$build/linux" -j2
ctest --test-dir "$build/linux" --output-on-failure -j2

echo "== Core and platform suites under AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake -S "$root" -B "$build/asan" -DCMAKE_BUILD_TYPE=Debug -DTAVRINEL_SANITIZE=ON -DTAVRINEL_QT=OFF
cmake --build "$build/asan" -j2
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$build/asan" --output-on-failure -j2

echo "== The desktop app under Xvfb and a window manager =="
bash "$here/test-desktop.sh" "$build/linux/app/qt/tavrinel"

echo "== The Windows build under Wine =="
bash "$here/test-win32.sh"

echo "== Packages: cmake --install, the .deb unpacked and run (installed with apt only where CI=true or TAV_APT_INSTALL=1), the Windows zip =="
bash "$here/test-package.sh"

echo "All test suites passed."
