#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; does nothing when they
# are all there already.
set -euo pipefail
packages=(
  cmake g++ make pkg-config dpkg-dev file
  qt6-base-dev qt6-base-dev-tools libgl-dev libegl-dev libglx-dev
  libgtest-dev googletest libbenchmark-dev
  mdbtools-dev libx11-dev clang libclang-rt-14-dev clang-format-14 clang-tidy-14 libqt6sql6-sqlite sqlite3
  xvfb xauth x11-utils x11-xkb-utils xdotool imagemagick fonts-dejavu-core fonts-liberation2
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
