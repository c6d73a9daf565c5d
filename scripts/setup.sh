#!/usr/bin/env bash
# Installs every Debian package the build, the content tools and the tests need.
# Safe to run any number of times.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libsdl2-dev zlib1g-dev libexpat1-dev libogg-dev libvorbis-dev
  libopenjp2-7-dev libdevil-dev
  libantlr-dev antlr default-jre-headless
  libgl-dev libgl1-mesa-dri libglx-mesa0 mesa-utils
  libfreetype-dev fonts-dejavu-core fonts-dejavu-extra fonts-freefont-ttf libjpeg-dev
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev clang-format
  xvfb xauth zip unzip python3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
