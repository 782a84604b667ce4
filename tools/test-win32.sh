#!/usr/bin/env bash
# Cross-builds tavrinel.exe and its suites with mingw-w64 and runs them under Wine on Xvfb.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# Wine names Unix files in the locale's encoding: UTF-8, so Hangul names reach the tests.
tav_utf8

# Cross compiler, Wine, a virtual X server, Hangul fonts for the windows, GoogleTest sources.
TAV_WIN32_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix wine64 xvfb xauth fonts-noto-cjk
                    googletest)
tav_need "${TAV_WIN32_PACKAGES[@]}"

build="${TAV_WIN32_BUILD:-$root/build/win32}"

echo "== Windows build (mingw-w64) =="
(cd "$root" && cmake --preset win32 -B "$build")
cmake --build "$build" -j2

echo "== Windows suites under Wine =="
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver="$(command -v wineserver)"
export WINEPREFIX="$build/wineprefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

[ -n "${DISPLAY:-}" ] || tav_start_xvfb
# Only what this script started: this prefix's wineserver (before our X server goes).
tav_at_exit "'$wineserver' -k >/dev/null 2>&1; true"

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
