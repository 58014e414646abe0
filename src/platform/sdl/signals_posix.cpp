// SIGINT and SIGTERM, noted instead of ending the program.
#include <csignal>
#include <cstring>

#include "platform/system.h"

namespace {

volatile sig_atomic_t signal_close;

void on_signal(int)
{
    signal_close = 1;
}

}  // namespace

void plat_sys_catch_close_requests()
{
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool plat_sys_close_requested()
{
    return signal_close != 0;
}
