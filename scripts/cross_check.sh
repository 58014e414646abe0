#!/usr/bin/env bash
# Compiles the game's own layers and the portable core of the platform layer
# (everything but the system backends in src/platform/*/) for the other
# systems the game is to run on: Windows with MinGW-w64 (posix threads) and
# the browser with Emscripten. Syntax and semantics only, one source at a
# time: a system or library header in the core fails here.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
sources=()
for layer in core platform audio display hiscore play frontend shell; do
  for f in "$root"/src/"$layer"/*.cpp; do
    [ "$(basename "$f")" = main.cpp ] && [ "$layer" = shell ] && continue
    sources+=("$f")
  done
done
flags=(-std=c++20 -fsyntax-only -I"$root/src" -DTAILGATE_VERSION=\"check\")
failed=0
check() {
  local name=$1
  shift
  local count=0
  for f in "${sources[@]}"; do
    if ! "$@" "${flags[@]}" "$f"; then
      echo "cross-check: $name cannot compile ${f#"$root"/}" >&2
      failed=1
    fi
    count=$((count + 1))
  done
  echo "cross-check: $count sources with $name"
}
check x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix
# Debian's Emscripten ships its system headers in a frozen cache under
# /usr/share/emscripten, which is all a syntax check needs (EM_CACHE is left
# as it is); it wants Debian's node modules when another node comes first
# on PATH.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"
check em++ em++
exit "$failed"
