#!/usr/bin/env bash
# Second command: install, build and run the whole test suite twice: once as
# built for release (followed by a compile of the game and the platform's
# portable core for Windows and the browser, scripts/cross_check.sh, the
# style check, scripts/style.sh: clang-format and clang-tidy, and the browser
# page's tests in headless Chromium, scripts/test-web.sh), once under AddressSanitizer and
# UndefinedBehaviorSanitizer (with clang, which also builds and runs the fuzz
# targets for a bounded time); then the mutation check (scripts/mutate.sh:
# faults planted in the game's rules must make the tests fail). `scripts/test.sh --mutate` runs only that.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"
"$root/scripts/setup.sh" --test

if [ "${1:-}" = "--mutate" ]; then
  exec "$root/scripts/mutate.sh"
fi

echo "== the mutation list fits the source"
"$root/scripts/mutate.sh" --check

echo "== release build and tests"
"$root/scripts/build.sh" --all
(cd "$root/build" && ctest --output-on-failure -j"$jobs")

echo "== the game and the portable core for Windows (MinGW-w64) and the browser (Emscripten)"
"$root/scripts/cross_check.sh"

echo "== Windows build under Wine"
"$root/scripts/test-windows.sh"

echo "== style check"
BUILD_DIR="$root/build" "$root/scripts/style.sh"

echo "== browser build and tests"
"$root/scripts/test-web.sh"

echo "== sanitizer build and tests"
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-asan" \
  -DCMAKE_BUILD_TYPE=Debug -DTAILGATE_SANITIZE=ON -DTAILGATE_DATA_FROM="$root/build/data"
cmake --build "$root/build-asan" -j"$jobs"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$root/build-asan" && ctest --output-on-failure -j"$jobs")

echo "== mutation check"
"$root/scripts/mutate.sh"
echo "== all tests passed"
