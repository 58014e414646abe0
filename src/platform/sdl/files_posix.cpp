// The file primitives on POSIX: reads that never wait on a FIFO, the
// advisory lock on the file's directory, and the atomic replacement by a
// temporary file renamed over the target.
#include "platform/system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

namespace {

// Follows symbolic links (up to the usual limit of 40) to the file that a
// write should change; a link to a file not yet there gives that name.
std::string resolve_links(const char* path)
{
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info;
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return current;
        }
        char target[PATH_MAX];
        ssize_t n = readlink(current.c_str(), target, sizeof target - 1);
        if (n <= 0) {
            return current;
        }
        target[n] = '\0';
        if (target[0] == '/') {
            current = target;
        } else {
            size_t slash = current.rfind('/');
            current = slash == std::string::npos ? std::string(target) : current.substr(0, slash + 1) + target;
        }
    }
    return current;
}

std::string directory_of(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool write_all(int fd, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

FILE* plat_sys_open_regular(const char* path, int* result)
{
    // O_NONBLOCK: opening a FIFO with no writer would otherwise wait forever.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *result = errno == ENOENT || errno == ENOTDIR ? PLAT_FILE_MISSING : PLAT_FILE_UNREADABLE;
        return nullptr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        *result = PLAT_FILE_NOT_REGULAR;
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* file = fdopen(fd, "rb");
    if (!file) {
        close(fd);
        *result = PLAT_FILE_UNREADABLE;
        return nullptr;
    }
    *result = PLAT_FILE_OK;
    return file;
}

int plat_sys_lock_file(const char* path)
{
    std::string dir = directory_of(resolve_links(path));
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    while (flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(fd);
            return -1;
        }
    }
    return fd;
}

void plat_sys_unlock_file(int handle)
{
    if (handle >= 0) {
        flock(handle, LOCK_UN);
        close(handle);
    }
}

const char* plat_sys_replace_problem(const char* path)
{
    struct stat info;
    if (stat(path, &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            return S_ISDIR(info.st_mode) ? "is a directory" : "not a regular file";
        }
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            return "read-only";
        }
        if (access(path, W_OK) != 0 || access(path, R_OK) != 0) {
            return strerror(errno);
        }
    } else if (errno != ENOENT) {
        return strerror(errno);  // a loop of links, a path through a file, ...
    }
    // The file is made beside its target, so the directory must take a new name.
    const std::string target = resolve_links(path);
    std::string temp = target + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        static std::string why;
        why = strerror(errno);
        if (target != path) {
            why += " (it is a link to " + target + ")";
        }
        return why.c_str();
    }
    close(fd);
    unlink(temp.c_str());
    return nullptr;
}

void plat_sys_remove_stale_temps(const char* path)
{
    const std::string target = resolve_links(path);
    const std::string dir = directory_of(target);
    const size_t slash = target.rfind('/');
    const std::string prefix = (slash == std::string::npos ? target : target.substr(slash + 1)) + ".";
    DIR* listing = opendir(dir.c_str());
    if (!listing) {
        return;
    }
    while (const struct dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        // mkstemp's six letters and digits, nothing else.
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        bool ours = true;
        for (size_t i = prefix.size(); i < name.size(); ++i) {
            ours = ours && isalnum(static_cast<unsigned char>(name[i])) != 0;
        }
        struct stat info;
        std::string full = dir;
        full += '/';
        full += name;
        if (ours && lstat(full.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            unlink(full.c_str());
        }
    }
    closedir(listing);
}

bool plat_sys_replace_file(const char* path, const void* data, size_t size, std::string* error)
{
    const std::string target = resolve_links(path);
    std::string temp = target + ".XXXXXX";
    // A name of its own per save, so two processes never share one.
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        if (error) {
            *error = strerror(errno);
        }
        return false;
    }
    bool ok = write_all(fd, data, size);
    int saved_errno = errno;
    if (ok) {
        struct stat info;
        // Keep the permissions the player gave the old file; a new one gets
        // the usual mode for a file of ours (mkstemp's is 0600).
        mode_t mode = 0666;
        if (stat(target.c_str(), &info) == 0) {
            mode = info.st_mode & 07777;
        } else {
            mode_t mask = umask(0);
            umask(mask);
            mode &= ~mask;
        }
        fchmod(fd, mode);
        ok = fsync(fd) == 0;
        saved_errno = errno;
    }
    if (close(fd) != 0 && ok) {
        ok = false;
        saved_errno = errno;
    }
    if (ok) {
        ok = rename(temp.c_str(), target.c_str()) == 0;
        saved_errno = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        if (error) {
            *error = strerror(saved_errno);
        }
        errno = saved_errno;  // the reason, for the caller's message
        return false;
    }
    // Make the rename itself durable.
    int dir = open(directory_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}
