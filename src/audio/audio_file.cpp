#include "audio/audio_file.h"

#include <cstdio>

#include "platform/files.h"

int audio_read_file(const char* file_name, size_t max_bytes, std::vector<uint8_t>* bytes)
{
    int result = PLAT_FILE_OK;
    std::FILE* file = plat_open_regular(file_name, &result);
    if (file == nullptr) {
        return result;
    }
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    long length = ok ? std::ftell(file) : -1;
    ok = ok && length >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok && static_cast<unsigned long>(length) > max_bytes) {
        std::fclose(file);
        return PLAT_FILE_TOO_BIG;
    }
    if (ok) {
        bytes->resize(static_cast<size_t>(length));
        ok = length == 0 || std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
    }
    std::fclose(file);
    return ok ? PLAT_FILE_OK : PLAT_FILE_UNREADABLE;
}

void audio_refused(const char* file_name, int read_result, const char* reason)
{
    if (read_result == PLAT_FILE_MISSING || read_result == PLAT_FILE_NOT_REGULAR) {
        return;
    }
    std::fprintf(stderr, "tailgate: %s: %s; not loaded\n", file_name,
                 read_result == PLAT_FILE_OK ? reason : plat_file_result_text(read_result));
}
