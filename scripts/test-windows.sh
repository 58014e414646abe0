#!/usr/bin/env bash
# The Windows build under Wine: builds it and its ZIP (scripts/windows.sh,
# from the native build in build/), unpacks the ZIP and checks its program
#   - headless, the recorded whole game gives the native trace, dump and
#     audio log byte for byte, and the same PNG shots;
#   - a game that enters the high-score table saves it over an existing
#     table (every entry kept, as the native game saves it);
#   - without its data folder it exits 1 with the line that names it;
#   - in a real Win32 window on a virtual X display, keys from xdotool take
#     title, menu, story page and road, P pauses and goes on, Q quits; the
#     session's recording replays natively to the state the window's run
#     reached, and a watched replay in the window shows the native pictures.
# Wine gets a prefix of its own in build-win/wine (made once, ~30 s), a
# scratch HOME whose ALSA default is a null device (waveOut needs one on a
# machine without a sound card), and no debug output.
#   scripts/test-windows.sh [--no-build]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
native="$root/build"
if [ "${1:-}" != "--no-build" ]; then
  "$root/scripts/windows.sh"
fi
zip="$(ls "$root"/build-win/tailgate-*-win64.zip | head -1)"
games="$root/tests/data/games"

scratch="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  wineserver -k 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
# No debugger on a crash: the program fails instead of waiting.
export WINEPREFIX="$root/build-win/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export HOME="$scratch/home"
mkdir -p "$HOME"
printf 'pcm.!default { type null }\n' > "$HOME/.asoundrc"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "-- making the Wine prefix"
  wineboot --init > /dev/null 2>&1
fi
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$scratch" && unzip -q "$zip")
game="$(ls -d "$scratch"/tailgate-*-win64)"
exe="$game/tailgate.exe"
[ -f "$exe" ] && [ -d "$game/data" ] && [ -f "$game/README.txt" ] && [ -f "$game/COPYRIGHT.txt" ] ||
  fail "the ZIP lacks the program, its data, the README or the licences"
# Static: the program needs only the system's own DLLs.
imports="$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')"
[ "$imports" = "GDI32.DLL KERNEL32.DLL MSVCRT.DLL OLE32.DLL SHELL32.DLL USER32.DLL WINMM.DLL " ] ||
  fail "the program imports $imports"
fresh_data() { rm -rf "$1"; cp -r "$game/data" "$1"; rm -f "$1/hiscore.txt"; }

echo "-- the whole game, headless"
mkdir -p "$scratch/w" "$scratch/n"
fresh_data "$scratch/w/data"
fresh_data "$scratch/n/data"
shots=(--shot 5:title.png --shot 2021:road.png --shot 25000:late.png)
(cd "$scratch/n" && "$native/tailgate" --headless --data data --replay "$games/whole_game.txt" \
  --trace trace.txt --dump dump.txt --audio-log audio.txt "${shots[@]}")
(cd "$scratch/w" && wine "$exe" --headless --data data --replay "$games/whole_game.txt" \
  --trace trace.txt --dump dump.txt --audio-log audio.txt "${shots[@]}")
for f in trace.txt dump.txt audio.txt title.png road.png late.png; do
  cmp "$scratch/n/$f" "$scratch/w/$f" || fail "$f differs from the native build's"
done
rm -f "$scratch"/[nw]/trace.txt

echo "-- a high score saved over an existing table"
# The game writes a new table at start-up and the whole game's score
# replaces it at the end: a save over an existing file.
run_input=(--headless --data data --start-tick 424242 --input "$games/whole_game.txt")
fresh_data "$scratch/n/data"
(cd "$scratch/n" && "$native/tailgate" "${run_input[@]}" --passes 50)
mapfile -t started < <(sed -n '2,10p' "$scratch/n/data/hiscore.txt")
fresh_data "$scratch/n/data"
fresh_data "$scratch/w/data"
(cd "$scratch/n" && "$native/tailgate" "${run_input[@]}" --passes 25861)
(cd "$scratch/w" && wine "$exe" "${run_input[@]}" --passes 25861)
cmp "$scratch/n/data/hiscore.txt" "$scratch/w/data/hiscore.txt" || fail "the saved table differs from the native one"
for score in 91720 "${started[@]}"; do
  grep -qx "$score" "$scratch/w/data/hiscore.txt" || fail "the saved table lost $score"
done
if ls "$scratch/w/data" | grep -v '^hiscore\.txt\.lock$' | grep -q '^hiscore\.txt\..'; then fail "a temporary file was left beside the table"; fi

echo "-- no data folder"
mkdir -p "$scratch/alone"
cp "$exe" "$scratch/alone/"
set +e
(cd "$scratch" && wine "$scratch/alone/tailgate.exe" --headless --passes 5 > /dev/null 2> "$scratch/alone.err")
status=$?
set -e
[ "$status" = 1 ] || fail "without data the program exited $status, not 1"
tr -d '\r' < "$scratch/alone.err" | grep -qx 'tailgate: cannot use data directory .*/alone/data' ||
  fail "without data the line was: $(cat "$scratch/alone.err")"

echo "-- a window on a virtual display"
display=":$((90 + RANDOM % 800))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
sleep 1
find_window() {
  local w=""
  for _ in $(seq 1 60); do
    w="$(xdotool search --name '^Tailgate$' 2> /dev/null | head -1 || true)"
    [ -n "$w" ] && break
    sleep 0.5
  done
  [ -n "$w" ] || fail "no window came up"
  echo "$w"
}
# One session in the window: its keys from xdotool, its recording kept.
window_session() {
  rm -rf "$scratch/w"
  mkdir -p "$scratch/w"
  fresh_data "$scratch/w/data"
  (cd "$scratch/w" && TAILGATE_MIDI_LOG="$scratch/w/midi.txt" exec timeout 120 wine "$exe" --window --data data \
    --record session.txt > /dev/null 2> session.err) &
  game_pid=$!
  window="$(find_window)"
  xdotool windowfocus "$window"
  sleep 2
  key space
  key s 2
  key space 3
  xdotool keydown Up
  sleep 2
  xdotool keyup Up
  key p 1

  key p 1
  key q 3
  wait "$game_pid"
}
key() { xdotool key "$1"; sleep "${2:-1.5}"; }
# Under a heavily loaded machine Wine has once crashed the windowed game as
# it ended (a page fault after Q); that is said loudly and the session is
# played once more, so one such crash does not hide the other checks.
if ! window_session; then
  echo "WARNING: the windowed game did not end well, trying once more: $(tail -3 "$scratch/w/session.err")" >&2
  window_session || fail "the windowed game did not end well twice: $(cat "$scratch/w/session.err")"
fi
keys="$(grep -v '^#' "$scratch/w/session.txt" | grep -o '[+-][A-Z]*' | tr '\n' ' ')"
[ "$keys" = "+SPACE -SPACE +S -S +SPACE -SPACE +UP -UP +Q -Q " ] || fail "the window's keys were: $keys"
# The music's events as the sequencer sent them to midiOut (Wine here has
# no synthesiser to play them): channel messages only, programs chosen,
# notes struck and released.
[ -s "$scratch/w/midi.txt" ] || fail "no music events were sent"
grep -vqE '^[89A-E][0-9A-F] [0-7][0-9A-F] [0-7][0-9A-F]$' "$scratch/w/midi.txt" &&
  fail "a music event is no channel message: $(grep -vE '^[89A-E][0-9A-F] [0-7][0-9A-F] [0-7][0-9A-F]$' "$scratch/w/midi.txt" | head -1)"
grep -qE '^C' "$scratch/w/midi.txt" || fail "the music chose no instrument"
grep -qE '^9[0-9A-F] [0-7][0-9A-F] ([1-7][0-9A-F]|0[1-9A-F])$' "$scratch/w/midi.txt" || fail "the music struck no note"
grep -qE '^8|^9[0-9A-F] [0-7][0-9A-F] 00$' "$scratch/w/midi.txt" || fail "the music released no note"
# The paused pass is in the recording's passes; the replay gives the native state.
(cd "$scratch/n" && "$native/tailgate" --headless --data data --replay "$scratch/w/session.txt" --dump session_dump.txt)
grep -q '"game_mode":[1-9]' "$scratch/n/session_dump.txt" || fail "the window's session did not reach the road"
(cd "$scratch/w" && wine "$exe" --headless --data data --replay session.txt --dump session_dump.txt)
cmp "$scratch/n/session_dump.txt" "$scratch/w/session_dump.txt" || fail "the window's session replays differently"
echo "windows tests passed"
