#!/usr/bin/env bash
# Installs what is missing, builds the desktop app and starts it from the folder with bg.png.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
source "$here/deps.sh"
tav_need "${TAV_BUILD_PACKAGES[@]}"
cmake -S "$root" -B "$root/build/linux" -DCMAKE_BUILD_TYPE=Release -DTAVRINEL_TESTS=OFF
cmake --build "$root/build/linux" -j2
if [ ! -x "$root/build/linux/app/qt/tavrinel" ]; then
  echo "The desktop app is not built yet; the headless checker is: $root/build/linux/tools/tavrinel-sums FILE"
  exit 0
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: run this from a desktop session, or start one with e.g. 'Xvfb :1 & DISPLAY=:1 bash tools/run.sh'." >&2
  exit 1
fi
cd "$root"   # bg.png is looked up in the current directory
exec "$root/build/linux/app/qt/tavrinel"
