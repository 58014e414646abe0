#include "audio/audio_file.h"

#include <cstdio>

bool audio_read_file(const char* file_name, size_t max_bytes, std::vector<uint8_t>* bytes)
{
    std::FILE* file = std::fopen(file_name, "rb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    long length = ok ? std::ftell(file) : -1;
    ok = ok && length >= 0 && static_cast<unsigned long>(length) <= max_bytes &&
         std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes->resize(static_cast<size_t>(length));
        ok = length == 0 || std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
    }
    std::fclose(file);
    return ok;
}
