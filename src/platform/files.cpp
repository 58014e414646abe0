// The rules of the files the game reads and rewrites, over the system's
// primitives (platform/system.h).
#include "platform/files.h"

#include <cstdio>

const char* plat_file_result_text(int result)
{
    switch (result) {
    case PLAT_FILE_OK:
        return "ok";
    case PLAT_FILE_MISSING:
        return "no such file";
    case PLAT_FILE_NOT_REGULAR:
        return "not a regular file";
    case PLAT_FILE_TOO_BIG:
        return "too large";
    default:
        return "cannot be read";
    }
}
int plat_read_regular(const char* path, size_t max_bytes, std::vector<char>* bytes)
{
    int result = PLAT_FILE_OK;
    FILE* file = plat_open_regular(path, &result);
    if (!file) {
        return result;
    }
    bytes->clear();
    char chunk[8192];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (bytes->size() + got > max_bytes) {
            fclose(file);
            return PLAT_FILE_TOO_BIG;
        }
        bytes->insert(bytes->end(), chunk, chunk + got);
    }
    bool failed = ferror(file) != 0;
    fclose(file);
    return failed ? PLAT_FILE_UNREADABLE : PLAT_FILE_OK;
}

FILE* plat_open_regular(const char* path, int* result)
{
    return plat_sys_open_regular(path, result);
}

int plat_lock_file(const char* path)
{
    return plat_sys_lock_file(path);
}

void plat_unlock_file(int handle)
{
    plat_sys_unlock_file(handle);
}

const char* plat_replace_problem(const char* path)
{
    return plat_sys_replace_problem(path);
}

void plat_remove_stale_temps(const char* path)
{
    plat_sys_remove_stale_temps(path);
}

bool plat_replace_file(const char* path, const void* data, size_t size)
{
    return plat_sys_replace_file(path, data, size, nullptr);
}
