#!/usr/bin/env bash
# Installs what Tailgate needs to build, run and test on Debian 12.
set -euo pipefail
packages=(
  build-essential cmake pkg-config clang
  libsdl2-dev libsdl2-ttf-dev fonts-dejavu-core libpng-dev
  libfluidsynth-dev timgm6mb-soundfont
  libespeak-ng-dev espeak-ng-data
  libgtest-dev libbenchmark-dev
  xvfb xauth sox
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update
  $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi
