#!/usr/bin/env bash
# Installs from Debian 12's packages what Tailgate needs, from a minimal
# system up: nothing here may rely on a Recommends being pulled in.
#   scripts/setup.sh          what building and playing the game need (scripts/play.sh)
#   scripts/setup.sh --test   that and the test toolchain (scripts/test.sh)
set -euo pipefail
packages=(
  # the compilers and the build (dpkg-dev, in build-essential, gives the hardening flags)
  build-essential cmake pkg-config
  # the game's libraries
  libsdl2-dev libpng-dev libfluidsynth-dev libglib2.0-dev
  # the build's text: the glyph atlas tool (tools/make_atlas, which finds its
  # face through fontconfig) and the data generator draw the DejaVu faces (the
  # condensed bold one is in -extra) with SDL2_ttf; the game opens no font
  libsdl2-ttf-dev libfontconfig-dev fontconfig fonts-dejavu-core fonts-dejavu-extra
  # what the game plays its music with: a General MIDI SoundFont
  timgm6mb-soundfont
  # the data generator's speech
  libespeak-ng-dev espeak-ng-data
)
test_packages=(
  # the sanitizer build: clang with its AddressSanitizer/UBSan and libFuzzer runtimes
  clang libclang-rt-14-dev
  # tests and benchmarks
  libgtest-dev libbenchmark-dev
  # the checkers of the installed desktop entry, metainfo, manual page and
  # Debian package (cpack finds the package's programs with file)
  desktop-file-utils appstream man-db lintian file
  # the style check (scripts/style.sh)
  clang-format clang-tidy
  # the game and the platform's portable core compiled for Windows and the
  # browser (scripts/cross_check.sh), and the browser build and its tests
  # (scripts/web.sh, scripts/test-web.sh): a headless browser, and Node with
  # npm, which installs the page's music synthesiser and the tests' browser
  # driver from their tarballs in web/vendor/ with no network (a Node of
  # another origin that brings its own npm is kept: Debian's npm conflicts
  # with it)
  g++-mingw-w64-x86-64 emscripten chromium
  # the Windows build's tests under Wine, in a window on a virtual X display
  # driven by xdotool, its pictures taken and compared by ImageMagick
  # (scripts/test-windows.sh), with MinGW-w64's zlib
  libz-mingw-w64-dev wine wine64 xvfb xdotool imagemagick unzip
)
case "${1:-}" in
  "") ;;
  --test)
    packages+=("${test_packages[@]}")
    command -v node >/dev/null && command -v npm >/dev/null || packages+=(nodejs npm)
    ;;
  *) echo "usage: scripts/setup.sh [--test]" >&2; exit 2 ;;
esac
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
