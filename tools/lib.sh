# Installs the Debian packages given as arguments that are not installed yet (sourced by scripts).
tav_need() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  # With recommends: Qt's platform plugins and Wine's X11 libraries and fonts come that way.
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# What the Linux build needs: compiler, CMake, OpenSSL's libcrypto, Qt 6 Widgets; and a font
# with Hangul for the window's Korean captions (a bare system may have none).
TAV_BUILD_PACKAGES=(g++ make cmake pkg-config libssl-dev qt6-base-dev qt6-qpa-plugins libgl-dev
                    fonts-noto-cjk)
# What the Linux suites need on top: GoogleTest, zlib and coreutils to cross-check against,
# and a virtual X server with a window manager and clipboard tool for the desktop smoke test.
TAV_TEST_PACKAGES=(libgtest-dev zlib1g-dev xvfb xauth openbox xclip x11-utils xdotool)
