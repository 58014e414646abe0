#include "platform/host.h"

#include <dirent.h>
#include <png.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/files.h"

bool plat_change_dir(const char* dir)
{
    return dir && dir[0] && chdir(dir) == 0;
}

#ifndef TAILGATE_INSTALLED_DATA
#define TAILGATE_INSTALLED_DATA "../share/tailgate/data"
#endif

char plat_hiscore_file[PLAT_PATH_SIZE] = "hiscore.txt";
char plat_hiscore_temp_file[PLAT_PATH_SIZE] = "hiscore.txt.tmp";
char plat_hiscore_dir[PLAT_PATH_SIZE] = ".";

namespace {

bool is_directory(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// Makes `path` and every missing directory above it, each with `mode`.
// errno tells why when it fails.
bool make_directories(const char* path, mode_t mode)
{
    char partial[PLAT_PATH_SIZE];
    size_t length = strlen(path);
    if (length == 0 || length >= sizeof partial) {
        errno = ENAMETOOLONG;
        return false;
    }
    memcpy(partial, path, length + 1);
    for (size_t i = 1; i <= length; ++i) {
        if (partial[i] != '/' && partial[i] != '\0') {
            continue;
        }
        char kept = partial[i];
        partial[i] = '\0';
        if (mkdir(partial, mode) != 0 && errno != EEXIST) {
            return false;
        }
        partial[i] = kept;
    }
    if (!is_directory(path)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

}  // namespace

bool plat_default_data_dir(char* out, size_t size)
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) {
        return false;
    }
    exe[n] = '\0';
    char* slash = strrchr(exe, '/');
    if (!slash) {
        return false;
    }
    slash[1] = '\0';
    int written = snprintf(out, size, "%s%s", exe, TAILGATE_INSTALLED_DATA);
    if (written > 0 && static_cast<size_t>(written) < size && is_directory(out)) {
        return true;
    }
    written = snprintf(out, size, "%sdata", exe);
    return written > 0 && static_cast<size_t>(written) < size;
}

bool plat_user_data_dir(char* out, size_t size, char* error, size_t error_size)
{
    // A relative XDG_DATA_HOME is to be ignored, as the base-directory rules say.
    const char* xdg = getenv("XDG_DATA_HOME");
    int written = -1;
    if (xdg && xdg[0] == '/') {
        written = snprintf(out, size, "%s/tailgate", xdg);
    } else {
        const char* home = getenv("HOME");
        if (!home || home[0] != '/') {
            const struct passwd* user = getpwuid(getuid());
            home = user ? user->pw_dir : nullptr;
        }
        if (!home || home[0] != '/') {
            snprintf(error, error_size,
                     "no home directory for the high scores (set HOME or XDG_DATA_HOME, or use --data DIR)");
            return false;
        }
        written = snprintf(out, size, "%s/.local/share/tailgate", home);
    }
    if (written <= 0 || static_cast<size_t>(written) >= size) {
        snprintf(error, error_size,
                 "the high-score directory's path is too long (set XDG_DATA_HOME or use --data DIR)");
        return false;
    }
    if (!make_directories(out, 0700)) {
        snprintf(error, error_size,
                 "cannot make the high-score directory %.200s: %s (set XDG_DATA_HOME or use --data DIR)", out,
                 strerror(errno));
        return false;
    }
    return true;
}

bool plat_set_hiscore_dir(const char* dir)
{
    if (!dir || !dir[0]) {
        snprintf(plat_hiscore_file, PLAT_PATH_SIZE, "hiscore.txt");
        snprintf(plat_hiscore_temp_file, PLAT_PATH_SIZE, "hiscore.txt.tmp");
        snprintf(plat_hiscore_dir, PLAT_PATH_SIZE, ".");
        return true;
    }
    char file[PLAT_PATH_SIZE];
    char temp[PLAT_PATH_SIZE];
    int file_length = snprintf(file, sizeof file, "%s/hiscore.txt", dir);
    int temp_length = snprintf(temp, sizeof temp, "%s/hiscore.txt.tmp", dir);
    if (file_length <= 0 || temp_length <= 0 || static_cast<size_t>(temp_length) >= sizeof temp) {
        return false;
    }
    memcpy(plat_hiscore_file, file, static_cast<size_t>(file_length) + 1);
    memcpy(plat_hiscore_temp_file, temp, static_cast<size_t>(temp_length) + 1);
    snprintf(plat_hiscore_dir, PLAT_PATH_SIZE, "%s", dir);
    return true;
}

bool plat_absolute_path(const char* path, char* out, size_t size)
{
    if (path[0] == '/') {
        int written = snprintf(out, size, "%s", path);
        return written >= 0 && static_cast<size_t>(written) < size;
    }
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) {
        return false;
    }
    int written = snprintf(out, size, "%s/%s", cwd, path);
    return written >= 0 && static_cast<size_t>(written) < size;
}

namespace {

// libpng would print its own line before ours; its errors end in the
// longjmp below and the caller reports them.
void png_quiet_error(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void png_quiet_warning(png_structp, png_const_charp) {}

// Writes w x h pixels of `channels` bytes each (3: RGB, 4: RGBA).
bool write_png(const char* path, const uint8_t* rgb, int w, int h, int channels)
{
    if (!rgb || w <= 0 || h <= 0) {
        return false;
    }
    FILE* file = fopen(path, "wb");
    if (!file) {
        return false;
    }
    // A picture that could not be written whole is no picture: the file
    // goes, and errno keeps the first reason.
    auto fail = [&]() {
        const int reason = errno != 0 ? errno : EIO;
        fclose(file);
        unlink(path);
        errno = reason;
        return false;
    };
    errno = 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_quiet_error, png_quiet_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        errno = ENOMEM;
        return fail();
    }
    // libpng reports errors by longjmp; nothing here owns anything that a
    // jump over it would leak beyond what the clean-up below releases.
    if (setjmp(png_jmpbuf(png))) {
        const int reason = errno;
        png_destroy_write_struct(&png, &info);
        errno = reason;
        return fail();
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Fast over small: zlib's quickest level and rows left unfiltered. The
    // game's pictures are flat areas of few colours, which this packs about
    // as well as the default (measured: 6 ms a shot against 37, and smaller).
    png_set_compression_level(png, 1);
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) {
        png_write_row(png, const_cast<png_bytep>(rgb + static_cast<size_t>(y) * w * channels));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (fflush(file) != 0 || ferror(file) != 0) {
        return fail();
    }
    if (fclose(file) != 0) {
        const int reason = errno;
        unlink(path);
        errno = reason;
        return false;
    }
    return true;
}

}  // namespace

bool plat_write_png(const char* path, const uint8_t* rgb, int w, int h)
{
    return write_png(path, rgb, w, h, 3);
}

bool plat_write_png_rgba(const char* path, const uint8_t* rgba, int w, int h)
{
    return write_png(path, rgba, w, h, 4);
}

bool plat_read_png(const char* path, std::vector<uint8_t>* rgb, int* w, int* h)
{
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        return false;
    }
    if (image.width == 0 || image.height == 0 || image.width > 16384 || image.height > 16384) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    rgb->assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    *w = static_cast<int>(image.width);
    *h = static_cast<int>(image.height);
    return true;
}

const char* plat_output_problem(const char* path)
{
    const size_t length = strlen(path);
    if (length == 0) {
        return "no name";
    }
    if (length >= PATH_MAX) {
        return "file name too long";
    }
    const char* name = strrchr(path, '/');
    name = name ? name + 1 : path;
    if (name[0] == '\0' || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) {
        return "is a directory";
    }
    if (strlen(name) > NAME_MAX) {
        return "file name too long";
    }
    struct stat info;
    if (stat(path, &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            return "is a directory";
        }
        // Writing to a FIFO with no reader, or to a device, would wait for
        // ever or go elsewhere; outputs are files.
        if (S_ISFIFO(info.st_mode)) {
            return "is a FIFO, not a regular file";
        }
        if (!S_ISREG(info.st_mode)) {
            return "not a regular file";
        }
        return access(path, W_OK) == 0 ? nullptr : "not writable";
    }
    if (errno != ENOENT) {
        return strerror(errno);
    }
    char dir[PATH_MAX];
    snprintf(dir, sizeof dir, "%s", path);
    char* slash = strrchr(dir, '/');
    if (!slash) {
        snprintf(dir, sizeof dir, ".");
    } else if (slash == dir) {
        dir[1] = '\0';
    } else {
        *slash = '\0';
    }
    if (access(dir, W_OK | X_OK) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? "no such directory" : "directory not writable";
    }
    return nullptr;
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
    struct stat info;
    return lstat(path, &info) == 0;
}

namespace {

// The home directory: $HOME when absolute, else the password database's.
std::string home_dir()
{
    const char* home = getenv("HOME");
    if (!home || home[0] != '/') {
        const struct passwd* user = getpwuid(getuid());
        home = user ? user->pw_dir : nullptr;
    }
    return home && home[0] == '/' ? std::string(home) : std::string();
}

// XDG_PICTURES_DIR="$HOME/Pictures" from user-dirs.dirs, as xdg-user-dirs
// writes it: a quoted path, absolute or starting with $HOME.
std::string pictures_from_user_dirs(const std::string& home)
{
    const char* config = getenv("XDG_CONFIG_HOME");
    const std::string file = (config && config[0] == '/' ? std::string(config) : home + "/.config") + "/user-dirs.dirs";
    std::vector<char> text;
    if (plat_read_regular(file.c_str(), 64 * 1024, &text) != PLAT_FILE_OK) {
        return std::string();
    }
    std::string_view all(text.data(), text.size());
    constexpr std::string_view KEY = "XDG_PICTURES_DIR=\"";
    for (size_t at = all.find(KEY); at != std::string_view::npos; at = all.find(KEY, at + 1)) {
        if (at > 0 && all[at - 1] != '\n') {
            continue;
        }
        std::string_view value = all.substr(at + KEY.size());
        value = value.substr(0, value.find('"'));
        if (value.starts_with("$HOME/")) {
            return home + std::string(value.substr(5));
        }
        if (value.starts_with("/")) {
            return std::string(value);
        }
    }
    return std::string();
}

}  // namespace

std::string plat_pictures_dir(char* error, size_t error_size)
{
    const std::string home = home_dir();
    const char* xdg = getenv("XDG_PICTURES_DIR");
    std::string dir;
    if (xdg && xdg[0] == '/') {
        dir = xdg;
    } else if (!home.empty()) {
        dir = pictures_from_user_dirs(home);
        if (dir.empty()) {
            dir = home + "/Pictures";
        }
    }
    if (dir.empty()) {
        snprintf(error, error_size, "no home directory (set HOME or XDG_PICTURES_DIR)");
        return std::string();
    }
    if (!make_directories(dir.c_str(), 0755)) {
        snprintf(error, error_size, "cannot make %.300s: %s", plat_printable(dir).c_str(), strerror(errno));
        return std::string();
    }
    return dir;
}

bool plat_make_private_dir(char* out, size_t size)
{
    const char* base = getenv("TMPDIR");
    if (!base || base[0] != '/') {
        base = "/tmp";
    }
    const int length = snprintf(out, size, "%s/tailgate-XXXXXX", base);
    if (length <= 0 || static_cast<size_t>(length) >= size) {
        return false;
    }
    return mkdtemp(out) != nullptr;
}

bool plat_make_directory(const char* path)
{
    return mkdir(path, 0700) == 0;
}

void plat_remove_private_dir(const char* dir)
{
    if (!dir || !dir[0]) {
        return;
    }
    DIR* listing = opendir(dir);
    if (listing) {
        while (const dirent* entry = readdir(listing)) {
            if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0) {
                continue;
            }
            std::string path = std::string(dir) + "/" + entry->d_name;
            remove(path.c_str());  // a file, or an empty directory
        }
        closedir(listing);
    }
    rmdir(dir);
}
