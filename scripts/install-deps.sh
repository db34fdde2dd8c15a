#!/usr/bin/env bash
# Installs the Debian 12 packages Runpad needs to build, run and test.
# Only packages that are missing are installed, so a second run is quick.
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-qpa-plugins
  libsdl2-dev libjpeg62-turbo-dev libpng-dev zlib1g-dev
  libcurl4-openssl-dev libemf2svg-dev libwmf-dev rapidjson-dev libglib2.0-dev
  libfontconfig-dev
  # run
  qt6-image-formats-plugins fonts-urw-base35 fonts-dejavu-core fonts-liberation2
  fonts-open-sans fonts-inconsolata
  xdg-utils
  # headless run and real-window checks
  xvfb xauth xdotool x11-apps imagemagick
  # start-up benchmark (watches the X server for the first mapped window)
  libxcb1-dev
  # tests and benchmarks
  libjpeg-turbo-progs python3 python3-xlib
  # the Debian package and its checks
  dpkg-dev file desktop-file-utils appstream
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
