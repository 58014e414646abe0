#!/usr/bin/env bash
# First command: install what building and playing need, build the game and
# its data (no tests), and start it.
# Extra arguments go to the game (for example --window).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
exec "$root/build/tailgate" "$@"
