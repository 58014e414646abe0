// High scores: the table, its file "hiscore.txt" and the initials entry.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int HISCORE_COUNT = 10;
// A table file larger than this is damaged, not read.
constexpr size_t HISCORE_MAX_FILE_BYTES = 1u << 20;

extern int32_t hiscore_scores[HISCORE_COUNT];
extern char hiscore_initials[HISCORE_COUNT][3];
extern char hiscore_filler[6];

// Where the high-score table is kept: a bare name in the working directory
// (the data directory) unless hiscore_set_dir has moved it.
const char* hiscore_path();
// Keeps the table in `dir` from now on; null or "" puts it back in the
// working directory. False (nothing changed) when the path is too long.
bool hiscore_set_dir(const char* dir);

int hiscore_load();
int hiscore_sort();
int hiscore_save();
// True once a save (or the making of a missing table) could not be written
// in this run; the line saying why went to stderr at once. The run then ends
// with a failure.
bool hiscore_save_lost();
void hiscore_forget_lost_save();
// The initials entry for a game that ended with `score`: shown only when it
// beats the last entry of the table, which it then replaces.
int hiscore_enter(int32_t score);
