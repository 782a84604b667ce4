#!/usr/bin/env bash
# Desktop run: the real app under Xvfb with openbox, driven and read from outside.
#
# The window is read and driven over the accessibility bus, as a screen reader does
# (tools/drive-desktop.py): the file named on the command line (relative to the folder the app
# starts in) shows selected; a file typed into the real open-file dialog is run, each of the
# five values shown is checked against gzip and coreutils, each is copied with its button and
# read back by xclip, and the last is pasted into the compare box, whose answer must name the
# algorithm and the file. Only what the window manager alone shows is read from X: the app
# started with Qt options after the file keeps its own title and size; the outer frame
# is 1280x720 and cannot be resized; closing the window ends the app with status 0.
# On a failure it prints what it saw, with a picture of the screen under build/linux.
# Usage: tools/test-desktop.sh [path/to/tavrinel]. With TAV_SCREENSHOT=file.png set it also
# saves a picture of the window after the run.
set -euo pipefail
start_dir="$PWD"
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# Bounded: the whole run ends within four minutes, and its exit commands still run.
tav_bounded 240 "$@"
tav_utf8
tav_need "${TAV_BUILD_PACKAGES[@]}" "${TAV_TEST_PACKAGES[@]}"

app="${1:-$root/build/linux/app/qt/tavrinel}"
if [ ! -x "$app" ]; then
  (cd "$root" && cmake --preset linux >/dev/null && cmake --build --preset linux --target tavrinel)
  app="$root/build/linux/app/qt/tavrinel"
fi
app="$(realpath "$app")"
shots="$root/build/linux/test-desktop"

work="$(mktemp -d)"
tav_at_exit "rm -rf '$work'"

export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
tav_start_x_stack "$work" atspi openbox

sample="$work/받은 파일 sample.bin"
head -c 1048583 /dev/urandom >"$sample"
sums() { "$1sum" <"$sample" | cut -d' ' -f1; }
expect=(--expect CRC32 gzip "$(tav_gzip_crc "$sample")" --expect MD5 md5sum "$(sums md5)"
        --expect SHA-1 sha1sum "$(sums sha1)" --expect SHA-256 sha256sum "$(sums sha256)"
        --expect SHA-512 sha512sum "$(sums sha512)")

cd "$root"  # bg.png is looked up in the current directory
# Started with a file named relative to that folder, as from a terminal, and Qt options after
# it, which the app must not read.
started_with="$(pwd -P)/bg.png"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
  "$app" bg.png -qwindowtitle "Not its title" -geometry 300x200+50+60 >"$work/app.log" 2>&1 &
app_pid=$!
tav_at_exit "kill $app_pid 2>/dev/null; wait $app_pid 2>/dev/null; true"
# What the screen showed, once: at the first failed check while the app is still up, or on
# exit (a hang cut short by the time limit, the window never coming, the app not closing).
reported=0
report_once() {
  [ "$reported" = 1 ] || tav_gui_report "$shots" desktop "$work/app.log"
  reported=1
}
tav_at_exit '[ "$tav_status" = 0 ] || report_once'

prefix="Tavrinel Ver 2.0 - 공식배포처 "
wid=""
find_main() {
  wid="$(xdotool search --onlyvisible --pid "$app_pid" --name "^Tavrinel Ver 2\.0 - " 2>/dev/null |
         head -n1)"
  [ -n "$wid" ]
}
if ! wait_for "$TAV_START_SECONDS" find_main; then
  check "the window appears within $TAV_START_SECONDS s" false
  exit 1
fi
title="$(xprop -id "$wid" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')"
check "its own title despite -qwindowtitle (got \"$title\")" \
  test "${title#"$prefix"}" != "$title" -a -n "${title#"$prefix"}"

outer_size() {
  local w h l r t b
  w="$(xwininfo -id "$wid" | sed -n 's/^ *Width: //p')"
  h="$(xwininfo -id "$wid" | sed -n 's/^ *Height: //p')"
  IFS=, read -r l r t b <<<"$(xprop -id "$wid" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')"
  echo "$((w + ${l:-0} + ${r:-0}))x$((h + ${t:-0} + ${b:-0}))"
}
is_outer_1280x720() { [ "$(outer_size)" = 1280x720 ]; }
# The app fits its client area once openbox has put its frame around it.
wait_for 15 is_outer_1280x720 || true
check "outer frame is 1280x720 despite -geometry (got $(outer_size))" is_outer_1280x720
hints="$(xprop -id "$wid" WM_NORMAL_HINTS)"
min="$(sed -n 's/.*minimum size: \([0-9]*\) by \([0-9]*\).*/\1x\2/p' <<<"$hints")"
max="$(sed -n 's/.*maximum size: \([0-9]*\) by \([0-9]*\).*/\1x\2/p' <<<"$hints")"
check "cannot be resized (minimum $min, maximum $max)" test -n "$min" -a "$min" = "$max"

# Everything inside the window, over the accessibility bus; its ok/FAIL lines count here.
{
  status=0
  /usr/bin/python3 "$root/tools/drive-desktop.py" --pid "$app_pid" --wid "$wid" \
    --selected "$started_with" --file "$sample" "${expect[@]}" 2>&1 || status=$?
  echo "$status" >"$work/drive.status"
} | tee "$work/drive.log"
passed=$((passed + $(grep -c '^ok ' "$work/drive.log" || true)))
failed=$((failed + $(grep -c '^FAIL ' "$work/drive.log" || true)))
status="$(cat "$work/drive.status")"
if [ "$status" != 0 ] && ! grep -q '^FAIL ' "$work/drive.log"; then
  check "the accessibility driver ends with status 0 (got $status)" false
fi
[ "$failed" = 0 ] || report_once

if [ -n "${TAV_SCREENSHOT:-}" ]; then
  read -r ax ay <<<"$(xwininfo -id "$wid" | sed -n 's/^ *Absolute upper-left [XY]: *//p' | tr '\n' ' ')"
  IFS=, read -r l r t b <<<"$(xprop -id "$wid" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')"
  shot="$(cd "$start_dir" && realpath -m "$TAV_SCREENSHOT")"
  import -silent -window root -crop "1280x720+$((ax - l))+$((ay - t))" +repage "$shot"
  echo "     screenshot: $shot"
fi

# Closed as a person closes it (Alt+F4 to the window manager, with the window active), the
# app ends by itself with status 0.
main_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$wid" ]; }
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
close_window() {
  main_active || { xdotool windowactivate "$wid" 2>/dev/null; wait_for 10 main_active; } || true
  xdotool key alt+F4
}
status=none
if tav_retry 3 15 close_window ended; then
  status=0
  wait "$app_pid" || status=$?
fi
check "closing the window ends the app with status 0 (got $status)" test "$status" = 0

echo "desktop: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
