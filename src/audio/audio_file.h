// Reading a sound or music file whole, as both loaders do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Reads the whole file into `bytes`; false when it cannot be read or is
// bigger than `max_bytes` (too big to be one of ours).
bool audio_read_file(const char* file_name, size_t max_bytes, std::vector<uint8_t>* bytes);
