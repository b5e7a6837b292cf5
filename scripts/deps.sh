#!/usr/bin/env bash
# Installs the Debian packages the project needs, when any is missing. Runs as root.
set -euo pipefail
packages=(
  cmake make g++            # the Linux build
  g++-mingw-w64-x86-64-posix # the Windows module (posix threads variant)
  wine64 wine                # runs the Windows tests
  libgtest-dev googletest    # tests (googletest: sources for the Windows build)
  libbenchmark-dev           # benchmarks
  libstb-dev                 # stb_truetype and stb_image_write for the canvas
  fonts-liberation2          # Liberation Sans, embedded in the binaries
  python3-mido               # an independent MIDI file reader for the tests
  clang libclang-rt-dev      # sanitizer builds and fuzzing (libFuzzer)
)
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
