#!/bin/sh
# Plays the three scripted games again with the autopilot and rewrites
# tests/data/games/*.txt. Needed whenever a change to the game's rules, its
# start-up or its random draws makes the old key presses play a different
# game (tests/game then fails on a score or a milestone). Each recording then
# gets the game's state checks (a hash every 100 passes), which a replay
# compares as it goes. With --checks only the checks are written anew (the
# state dump gained a value, say, and the game is the same).
#
#   tools/autopilot/make_scripts.sh [--checks] [BUILD_DIR]     (default: build)
set -eu

checks_only=0
if [ "${1:-}" = "--checks" ]; then
    checks_only=1
    shift
fi
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
    if [ "$checks_only" = 0 ]; then
        "$autopilot" --data "$scratch/data" --goal "$1" --start-tick "$2" --out "$out/$3.txt"
    fi
    "$build/tailgate" --headless --data "$scratch/data" --replay "$out/$3.txt" --write-checks
done
