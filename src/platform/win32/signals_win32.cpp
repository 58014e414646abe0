// Ctrl+C, Ctrl+Break and the console's close button as a close request.
#include <windows.h>

#include <atomic>

#include "platform/system.h"

namespace {

std::atomic<bool> close_requested{false};

BOOL WINAPI console_handler(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        close_requested = true;
        return TRUE;
    case CTRL_CLOSE_EVENT:
        // The system ends the process when this returns: give the game's
        // loop a moment to see the request and save what it must.
        close_requested = true;
        Sleep(2000);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void plat_sys_catch_close_requests()
{
    SetConsoleCtrlHandler(console_handler, TRUE);
}

bool plat_sys_close_requested()
{
    return close_requested;
}
