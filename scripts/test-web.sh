#!/usr/bin/env bash
# The browser page's tests: builds the page (scripts/web.sh --build, over the
# desktop build in build/) and drives it in headless Chromium through
# playwright-core (web/test/test.js), against the desktop game.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/web.sh" --build
cd "$root/web"
node test/test.js "$root/build-web" "$root/build" "$root/tests/data/games"
