#!/bin/sh
# Plays the three scripted games again with the autopilot and rewrites
# tests/data/games/*.txt. Needed whenever a change to the game's rules, its
# start-up or its random draws makes the old key presses play a different
# game (tests/game then fails on a score or a milestone).
#
#   tools/autopilot/make_scripts.sh [BUILD_DIR]     (default: build)
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-"$root/build"}
autopilot="$build/tools/autopilot/autopilot"
data="$build/data"
out="$root/tests/data/games"

if [ ! -x "$autopilot" ] || [ ! -d "$data" ]; then
    echo "make_scripts: build the autopilot and the game data in $build first" >&2
    exit 1
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
mkdir -p "$out"

# goal, start tick, file
for game in "first-level 123456 first_level" "whole-game 424242 whole_game" "game-over 777777 game_over"; do
    set -- $game
    rm -rf "$scratch/data"
    cp -r "$data" "$scratch/data"
    rm -f "$scratch/data/hiscore.txt"  # start-up makes a fresh one, as the tests do
    "$autopilot" --data "$scratch/data" --goal "$1" --start-tick "$2" --out "$out/$3.txt"
done
