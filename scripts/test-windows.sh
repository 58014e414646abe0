#!/usr/bin/env bash
# The Windows build under Wine: builds it and its ZIP (scripts/windows.sh,
# from the native build in build/), unpacks the ZIP and checks its program
#   - headless, the recorded whole game gives the native trace, dump and
#     audio log byte for byte, and the same PNG shots;
#   - a game that enters the high-score table saves it over an existing
#     table (every entry kept, as the native game saves it);
#   - without its data folder it exits 1 with the line that names it;
#   - the pads' unit test, built for Windows, passes under Wine;
#   - started as the desktop starts it (no console, no standard handles)
#     without its data folder, it shows the line in a message box and exits
#     1 once the box is closed; headless, it shows no box;
#   - in a real Win32 window on a virtual X display (scale 1: a 640 x 480
#     client area), a watched replay's lingering last picture is the native
#     build's shot of that pass pixel for pixel, and F12 writes that picture
#     into the Pictures folder as a PNG;
#   - keys from xdotool take title, menu, story page and road, Alt+Enter
#     goes full screen and back, P pauses and goes on, Q quits, with no word
#     about game controllers (Wine has none); the session's recording
#     replays natively to the state the window's run reached.
# The pictures of the title, the road and a battle (headless) and of the
# window on the title and the road are kept in build-win/screenshots.
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
shots=(--shot 5:title.png --shot 2021:road.png --shot 7950:battle.png --shot 25000:late.png)
(cd "$scratch/n" && "$native/tailgate" --headless --data data --replay "$games/whole_game.txt" \
  --trace trace.txt --dump dump.txt --audio-log audio.txt "${shots[@]}")
(cd "$scratch/w" && wine "$exe" --headless --data data --replay "$games/whole_game.txt" \
  --trace trace.txt --dump dump.txt --audio-log audio.txt "${shots[@]}")
for f in trace.txt dump.txt audio.txt title.png road.png battle.png late.png; do
  cmp "$scratch/n/$f" "$scratch/w/$f" || fail "$f differs from the native build's"
done
pictures_kept="$root/build-win/screenshots"
rm -rf "$pictures_kept"
mkdir -p "$pictures_kept"
cp "$scratch/w/title.png" "$scratch/w/road.png" "$scratch/w/battle.png" "$pictures_kept/"
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

echo "-- the pads' unit test"
wine "$root/build-win/test_pads.exe" --gtest_brief=1 > "$scratch/pads.txt" 2>&1 ||
  fail "the pads' unit test failed under Wine: $(tr -d '\r' < "$scratch/pads.txt" | tail -20)"

echo "-- a virtual display"
# Wine's desktop process outlives the programs that started it, with the
# display it found then: the headless runs above had none, so the server
# they share is ended before the first window.
wineserver -k 2> /dev/null || true
wineserver -w 2> /dev/null || true
display=":$((90 + RANDOM % 800))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
for _ in $(seq 1 100); do
  xdotool getdisplaygeometry > /dev/null 2>&1 && break
  sleep 0.1
done
xdotool getdisplaygeometry > /dev/null 2>&1 || fail "the virtual display did not come up"
# Waits (up to $2 seconds, default 180: the first window of a new Wine prefix
# is slow) for a window named exactly $1 and prints its id; files named after
# that are shown when none came.
find_window() {
  local w=""
  for _ in $(seq 1 $((${2:-180} * 4))); do
    w="$(xdotool search --name "^$1\$" 2> /dev/null | head -1 || true)"
    [ -n "$w" ] && break
    sleep 0.25
  done
  if [ -z "$w" ]; then
    # What the program said meanwhile, to tell a slow start from a failed one.
    for log in "${@:3}"; do
      [ -s "$log" ] && { echo "-- $log:"; tail -20 "$log"; } >&2
    done
    fail "no window \"$1\" came up"
  fi
  echo "$w"
}
# Waits (up to $2 seconds) for the file $1 to be there and not empty.
wait_for_file() {
  for _ in $(seq 1 $(($2 * 4))); do
    [ -s "$1" ] && return 0
    sleep 0.25
  done
  return 1
}
# Waits (up to 30 s) for window $1's size to be $2 (W x H); says it.
wait_for_size() {
  local size=""
  for _ in $(seq 1 120); do
    size="$(xdotool getwindowgeometry --shell "$1" | sed -n 's/^WIDTH=//p;s/^HEIGHT=//p' | paste -sd x)"
    [ "$size" = "$2" ] && return 0
    sleep 0.25
  done
  fail "the window is $size, not $2, after $3"
}
# Gives window $1 the keyboard, once it can take it (a window being mapped
# again refuses it for a moment).
focus() {
  for _ in $(seq 1 40); do
    xdotool windowfocus "$1" 2> /dev/null && return 0
    sleep 0.25
  done
  fail "window $1 does not take the keyboard"
}
# How many pixels two pictures differ in (ImageMagick's absolute error).
pixels_apart() { compare -metric AE "$1" "$2" null: 2>&1 || true; }

echo "-- no data folder, started from the desktop"
# The launcher starts the program with no console and no standard handles,
# as the desktop does, and reports each message box (title and text).
launcher="$root/build-win/launch.exe"
rm -f "$scratch/box.out"
(
  cd "$scratch"
  set +e
  timeout 120 wine "$launcher" alone/tailgate.exe > box.out 2> box.err
  echo $? > box.status
) &
box_pid=$!
box="$(find_window Tailgate 180 "$scratch/box.out" "$scratch/box.err")"
wait_for_file "$scratch/box.out" 30 || fail "the message box's text could not be read"
focus "$box"
xdotool key Return
wait "$box_pid" || true
[ "$(cat "$scratch/box.status")" = 1 ] || fail "without data the program started from the desktop exited $(cat "$scratch/box.status"), not 1"
tr -d '\r' < "$scratch/box.out" | grep -qx 'box: Tailgate: tailgate: cannot use data directory .*/alone/data' ||
  fail "the message box said: $(cat "$scratch/box.out")"
set +e
(cd "$scratch" && timeout 120 wine "$launcher" alone/tailgate.exe --headless --passes 5 > box.out 2> box.err)
status=$?
set -e
[ "$status" = 1 ] || fail "headless without data the program started from the desktop exited $status, not 1"
[ ! -s "$scratch/box.out" ] || fail "a headless run showed a message box: $(cat "$scratch/box.out")"

echo "-- a watched replay's picture and F12"
# The prefix's Pictures folder is a link to the HOME it was made with,
# which is gone: it becomes a folder of its own.
pictures="$WINEPREFIX/drive_c/users/$(id -un)/Pictures"
if [ -L "$pictures" ] || [ ! -d "$pictures" ]; then
  rm -f "$pictures"
  mkdir -p "$pictures"
fi
rm -f "$pictures"/tailgate-*.png
last=79 # the road, a car burning: the replay ends after this pass and lingers on it
mkdir -p "$scratch/r"
fresh_data "$scratch/r/data"
(cd "$scratch/n" && "$native/tailgate" --headless --data data --replay "$games/whole_game.txt" --passes $((last + 1)) \
  --shot "$last:native.png")
(cd "$scratch/r" && exec timeout 240 wine "$exe" --window --scale 1 --config settings.ini --data data \
  --replay "$games/whole_game.txt" --passes $((last + 1)) --dump-at "$last:reached.json" > replay.out 2> replay.err) &
replay_pid=$!
window="$(find_window Tailgate 180 "$scratch/r/replay.out" "$scratch/r/replay.err")"
wait_for_size "$window" 640x480 "opening at scale 1"
wait_for_file "$scratch/r/reached.json" 180 || fail "the watched replay did not reach pass $last"
# The last picture is up once the pass is done; the X server may show it a
# moment later.
apart=""
for _ in $(seq 1 40); do
  import -window "$window" "$scratch/r/window.png"
  apart="$(pixels_apart "$scratch/r/window.png" "$scratch/n/native.png")"
  [ "$apart" = 0 ] && break
  sleep 0.25
done
[ "$apart" = 0 ] || fail "the window's picture after pass $last differs from the native shot in $apart pixels"
focus "$window"
xdotool key F12
for _ in $(seq 1 120); do
  grep -q 'screenshot saved as' "$scratch/r/replay.out" && break
  sleep 0.25
done
saved="$(tr -d '\r' < "$scratch/r/replay.out" | sed -n 's/^tailgate: screenshot saved as //p' | head -1)"
[ -n "$saved" ] || fail "F12 saved no screenshot: $(tr -d '\r' < "$scratch/r/replay.err" | tail -3)"
saved_unix="$(wine winepath.exe -u "$saved" 2> /dev/null | tr -d '\r')"
[ "$(cd "$(dirname "$saved_unix")" && pwd -P)" = "$(cd "$pictures" && pwd -P)" ] ||
  fail "F12 saved $saved, not in the Pictures folder"
[ "$(pixels_apart "$saved_unix" "$scratch/n/native.png")" = 0 ] ||
  fail "F12's picture after pass $last differs from the native shot"
xdotool key q
wait "$replay_pid" || fail "the watched replay did not end well: $(tail -3 "$scratch/r/replay.err")"

echo "-- a window on a virtual display"
# One session in the window: its keys from xdotool, its recording kept.
window_session() {
  rm -rf "$scratch/w"
  mkdir -p "$scratch/w"
  fresh_data "$scratch/w/data"
  (cd "$scratch/w" && TAILGATE_MIDI_LOG="$scratch/w/midi.txt" exec timeout 120 wine "$exe" --window --data data \
    --config settings.ini --record session.txt > /dev/null 2> session.err) &
  game_pid=$!
  window="$(find_window Tailgate 180 "$scratch/w/session.err")"
  focus "$window"
  # The title, as the native build draws it, before the first key.
  local apart=""
  for _ in $(seq 1 240); do
    import -window "$window" "$pictures_kept/window-title.png" 2> /dev/null || true
    apart="$(pixels_apart "$pictures_kept/window-title.png" "$pictures_kept/title.png")"
    [ "$apart" = 0 ] && break
    sleep 0.25
  done
  [ "$apart" = 0 ] || fail "the window's title differs from the native one in $apart pixels"
  sleep 0.5
  key space
  key s 2
  key space 3
  # Full screen and back; the game goes on.
  local before
  before="$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^WIDTH=//p;s/^HEIGHT=//p' | paste -sd x)"
  xdotool key alt+Return
  wait_for_size "$window" "$(xdotool getdisplaygeometry | tr ' ' x)" "Alt+Enter"
  xdotool key alt+Return
  wait_for_size "$window" "$before" "Alt+Enter twice"
  focus "$window"
  xdotool keydown Up
  sleep 2
  xdotool keyup Up
  import -window "$window" "$pictures_kept/window-road.png"
  key p 1

  key p 1
  key q 3
  wait "$game_pid"
}
key() { xdotool key "$1"; sleep "${2:-1.5}"; }
# The game must end well: a crash as it closes (once seen here as a page
# fault after Q) fails the test.
window_session || fail "the windowed game did not end well: $(cat "$scratch/w/session.err")"
keys="$(grep -v '^#' "$scratch/w/session.txt" | grep -o '[+-][A-Z]*' | tr '\n' ' ')"
[ "$keys" = "+SPACE -SPACE +S -S +SPACE -SPACE +UP -UP +Q -Q " ] || fail "the window's keys were: $keys"
# No game controller here: nothing is said about one.
if grep -iqE 'pad|controller|xinput|joystick' "$scratch/w/session.err"; then
  fail "a session without controllers spoke of them: $(grep -iE 'pad|controller|xinput|joystick' "$scratch/w/session.err")"
fi
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
