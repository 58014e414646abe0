// Folders and paths on POSIX: the XDG base directories, the program's own
// folder through /proc/self/exe, private temporary folders, output checks.
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system.h"

#ifndef TAILGATE_INSTALLED_DATA
#define TAILGATE_INSTALLED_DATA "../share/tailgate/data"
#endif

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
    int result = PLAT_FILE_OK;
    FILE* in = plat_sys_open_regular(file.c_str(), &result);
    if (!in) {
        return std::string();
    }
    std::vector<char> text;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, in)) > 0 && text.size() < 64 * 1024) {
        text.insert(text.end(), chunk, chunk + got);
    }
    const bool whole = text.size() <= 64 * 1024 && ferror(in) == 0;
    fclose(in);
    if (!whole) {
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

bool plat_sys_exists(const char* path)
{
    struct stat info;
    return lstat(path, &info) == 0;
}

bool plat_sys_is_directory(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool plat_sys_make_directory(const char* path, bool private_dir, std::string* error)
{
    if (mkdir(path, private_dir ? 0700 : 0755) == 0) {
        return true;
    }
    if (error) {
        *error = strerror(errno);
    }
    return false;
}

bool plat_sys_user_folder(PlatUserFolder which, std::string* path, std::string* hint)
{
    // A relative XDG variable is to be ignored, as the base-directory rules say.
    const char* variable = which == PLAT_FOLDER_DATA     ? "XDG_DATA_HOME"
                           : which == PLAT_FOLDER_CONFIG ? "XDG_CONFIG_HOME"
                                                         : "XDG_PICTURES_DIR";
    *hint = std::string("HOME or ") + variable;
    const char* xdg = getenv(variable);
    if (xdg && xdg[0] == '/') {
        *path = xdg;
        return true;
    }
    const std::string home = home_dir();
    if (home.empty()) {
        return false;
    }
    switch (which) {
    case PLAT_FOLDER_DATA:
        *path = home + "/.local/share";
        break;
    case PLAT_FOLDER_CONFIG:
        *path = home + "/.config";
        break;
    default:
        *path = pictures_from_user_dirs(home);
        if (path->empty()) {
            *path = home + "/Pictures";
        }
        break;
    }
    return true;
}

bool plat_sys_program_folder(std::string* path)
{
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) {
        return false;
    }
    exe[n] = '\0';
    char* slash = strrchr(exe, '/');
    if (!slash) {
        return false;
    }
    *slash = '\0';
    *path = exe;
    return true;
}

const char* plat_sys_installed_data()
{
    return TAILGATE_INSTALLED_DATA;
}

bool plat_sys_change_dir(const char* dir)
{
    return dir && dir[0] && chdir(dir) == 0;
}

bool plat_sys_absolute_path(const char* path, std::string* out)
{
    if (path[0] == '/') {
        *out = path;
        return true;
    }
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) {
        return false;
    }
    *out = std::string(cwd) + "/" + path;
    return true;
}

const char* plat_sys_output_problem(const char* path)
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

bool plat_sys_make_private_dir(std::string* out)
{
    const char* base = getenv("TMPDIR");
    if (!base || base[0] != '/') {
        base = "/tmp";
    }
    std::string name = std::string(base) + "/tailgate-XXXXXX";
    if (!mkdtemp(name.data())) {
        return false;
    }
    *out = name;
    return true;
}

void plat_sys_remove_private_dir(const char* dir)
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

std::string plat_sys_local_time_stamp()
{
    char stamp[32];
    const time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &local);
    return stamp;
}
