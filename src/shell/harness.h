// The harness outputs: the game state as JSON (--dump, --trace), screen
// shots (--shot) and the audio log (--audio-log).
#pragma once

#include <cstddef>
#include <string>

struct ShellOptions;

// Appends the state after pass `pass` as one JSON object (no newline).
void harness_state_json(std::string* out, int pass);

// Opens the outputs the options ask for (paths already absolute). 1 on
// success; 0 with a one-line reason when one cannot be opened.
int harness_open(const ShellOptions* options, char* error, size_t error_size);
// After pass `pass`: its trace line and any shots asked for at it.
void harness_after_pass(int pass);
// Writes --dump (if asked for) with the state after pass `pass`.
void harness_write_dump(int pass);
// Flushes and closes everything; 1 when every output was written.
int harness_close();
