// Files, locks and folders through the wide API: UTF-8 paths in, '/' or '\'
// between names, binary data only (no text-mode translation anywhere).
#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <io.h>
#include <string>

#include "platform/system.h"
#include "platform/win32/wide.h"

std::wstring win32_wide(const char* utf8)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (n <= 0) {
        return std::wstring();
    }
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out.data(), n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::wstring win32_wide_path(const char* utf8)
{
    std::wstring out = win32_wide(utf8);
    for (wchar_t& c : out) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return out;
}

std::string win32_narrow(const wchar_t* wide, bool slashes)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) {
        return std::string();
    }
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    if (slashes) {
        for (char& c : out) {
            if (c == '\\') {
                c = '/';
            }
        }
    }
    return out;
}

std::string win32_error_text(unsigned long code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
        return "no such file";
    case ERROR_PATH_NOT_FOUND:
        return "no such directory";
    case ERROR_ACCESS_DENIED:
        return "permission denied";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "no space left on the disk";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "in use by another program";
    case ERROR_WRITE_PROTECT:
        return "read-only disk";
    case ERROR_FILENAME_EXCED_RANGE:
        return "file name too long";
    case ERROR_INVALID_NAME:
        return "invalid file name";
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return "already exists";
    default:
        break;
    }
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out;
    if (n > 0 && text) {
        out = win32_narrow(text);
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.')) {
            out.pop_back();
        }
        LocalFree(text);
    }
    if (out.empty()) {
        out = "system error " + std::to_string(code);
    }
    return out;
}

namespace {

DWORD attributes_of(const char* path)
{
    return GetFileAttributesW(win32_wide_path(path).c_str());
}

std::string directory_of(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// The name a symbolic link leads to (the file itself when it is none), so
// that a save changes the target and keeps the link.
std::string resolve_links(const char* path)
{
    const std::wstring wide = win32_wide_path(path);
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return path;
    }
    HANDLE file = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return path;
    }
    wchar_t buffer[MAX_PATH * 4];
    DWORD n = GetFinalPathNameByHandleW(file, buffer, MAX_PATH * 4, FILE_NAME_NORMALIZED);
    CloseHandle(file);
    if (n == 0 || n >= MAX_PATH * 4) {
        return path;
    }
    const wchar_t* start = buffer;
    if (wcsncmp(start, L"\\\\?\\", 4) == 0 && wcsncmp(start, L"\\\\?\\UNC\\", 8) != 0) {
        start += 4;
    }
    return win32_narrow(start);
}

// A temporary name beside `target`: target.XXXXXX (letters and digits).
std::string temp_name(const std::string& target)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static unsigned long long state = 0;
    if (state == 0) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        state = static_cast<unsigned long long>(now.QuadPart) ^
                (static_cast<unsigned long long>(GetCurrentProcessId()) << 32);
    }
    std::string name = target + ".";
    for (int i = 0; i < 6; ++i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        name += alphabet[(state >> 33) % 62];
    }
    return name;
}

// Makes a new temporary file beside `target`; INVALID_HANDLE_VALUE with the
// error code in GetLastError() when it cannot.
HANDLE create_temp(const std::string& target, std::string* name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = temp_name(target);
        HANDLE file = CreateFileW(win32_wide_path(name->c_str()).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

// ---------------------------------------------------------------------------
// Reading

FILE* plat_sys_open_regular(const char* path, int* result)
{
    const std::wstring wide = win32_wide_path(path);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        *result = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME
                      ? PLAT_FILE_MISSING
                      : PLAT_FILE_UNREADABLE;
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(file);
        *result = PLAT_FILE_NOT_REGULAR;
        return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(file);
        *result = PLAT_FILE_UNREADABLE;
        return nullptr;
    }
    FILE* stream = _fdopen(fd, "rb");
    if (!stream) {
        _close(fd);
        *result = PLAT_FILE_UNREADABLE;
        return nullptr;
    }
    *result = PLAT_FILE_OK;
    return stream;
}

bool plat_sys_exists(const char* path)
{
    return attributes_of(path) != INVALID_FILE_ATTRIBUTES;
}

bool plat_sys_is_directory(const char* path)
{
    DWORD attributes = attributes_of(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// ---------------------------------------------------------------------------
// Writing a file in one step

bool plat_sys_replace_file(const char* path, const void* data, size_t size, std::string* error)
{
    const std::string target = resolve_links(path);
    std::string temp;
    HANDLE file = create_temp(target, &temp);
    if (file == INVALID_HANDLE_VALUE) {
        if (error) {
            *error = win32_error_text(GetLastError());
        }
        return false;
    }
    const char* p = static_cast<const char*>(data);
    bool ok = true;
    DWORD code = 0;
    while (ok && size > 0) {
        DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        ok = WriteFile(file, p, chunk, &written, nullptr) && written > 0;
        if (!ok) {
            code = GetLastError();
        }
        p += written;
        size -= written;
    }
    if (ok && !FlushFileBuffers(file)) {
        ok = false;
        code = GetLastError();
    }
    CloseHandle(file);
    const std::wstring wide_temp = win32_wide_path(temp.c_str());
    const std::wstring wide_target = win32_wide_path(target.c_str());
    if (ok) {
        // Over an existing file ReplaceFileW keeps its attributes and
        // security; a new file (or a file ReplaceFileW refuses) is moved in place.
        DWORD attributes = GetFileAttributesW(wide_target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
            ok = false;
            code = ERROR_ACCESS_DENIED;
        } else if (attributes != INVALID_FILE_ATTRIBUTES &&
                   ReplaceFileW(wide_target.c_str(), wide_temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                nullptr, nullptr)) {
            ok = true;
        } else if (!MoveFileExW(wide_temp.c_str(), wide_target.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            ok = false;
            code = GetLastError();
        }
    }
    if (!ok) {
        DeleteFileW(wide_temp.c_str());
        if (error) {
            *error = win32_error_text(code);
        }
        return false;
    }
    return true;
}

const char* plat_sys_replace_problem(const char* path)
{
    static std::string why;
    DWORD attributes = attributes_of(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            return "is a directory";
        }
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            return "read-only";
        }
        HANDLE file = CreateFileW(win32_wide_path(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            why = win32_error_text(GetLastError());
            return why.c_str();
        }
        bool disk = GetFileType(file) == FILE_TYPE_DISK;
        CloseHandle(file);
        if (!disk) {
            return "not a regular file";
        }
    } else {
        DWORD code = GetLastError();
        if (code != ERROR_FILE_NOT_FOUND) {
            why = win32_error_text(code);
            return why.c_str();
        }
    }
    const std::string target = resolve_links(path);
    std::string temp;
    HANDLE file = create_temp(target, &temp);
    if (file == INVALID_HANDLE_VALUE) {
        why = win32_error_text(GetLastError());
        if (target != path) {
            why += " (it is a link to " + target + ")";
        }
        return why.c_str();
    }
    CloseHandle(file);
    DeleteFileW(win32_wide_path(temp.c_str()).c_str());
    return nullptr;
}

void plat_sys_remove_stale_temps(const char* path)
{
    const std::string target = resolve_links(path);
    const std::string dir = directory_of(target);
    const size_t slash = target.find_last_of("/\\");
    const std::string prefix = (slash == std::string::npos ? target : target.substr(slash + 1)) + ".";
    WIN32_FIND_DATAW found;
    HANDLE listing = FindFirstFileW(win32_wide_path((dir + "/*").c_str()).c_str(), &found);
    if (listing == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = win32_narrow(found.cFileName);
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0 ||
            (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
            continue;
        }
        bool ours = true;
        for (size_t i = prefix.size(); i < name.size(); ++i) {
            ours = ours && isalnum(static_cast<unsigned char>(name[i])) != 0;
        }
        if (ours) {
            DeleteFileW(win32_wide_path((dir + "/" + name).c_str()).c_str());
        }
    } while (FindNextFileW(listing, &found));
    FindClose(listing);
}

const char* plat_sys_output_problem(const char* path)
{
    static std::string why;
    if (path == nullptr || path[0] == '\0') {
        return "no name";
    }
    const std::string name = path;
    if (name.back() == '/' || name.back() == '\\') {
        return "is a directory";
    }
    DWORD attributes = attributes_of(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            return "is a directory";
        }
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            return "not writable";
        }
        return nullptr;
    }
    DWORD code = GetLastError();
    if (code == ERROR_FILENAME_EXCED_RANGE) {
        return "file name too long";
    }
    const std::string dir = directory_of(name);
    DWORD dir_attributes = attributes_of(dir.c_str());
    if (dir_attributes == INVALID_FILE_ATTRIBUTES || !(dir_attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return "no such directory";
    }
    if (code != ERROR_FILE_NOT_FOUND) {
        why = win32_error_text(code);
        return why.c_str();
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Locking: LockFileEx on "NAME.lock" beside the file (after following a
// link), a file that outlives every replacement of the table. The lock goes
// with the handle, so a killed process drops it.

namespace {
constexpr int MAX_LOCKS = 16;
HANDLE lock_handles[MAX_LOCKS];
}  // namespace

int plat_sys_lock_file(const char* path)
{
    int slot = 0;
    while (slot < MAX_LOCKS && lock_handles[slot] != nullptr) {
        ++slot;
    }
    if (slot == MAX_LOCKS) {
        return -1;
    }
    const std::string lock_path = resolve_links(path) + ".lock";
    HANDLE file = CreateFileW(win32_wide_path(lock_path.c_str()).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return -1;
    }
    OVERLAPPED whole = {};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        CloseHandle(file);
        return -1;
    }
    lock_handles[slot] = file;
    return slot;
}

void plat_sys_unlock_file(int handle)
{
    if (handle < 0 || handle >= MAX_LOCKS || lock_handles[handle] == nullptr) {
        return;
    }
    OVERLAPPED whole = {};
    UnlockFileEx(lock_handles[handle], 0, MAXDWORD, MAXDWORD, &whole);
    CloseHandle(lock_handles[handle]);
    lock_handles[handle] = nullptr;
}

// ---------------------------------------------------------------------------
// Folders

bool plat_sys_make_directory(const char* path, bool, std::string* error)
{
    // A new folder under the user's profile is the user's alone already.
    if (CreateDirectoryW(win32_wide_path(path).c_str(), nullptr)) {
        return true;
    }
    if (error) {
        *error = win32_error_text(GetLastError());
    }
    return false;
}

bool plat_sys_user_folder(PlatUserFolder which, std::string* path, std::string* hint)
{
    const KNOWNFOLDERID* id = &FOLDERID_RoamingAppData;
    const wchar_t* variable = L"APPDATA";
    *hint = "APPDATA";
    if (which == PLAT_FOLDER_DATA) {
        id = &FOLDERID_LocalAppData;
        variable = L"LOCALAPPDATA";
        *hint = "LOCALAPPDATA";
    } else if (which == PLAT_FOLDER_PICTURES) {
        id = &FOLDERID_Pictures;
        variable = nullptr;
        *hint = "USERPROFILE";
    }
    wchar_t* known = nullptr;
    if (SHGetKnownFolderPath(*id, KF_FLAG_DEFAULT, nullptr, &known) == S_OK && known != nullptr) {
        *path = win32_narrow(known, true);
        CoTaskMemFree(known);
        if (!path->empty()) {
            return true;
        }
    } else if (known != nullptr) {
        CoTaskMemFree(known);
    }
    wchar_t buffer[MAX_PATH * 4];
    DWORD n = 0;
    if (variable != nullptr) {
        n = GetEnvironmentVariableW(variable, buffer, MAX_PATH * 4);
    } else {
        n = GetEnvironmentVariableW(L"USERPROFILE", buffer, MAX_PATH * 4);
        if (n > 0 && n < MAX_PATH * 4) {
            wcscat_s(buffer, L"\\Pictures");
            n = static_cast<DWORD>(wcslen(buffer));
        }
    }
    if (n == 0 || n >= MAX_PATH * 4) {
        return false;
    }
    *path = win32_narrow(buffer, true);
    return true;
}

bool plat_sys_program_folder(std::string* path)
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            return false;
        }
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        if (buffer.size() > 32768) {
            return false;
        }
        buffer.resize(buffer.size() * 2);
    }
    std::string full = win32_narrow(buffer.c_str(), true);
    size_t slash = full.rfind('/');
    if (slash == std::string::npos) {
        return false;
    }
    *path = full.substr(0, slash);
    return true;
}

const char* plat_sys_installed_data()
{
    return "data";  // the ZIP keeps the data beside the program
}

bool plat_sys_change_dir(const char* dir)
{
    return SetCurrentDirectoryW(win32_wide_path(dir).c_str()) != 0;
}

bool plat_sys_absolute_path(const char* path, std::string* out)
{
    const std::wstring wide = win32_wide_path(path);
    DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0 || n > 32768) {
        return false;
    }
    std::wstring full(n, L'\0');
    DWORD got = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
    if (got == 0 || got >= n) {
        return false;
    }
    full.resize(got);
    *out = win32_narrow(full.c_str(), true);
    return !out->empty();
}

bool plat_sys_make_private_dir(std::string* out)
{
    wchar_t base[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, base);
    if (n == 0 || n > MAX_PATH) {
        return false;
    }
    const std::string root = win32_narrow(base, true);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string dir = temp_name(root + "tailgate");
        if (CreateDirectoryW(win32_wide_path(dir.c_str()).c_str(), nullptr)) {
            *out = dir;
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    return false;
}

void plat_sys_remove_private_dir(const char* dir)
{
    const std::string root = dir;
    WIN32_FIND_DATAW found;
    HANDLE listing = FindFirstFileW(win32_wide_path((root + "/*").c_str()).c_str(), &found);
    if (listing != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = win32_narrow(found.cFileName);
            if (name == "." || name == "..") {
                continue;
            }
            const std::string full = root + "/" + name;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                plat_sys_remove_private_dir(full.c_str());
            } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveDirectoryW(win32_wide_path(full.c_str()).c_str());
            } else {
                DeleteFileW(win32_wide_path(full.c_str()).c_str());
            }
        } while (FindNextFileW(listing, &found));
        FindClose(listing);
    }
    RemoveDirectoryW(win32_wide_path(dir).c_str());
}

std::string plat_sys_local_time_stamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    snprintf(text, sizeof text, "%04u-%02u-%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    return text;
}
