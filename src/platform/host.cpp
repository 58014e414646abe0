// The host's services to the game over the system's primitives: the game's
// folders, pictures, output checks and terminal-safe text.
#include "platform/host.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/system.h"

namespace {

// Makes `path` and every missing directory above it; `error` says why when
// it cannot.
bool make_directories(const std::string& path, bool private_dirs, std::string* error)
{
    if (path.empty()) {
        *error = "no name";
        return false;
    }
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') {
            continue;
        }
        const std::string partial = path.substr(0, i);
        std::string why;
        if (!plat_sys_make_directory(partial.c_str(), private_dirs, &why) && !plat_sys_exists(partial.c_str())) {
            *error = why;
            return false;
        }
    }
    if (!plat_sys_is_directory(path.c_str())) {
        *error = "Not a directory";
        return false;
    }
    return true;
}

}  // namespace

bool plat_change_dir(const char* dir)
{
    return plat_sys_change_dir(dir);
}

bool plat_default_data_dir(char* out, size_t size)
{
    std::string folder;
    if (!plat_sys_program_folder(&folder)) {
        return false;
    }
    int written = snprintf(out, size, "%s/%s", folder.c_str(), plat_sys_installed_data());
    if (written > 0 && static_cast<size_t>(written) < size && plat_sys_is_directory(out)) {
        return true;
    }
    written = snprintf(out, size, "%s/data", folder.c_str());
    return written > 0 && static_cast<size_t>(written) < size;
}

bool plat_user_data_dir(char* out, size_t size, char* error, size_t error_size)
{
    std::string dir;
    std::string hint;
    if (!plat_sys_user_folder(PLAT_FOLDER_DATA, &dir, &hint)) {
        snprintf(error, error_size, "no home directory for the high scores (set %s, or use --data DIR)", hint.c_str());
        return false;
    }
    dir += "/tailgate";
    if (dir.size() >= size) {
        snprintf(error, error_size, "the high-score directory's path is too long (set %s or use --data DIR)",
                 hint.c_str());
        return false;
    }
    std::string why;
    if (!make_directories(dir, true, &why)) {
        snprintf(error, error_size, "cannot make the high-score directory %.200s: %s (set %s or use --data DIR)",
                 dir.c_str(), why.c_str(), hint.c_str());
        return false;
    }
    snprintf(out, size, "%s", dir.c_str());
    return true;
}

bool plat_absolute_path(const char* path, char* out, size_t size)
{
    std::string absolute;
    if (!plat_sys_absolute_path(path, &absolute) || absolute.size() >= size) {
        return false;
    }
    memcpy(out, absolute.c_str(), absolute.size() + 1);
    return true;
}

bool plat_write_png(const char* path, const uint8_t* rgb, int w, int h)
{
    return plat_sys_write_png(path, rgb, w, h, 3);
}

bool plat_write_png_rgba(const char* path, const uint8_t* rgba, int w, int h)
{
    return plat_sys_write_png(path, rgba, w, h, 4);
}

bool plat_read_png(const char* path, std::vector<uint8_t>* rgb, int* w, int* h)
{
    return plat_sys_read_png(path, rgb, w, h);
}

const char* plat_output_problem(const char* path)
{
    return plat_sys_output_problem(path);
}

bool plat_can_create(const char* path)
{
    return plat_output_problem(path) == nullptr;
}

std::string plat_printable(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    auto escape = [&out](unsigned char c) {
        char hex[5];
        snprintf(hex, sizeof hex, "\\x%02X", c);
        out.append(hex);
    };
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        // The length of a well-formed UTF-8 sequence starting here, or 0.
        size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        bool valid = length > 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        }
        if (valid) {
            const unsigned char second = static_cast<unsigned char>(text[i + 1]);
            // Overlong forms, surrogates, beyond U+10FFFF and the C1 controls.
            valid = !(c == 0xE0 && second < 0xA0) && !(c == 0xED && second >= 0xA0) && !(c == 0xF0 && second < 0x90) &&
                    !(c == 0xF4 && second >= 0x90) && !(c == 0xC2 && second < 0xA0);
        }
        if (!valid) {
            escape(c);
            ++i;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

bool plat_file_exists(const char* path)
{
    return plat_sys_exists(path);
}

std::string plat_pictures_dir(char* error, size_t error_size)
{
    std::string dir;
    std::string hint;
    if (!plat_sys_user_folder(PLAT_FOLDER_PICTURES, &dir, &hint)) {
        snprintf(error, error_size, "no home directory (set %s)", hint.c_str());
        return std::string();
    }
    std::string why;
    if (!make_directories(dir, false, &why)) {
        snprintf(error, error_size, "cannot make %.300s: %s", plat_printable(dir).c_str(), why.c_str());
        return std::string();
    }
    return dir;
}

bool plat_make_private_dir(char* out, size_t size)
{
    std::string dir;
    if (!plat_sys_make_private_dir(&dir)) {
        return false;
    }
    if (dir.size() >= size) {
        plat_sys_remove_private_dir(dir.c_str());
        return false;
    }
    memcpy(out, dir.c_str(), dir.size() + 1);
    return true;
}

bool plat_make_directory(const char* path)
{
    return plat_sys_make_directory(path, true, nullptr);
}

void plat_remove_private_dir(const char* dir)
{
    plat_sys_remove_private_dir(dir);
}
