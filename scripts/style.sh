#!/usr/bin/env bash
# The house style, checked: every C++ file of the game, its tools and its
# tests as clang-format writes it (.clang-format), and the game and its tools
# free of the clang-tidy findings listed in .clang-tidy. `scripts/style.sh
# --fix` rewrites the files into the house style instead of checking them.
# Needs a configured build folder (compile_commands.json): build/ by default.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
cd "$root"
mapfile -t sources < <(find src tools tests bench -name '*.cpp' -o -name '*.h' -o -name '*.c' | sort)
if [ "${1:-}" = "--fix" ]; then
  clang-format -i --style=file "${sources[@]}"
  exit 0
fi
echo "== style: clang-format"
clang-format --dry-run --Werror --style=file "${sources[@]}"
echo "== style: no include reaches past a folder's own layers"
if grep -rn --include='*.cpp' --include='*.h' '#include "\.\./' src tools; then
  echo "style: an include climbs out of its folder; include by the layer's name (\"play/play.h\")" >&2
  exit 1
fi
echo "== style: clang-tidy"
[ -f "$build/compile_commands.json" ] || { echo "style: no $build/compile_commands.json; build first" >&2; exit 1; }
mapfile -t checked < <(find src tools/autopilot tools/make_icon tools/make_atlas -name '*.cpp' -not -path 'src/platform/win32/*' | sort)
printf '%s\n' "${checked[@]}" | xargs -P "$(nproc 2>/dev/null || echo 2)" -n 4 \
  clang-tidy -p "$build" --quiet --warnings-as-errors='*' 2> >(grep -v "warnings generated" >&2)
# The Windows backend, as the MinGW-w64 build compiles it (build-win/, made
# by scripts/windows.sh), with that compiler's C++ library.
build_win="${BUILD_WIN_DIR:-$root/build-win}"
[ -f "$build_win/compile_commands.json" ] || { echo "style: no $build_win/compile_commands.json; scripts/windows.sh first" >&2; exit 1; }
mingw_cxx="$(ls -d /usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++ | head -1)"
find src/platform/win32 -name '*.cpp' | sort | xargs -P "$(nproc 2>/dev/null || echo 2)" -n 4 \
  clang-tidy -p "$build_win" --quiet --warnings-as-errors='*' --extra-arg="-isystem$mingw_cxx" \
  --extra-arg="-isystem$mingw_cxx/x86_64-w64-mingw32" 2> >(grep -v "warnings generated" >&2)
echo "== style: clean"
