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
// A replay whose state differed from a check of its recording (said once,
// on stderr, with the pass and the values).
bool harness_replay_strayed();
// Rewrites the recording `text` read from `path` with the state checks of
// the run just made in place of its old ones; false with a reason.
bool harness_write_checks(const char* path, const std::string& text, char* error, size_t error_size);
// Flushes and closes everything; 1 when every output was written.
int harness_close();
