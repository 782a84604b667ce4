#!/usr/bin/env bash
# Installs what is missing, builds the desktop app and starts it from the folder with bg.png.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
tav_need "${TAV_BUILD_PACKAGES[@]}"
cd "$root"   # where the presets are, and where bg.png is looked up
cmake --preset run
cmake --build --preset run
build="$root/build/run"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'TEXT'
No display: Tavrinel is a desktop app and needs a graphical session to show its window.
  - Run this command from a terminal inside your desktop session, or
  - over SSH, connect with 'ssh -X' so the window opens on your own screen, or
  - on a machine with no screen at all, start it on a virtual display (package xvfb):
      xvfb-run -a -s '-screen 0 1600x900x24' bash tools/run.sh
    (nothing appears anywhere; 'bash tools/test-desktop.sh' drives it and checks it there).
For checksums without any window: build/run/app/cli/tavrinel-sums FILE
TEXT
  exit 1
fi
exec "$build/app/qt/tavrinel"
