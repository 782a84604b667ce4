# Sourced by the build, run and test scripts: the repository's folder, packages, cleanups, a
# virtual display and gzip's CRC-32. Sets `root` to the repository's folder.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# What the Linux build needs: compiler, CMake, OpenSSL's libcrypto, Qt 6 Widgets and its
# platform plugins; and a font with Hangul for the window's Korean captions.
TAV_BUILD_PACKAGES=(g++ make cmake pkg-config libssl-dev qt6-base-dev qt6-qpa-plugins libgl-dev
                    fonts-noto-cjk)
# What the Linux suites need on top: GoogleTest, gzip and coreutils to cross-check against,
# and a virtual X server with a window manager and clipboard tool for the desktop smoke run.
TAV_TEST_PACKAGES=(libgtest-dev gzip coreutils xvfb xauth openbox xclip x11-utils
                   xdotool)

# Installs the Debian packages named that are not installed yet.
tav_need() {
  local missing=() p
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
  "${sudo[@]}" apt-get update -qq
  # With recommends: Qt's platform plugins and Wine's X11 libraries and fonts come that way.
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

# Test output, file names and window titles are Hangul: read and print them as UTF-8 whatever
# locale the caller has (CI may have none; without one, X tools escape the Hangul title).
tav_utf8() { export LANG=C.UTF-8 LC_ALL=C.UTF-8; }

# Commands run when the script exits, the last added first. Each runs to its end even under
# `set -e` (a `kill` of a process that already ended fails), and every one runs; the script's
# exit status stays its own.
tav_exit_commands=()
tav_at_exit() {
  tav_exit_commands=("$1" "${tav_exit_commands[@]}")
  trap 'for c in "${tav_exit_commands[@]}"; do eval "$c" || true; done' EXIT
}

# Starts an X server of our own (it picks a free display number), exports DISPLAY, and stops
# it when the script exits.
tav_start_xvfb() {
  local fd pid
  fd="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp 3>"$fd" >/dev/null 2>&1 &
  pid=$!
  tav_at_exit "kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -f '$fd'; true"
  for _ in $(seq 100); do
    [ -s "$fd" ] && break
    sleep 0.1
  done
  [ -s "$fd" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$fd")"
  unset WAYLAND_DISPLAY
}

# Test scripts' checks: `check DESCRIPTION COMMAND...` runs the command, prints ok or FAIL and
# counts it in `passed` or `failed`; the script ends by reporting both.
passed=0 failed=0
check() {
  local what="$1"; shift
  if "$@"; then passed=$((passed + 1)); echo "ok   $what"
  else failed=$((failed + 1)); echo "FAIL $what"; fi
}
# Polls a command every 0.1 s until it succeeds or `seconds` pass.
wait_for() {
  local seconds="$1" i; shift
  for ((i = 0; i < seconds * 10; i++)); do "$@" && return 0; sleep 0.1; done
  return 1
}

# The CRC-32 of a file as the app shows it (lowercase hex, no leading zeros), read from gzip's
# trailer (the CRC of the input, little-endian): an implementation independent of ours.
tav_gzip_crc() {
  printf '%x\n' "0x$(gzip -c <"$1" | tail -c8 | head -c4 | od -An -tx4 | tr -d ' \n')"
}
