#!/usr/bin/env bash
# Cross-builds tavrinel.exe and its suites with mingw-w64 and runs them under Wine on Xvfb.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
source "$here/deps.sh"

# Cross compiler, Wine, a virtual X server, Hangul fonts for the windows, GoogleTest sources.
TAV_WIN32_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix wine64 xvfb xauth fonts-noto-cjk
                    googletest coreutils gzip)
tav_need "${TAV_WIN32_PACKAGES[@]}"

build="${TAV_WIN32_BUILD:-$root/build/win32}"
# Wine names Unix files in the locale's encoding: UTF-8, so Hangul names reach the tests.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

echo "== Windows build (mingw-w64) =="
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j2

echo "== Windows suites under Wine =="
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver="$(command -v wineserver)"
export WINEPREFIX="$build/wineprefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=""
cleanup() {
  # Only what this script started: this prefix's wineserver and our own X server.
  "$wineserver" -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  fdfile="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  [ -s "$fdfile" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
fi

# Keep the server alive between the test programs, so each does not start Wine's helpers anew.
mkdir -p "$WINEPREFIX"
"$wineserver" -p5 </dev/null >/dev/null 2>&1
marker="$WINEPREFIX/.tavrinel-ready"
if [ ! -e "$marker" ]; then
  echo "Preparing a Wine prefix in $WINEPREFIX"
  "$wine" wineboot --init </dev/null >/dev/null 2>&1 || { echo "wineboot failed" >&2; exit 1; }
  add() { "$wine" reg add "$@" /f </dev/null >/dev/null 2>&1; }
  # Hangul text: map the Korean UI font to Noto Sans CJK and link it behind the fonts
  # Wine's controls and boxes use, or every Hangul character draws as a box.
  add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Malgun Gothic' /d 'Noto Sans CJK KR'
  add 'HKCU\Software\Wine\Fonts\Replacements' /v '맑은 고딕' /d 'Noto Sans CJK KR'
  for face in 'Liberation Sans' 'Tahoma' 'MS Shell Dlg'; do
    add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d 'NotoSansCJK-Regular.ttc,Noto Sans CJK KR'
  done
  # No window manager on Xvfb: unmanaged windows, or every modal box waits for one.
  add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
  touch "$marker"
else
  "$wine" wineboot </dev/null >/dev/null 2>&1
fi

ctest --test-dir "$build" --output-on-failure --timeout 600
