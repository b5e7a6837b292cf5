#!/usr/bin/env bash
# Installs the Debian packages the project needs, when any is missing. Runs as root.
# Usage: deps.sh [build]   ("build": only what the Linux module and its tools need, for the demo)
set -euo pipefail
build_packages=(
  cmake make g++             # the Linux build
  libgtest-dev               # tests (found when the tree is configured)
  libbenchmark-dev           # benchmarks (likewise)
  libstb-dev                 # stb_truetype and stb_image_write for the canvas
  fonts-liberation2          # Liberation Sans, embedded in the binaries
  libx11-dev                 # the editor's X11 window
  libxtst-dev libxres-dev    # the window tests (found when the tree is configured)
  dpf-source                 # the CLAP 1.1 headers for moltrin.clap (only its clap/ folder is used)
  lv2-dev                    # the LV2 headers the bundle moltrin.lv2 is built with
)
test_packages=(
  g++-mingw-w64-x86-64-posix # the Windows module (posix threads variant)
  wine64 wine                # runs the Windows tests
  googletest                 # GoogleTest sources for the Windows build
  python3-mido               # an independent MIDI file reader for the tests
  xvfb                       # the window tests' display
  clang libclang-rt-dev      # sanitizer builds and fuzzing (libFuzzer)
  liblilv-dev pkg-config     # the LV2 test host (hosts/lv2) loads the bundle with lilv
  sordi                      # sord_validate, which lv2_validate runs on the bundle
  jalv jackd2 x11-utils imagemagick  # jalv opens the bundle with its editor; xwininfo, import: the screenshot
  ardour                     # Ardour 7 plays a MIDI region through the bundle, headless (ardour7-lua)
  xdotool                    # the VST 2.x editor clicked in Ardour's GUI (scripts/vst2-ardour-touch.sh)
)
packages=("${build_packages[@]}")
[ "${1:-}" = build ] || packages+=("${test_packages[@]}")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
