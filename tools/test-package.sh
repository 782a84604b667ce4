#!/usr/bin/env bash
# Packaging check: the install layout, the .deb and the Windows zip, each run from where it lands.
#
# By default it installs nothing on this machine: `cmake --install` into a scratch prefix, whose
# menu entry GIO starts for a file as a file manager's "Open With" does; lintian checks the
# .deb; apt only simulates installing it, to show its dependencies resolve; the .deb is
# unpacked into a scratch folder and run from there (tavrinel-sums against gzip and coreutils;
# the app started for a file as its menu entry says, with the system's libraries). Each app
# must come up with bg.png drawn and the file selected, read over the accessibility bus. The
# Windows zip is unpacked into a fresh folder and started under Wine.
#
# Where CI=true (a throwaway machine) or TAV_APT_INSTALL=1, it also installs the .deb with apt,
# starts what it installed for a file through GIO, and purges it again with exactly what apt
# brought along for it, also when a check fails half-way. A tavrinel package installed before
# is left alone: that round is then skipped, and never fails the run.
#
# Reuses build/linux and build/win32 when test.sh has built them, and builds them otherwise.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# Bounded: the whole run ends within fifteen minutes, and its exit commands still run.
tav_bounded 900 "$@"
tav_utf8
# Packaging (dpkg-shlibdeps needs dpkg-dev and file), its validators, ImageMagick to read a
# pixel of the screen, and GIO's `gio`, which starts a desktop entry as file managers do.
tav_need "${TAV_BUILD_PACKAGES[@]}" "${TAV_TEST_PACKAGES[@]}" dpkg-dev file lintian \
  desktop-file-utils appstream man-db unzip imagemagick libglib2.0-bin

apt_install=0
if [ "${CI:-}" = true ] || [ "${TAV_APT_INSTALL:-0}" = 1 ]; then apt_install=1; fi

app_id=example.tavrinel.Tavrinel
version=2.0.0
linux_build="$root/build/linux"
win_build="$root/build/win32"
shots="$linux_build/test-package"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

work="$(mktemp -d)"
chmod 755 "$work"  # apt reads the .deb as its own unprivileged user
tav_at_exit "rm -rf '$work'"
not() { ! "$@"; }
entry_value() { sed -n "s/^$2=//p" "$1" | head -n1; }  # file key: a key of [Desktop Entry]
validate() {  # the installed desktop entry and metainfo under a prefix pass their validators
  check "desktop-file-validate $1/share/applications/$app_id.desktop" \
    desktop-file-validate "$1/share/applications/$app_id.desktop"
  check "appstreamcli validate --no-net $1/share/metainfo/$app_id.metainfo.xml" \
    appstreamcli validate --no-net "$1/share/metainfo/$app_id.metainfo.xml"
}
installed_packages() {
  dpkg-query -W -f='${db:Status-Status} ${binary:Package}\n' | sed -n 's/^installed //p' | sort
}
package_absent() {  # never installed, or purged
  local state
  state="$(dpkg-query -W -f='${db:Status-Status}' tavrinel 2>/dev/null || true)"
  [ -z "$state" ] || [ "$state" = not-installed ]
}

# The background's colour where no control covers it, in both builds (client 400,650), as the
# apps draw bg.png: scaled to 1280x720 from the client area's corner.
px=400 py=650 tolerance=6
expected="$(convert "$root/bg.png" -resize '1280x720!' -crop "1x1+$px+$py" +repage \
  -format '%[fx:round(255*r)] %[fx:round(255*g)] %[fx:round(255*b)]' info:)"
screen_rgb() {  # x y: "R G B" of that screen pixel
  import -silent -window root -crop "1x1+$1+$2" +repage png:- |
    convert png:- -format '%[fx:round(255*r)] %[fx:round(255*g)] %[fx:round(255*b)]' info:
}
near() {  # "R G B" "R G B" tolerance: every channel within it
  local a b i
  read -ra a <<<"$1"; read -ra b <<<"$2"
  for i in 0 1 2; do
    [ $((a[i] > b[i] ? a[i] - b[i] : b[i] - a[i])) -le "$3" ] || return 1
  done
}
# Without the picture both apps paint white: the point chosen must tell the two apart.
far_from_white() { ! near "$expected" "255 255 255" $((tolerance * 3)); }
check "bg.png at $px,$py ($expected) is far from the white drawn without it" far_from_white
background_at() {  # x y: the screen shows bg.png's colour there
  local got
  got="$(screen_rgb "$1" "$2")" && near "$got" "$expected" "$tolerance"
}
wid="" app_pid=""
find_window() {  # of app_pid; without one, the only app on our X server
  # shellcheck disable=SC2086  # the option and the number, or nothing
  wid="$(xdotool search --onlyvisible ${app_pid:+--pid $app_pid} --name '^Tavrinel Ver 2\.0 - ' \
         2>/dev/null | head -n1)"
  [ -n "$wid" ]
}
# The window's client point px,py shows bg.png's colour. Without a window manager the Qt
# window is its client area. Wine, unmanaged, draws its frame and caption inside the X window,
# so there the point lies about 20 px lower than measured: the picture's vertical gradient
# changes by about one level over that, well inside the tolerance.
client_background() {
  local x y
  read -r x y <<<"$(xwininfo -id "$wid" | sed -n 's/^ *Absolute upper-left [XY]: *//p' | tr '\n' ' ')"
  background_at $((x + px)) $((y + py))
}
# Waits for the main window of the program just started (app_pid; when a launcher started it,
# the window tells it), checks its background and makes the further check given, and ends it;
# on a failure, says what the screen showed first.
app_ended() { [ -n "$app_pid" ] && ! kill -0 "$app_pid" 2>/dev/null; }
check_background() {  # what, its log, seconds to wait for the window, [further check...]
  local ok=1
  wait_for "$3" eval 'find_window || app_ended' || true
  if find_window; then
    [ -n "$app_pid" ] || app_pid="$(xdotool getwindowpid "$wid")"
    wait_for 15 client_background || ok=0
    check "$1 paints bg.png behind its controls (saw $(client_background_rgb))" test "$ok" = 1
    if [ $# -gt 3 ]; then "${@:4}" || ok=0; fi
  else
    ok=0
    if app_ended; then
      check "$1 shows its window (it ended without one)" false
    else
      check "$1 shows its window within $3 s" false
    fi
  fi
  [ "$ok" = 1 ] || tav_gui_report "$shots" package "$2"
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
}
client_background_rgb() {
  local x y
  read -r x y <<<"$(xwininfo -id "$wid" | sed -n 's/^ *Absolute upper-left [XY]: *//p' | tr '\n' ' ')"
  screen_rgb $((x + px)) $((y + py))
}

# Sets `session`, the command that runs what follows it as a desktop session would: in a
# session's environment, with the accessibility bus on (the app shows its widgets there) and
# `bin` first on PATH.
in_session() {  # [bin]
  session=(env -i HOME="$work/home" PATH="${1:+$1:}/usr/local/bin:/usr/bin:/bin"
           DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" LANG=C.UTF-8
           DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)
}
# The window shows `file` selected, read as a screen reader reads it.
shows_selected() {  # file
  local status=0
  /usr/bin/python3 "$root/tools/drive-desktop.py" --pid "$app_pid" --wid "$wid" \
    --selected "$1" >"$work/drive.log" 2>&1 || status=$?
  sed 's/^/     /' "$work/drive.log"
  check "it shows the file it was started with selected (driver status $status)" test "$status" = 0
}
# As a file manager's "Open With" starts the app for a file: GIO reads the entry, expands %f to
# the file and starts the program in the entry's Path. Needs the entry's paths to exist.
open_with() {  # entry, what
  local status=0 session
  in_session
  (cd / && exec "${session[@]}" gio launch "$1" "$sample") >"$work/app.log" 2>&1 || status=$?
  check "gio launch starts $1 with a file (status $status)" test "$status" = 0
  # The launcher's child is not ours to wait for; the window names it. It ends with our X server.
  app_pid=""
  check_background "$2" "$work/app.log" "$TAV_START_SECONDS" shows_selected "$sample"
}
# GIO offers the app for files of type application/octet-stream, from the databases under
# `share` as dpkg's trigger leaves them, with none of a user's own choices.
offered_for_binaries() {  # share, PATH
  local apps
  apps="$(env -i HOME="$work/nobody" XDG_DATA_DIRS="$1" PATH="$2" LANG=C.UTF-8 \
          gio mime application/octet-stream)"
  grep -qx "$(printf '\t')$app_id.desktop" <<<"$apps"
}
# The entry as the package installs it, under `under` (the unpacked tree, or / for the
# installed package). Installed, it is started by GIO; unpacked, its Path and Exec name places
# that exist only once installed, so it is started as GIO would: in the tree's Path, with the
# words of Exec and %f expanded to the file, the tree's bin first on PATH.
launch_as_menu_entry() {  # under, what
  local under="$1" entry path exec_line words=() word session
  entry="${under%/}/usr/share/applications/$app_id.desktop"
  path="$(entry_value "$entry" Path)" exec_line="$(entry_value "$entry" Exec)"
  check "the entry says Path=/usr/share/tavrinel (got $path)" test "$path" = /usr/share/tavrinel
  check "the entry says Exec=tavrinel %f (got $exec_line)" test "$exec_line" = "tavrinel %f"
  check "the entry offers it for any file: MimeType=application/octet-stream;" \
    test "$(entry_value "$entry" MimeType)" = "application/octet-stream;"
  check "its Path holds bg.png" test -f "$under$path/bg.png"
  if [ "$under" = / ]; then
    # The plain name must reach /usr/bin by a session's PATH.
    in_session
    check "a session's PATH finds the package's tavrinel" \
      test "$("${session[@]}" sh -c 'command -v tavrinel')" = /usr/bin/tavrinel
    open_with "$entry" "$2"
    return
  fi
  read -ra words <<<"$exec_line"
  for word in "${!words[@]}"; do [ "${words[word]}" != %f ] || words[word]="$sample"; done
  in_session "$under/usr/bin"
  (cd "$under$path" && exec "${session[@]}" "${words[@]}") >"$work/app.log" 2>&1 &
  app_pid=$!
  tav_at_exit "kill $app_pid 2>/dev/null; wait $app_pid 2>/dev/null; true"
  check_background "$2" "$work/app.log" "$TAV_START_SECONDS" shows_selected "$sample"
}

# The accessibility bus lets the packages' app be read as a screen reader reads it.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
tav_start_x_stack "$work" atspi

sample="$work/내려받은 file.iso"
head -c 3000017 /dev/urandom >"$sample"
sums() { "$1sum" <"$sample" | cut -d' ' -f1; }
printf 'CRC32\t%s\nMD5\t%s\nSHA-1\t%s\nSHA-256\t%s\nSHA-512\t%s\n' "$(tav_gzip_crc "$sample")" \
  "$(sums md5)" "$(sums sha1)" "$(sums sha256)" "$(sums sha512)" >"$work/sums-expected"

echo "== cmake --install into a prefix =="
[ -f "$linux_build/CMakeCache.txt" ] || (cd "$root" && cmake --preset linux >/dev/null)
cmake --build "$linux_build" -j2 >/dev/null
prefix="$work/home/.local"
cmake --install "$linux_build" --prefix "$prefix" >/dev/null
cat >"$work/layout" <<EOF
bin/tavrinel
bin/tavrinel-sums
share/applications/$app_id.desktop
share/doc/tavrinel/changelog.gz
share/doc/tavrinel/copyright
share/icons/hicolor/scalable/apps/$app_id.svg
share/man/man1/tavrinel-sums.1.gz
share/man/man1/tavrinel.1.gz
share/metainfo/$app_id.metainfo.xml
share/tavrinel/bg.png
EOF
files_under() { (cd "$1" && find . -type f -printf '%P\n' | LC_ALL=C sort); }
files_under "$prefix" >"$work/installed"
check "the prefix holds exactly the programs, the picture and the desktop files" \
  diff -u "$work/layout" "$work/installed"
entry="$prefix/share/applications/$app_id.desktop"
check "the entry starts the app in the prefix's share/tavrinel" \
  test "$(entry_value "$entry" Path)" = "$prefix/share/tavrinel"
check "the entry names the prefix's program (~/.local/bin may not be on PATH), then the file" \
  test "$(entry_value "$entry" Exec)" = "\"$prefix/bin/tavrinel\" %f"
validate "$prefix"
open_with "$entry" "the installed app, started by GIO for a file as a file manager starts it,"

echo "== The Debian package =="
(cd "$linux_build" && cpack -G DEB -B "$work/deb" >/dev/null)
deb="$work/deb/tavrinel_${version}_amd64.deb"
check "cpack made $(basename "$deb")" test -f "$deb"
depends="$(dpkg-deb -f "$deb" Depends)"
for need in libqt6widgets6 libssl3 libc6 qt6-qpa-plugins fonts-noto-cjk; do
  check "depends on $need" grep -q "\b$need\b" <<<"$depends"
done
for field in Maintainer Section Description Homepage; do
  check "has a $field" test -n "$(dpkg-deb -f "$deb" "$field")"
done
check "its description has more than a summary" \
  test "$(dpkg-deb -f "$deb" Description | wc -l)" -gt 2
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/tavrinel/copyright >"$work/copyright" || true
machine_readable_mit() {
  grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$1" &&
    grep -q '^License: MIT$' "$1"
}
check "its copyright file is machine-readable and says MIT" machine_readable_mit "$work/copyright"
# As root lintian only notes that it would rather not be; it checks all the same.
lintian --pedantic --display-info "$deb" >"$work/lintian" 2>&1 || true
sed 's/^/     lintian: /' "$work/lintian"
check "lintian reports no errors" not grep -q '^E:' "$work/lintian"
maintainer_scripts() { dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E '(inst|rm|triggers)$'; }
check "no maintainer script: dpkg's triggers refresh the desktop database" not maintainer_scripts

# What apt would do, done by nobody: every dependency must resolve from the archive. Its Inst
# lines are also the list a real install below is undone with.
status=0
apt-get install --simulate -o Debug::NoLocking=1 "$deb" >"$work/simulate" 2>&1 || status=$?
grep '^Inst ' "$work/simulate" | sed 's/^/     apt would install: /' || true
grep -E '^(E|W):| Depends: ' "$work/simulate" | sed 's/^/     apt: /' || true
sed -n 's/^Inst \([^ ]*\) .*/\1/p' "$work/simulate" | sed 's/:amd64$//' | sort >"$work/apt-brings"
simulated_fine() {
  [ "$status" = 0 ] && {
    grep -q '^Inst tavrinel ' "$work/simulate" ||
      grep -q 'tavrinel is already the newest version' "$work/simulate"
  }
}
check "apt-get install --simulate resolves its dependencies (status $status)" simulated_fine

check_sums() {  # tavrinel-sums to run
  local status=0
  "$1" "$sample" >"$work/sums-got" || status=$?
  check "$1 exits 0 (got $status)" test "$status" = 0
  check "$1 agrees with gzip and coreutils" diff -u "$work/sums-expected" "$work/sums-got"
}
echo "== The .deb unpacked into a scratch folder and run from there =="
unpacked="$work/unpacked"
dpkg-deb -x "$deb" "$unpacked"
sed 's|^|usr/|' "$work/layout" >"$work/deb-layout"
files_under "$unpacked" >"$work/deb-files"
check "it holds exactly the programs, the picture and the desktop files under /usr" \
  diff -u "$work/deb-layout" "$work/deb-files"
missing_libraries() { ldd "$1" | grep 'not found'; }
for program in tavrinel tavrinel-sums; do
  check "$program finds every library it needs on this system" \
    not missing_libraries "$unpacked/usr/bin/$program"
done
check_sums "$unpacked/usr/bin/tavrinel-sums"
check "man finds its tavrinel-sums(1)" \
  test "$(man -M "$unpacked/usr/share/man" -w tavrinel-sums)" = \
  "$unpacked/usr/share/man/man1/tavrinel-sums.1.gz"
validate "$unpacked/usr"
update-desktop-database "$unpacked/usr/share/applications"  # as the trigger does on installing
check "GIO offers the unpacked app for binary files (application/octet-stream)" \
  offered_for_binaries "$unpacked/usr/share" "$unpacked/usr/bin:/usr/bin:/bin"
launch_as_menu_entry "$unpacked" "the unpacked app, started as its menu entry says,"

if [ "$apt_install" = 1 ] && ! package_absent; then
  echo "== Installed with apt: skipped =="
  echo "     a tavrinel package is installed already" \
    "($(dpkg-query -W -f='${Version} ${db:Status-Status}' tavrinel)); it is left as it is"
elif [ "$apt_install" = 1 ]; then
  echo "== Installed with apt, run, purged (CI=${CI:-} TAV_APT_INSTALL=${TAV_APT_INSTALL:-}) =="
  installed_packages >"$work/packages-before"
  # Exactly what apt brings for the package and was not there before: other jobs on the
  # machine may install and remove their own packages meanwhile.
  comm -23 "$work/apt-brings" "$work/packages-before" >"$work/ours"
  # Purges the package and what apt brought along for it; safe to run more than once.
  remove_package() {
    local ours
    ours="$(installed_packages | comm -12 "$work/ours" - | tr '\n' ' ')"
    package_absent || ours="tavrinel $ours"  # also when half-installed
    [ -n "${ours// /}" ] || return 0
    # shellcheck disable=SC2086  # one word a package
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
      apt-get -o DPkg::Lock::Timeout=900 purge -y -qq $ours >/dev/null
  }
  tav_at_exit "remove_package || true"
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get -o DPkg::Lock::Timeout=900 install -y -qq "$deb" >/dev/null
  dpkg-query -L tavrinel | while read -r f; do [ -d "$f" ] || echo "$f"; done >"$work/package-files"
  check "apt installed it" not package_absent
  check "tavrinel-sums on PATH is the package's" \
    test "$(command -v tavrinel-sums)" = /usr/bin/tavrinel-sums
  check "man finds tavrinel-sums(1)" \
    test "$(man -w tavrinel-sums)" = /usr/share/man/man1/tavrinel-sums.1.gz
  check_sums /usr/bin/tavrinel-sums
  validate /usr
  check "dpkg's trigger refreshed the desktop database: GIO offers it for binary files" \
    offered_for_binaries /usr/share /usr/bin:/bin
  launch_as_menu_entry / "the installed app, started by GIO for a file as a file manager starts it,"

  remove_package
  check "apt purged it" package_absent
  check "the desktop database names it no more" \
    not grep -qs "$app_id.desktop" /usr/share/applications/mimeinfo.cache
  none_exists() {  # no path listed in the file exists
    local f
    while read -r f; do [ ! -e "$f" ] || { echo "left behind: $f"; return 1; }; done <"$1"
  }
  printf '%s\n' /usr/share/tavrinel /usr/share/doc/tavrinel >>"$work/package-files"
  check "none of its files and own folders remain" none_exists "$work/package-files"
  nothing_of_ours_left() { installed_packages | comm -12 "$work/ours" - | grep . && return 1 || true; }
  check "no package apt brought for it remains ($(wc -l <"$work/ours") brought)" nothing_of_ours_left
  nothing_removed() { installed_packages | comm -23 "$work/packages-before" - | grep . && return 1 || true; }
  check "every package installed before is still installed" nothing_removed
else
  echo "== Installed with apt: not on this machine (CI=true or TAV_APT_INSTALL=1 asks for it) =="
fi

echo "== The Windows zip under Wine =="
# test-win32.sh builds the program and prepares the Wine prefix (fonts, unmanaged windows).
if [ ! -e "$win_build/wineprefix/.tavrinel-ready" ] || [ ! -f "$win_build/CMakeCache.txt" ]; then
  bash "$root/tools/test-win32.sh"
fi
cmake --build "$win_build" -j2 >/dev/null
(cd "$win_build" && cpack -G ZIP -B "$work/zip" >/dev/null)
zip="$work/zip/tavrinel-$version-win64.zip"
check "cpack made $(basename "$zip")" test -f "$zip"
top="tavrinel-$version-win64"
printf '%s\n' "$top/LICENSE.txt" "$top/README.txt" "$top/bg.png" "$top/tavrinel.exe" >"$work/zip-expected"
unzip -Z1 "$zip" | grep -v '/$' | LC_ALL=C sort >"$work/zip-got"
check "it holds the program, bg.png beside it, the readme and the license" \
  diff -u "$work/zip-expected" "$work/zip-got"
folder="$work/내려받기 $version"
mkdir -p "$folder"
unzip -q "$zip" -d "$folder"
folder="$folder/$top"
readme="$folder/README.txt"
windows_readme() {
  grep -q '설치는 필요 없습니다' "$1" && grep -q 'Nothing to install' "$1" && grep -q 'shell:sendto' "$1" &&
    ! grep -qv $'\r$' "$1"
}
check "the readme is in Korean and English, says how to add Send To, with Windows line ends" \
  windows_readme "$readme"

tav_wine "$win_build/wineprefix"
(cd "$folder" && exec "$wine" tavrinel.exe) >"$work/wine.log" 2>&1 &
app_pid=$!
tav_at_exit "kill $app_pid 2>/dev/null; wait $app_pid 2>/dev/null; true"
check_background "the unpacked program" "$work/wine.log" "$TAV_START_SECONDS"

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
