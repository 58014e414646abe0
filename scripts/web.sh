#!/usr/bin/env bash
# Builds the game for the browser into build-web/ and serves the page on
# 127.0.0.1 (Ctrl+C stops it):
#   scripts/web.sh            build, then serve on port 8027 (or $PORT)
#   scripts/web.sh --build    build only
# It takes the game data and the glyph atlas from the desktop build in
# build/ (made first when missing), the music synthesiser from its npm
# tarball in web/vendor/ (npm ci --offline: exactly the lock file's, never
# the network) and the SoundFont from Debian's timgm6mb-soundfont. Needs
# scripts/setup.sh --test (emscripten, nodejs, npm).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"
case "${1:-}" in
  "" | --build) ;;
  *) echo "usage: scripts/web.sh [--build]" >&2; exit 2 ;;
esac
# Emscripten's optimiser runs on Node and needs Debian's acorn.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"
if [ ! -f "$root/build/generated/text_atlas.cpp" ] || [ ! -d "$root/build/data" ]; then
  "$root/scripts/build.sh"
fi
if [ ! -f "$root/web/node_modules/.package-lock.json" ] ||
   [ "$root/web/package-lock.json" -nt "$root/web/node_modules/.package-lock.json" ]; then
  (cd "$root/web" && npm ci --offline --no-audit --no-fund)
fi
emcmake cmake -S "$root" -B "$root/build-web" -DTAILGATE_SYSTEM=web -DTAILGATE_NATIVE_BUILD="$root/build" \
  -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$root/build-web" -j"$jobs"
if [ "${1:-}" = "--build" ]; then
  exit 0
fi
port="${PORT:-8027}"
echo "Tailgate in the browser: http://127.0.0.1:$port/"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$root/build-web"
