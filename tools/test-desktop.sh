#!/usr/bin/env bash
# Desktop smoke run: the real app under Xvfb with openbox, checked from outside with X tools.
#
# Checks the window's title, its outer size of 1280x720 as the window manager frames it, that
# it cannot be resized, then drives a person's use with xdotool: choose a file in the dialog,
# run, press each copy button and read the clipboard back with xclip (compared with gzip's
# CRC-32 and coreutils' digests), paste into the compare box and compare, close the window.
# Usage: tools/test-desktop.sh [path/to/tavrinel]. With TAV_SCREENSHOT=file.png set it also
# saves a picture of the window after the run (needs ImageMagick's import).
# Ends only the processes it started.
set -euo pipefail
# Bounded: the whole run ends within four minutes, and its EXIT trap still cleans up.
if [ -z "${TAV_DESKTOP_BOUNDED:-}" ]; then
  exec env TAV_DESKTOP_BOUNDED=1 timeout -k 10 240 bash "$0" "$@"
fi
trap 'exit 124' TERM INT
# X tools print window titles in the locale's encoding: UTF-8, so the Hangul title compares.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
start_dir="$PWD"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
source "$here/deps.sh"
tav_need "${TAV_BUILD_PACKAGES[@]}" "${TAV_TEST_PACKAGES[@]}"

app="${1:-$root/build/linux/app/qt/tavrinel}"
if [ ! -x "$app" ]; then
  cmake -S "$root" -B "$root/build/linux" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$root/build/linux" -j2 --target tavrinel
  app="$root/build/linux/app/qt/tavrinel"
fi

work="$(mktemp -d)"
xvfb_pid="" wm_pid="" app_pid=""
cleanup() {
  local pid
  for pid in "$app_pid" "$wm_pid" "$xvfb_pid"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  done
  for pid in "$app_pid" "$wm_pid" "$xvfb_pid"; do
    [ -n "$pid" ] && wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
check() {  # description, then a command that must succeed
  local what="$1"; shift
  if "$@"; then
    passed=$((passed + 1)); echo "ok   $what"
  else
    failed=$((failed + 1)); echo "FAIL $what"
  fi
}
# Polls a command every 0.1 s until it succeeds or `seconds` pass.
wait_for() {
  local seconds="$1"; shift
  local i
  for ((i = 0; i < seconds * 10; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# A display of our own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_for 10 test -s "$work/display" || { echo "desktop: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"

openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
  { echo "desktop: openbox did not start" >&2; exit 1; }

# A sample of a megabyte and a bit, named with a blank.
sample="$work/sample file.bin"
head -c 1048583 /dev/urandom >"$sample"

cd "$root"  # bg.png is looked up in the current directory
"$app" >"$work/app.log" 2>&1 &
app_pid=$!

main_window() { xdotool search --name '^Tavrinel Ver 2\.0 - ' 2>/dev/null | head -n1; }
wid=""
find_main() { wid="$(main_window)"; [ -n "$wid" ]; }
wait_for 15 find_main || { echo "desktop: the window did not appear" >&2; cat "$work/app.log" >&2; exit 1; }

title="$(xprop -id "$wid" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')"
prefix="Tavrinel Ver 2.0 - 공식배포처 "
check "title is \"$title\"" test "${title#"$prefix"}" != "$title" -a -n "${title#"$prefix"}"

outer_size() {
  local w h ext l r t b
  w="$(xwininfo -id "$wid" | sed -n 's/^ *Width: //p')"
  h="$(xwininfo -id "$wid" | sed -n 's/^ *Height: //p')"
  ext="$(xprop -id "$wid" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')"
  [ -n "$ext" ] || ext="0,0,0,0"
  IFS=, read -r l r t b <<<"$ext"
  echo "$((w + l + r))x$((h + t + b)) client ${w}x${h} frame $ext"
}
is_outer_1280x720() { outer_size | grep -q '^1280x720 '; }
wait_for 10 is_outer_1280x720 || true
echo "     outer $(outer_size)"
check "outer frame is 1280x720" is_outer_1280x720

hints="$(xprop -id "$wid" WM_NORMAL_HINTS)"
min="$(sed -n 's/.*minimum size: \([0-9]*\) by \([0-9]*\).*/\1x\2/p' <<<"$hints")"
max="$(sed -n 's/.*maximum size: \([0-9]*\) by \([0-9]*\).*/\1x\2/p' <<<"$hints")"
check "not resizable (minimum $min = maximum $max)" test -n "$min" -a "$min" = "$max"
allowed="$(xprop -id "$wid" _NET_WM_ALLOWED_ACTIONS)"
offers_no_resize() { ! grep -qE '_NET_WM_ACTION_(RESIZE|MAXIMIZE)' <<<"$allowed"; }
check "window manager offers no resize or maximise" offers_no_resize
# The Motif hints are what the app asks of every window manager: no minimise or maximise
# button, no minimise or maximise function (openbox draws its buttons regardless).
motif="$(xprop -id "$wid" _MOTIF_WM_HINTS | sed -n 's/.* = //p' | tr -d ' ')"
asks_no_min_max() {
  local flags functions decorations
  IFS=, read -r flags functions decorations _ <<<"$motif"
  [ -n "$decorations" ] && (((functions & 0x18) == 0 && (decorations & 0x60) == 0))
}
check "asks for no minimise or maximise button ($motif)" asks_no_min_max

click() { xdotool mousemove --window "$wid" "$1" "$2" click 1; }
active_name() { xdotool getactivewindow getwindowname 2>/dev/null || true; }
active_is() { [ "$(active_name)" = "$1" ]; }
active_is_main() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$wid" ]; }

# Choose the sample in the open-file dialog: its name field has the focus.
click 1200 47
wait_for 10 sh -c '[ "$(xdotool getactivewindow 2>/dev/null)" != "'"$wid"'" ]' ||
  { echo "desktop: no dialog" >&2; exit 1; }
sleep 0.3  # let the dialog settle its keyboard focus on the name field
xdotool type --delay 5 "$sample"
xdotool key Return
wait_for 10 active_is_main || true

# Run, then every copy button: the clipboard must hold exactly the value.
click 1150 652
crc32_of() {
  printf '%x\n' "$(gzip -c <"$1" | tail -c 8 | head -c 4 | od -An -tu4 --endian=little | tr -d ' ')"
}
expected=(
  "CRC32 180 $(crc32_of "$sample")"
  "MD5 260 $(md5sum <"$sample" | cut -d' ' -f1)"
  "SHA-1 340 $(sha1sum <"$sample" | cut -d' ' -f1)"
  "SHA-256 420 $(sha256sum <"$sample" | cut -d' ' -f1)"
  "SHA-512 500 $(sha512sum <"$sample" | cut -d' ' -f1)"
)
for row in "${expected[@]}"; do
  read -r label y value <<<"$row"
  click 217 $((y + 12))
  if wait_for 10 active_is "알림"; then
    got="$(timeout 5 xclip -o -selection clipboard 2>/dev/null || true)"
    check "$label copy puts $value on the clipboard" test "$got" = "$value"
    xdotool key Return
    wait_for 5 active_is_main || true
  else
    check "$label copy shows its message" false
  fi
done

# Paste the last copied value (SHA-512) into the compare box and compare.
click 575 142
xdotool key ctrl+v
click 1200 142
if wait_for 10 active_is "일치하는 해시 값이 있습니다"; then
  check "pasted value compares as a match" true
  xdotool key Return
  wait_for 5 active_is_main || true
else
  check "pasted value compares as a match (saw \"$(active_name)\")" false
fi

if [ -n "${TAV_SCREENSHOT:-}" ] && command -v import >/dev/null; then
  sleep 0.5
  geo="$(xwininfo -id "$wid" | sed -n 's/^ *Absolute upper-left \([XY]\): *//p' | tr '\n' ' ')"
  read -r ax ay <<<"$geo"
  IFS=, read -r l r t b <<<"$(xprop -id "$wid" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')"
  shot="$(cd "$start_dir" && realpath -m "$TAV_SCREENSHOT")"
  import -window root -crop "1280x720+$((ax - l))+$((ay - t))" +repage "$shot"
  echo "     screenshot: $shot"
fi

# Close it as a person would; the app must end by itself with status 0.
xdotool key alt+F4
status=1
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
if wait_for 10 ended; then
  wait "$app_pid" && status=0 || status=$?
  app_pid=""
fi
check "closing the window ends the app with status 0 (got $status)" test "$status" -eq 0

echo "desktop: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
