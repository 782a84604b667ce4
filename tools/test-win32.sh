#!/usr/bin/env bash
# Cross-builds tavrinel.exe and its suites with mingw-w64 and runs them under Wine on Xvfb.
#
# Wine and its windows run on an X server of this script's own, in the build folder's own
# prefix. A failing suite prints what the screen showed, with a picture under
# build/win32/test-win32; one that hangs is pictured while its windows are still up.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# Wine names Unix files in the locale's encoding: UTF-8, so Hangul names reach the tests.
tav_utf8

# Cross compiler, Wine, a virtual X server, Hangul fonts for the windows, GoogleTest sources,
# and the X tools and ImageMagick that tell what the screen showed when a suite fails.
TAV_WIN32_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix wine64 xvfb xauth fonts-noto-cjk
                    googletest x11-utils xdotool imagemagick)
tav_need "${TAV_WIN32_PACKAGES[@]}"

build="$root/build/win32"

echo "== Windows build (mingw-w64) =="
(cd "$root" && cmake --preset win32)
cmake --build --preset win32

echo "== Windows suites under Wine =="
# Never the caller's display: no window flashes on a desktop, and a picture of a failure shows
# only our windows.
tav_start_xvfb
tav_wine "$build/wineprefix"

# Keep the server alive between the test programs, so each does not start Wine's helpers anew.
mkdir -p "$WINEPREFIX"
"$wineserver" -p5 </dev/null >/dev/null 2>&1
marker="$WINEPREFIX/.tavrinel-ready"
# A first start of a prefix takes half a minute here, and several on a busy machine.
boot() { timeout 600 "$wine" wineboot "$@" </dev/null >"$build/wineboot.log" 2>&1; }
if [ ! -e "$marker" ]; then
  echo "Preparing a Wine prefix in $WINEPREFIX"
  boot --init || { echo "wineboot failed:" >&2; cat "$build/wineboot.log" >&2; exit 1; }
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
  boot || { echo "wineboot failed:" >&2; cat "$build/wineboot.log" >&2; exit 1; }
fi

# The suites take seconds. One still running after four minutes hangs: the screen is pictured
# then, while its windows are still up; ctest stops it at five minutes and prints its output.
ctest --test-dir "$build" --output-on-failure --timeout 300 &
ctest_pid=$!
tav_at_exit "kill $ctest_pid 2>/dev/null; wait $ctest_pid 2>/dev/null; true"
ctest_ended() { ! kill -0 "$ctest_pid" 2>/dev/null; }
reported=0
if ! wait_for 240 ctest_ended; then
  echo "     the Windows suites still run after 240 s; what the screen shows now:"
  tav_gui_report "$build/test-win32" wine-hanging
  reported=1
  wait_for 900 ctest_ended || { echo "FAIL ctest did not stop the hanging suite" >&2; exit 1; }
fi
status=0
wait "$ctest_pid" || status=$?
if [ "$status" != 0 ]; then
  echo "FAIL the Windows suites (ctest's status $status; their output is above)"
  [ "$reported" = 1 ] || tav_gui_report "$build/test-win32" wine
  exit 1
fi
