// Our message queue, the player's requests to close (the window's close
// button, Q, the system's requests to end), the same with or without a window.

#include "platform/platform.h"
#include "platform/run_mode.h"
#include "platform/system.h"

namespace {

bool close_seen;
bool close_posted;

constexpr int QUEUE_SIZE = 64;
PlatMessage queue[QUEUE_SIZE];
int queue_head;
int queue_count;

}  // namespace

void plat_install_signal_handlers()
{
    plat_sys_catch_close_requests();
}

void plat_take_signals()
{
    if (plat_sys_close_requested()) {
        plat_request_close();
    }
}

// The player asked to close: once, as a PLAT_WM_CLOSE in our queue.
void plat_request_close()
{
    close_seen = true;
    if (!close_posted) {
        close_posted = true;
        plat_post_message(PLAT_WM_CLOSE, 0, 0);
    }
}

bool plat_close_requested()
{
    return close_seen || plat_sys_close_requested();
}

void plat_post_message(int message, uintptr_t wparam, intptr_t lparam)
{
    if (queue_count == QUEUE_SIZE) {
        return;  // full: the message is lost, as a full queue refuses a post
    }
    queue[(queue_head + queue_count) % QUEUE_SIZE] = PlatMessage{message, wparam, lparam};
    queue_count++;
}

bool plat_next_message(PlatMessage* out)
{
    if (queue_count == 0) {
        return false;
    }
    if (out) {
        *out = queue[queue_head];
    }
    queue_head = (queue_head + 1) % QUEUE_SIZE;
    queue_count--;
    return true;
}
