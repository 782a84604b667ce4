#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test suite.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
source "$here/deps.sh"
# File names and window titles in the suites are Hangul: read and print them as UTF-8
# whatever locale the caller has (CI may have none).
export LANG=C.UTF-8 LC_ALL=C.UTF-8
tav_need "${TAV_BUILD_PACKAGES[@]}" "${TAV_TEST_PACKAGES[@]}"

jobs=2
build="$root/build"

echo "== Linux build and tests =="
cmake -S "$root" -B "$build/linux" -DCMAKE_BUILD_TYPE=Release -DTAVRINEL_TESTS=ON -DTAVRINEL_QT=ON
cmake --build "$build/linux" -j"$jobs"
ctest --test-dir "$build/linux" --output-on-failure -j"$jobs"

echo "== Linux core suites under AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake -S "$root" -B "$build/asan" -DCMAKE_BUILD_TYPE=Debug -DTAVRINEL_SANITIZE=ON -DTAVRINEL_QT=OFF
cmake --build "$build/asan" -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$build/asan" --output-on-failure -j"$jobs"

for extra in "$here"/test-*.sh; do
  [ -e "$extra" ] || continue
  bash "$extra"
done
echo "All test suites passed."
