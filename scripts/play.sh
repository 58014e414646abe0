#!/usr/bin/env bash
# First command: install what is needed, build, and start the game.
# Extra arguments go to the game (for example --window).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
exec "$root/build/tailgate" "$@"
