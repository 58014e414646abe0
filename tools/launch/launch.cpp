// Starts a program the way the desktop does, for the Windows tests under
// Wine: no console and no standard handles, so a GUI program has nowhere to
// write but its own windows. Waits for it and exits with its status. A
// message box the program puts up meanwhile is reported on our standard
// output as "box: <title>: <text>" (once per box), and left for the test to
// close.
//   launch.exe PROGRAM [ARGUMENT]...
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

DWORD child_id = 0;
std::set<HWND> reported;

std::string narrow(const std::wstring& text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) {
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    }
    return out;
}

std::wstring window_text(HWND window)
{
    wchar_t text[1024];
    const int n = GetWindowTextW(window, text, 1024);
    return std::wstring(text, n > 0 ? n : 0);
}

BOOL CALLBACK look_at(HWND window, LPARAM)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t class_name[64];
    if (owner != child_id || reported.count(window) || !IsWindowVisible(window) ||
        !GetClassNameW(window, class_name, 64) || std::wstring(class_name) != L"#32770") {
        return TRUE;
    }
    // A message box's text is its static control 0xFFFF.
    HWND text = GetDlgItem(window, 0xFFFF);
    printf("box: %s: %s\n", narrow(window_text(window)).c_str(), text ? narrow(window_text(text)).c_str() : "");
    fflush(stdout);
    reported.insert(window);
    return TRUE;
}

// The command line after our own program's name, as it was given.
const wchar_t* rest_of_command_line()
{
    const wchar_t* line = GetCommandLineW();
    bool quoted = false;
    for (; *line && (quoted || (*line != L' ' && *line != L'\t')); ++line) {
        if (*line == L'"') {
            quoted = !quoted;
        }
    }
    while (*line == L' ' || *line == L'\t') {
        ++line;
    }
    return line;
}

}  // namespace

int main()
{
    std::wstring command = rest_of_command_line();
    if (command.empty()) {
        fprintf(stderr, "usage: launch.exe PROGRAM [ARGUMENT]...\n");
        return 2;
    }
    FreeConsole();  // none for the program to attach to either
    STARTUPINFOW start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;  // and every one of them null
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr, &start,
                        &process)) {
        fprintf(stderr, "launch.exe: cannot start %s (error %lu)\n", narrow(command).c_str(), GetLastError());
        return 2;
    }
    child_id = process.dwProcessId;
    while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
        EnumWindows(look_at, 0);
    }
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}
