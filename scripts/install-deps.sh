#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and the demo need.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev
          libsqlcipher-dev libssl-dev sqlcipher libicu-dev libgl-dev poppler-utils gammu xvfb xauth openbox
          xdotool fonts-wine desktop-file-utils xclip x11-utils util-linux)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
