// Reading a sound or music file whole, as both loaders do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Reads the whole file into `bytes`. Returns a PlatFileResult (platform/files.h):
// PLAT_FILE_OK, or why not - missing, not a regular file (never waited on),
// bigger than `max_bytes` (too big to be one of ours), unreadable.
int audio_read_file(const char* file_name, size_t max_bytes, std::vector<uint8_t>* bytes);

// Says on stderr, in one line, why a sound or music file that is there was
// not loaded. Files that are missing or are no regular file pass quietly:
// the game plays on without them.
void audio_refused(const char* file_name, int read_result, const char* reason);
