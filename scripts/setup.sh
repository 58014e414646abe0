#!/usr/bin/env bash
# Installs what Tailgate needs to build, run and test on Debian 12, from a
# minimal system up: nothing here may rely on a Recommends being pulled in.
set -euo pipefail
packages=(
  # the compilers and the build
  build-essential cmake pkg-config
  # the sanitizer build: clang with its AddressSanitizer/UBSan and libFuzzer runtimes
  clang libclang-rt-14-dev
  # the game's libraries
  libsdl2-dev libpng-dev libfluidsynth-dev
  # the build's text: the glyph atlas tool (tools/make_atlas, which finds its
  # face through fontconfig) and the data generator draw the DejaVu faces (the
  # condensed bold one is in -extra) with SDL2_ttf; the game opens no font
  libsdl2-ttf-dev libfontconfig-dev fontconfig fonts-dejavu-core fonts-dejavu-extra
  # what the game plays its music with: a General MIDI SoundFont
  timgm6mb-soundfont
  # the data generator's speech
  libespeak-ng-dev espeak-ng-data
  # tests and benchmarks; the checkers of the installed desktop entry and metainfo
  libgtest-dev libbenchmark-dev desktop-file-utils appstream
  # the style check (scripts/style.sh)
  clang-format clang-tidy
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
