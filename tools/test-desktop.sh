#!/usr/bin/env bash
# Desktop smoke run: the real app under Xvfb with openbox, driven and checked from outside.
#
# Only what a window manager and a second program can show: the app started with Qt options
# on its command line keeps its own title and size (it takes nothing from the command line);
# the outer frame is 1280x720 and cannot be resized; a file typed into the real open-file
# dialog is run, and its CRC-32 copied to the clipboard is read back by xclip and compared with
# gzip's; closing the window ends the app with status 0.
# Usage: tools/test-desktop.sh [path/to/tavrinel]. With TAV_SCREENSHOT=file.png set it also
# saves a picture of the window after the run (needs ImageMagick's import).
set -euo pipefail
# Bounded: the whole run ends within four minutes, and its exit commands still run.
if [ -z "${TAV_DESKTOP_BOUNDED:-}" ]; then
  exec env TAV_DESKTOP_BOUNDED=1 timeout -k 10 240 bash "$0" "$@"
fi
trap 'exit 124' TERM INT
start_dir="$PWD"
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
tav_utf8
tav_need "${TAV_BUILD_PACKAGES[@]}" "${TAV_TEST_PACKAGES[@]}"

app="${1:-$root/build/linux/app/qt/tavrinel}"
if [ ! -x "$app" ]; then
  (cd "$root" && cmake --preset linux >/dev/null && cmake --build --preset linux --target tavrinel)
  app="$root/build/linux/app/qt/tavrinel"
fi

work="$(mktemp -d)"
tav_at_exit "rm -rf '$work'"

tav_start_xvfb
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
tav_at_exit "kill $! 2>/dev/null; wait $! 2>/dev/null; true"
wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
  { echo "desktop: openbox did not start" >&2; exit 1; }

sample="$work/sample file.bin"
head -c 1048583 /dev/urandom >"$sample"

cd "$root"  # bg.png is looked up in the current directory
"$app" -qwindowtitle "Not its title" -geometry 300x200+50+60 >"$work/app.log" 2>&1 &
app_pid=$!
tav_at_exit "kill $app_pid 2>/dev/null; wait $app_pid 2>/dev/null; true"

prefix="Tavrinel Ver 2.0 - 공식배포처 "
wid=""
find_main() { wid="$(xdotool search --name "^Tavrinel Ver 2\.0 - " 2>/dev/null | head -n1)"; [ -n "$wid" ]; }
if ! wait_for 15 find_main; then
  check "the window appears under its own title (command-line options ignored)" false
  cat "$work/app.log" >&2
  exit 1
fi
title="$(xprop -id "$wid" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')"
check "title is \"$title\"" test "${title#"$prefix"}" != "$title" -a -n "${title#"$prefix"}"

outer_size() {
  local w h l r t b
  w="$(xwininfo -id "$wid" | sed -n 's/^ *Width: //p')"
  h="$(xwininfo -id "$wid" | sed -n 's/^ *Height: //p')"
  IFS=, read -r l r t b <<<"$(xprop -id "$wid" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')"
  echo "$((w + ${l:-0} + ${r:-0}))x$((h + ${t:-0} + ${b:-0}))"
}
is_outer_1280x720() { [ "$(outer_size)" = 1280x720 ]; }
wait_for 10 is_outer_1280x720 || true
check "outer frame is 1280x720 (got $(outer_size))" is_outer_1280x720
hints="$(xprop -id "$wid" WM_NORMAL_HINTS)"
min="$(sed -n 's/.*minimum size: \([0-9]*\) by \([0-9]*\).*/\1x\2/p' <<<"$hints")"
max="$(sed -n 's/.*maximum size: \([0-9]*\) by \([0-9]*\).*/\1x\2/p' <<<"$hints")"
check "cannot be resized (minimum $min, maximum $max)" test -n "$min" -a "$min" = "$max"

click() { xdotool mousemove --window "$wid" "$1" "$2" click 1; }
active() { xdotool getactivewindow 2>/dev/null || true; }
main_active() { [ "$(active)" = "$wid" ]; }
dialog_active() { local a; a="$(active)"; [ -n "$a" ] && [ "$a" != "$wid" ]; }
box_active() { [ "$(xdotool getactivewindow getwindowname 2>/dev/null)" = "$1" ]; }

# The real dialog: its file-name field has the focus once it is up. Typed too early, keys go
# nowhere; so if the dialog is still open after Return, it is cancelled and typed into again.
for attempt in 1 2 3; do
  click 1200 47
  wait_for 10 dialog_active || continue
  sleep $((attempt))
  xdotool type --delay 10 "$sample"
  sleep 0.5
  xdotool key Return
  wait_for 5 main_active && break
  xdotool key Escape
  wait_for 5 main_active || true
done
check "the dialog closed on the typed name" main_active

# Run, copy the CRC-32, and read the clipboard from another program.
click 1150 652
click 217 192
if wait_for 20 box_active "알림"; then
  got="$(timeout 5 xclip -o -selection clipboard 2>/dev/null || true)"
  check "CRC32 copy puts gzip's $(tav_gzip_crc "$sample") on the clipboard (got $got)" \
    test "$got" = "$(tav_gzip_crc "$sample")"
  xdotool key Return
  wait_for 5 main_active || true
else
  check "CRC32 copy shows its message" false
fi

if [ -n "${TAV_SCREENSHOT:-}" ] && command -v import >/dev/null; then
  sleep 0.5
  read -r ax ay <<<"$(xwininfo -id "$wid" | sed -n 's/^ *Absolute upper-left [XY]: *//p' | tr '\n' ' ')"
  IFS=, read -r l r t b <<<"$(xprop -id "$wid" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')"
  shot="$(cd "$start_dir" && realpath -m "$TAV_SCREENSHOT")"
  import -window root -crop "1280x720+$((ax - l))+$((ay - t))" +repage "$shot"
  echo "     screenshot: $shot"
fi

# Closed as a person closes it, the app ends by itself with status 0.
wait_for 5 main_active || true
xdotool key alt+F4
status=none
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
if wait_for 10 ended; then
  status=0
  wait "$app_pid" || status=$?
fi
check "closing the window ends the app with status 0 (got $status)" test "$status" = 0

echo "desktop: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
