#!/usr/bin/env bash
# Runs the desktop run 20 times and the Wine suites 5 times while two busy loops hold both cores.
#
# Not part of the test command: it shows that the GUI steps wait on what they see rather than
# on time, on a machine shared with other jobs. Each run's output is kept in build/load/; the
# last line sums up, e.g. "desktop 20/20, wine 5/5", and the status is 0 only when all passed.
# Usage: tools/load.sh [desktop runs] [wine runs]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
tav_utf8
desktop_runs="${1:-20}" wine_runs="${2:-5}"

app="$root/build/linux/app/qt/tavrinel"
(cd "$root" && cmake --preset linux >/dev/null && cmake --build --preset linux --target tavrinel >/dev/null)
out="$root/build/load"
rm -rf "$out"
mkdir -p "$out"

# Two processes that never wait for anything, one per core, at the tests' own priority.
for _ in 1 2; do
  sha256sum /dev/zero &
  tav_at_exit "kill $! 2>/dev/null; wait $! 2>/dev/null; true"
done

run() {  # name, log, command...: prints one line with its time and result
  local name="$1" log="$2" start status=0; shift 2
  start=$SECONDS
  "$@" >"$log" 2>&1 || status=$?
  if [ "$status" = 0 ]; then
    echo "$name: passed in $((SECONDS - start)) s"
  else
    echo "$name: FAILED (status $status) in $((SECONDS - start)) s; its output: $log"
    grep -E '^(FAIL|screenshot:)' "$log" | sed 's/^/    /' || true
  fi
  return "$status"
}

desktop_passed=0 wine_passed=0
for ((i = 1; i <= desktop_runs; i++)); do
  run "desktop $i" "$out/desktop-$i.log" bash "$root/tools/test-desktop.sh" "$app" &&
    desktop_passed=$((desktop_passed + 1))
done
for ((i = 1; i <= wine_runs; i++)); do
  run "wine $i" "$out/wine-$i.log" bash "$root/tools/test-win32.sh" &&
    wine_passed=$((wine_passed + 1))
done

echo "desktop $desktop_passed/$desktop_runs, wine $wine_passed/$wine_runs" | tee "$out/summary"
[ "$desktop_passed" = "$desktop_runs" ] && [ "$wine_passed" = "$wine_runs" ]
