// The input script of the harness (--input) and the recording of a session
// in the same form (--record): reading the text, the key names, the
// "# start-tick T" line, and writing a recording. The keys themselves are
// applied by the platform's seams (platform/headless.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "shell/state_check.h"

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

// What a recording says of the high-score table as it stood when the
// session began, so that a replay starts from the same table whoever plays
// it back: a table that was not there is made anew with random draws, one
// that could not be read leaves a table of zeros, and either changes the
// game that follows.
enum HarnessTableKind {
    HARNESS_TABLE_UNSAID,    // an input script that is no recording
    HARNESS_TABLE_NONE,      // there was no table
    HARNESS_TABLE_UNUSABLE,  // there was one that could not be read
    HARNESS_TABLE_TEXT,      // the table's text, byte for byte
};
struct HarnessTable {
    HarnessTableKind kind;
    std::string text;
};

// What the last script parsed says in its comments besides the start tick:
// the table ("# table ...") and the number of passes ("# passes N"). A
// recording names all three. False for `passes` when it names none.
const HarnessTable& harness_script_table();
bool harness_script_passes(int* passes);
// The state checks the last script parsed carries ("# state-keys ...",
// "# state P ..."; shell/state_check.h), in file order.
const std::vector<std::string>& harness_script_state_keys();
const std::vector<StateCheck>& harness_script_checks();
// Writes one line into the recording being made; false when none is.
bool harness_record_line(const std::string& line);

// Writes every key event the game is given, from the script or the player,
// as an input script with its start tick and the table the game started
// with, so that --replay FILE (or --headless --start-tick T --input FILE
// with the same table) runs the same session again.
bool harness_open_record(const char* path, uint32_t start_tick, const HarnessTable& table);
// The table's comment lines as a recording holds them.
void harness_write_table(FILE* file, const HarnessTable& table);
// Ends the recording with the number of passes that ran; false when a line
// could not be written. True when nothing was recorded.
bool harness_close_record(int passes);
