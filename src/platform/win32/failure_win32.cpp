// A GUI program started from the desktop has no terminal: its messages go
// to a file of its own, and when it ends in failure, the last line (the one
// a terminal would have shown: "tailgate: ...") comes up in a message box.
// Started from a console it writes there; started with its output taken
// (a pipe, a file, a test under Wine) it writes there and shows no box.
//
// The end of the program is seen through the linker: tailgate.exe is linked
// with -Wl,--wrap=exit, so the C runtime's exit after main and every other
// exit come here first with their status.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
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
        wchar_t dir[MAX_PATH + 1];
        DWORD n = GetTempPathW(MAX_PATH + 1, dir);
        if (n == 0 || n > MAX_PATH) {
            return;
        }
        captured_path = std::wstring(dir) + L"tailgate-" + std::to_wstring(GetCurrentProcessId()) + L".log";
        if (!_wfreopen(captured_path.c_str(), L"w+b", stderr)) {
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
        FILE* ignored = freopen("NUL", "wb", stderr);
        (void)ignored;
        DeleteFileW(captured_path.c_str());
    }
    __real_exit(status);
}
