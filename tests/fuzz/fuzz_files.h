// The fuzzer's bytes as a file in the working directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

inline bool write_file(const char* name, const uint8_t* data, size_t size)
{
    FILE* file = fopen(name, "wb");
    if (!file) {
        return false;
    }
    const bool ok = fwrite(data, 1, size, file) == size;
    return fclose(file) == 0 && ok;
}
