#!/usr/bin/env bash
# Release check: a commit released twice gives the same bytes, and its installer works under Wine.
#
# Usage: bash tools/test-release.sh
#
# Clones HEAD into two different folders and runs tools/release.sh in each, the second after
# the first has finished, with another umask, time zone, locale and scratch folder; the two
# dist/ folders must be byte for byte the same (the files that differ are named, with
# diffoscope's account of how), and so must a third release, rebuilt from the source archive
# alone as the README tells. Then, in a scratch Wine prefix on a private X server, the
# installer runs silently; the files, the Start-menu and Send To shortcuts (their working
# folder above all) and the uninstall entry are checked; the program is started through Send
# To with a file until its window shows that file; while it runs, a silent install and the
# registered quiet uninstall must end with 2 and change nothing; the installer's window is seen
# in Korean and in English; once it is closed, both must end with 0, and nothing of the
# install may be left. Screenshots of failures go to build/test-release/. Only the committed
# HEAD is tested: uncommitted changes are not in it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# Bounded: the whole run ends within half an hour, and its exit commands still run.
tav_bounded 1800 "$@"
tav_utf8
# Wine, a virtual X server, xdotool and ImageMagick's import for the installer's run; lnkinfo
# to read the shortcuts; the cross compiler for the probe that reads the program's window;
# diffoscope to tell how two files differ; locales for a second locale.
# tools/release.sh installs what a release needs.
tav_need git wine64 xvfb xauth xdotool x11-utils imagemagick liblnk-utils diffoscope-minimal \
  locales binutils-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix

commit="$(git -C "$root" rev-parse HEAD)"
if [ -n "$(git -C "$root" status --porcelain)" ]; then
  echo "note: uncommitted changes are not tested; this releases the committed $commit"
fi
work="$(mktemp -d "${TMPDIR:-/tmp}/tavrinel-test-release.XXXXXX")"
tav_at_exit "rm -rf '$work'"
shots="$root/build/test-release"
mkdir -p "$shots"

# ---------------------------------------------------------------- two releases, compared
# The second run differs in all a build may leak: the clone's folder (with a space and Hangul),
# the scratch folder's, the umask, a time zone off UTC by hours and minutes, a Korean locale
# (built into a private folder, the machine's own left as they are), and the time: it starts
# when the first has finished, minutes later.
clone() {  # folder
  mkdir -p "$(dirname "$1")"
  git clone -q --no-hardlinks "$root" "$1"
  git -C "$1" checkout -q --detach "$commit"
}
one="$work/one/tavrinel"
two="$work/두 번째 folder/nested deeper/tavrinel"
clone "$one"
clone "$two"
mkdir -p "$work/tmp-one" "$work/tmp two/더 깊이"
locales="$work/locales"
mkdir -p "$locales"
korean=(LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8 LOCPATH="$locales")
if localedef -i ko_KR -f UTF-8 "$locales/ko_KR.UTF-8" >/dev/null 2>&1 &&
   [ "$(env "${korean[@]}" locale charmap 2>/dev/null)" = UTF-8 ]; then
  echo "second release's locale: ko_KR.UTF-8"
else
  echo "note: could not build ko_KR.UTF-8; the second release names it all the same"
fi

release() {  # name folder umask [environment...] [-- release.sh's arguments]
  local name="$1" dir="$2" mask="$3" start environment=()
  shift 3
  while [ $# -gt 0 ] && [ "$1" != -- ]; do environment+=("$1"); shift; done
  [ $# -eq 0 ] || shift
  start=$(date +%s)
  echo "== Release $name: $dir, umask $mask, ${environment[*]} $* =="
  if ! (cd "$dir" && umask "$mask" && env "${environment[@]}" bash tools/release.sh "$@") \
       >"$work/release-$name.log" 2>&1; then
    cat "$work/release-$name.log"
    check "release $name succeeds" false
    echo "release: $passed passed, $failed failed"
    exit 1
  fi
  echo "   took $(($(date +%s) - start)) s"
}
first_start=$(date +%s)
release one "$one" 022 TZ=UTC TMPDIR="$work/tmp-one"
second_start=$(date +%s)
release two "$two" 077 TZ=NPT-5:45 "${korean[@]}" TMPDIR="$work/tmp two/더 깊이"
echo "the second release started $((second_start - first_start)) s after the first"
for n in one two; do
  echo "release $n's SHA256SUMS:"
  sed -n '/^== dist\/SHA256SUMS ==$/,$s/^[0-9a-f]/   &/p' "$work/release-$n.log"
done

dist_one="$one/dist" dist_two="$two/dist"
version="$(sed -n 's/^Releasing tavrinel-\([^ ]*\) from .*/\1/p' "$work/release-one.log")"
printf '%s\n' SHA256SUMS "tavrinel-$version-win64-setup.exe" "tavrinel-$version-win64.zip" \
  "tavrinel-$version.tar.gz" "tavrinel_${version}_amd64.deb" "tavrinel_${version}_arm64.deb" \
  >"$work/dist-expected"
(cd "$dist_one" && LC_ALL=C ls) >"$work/dist-got"
check "dist/ holds the source archive, the two .debs, the zip, the installer and SHA256SUMS" \
  diff -u "$work/dist-expected" "$work/dist-got"
sums_ok() { (cd "$1" && sha256sum --quiet -c SHA256SUMS); }
check "sha256sum -c SHA256SUMS passes in dist/" sums_ok "$dist_one"
lists_sums_of_all() {  # every file but SHA256SUMS is listed, in coreutils' "HASH  NAME" form
  diff <(grep -v '^SHA256SUMS$' "$work/dist-expected") \
       <(sed -n 's/^[0-9a-f]\{64\}  \(.*\)$/\1/p' "$dist_one/SHA256SUMS" | LC_ALL=C sort)
}
check "SHA256SUMS lists the other five files" lists_sums_of_all
archive_is_commit() {  # the source archive holds exactly the commit's files
  diff <(git -C "$root" ls-tree -r --name-only "$commit" | sed "s|^|tavrinel-$version/|" | sort) \
       <(tar -tzf "$dist_one/tavrinel-$version.tar.gz" | grep -v '/$' | sort)
}
check "the source archive holds exactly the commit's files" archive_is_commit

same_dists() {  # dist folder, another
  local f differ=0 dist_one="$1" dist_two="$2"
  if ! diff <(cd "$dist_one" && LC_ALL=C ls) <(cd "$dist_two" && LC_ALL=C ls); then
    echo "the two dist/ folders hold different files"
    differ=1
  fi
  for f in "$dist_one"/*; do
    f="$(basename "$f")"
    [ -f "$dist_two/$f" ] || continue
    cmp -s "$dist_one/$f" "$dist_two/$f" && continue
    differ=1
    echo "differs: $f"
    [ "$f" = SHA256SUMS ] && continue
    if command -v diffoscope >/dev/null; then
      timeout 600 diffoscope --text - --no-progress "$dist_one/$f" "$dist_two/$f" 2>&1 |
        sed -n "1,80s/^/    /p" || true
    fi
  done
  [ "$differ" = 0 ]
}
check "the two releases are byte for byte the same" same_dists "$dist_one" "$dist_two"

# As the README tells anyone to rebuild a release: from its source archive alone, unpacked.
mkdir "$work/three"
tar -xzf "$dist_one/tavrinel-$version.tar.gz" -C "$work/three"
release three "$work/three/tavrinel-$version" 022 TZ=NST+3:30 LANG=C LC_ALL=C \
  TMPDIR="$work/tmp-one" -- --from-archive "$dist_one/tavrinel-$version.tar.gz"
check "rebuilt from the source archive alone, the release is the same" \
  same_dists "$dist_one" "$work/three/tavrinel-$version/dist"

# A time stamp in the program's PE header would go unnoticed above, since both releases take
# SOURCE_DATE_EPOCH; built by hand from the win64 preset it would not.
unzip -q "$dist_one/tavrinel-$version-win64.zip" -d "$work/zip"
zipped="$work/zip/tavrinel-$version-win64"
pe_time() {  # the TimeDateStamp of a PE file's COFF header, in decimal
  local pe
  pe=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  od -An -t u4 -j $((pe + 8)) -N 4 "$1" | tr -d ' '
}
check "tavrinel.exe's PE header carries no time stamp" test "$(pe_time "$zipped/tavrinel.exe")" = 0
stripped() { [[ "$(x86_64-w64-mingw32-objdump -t "$1")" == *"no symbols"* ]]; }
check "tavrinel.exe is stripped of its symbols" stripped "$zipped/tavrinel.exe"
setup="$dist_one/tavrinel-$version-win64-setup.exe"
check "the installer asks for no administrator (asInvoker)" \
  grep -aq 'level="asInvoker"' "$setup"

# ---------------------------------------------------------------- the installer under Wine
tav_start_xvfb
# No menu entries written into this machine's own desktop for the shortcut the installer makes.
tav_wine "$work/wineprefix" "winemenubuilder.exe=d"
w() { timeout 120 "$wine" "$@" </dev/null; }

# What a failure saw: the active window, the visible top-level windows, a screenshot.
show_state() {  # name for the screenshot
  local id shot="$shots/$1.png"
  echo "  active window: $(xdotool getactivewindow getwindowname 2>/dev/null || echo none)"
  echo "  visible top-level windows:"
  for id in $(xdotool search --onlyvisible --maxdepth 1 --name '' 2>/dev/null); do
    echo "    $id $(xdotool getwindowname "$id" 2>/dev/null)"
  done
  if import -silent -window root "$shot" 2>/dev/null; then echo "  screenshot: $shot"; fi
}

echo "== Installer under Wine ($WINEPREFIX) =="
# Wine's first start makes the prefix: minutes on a slow machine.
timeout 600 "$wine" wineboot --init </dev/null >"$work/wineboot.log" 2>&1 ||
  { cat "$work/wineboot.log"; echo "wineboot failed" >&2; exit 1; }
# No window manager on Xvfb: Wine draws its windows' frames itself.
w reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
win_var() { w cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
unix_path() { w winepath -u "$1" 2>/dev/null | tr -d '\r'; }
local_app_data="$(win_var LOCALAPPDATA)"
instdir_win="$local_app_data\\Programs\\Tavrinel"
instdir="$(unix_path "$instdir_win")"
shortcut="$(unix_path "$(win_var APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\Tavrinel.lnk")"
sendto_win="$(win_var APPDATA)\\Microsoft\\Windows\\SendTo\\Tavrinel.lnk"
sendto="$(unix_path "$sendto_win")"
temp="$(unix_path "$(win_var TEMP)")"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrinel'
reg_value() {  # value name: its data as reg query prints it
  w reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
entry_exists() { w reg query "$key" >/dev/null 2>&1; }
user_files() {  # every file of the user's profile, but the temporary ones
  (cd "$WINEPREFIX/drive_c/users" &&
   find . -type f ! -path '*/AppData/Local/Temp/*' ! -path "./${temp#"$WINEPREFIX/drive_c/users/"}/*" |
   sort)
}
user_files >"$work/files-before"

# What a running tavrinel.exe shows, read from outside its window (the path box, the run
# button), and a way to close it as its close box does.
x86_64-w64-mingw32-g++-posix -std=c++20 -O1 -municode -static -I"$root" \
  -o "$work/probe.exe" "$root/tools/read-window.cpp"

# On a slow or busy machine Wine may lose a start: each start below is retried (tav_retry).
wid=""
find_window() {  # title prefix
  wid="$(xdotool search --onlyvisible --name "^$1" 2>/dev/null | sed -n 1p)"
  [ -n "$wid" ]
}
window_gone() { ! find_window "$1"; }

# Each installer and uninstaller run keeps its exit code in `code`; its effects may come after
# the command ends.
code=""
run_code() {  # log, command...
  local log="$1"
  shift
  code=0
  w "$@" >>"$log" 2>&1 || code=$?
}
install_silently() { run_code "$work/setup.log" "$setup" /S; }
installed() { [ -f "$instdir/uninstall.exe" ] && [ -f "$shortcut" ] && [ -f "$sendto" ] && entry_exists; }
if ! tav_retry 2 60 install_silently '[ "$code" = 0 ] && installed'; then
  check "the silent install ends with 0 (got $code) and makes the files, the shortcuts and the entry" false
  cat "$work/setup.log"
  ls -la "$instdir" 2>&1 || true
  show_state install
fi
for f in tavrinel.exe bg.png README.txt LICENSE.txt; do
  check "installed $f, the zip's own bytes" cmp "$zipped/$f" "$instdir/$f"
done
(cd "$instdir" 2>/dev/null && LC_ALL=C ls) >"$work/installed" || true
printf '%s\n' LICENSE.txt README.txt bg.png tavrinel.exe uninstall.exe >"$work/install-expected"
check "the install folder holds the zip's files and the uninstaller, nothing more" \
  diff -u "$work/install-expected" "$work/installed"

# The shortcuts: lnkinfo reads the Shell Link's own fields. Both start the program in the
# install folder, where it finds bg.png; Send To adds the chosen files after no arguments.
for link in "$shortcut" "$sendto"; do
  lnkinfo "$link" >"$work/lnk" 2>&1 || true
  lnk_field() { tr -d '\r' <"$work/lnk" | sed -n "s/^[[:space:]]*$1[[:space:]]*: //p" | sed -n 1p; }
  name="$(basename "$(dirname "$link")")/$(basename "$link")"
  target="$(lnk_field 'Local path')"
  check "$name starts $instdir_win\\tavrinel.exe (got $target)" \
    test "$target" = "$instdir_win\\tavrinel.exe"
  check "$name gives it no arguments (got \"$(lnk_field 'Command line arguments')\")" \
    test -z "$(lnk_field 'Command line arguments')"
  check "$name's working folder is the install folder, beside bg.png (got $(lnk_field 'Working directory'))" \
    test "$(lnk_field 'Working directory')" = "$instdir_win"
done

check "the entry is named Tavrinel" test "$(reg_value DisplayName)" = Tavrinel
check "the entry has the version $version" test "$(reg_value DisplayVersion)" = "$version"
check "the entry has the publisher" test "$(reg_value Publisher)" = "Tavrinel developers"
check "the entry has the install location" test "$(reg_value InstallLocation)" = "$instdir_win"
size_kib=$(( $(cat "$instdir"/* 2>/dev/null | wc -c) / 1024 ))
estimated=$(( $(reg_value EstimatedSize) + 0 ))
near_size() { [ "$estimated" -ge $((size_kib - 8)) ] && [ "$estimated" -le $((size_kib + 8)) ]; }
check "the entry's size is the files' ($estimated KiB, files $size_kib KiB)" near_size
# Both run the uninstaller in place (_?=), so that its exit code is the uninstall's own.
uninstaller="$instdir_win\\uninstall.exe"
check "the entry's uninstall command runs it in place (got $(reg_value UninstallString))" \
  test "$(reg_value UninstallString)" = "\"$uninstaller\" _?=$instdir_win"
quiet="$(reg_value QuietUninstallString)"
check "the entry has a quiet uninstall command run in place (got $quiet)" \
  test "$quiet" = "\"$uninstaller\" /S _?=$instdir_win"

# One program at a time in the background, its output appended to a log: a retry ends the try
# before it, and the script's end ends the last.
background=""
stop_background() {
  [ -z "$background" ] || { kill "$background" 2>/dev/null; wait "$background" 2>/dev/null; } || true
  background=""
}
start_background() {  # log, command...
  local log="$1"
  shift
  stop_background
  "$@" >>"$log" 2>&1 &
  background=$!
  tav_at_exit "kill $background 2>/dev/null; wait $background 2>/dev/null; true"
}

# Started as Explorer's Send To starts it, with a file whose name has spaces and Hangul, from
# another folder: the shortcut's working folder and the file selected in its window.
chosen="$work/내려받은 파일 (1).iso"
printf abc >"$chosen"
chosen_win="$(w winepath -w "$chosen" 2>/dev/null | tr -d '\r')"
probe() { w "$work/probe.exe" "$@" 2>/dev/null | tr -d '\r'; }
close_program() {  # as its close box does
  probe close >/dev/null || true
  wait_for 30 window_gone 'Tavrinel Ver ' || { echo "the program's window stayed"; show_state program-end; }
  stop_background
}
start_program() {
  close_program
  start_background "$work/program.log" env -C "$work" "$wine" start "$sendto_win" "$chosen_win"
}
shows_chosen() { [ "$(probe)" = "$chosen_win"$'\n'"run enabled" ]; }
if tav_retry 2 60 start_program 'find_window "Tavrinel Ver " && shows_chosen'; then
  check "started through Send To, the program shows $chosen_win, ready to run" true
else
  check "started through Send To, the program shows $chosen_win, ready to run (shows: $(probe | tr '\n' ' '))" false
  echo "  the program's output:"
  sed 's/^/    /' "$work/program.log"
  show_state program
fi
# Wine names the process that owns each of its windows, and keeps its current folder in step.
cwd="$(readlink "/proc/$(xdotool getwindowpid "$wid" 2>/dev/null)/cwd" 2>/dev/null)" || true
check "it runs in the install folder, where bg.png is (got ${cwd:-nothing})" test "$cwd" -ef "$instdir"

# While it runs, neither a silent install nor the registered quiet uninstall may change
# anything, and both must say so with exit code 2.
state() {  # every file of the install and both shortcuts, with size and time; the entry
  # What is missing is said, not failed on: it is the difference looked for.
  { find "$instdir" "$shortcut" "$sendto" -printf '%p %s %T@\n' 2>&1 | sort
    (cd "$instdir" && sha256sum -- *) 2>&1
    w reg query "$key" 2>&1 | tr -d '\r'; } || true
}
state >"$work/state-before"
refused() {  # what, log, command...
  local what="$1"
  shift
  tav_retry 2 60 "run_code $(printf '%q ' "$@")" '[ "$code" = 2 ]' || true
  check "$what, with Tavrinel running, ends with 2 (got $code)" test "$code" = 2
  state >"$work/state-now"
  check "$what, with Tavrinel running, changes nothing" \
    diff -u "$work/state-before" "$work/state-now"
}
refused "the silent install" "$work/setup.log" "$setup" /S
refused "the quiet uninstall" "$work/uninstall.log" "$uninstaller" /S "_?=$instdir_win"
close_program

# The installer speaks the user's language: Korean under a Korean locale, English otherwise.
setup_environment=()
start_setup() { start_background "$work/setup-ui.log" env "${setup_environment[@]}" "$wine" "$setup"; }
installer_title() {  # title prefix, environment...
  local title="$1"
  shift
  setup_environment=("$@")
  setup_title() { find_window "$title"; }
  if tav_retry 2 60 start_setup setup_title; then
    check "the installer's window is \"$(xdotool getwindowname "$wid")\"" true
  else
    check "the installer's window begins \"$title\"" false
    echo "  the installer's output:"
    sed 's/^/    /' "$work/setup-ui.log"
    show_state "installer-${1#*=}"
  fi
  stop_background
  wait_for 30 window_gone "$title" || true
}
installer_title "Tavrinel $version 설치" "${korean[@]}"
installer_title "Tavrinel $version Setup" LANG=C.UTF-8 LC_ALL=C.UTF-8

# Once it is closed, both do their work.
rm -f "$instdir/README.txt"
installed_again() { [ "$code" = 0 ] && cmp -s "$zipped/README.txt" "$instdir/README.txt"; }
tav_retry 2 60 install_silently installed_again || cat "$work/setup.log"
check "the silent install over the closed program ends with 0 (got $code) and installs again" \
  installed_again
# The uninstaller ends before the copy of itself that removes it (and then the folder) does.
uninstall_silently() {
  [ -f "$instdir/tavrinel.exe" ] || return 1  # gone already: nothing to try again
  run_code "$work/uninstall.log" "$uninstaller" /S "_?=$instdir_win"
}
removed() { [ ! -e "$instdir" ] && [ ! -e "$shortcut" ] && [ ! -e "$sendto" ] && ! entry_exists; }
if ! tav_retry 2 60 uninstall_silently removed; then
  cat "$work/uninstall.log"
  echo "  left in $instdir:"
  ls -la "$instdir" 2>&1 | sed 's/^/    /'
  show_state uninstall
fi
timeout 60 "$wineserver" -w || true
check "the quiet uninstall ends with 0 (got $code)" test "$code" = 0
check "the uninstall removed the install folder" test ! -e "$instdir"
check "the uninstall removed both shortcuts" test ! -e "$shortcut" -a ! -e "$sendto"
no_entry() { ! entry_exists; }
check "the uninstall removed the entry" no_entry
user_files >"$work/files-after"
check "no file of the install is left in the user's profile" \
  diff -u "$work/files-before" "$work/files-after"

echo "release: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
