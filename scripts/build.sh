#!/usr/bin/env bash
# Builds the game into build/ (release with debug info, hardened).
#   scripts/build.sh         the game and its default data only (scripts/play.sh)
#   scripts/build.sh --all   everything: also the tests, benchmarks, tools,
#                            icons and screenshots (scripts/test.sh)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"
case "${1:-}" in
  "")
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAILGATE_TESTS=OFF -DTAILGATE_BENCH=OFF
    cmake --build "$root/build" -j"$jobs" --target tailgate game_data demos
    ;;
  --all)
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAILGATE_TESTS=ON -DTAILGATE_BENCH=ON
    cmake --build "$root/build" -j"$jobs"
    ;;
  *) echo "usage: scripts/build.sh [--all]" >&2; exit 2 ;;
esac
