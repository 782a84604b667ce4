#!/usr/bin/env bash
# Installs what is missing, builds the desktop app and starts it from the folder with bg.png.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
source "$here/deps.sh"
tav_need "${TAV_BUILD_PACKAGES[@]}"
cmake -S "$root" -B "$root/build/linux" -DCMAKE_BUILD_TYPE=Release -DTAVRINEL_TESTS=OFF
cmake --build "$root/build/linux" -j2
[ -x "$root/build/linux/app/qt/tavrinel" ] || { echo "The build produced no desktop app" >&2; exit 1; }
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'EOF'
No display: Tavrinel is a desktop app and needs a graphical session to show its window.
  - Run this command from a terminal inside your desktop session, or
  - over SSH, connect with 'ssh -X' so the window opens on your own screen, or
  - on a machine with no screen at all, start it on a virtual display (package xvfb):
      xvfb-run -a -s '-screen 0 1600x900x24' bash tools/run.sh
    (nothing appears anywhere; 'bash tools/test-desktop.sh' drives it and checks it there).
For checksums without any window: build/linux/tools/tavrinel-sums FILE
EOF
  exit 1
fi
cd "$root"   # bg.png is looked up in the current directory
exec "$root/build/linux/app/qt/tavrinel"
