// The input script of the harness (--input) and the recording of a session
// in the same form (--record): reading the text, the key names, the
// "# start-tick T" line, and writing a recording. The keys themselves are
// applied by the platform's seams (platform/headless.h).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int HARNESS_MAX_EVENTS = 65536;

// Parses an input script held in memory and hands its key events to the
// seams. 1 on success; 0 with a one-line reason in `error` (line number
// included) on a malformed script, which leaves the last good one.
int harness_parse_script(const char* text, size_t length, char* error, size_t error_size);
// Reads and parses a script file; 0 with a reason when unreadable or malformed.
int harness_load_script(const char* path, char* error, size_t error_size);
// The start tick the last script parsed names in a "# start-tick T" comment
// line; false when it names none.
bool harness_script_start_tick(uint32_t* tick);

// Writes every key event the game is given, from the script or the player,
// as an input script with its start tick, so that
// --headless --start-tick T --input FILE runs the same session again.
bool harness_open_record(const char* path, uint32_t start_tick);
// Ends the recording with the number of passes that ran; false when a line
// could not be written. True when nothing was recorded.
bool harness_close_record(int passes);
