// A GUI program started from the desktop has no terminal: its messages go
// to a file of its own, and when it ends in failure, the last line (the one
// a terminal would have shown: "tailgate: ...") comes up in a message box.
// Started from a console it writes there; started with its output taken
// (a pipe, a file, a test under Wine) it writes there and shows no box. A
// headless run never shows one.
//
// The end of the program is seen through the linker: tailgate.exe is linked
// with -Wl,--wrap=exit, so the C runtime's exit after main and every other
// exit come here first with their status.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "platform/win32/wide.h"

extern "C" [[noreturn]] void __real_exit(int status);  // NOLINT(bugprone-reserved-identifier): the linker's name

namespace {

std::wstring captured_path;

bool usable(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// Whether the command line asks for a headless run, which never puts up a
// box: nobody may be there to close it.
bool headless_run()
{
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args) {
        return false;
    }
    bool headless = false;
    for (int i = 1; i < count; ++i) {
        headless = headless || wcscmp(args[i], L"--headless") == 0;
    }
    LocalFree(args);
    return headless;
}

// Makes descriptor 2 and stderr write to `file`. A program started without
// standard handles has a stderr with no descriptor at all (freopen refuses
// it), so the stream is given descriptor 2 by hand: the runtime's FILE is
// msvcrt's documented _iobuf.
bool capture_into(HANDLE file)
{
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY | _O_WRONLY);
    if (fd < 0) {
        CloseHandle(file);
        return false;
    }
    if (fd != 2) {
        const bool moved = _dup2(fd, 2) == 0;
        _close(fd);
        if (!moved) {
            return false;
        }
    }
    const intptr_t handle = _get_osfhandle(2);
    SetStdHandle(STD_ERROR_HANDLE,
                 reinterpret_cast<HANDLE>(handle));  // NOLINT(performance-no-int-to-ptr): the runtime's handle
    if (_fileno(stderr) != 2) {
        stderr->_file = 2;
        stderr->_flag = _IOWRT;
        stderr->_ptr = stderr->_base = nullptr;
        stderr->_cnt = 0;
    }
    setvbuf(stderr, nullptr, _IONBF, 0);
    return _fileno(stderr) == 2;
}

// Runs before main: gives stderr a place.
struct ErrorOutput {
    ErrorOutput()
    {
        if (usable(STD_ERROR_HANDLE)) {
            return;
        }
        if (AttachConsole(ATTACH_PARENT_PROCESS)) {
            FILE* ignored = nullptr;
            if (!usable(STD_OUTPUT_HANDLE)) {
                ignored = _wfreopen(L"CONOUT$", L"w", stdout);
            }
            ignored = _wfreopen(L"CONOUT$", L"w", stderr);
            (void)ignored;
            return;
        }
        if (headless_run()) {
            return;
        }
        wchar_t dir[MAX_PATH + 1];
        DWORD n = GetTempPathW(MAX_PATH + 1, dir);
        if (n == 0 || n > MAX_PATH) {
            return;
        }
        captured_path = std::wstring(dir) + L"tailgate-" + std::to_wstring(GetCurrentProcessId()) + L".log";
        HANDLE file =
            CreateFileW(captured_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (file == INVALID_HANDLE_VALUE || !capture_into(file)) {
            DeleteFileW(captured_path.c_str());
            captured_path.clear();
        }
    }
};
ErrorOutput error_output;

// The last line that is not empty.
std::string last_line(const std::string& text)
{
    size_t end = text.find_last_not_of("\r\n");
    if (end == std::string::npos) {
        return std::string();
    }
    size_t start = text.find_last_of('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end + 1 - (start == std::string::npos ? 0 : start + 1));
}

}  // namespace

extern "C" [[noreturn]] void __wrap_exit(int status)  // NOLINT(bugprone-reserved-identifier): the linker's name
{
    if (!captured_path.empty()) {
        fflush(stderr);
        std::string text;
        if (FILE* file = _wfopen(captured_path.c_str(), L"rb")) {
            char block[4096];
            size_t n = 0;
            while ((n = fread(block, 1, sizeof block, file)) > 0 && text.size() < (1 << 20)) {
                text.append(block, n);
            }
            fclose(file);
        }
        const std::string line = last_line(text);
        if (status != 0 && !line.empty()) {
            MessageBoxW(nullptr, win32_wide(line.c_str()).c_str(), L"Tailgate",
                        MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        }
        HANDLE nowhere =
            CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (nowhere == INVALID_HANDLE_VALUE || !capture_into(nowhere)) {
            fclose(stderr);
        }
        DeleteFileW(captured_path.c_str());
    }
    __real_exit(status);
}
