# Sourced by the build, run and test scripts: the repository's folder, packages, cleanups, a
# virtual display and gzip's CRC-32. Sets `root` to the repository's folder.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# What the Linux build needs: compiler, CMake, OpenSSL's libcrypto, Qt 6 Widgets and its
# platform plugins; and a font with Hangul for the window's Korean captions.
TAV_BUILD_PACKAGES=(g++ make cmake pkg-config libssl-dev qt6-base-dev qt6-qpa-plugins libgl-dev
                    fonts-noto-cjk)
# What the Linux suites need on top: GoogleTest, gzip and coreutils to cross-check against;
# for the desktop run a virtual X server with a window manager and clipboard tool, a private
# D-Bus session with the accessibility bus and its Python bindings (the run reads and drives
# the window as a screen reader does), and ImageMagick for a picture of a failing step.
TAV_TEST_PACKAGES=(libgtest-dev gzip coreutils xvfb xauth openbox xclip x11-utils
                   xdotool dbus-daemon dbus-bin at-spi2-core python3-pyatspi imagemagick)

# The arm64 cross build's packages: the cross compiler; the build machine's moc, uic and rcc,
# which the arm64 Qt's CMake files name (unqualified, apt keeps the native ones); the arm64 Qt
# and libcrypto, installed beside the native ones.
TAV_ARM64_BUILD_PACKAGES=(g++-aarch64-linux-gnu qt6-base-dev-tools qt6-base-dev:arm64
                          libssl-dev:arm64)

# Installs the Debian packages named that are not installed yet. A name with an architecture
# (qt6-base-dev:arm64) adds that architecture to dpkg's list first. With --no-install-recommends
# first, apt brings no recommended packages.
tav_need() {
  local missing=() p options=()
  if [ "${1:-}" = --no-install-recommends ]; then options=("$1"); shift; fi
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "These Debian packages are missing: ${missing[*]}" >&2
      echo "Install them as root, then run this again:" >&2
      echo "  su -c 'apt-get install -y ${missing[*]}'" >&2
      exit 1
    fi
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  # Another install on this machine holds dpkg's lock for a while: wait for it, not fail.
  local apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900)
  local arch
  for arch in $(printf '%s\n' "${missing[@]}" | sed -n 's/^[^:]*:\(.*\)$/\1/p' | sort -u); do
    [ "$arch" = "$(dpkg --print-architecture)" ] ||
      dpkg --print-foreign-architectures | grep -qx "$arch" ||
      "${sudo[@]}" dpkg --add-architecture "$arch"
  done
  "${apt[@]}" update -qq
  # With recommends unless told: Qt's platform plugins and Wine's X11 libraries and fonts come
  # that way.
  "${apt[@]}" install -y -qq "${options[@]}" "${missing[@]}"
}

# Test output, file names and window titles are Hangul: read and print them as UTF-8 whatever
# locale the caller has (CI may have none; without one, X tools escape the Hangul title).
tav_utf8() { export LANG=C.UTF-8 LC_ALL=C.UTF-8; }

# Runs the calling script again under `timeout` unless it already runs so: the whole script
# then ends within the seconds given, and a TERM from timeout becomes an exit, so its exit
# commands still run. Called right after sourcing this file, with the script's arguments.
tav_bounded() {  # seconds, the script's arguments...
  local seconds="$1"
  shift
  if [ "${TAV_BOUNDED:-}" != "$0" ]; then
    exec env TAV_BOUNDED="$0" timeout -k 20 "$seconds" bash "$0" "$@"
  fi
  trap 'exit 124' TERM INT
}

# Wine in a prefix of the caller's own: sets `wine` and `wineserver`, the prefix's environment
# (64-bit, no Mono or Gecko prompts, no debug output; further DLL overrides may be given), and
# stops that prefix's wineserver when the script exits. Call it after tav_start_xvfb, so the
# server ends before the X server it draws on.
tav_wine() {  # prefix folder, [more DLL overrides]
  wine=/usr/lib/wine/wine64
  wineserver=/usr/lib/wine/wineserver
  [ -x "$wineserver" ] || wineserver="$(command -v wineserver)"
  export WINEPREFIX="$1" WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=${2:+;$2}"
  tav_at_exit "WINEPREFIX='$WINEPREFIX' '$wineserver' -k >/dev/null 2>&1; true"
}

# Commands run when the script exits, the last added first. Each runs to its end even under
# `set -e` (a `kill` of a process that already ended fails), and every one runs; the script's
# exit status stays its own, and they find it in `tav_status`.
tav_exit_commands=()
tav_status=0
tav_at_exit() {
  tav_exit_commands=("$1" "${tav_exit_commands[@]}")
  trap 'tav_status=$?; for c in "${tav_exit_commands[@]}"; do eval "$c" || true; done' EXIT
}

# Start-up waits, in seconds: an X server, a window manager, a bus or a program's first window
# may take many times their usual second on a busy machine.
TAV_START_SECONDS=60

# The private X stack: an X server of our own (it picks a free display number; DISPLAY is
# exported) and, on it, the parts named: "atspi", a D-Bus session of our own with the
# accessibility bus (exports DBUS_SESSION_BUS_ADDRESS; a Qt app started with
# QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 then shows its widgets there; needs XDG_RUNTIME_DIR, a
# private folder for the buses' sockets), and "openbox", the window manager, each waited for
# until it works. All of it stops when the script exits. Other jobs on a shared machine start
# and stop X servers too, and may clear /tmp's lock files, so a server reported ready may be
# gone a moment later: when the server does not answer, a part cannot reach it or ends, or the
# server is gone once all are up, everything started is stopped and the whole stack started
# again, three times in all, each miss said.
tav_start_x_stack() {  # folder for the parts' logs, parts...
  local folder="${1:-}" part try up
  shift || true
  if [ "${tav_x_at_exit:-}" != 1 ]; then
    tav_at_exit tav_x_stop
    tav_x_at_exit=1
  fi
  for try in 1 2 3; do
    up=1
    tav_x_server || up=0
    for part in "$@"; do
      [ "$up" = 1 ] && { "tav_x_$part" "$folder" || up=0; }
    done
    if [ "$up" = 1 ]; then
      tav_x_alive && return 0
      echo "the X server on $DISPLAY or a part on it ended once all were up" >&2
    fi
    echo "the private X stack (try $try of 3) did not come up whole: stopping what was started" >&2
    tav_x_stop
  done
  exit 1
}
# An X server alone, as the Wine suites and the packages step need it.
tav_start_xvfb() { tav_start_x_stack ""; }

# The stack's processes in the order started; stopped the last first.
tav_x_pids=()
tav_x_stop() {
  local i
  for ((i = ${#tav_x_pids[@]} - 1; i >= 0; i--)); do
    kill "${tav_x_pids[i]}" 2>/dev/null || true
    wait "${tav_x_pids[i]}" 2>/dev/null || true
  done
  tav_x_pids=()
  true
}
# The server answers on DISPLAY and every process of the stack still runs.
tav_x_alive() {
  local pid
  for pid in "${tav_x_pids[@]}"; do kill -0 "$pid" 2>/dev/null || return 1; done
  xdpyinfo >/dev/null 2>&1
}

# One try of each part: returns 1, saying why, when it does not come up.
tav_x_server() {
  local fd pid
  fd="$(mktemp)"
  tav_at_exit "rm -f '$fd'"
  Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp 3>"$fd" >/dev/null 2>&1 &
  pid=$!
  tav_x_pids+=("$pid")
  xvfb_up() { [ -s "$fd" ] || ! kill -0 "$pid" 2>/dev/null; }
  wait_for "$TAV_START_SECONDS" xvfb_up || true
  if [ -s "$fd" ] && DISPLAY=":$(head -n1 "$fd")" xdpyinfo >/dev/null 2>&1 &&
     kill -0 "$pid" 2>/dev/null; then
    export DISPLAY=":$(head -n1 "$fd")"
    unset WAYLAND_DISPLAY
    return 0
  fi
  echo "Xvfb did not come up on a display of its own (display :$(head -n1 "$fd"))" >&2
  return 1
}

tav_x_atspi() {  # folder for the logs
  local fd="$1/dbus-address" pid
  : >"$fd"
  dbus-daemon --session --nofork --nopidfile --address="unix:tmpdir=$XDG_RUNTIME_DIR" \
    --print-address=3 3>"$fd" >"$1/dbus.log" 2>&1 &
  pid=$!
  tav_x_pids+=("$pid")
  bus_up() { [ -s "$fd" ] || ! kill -0 "$pid" 2>/dev/null; }
  wait_for "$TAV_START_SECONDS" bus_up || true
  if [ ! -s "$fd" ]; then
    echo "dbus-daemon did not start within $TAV_START_SECONDS s:" >&2
    cat "$1/dbus.log" >&2
    return 1
  fi
  DBUS_SESSION_BUS_ADDRESS="$(head -n1 "$fd")"
  export DBUS_SESSION_BUS_ADDRESS
  # Started by us rather than by the session bus on demand, so that it ends with the stack.
  # It announces the bus on the X server's root window: it must reach the server.
  /usr/libexec/at-spi-bus-launcher --launch-immediately >"$1/at-spi.log" 2>&1 &
  pid=$!
  tav_x_pids+=("$pid")
  # Asked without starting anything: until the launcher owns its name, nobody else should.
  a11y_bus_up() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q 'boolean true'
  }
  a11y_bus_up_or_gone() { a11y_bus_up || ! kill -0 "$pid" 2>/dev/null; }
  wait_for "$TAV_START_SECONDS" a11y_bus_up_or_gone || true
  if ! a11y_bus_up || ! kill -0 "$pid" 2>/dev/null; then
    echo "the accessibility bus did not start on $DISPLAY (or ended) within $TAV_START_SECONDS s:" >&2
    cat "$1/at-spi.log" >&2
    return 1
  fi
}

tav_x_openbox() {  # folder for its log
  local pid
  openbox --sm-disable >"$1/openbox.log" 2>&1 &
  pid=$!
  tav_x_pids+=("$pid")
  wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
  wm_ready_or_gone() { wm_ready || ! kill -0 "$pid" 2>/dev/null; }
  wait_for "$TAV_START_SECONDS" wm_ready_or_gone || true
  kill -0 "$pid" 2>/dev/null && wm_ready && return 0
  if kill -0 "$pid" 2>/dev/null; then
    echo "openbox did not manage $DISPLAY within $TAV_START_SECONDS s:" >&2
  else
    echo "openbox ended without managing $DISPLAY:" >&2
  fi
  cat "$1/openbox.log" >&2
  return 1
}

# What a failing GUI step saw, for a reader of the log to tell a lost click from a wrong value
# from a hang: the active window, the visible named windows, the programs' own output, and a
# picture of the screen saved in `folder` (its path printed).
tav_gui_report() {  # folder, a word for the picture's name, logs of the programs under test...
  local folder="$1" what="$2" w active shot; shift 2
  echo "---- what the screen showed ----"
  # Wine's windows on a bare X server have no window manager to call one of them active.
  active="$(xdotool getactivewindow getwindowname 2>/dev/null ||
            xdotool getwindowfocus getwindowname 2>/dev/null || echo "(none)")"
  echo "active window: $active"
  echo "visible windows:"
  for w in $(xdotool search --onlyvisible --name . 2>/dev/null | head -n 40); do
    echo "  $w $(xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/^ *Geometry: //p') \"$(xdotool getwindowname "$w" 2>/dev/null)\""
  done
  for w in "$@"; do
    echo "---- $w (last 80 lines) ----"
    if [ -s "$w" ]; then tail -n 80 "$w"; else echo "(nothing)"; fi
  done
  mkdir -p "$folder"
  shot="$folder/$what-$(date +%Y%m%d-%H%M%S)-$$.png"
  if import -silent -window root "$shot" 2>/dev/null; then
    echo "screenshot: $shot"
  else
    echo "screenshot: none could be taken"
  fi
  echo "----"
}

# Test scripts' checks: `check DESCRIPTION COMMAND...` runs the command, prints ok or FAIL and
# counts it in `passed` or `failed`; the script ends by reporting both.
passed=0 failed=0
check() {
  local what="$1"; shift
  if "$@"; then passed=$((passed + 1)); echo "ok   $what"
  else failed=$((failed + 1)); echo "FAIL $what"; fi
}
# Polls a command every 0.1 s until it succeeds or `seconds` pass (by the clock: each try of
# the command may itself take a while on a busy machine).
wait_for() {
  local seconds="$1" end; shift
  end=$((SECONDS + seconds))
  while :; do
    "$@" && return 0
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}
# Runs an action, then waits up to `seconds` for its visible effect; an action whose effect
# does not come is tried again, `tries` times in all, each miss said. Both are commands given
# as strings; the action's own status does not count, only the effect.
tav_retry() {  # tries seconds action effect
  local i
  for ((i = 1; i <= $1; i++)); do
    eval "$3" || true
    wait_for "$2" eval "$4" && return 0
    echo "  try $i of $1: $3 did not lead to $4 within $2 s"
  done
  return 1
}

# The CRC-32 of a file as the app shows it (lowercase hex, no leading zeros), read from gzip's
# trailer (the CRC of the input, little-endian): an implementation independent of ours.
tav_gzip_crc() {
  printf '%x\n' "0x$(gzip -c <"$1" | tail -c8 | head -c4 | od -An -tx4 | tr -d ' \n')"
}
