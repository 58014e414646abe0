#!/bin/sh
# The golden pictures (tests/pictures, and the overlays in tests/player) of two builds side by side: every
# screen whose picture differs between OLD_BUILD and NEW_BUILD is written to
# OUT/<screen>.png, the new picture on the left, the old on the right. With
# --accept the new build's hashes become tests/data/pictures.txt.
#
#   scripts/pictures.sh [--accept] OLD_BUILD [NEW_BUILD] [OUT]
#                       (defaults: build, pictures-diff)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
accept=0
if [ "${1:-}" = "--accept" ]; then
    accept=1
    shift
fi
if [ $# -lt 1 ]; then
    sed -n '2,8p' "$0"
    exit 2
fi
old_build=$1
new_build=${2:-"$root/build"}
out=${3:-"$root/pictures-diff"}
for build in "$old_build" "$new_build"; do
    if [ ! -x "$build/tests/test_pictures" ] || [ ! -x "$build/tests/test_player" ]; then
        echo "pictures: no tests/test_pictures and tests/test_player in $build" >&2
        exit 2
    fi
done

old=$(mktemp -d)
trap 'rm -rf "$old"' EXIT INT TERM
mkdir -p "$out"
rm -f "$out/pictures.txt"
# The game's own screens, then the overlays the window draws over them.
pictures() {
    "$1/tests/test_pictures" >/dev/null 2>&1 || true
    "$1/tests/test_player" --gtest_filter='Pictures.*' >/dev/null 2>&1 || true
}
TAILGATE_PICTURES="$old" pictures "$old_build"
TAILGATE_PICTURES="$out" TAILGATE_PICTURES_OLD="$old" pictures "$new_build"
changed=0
while IFS= read -r line; do
    screen=${line#* | }
    if ! grep -qxF "$line" "$old/pictures.txt"; then
        echo "changed: $screen ($out/$(echo "$screen" | tr ' ' _).png)"
        changed=$((changed + 1))
    else
        rm -f "$out/$(echo "$screen" | tr ' ' _).png"
    fi
done < "$out/pictures.txt"
echo "$changed picture(s) changed"
if [ $accept -eq 1 ]; then
    { sed -n '1,2p' "$root/tests/data/pictures.txt"; cat "$out/pictures.txt"; } > "$out/accepted.txt"
    mv "$out/accepted.txt" "$root/tests/data/pictures.txt"
    echo "tests/data/pictures.txt written from $new_build"
fi
