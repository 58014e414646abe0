#!/usr/bin/env bash
# Builds the game for 64-bit Windows with MinGW-w64 into build-win/ and packs
# build-win/tailgate-VERSION-win64.zip (the program, its data, a README for
# Windows players, the licences). The data and the glyph atlas come from the
# native build in build/ (made first when it is not there).
#   scripts/windows.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"
if [ ! -f "$root/build/CMakeCache.txt" ]; then
  "$root/scripts/build.sh"
fi
cmake --build "$root/build" -j"$jobs" --target tailgate game_data icons demos
cmake -S "$root" -B "$root/build-win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTAILGATE_NATIVE_BUILD="$root/build"
cmake --build "$root/build-win" -j"$jobs"
(cd "$root/build-win" && cpack -G ZIP)
ls "$root"/build-win/tailgate-*-win64.zip
