// The virtual seams, and the headless backend built on them alone: no
// window, no sound device, the virtual clock and the listed key events.
#include "platform/headless.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/platform.h"
#include "platform/run_mode.h"

namespace {

constexpr uint32_t PASS_MS = PLAT_FRAME_MS;

uint32_t virtual_tick = 1000;
int current_pass = -1;
bool key_state[256];

std::vector<PlatKeyEvent> events;
size_t next_event;

void (*key_listener)(int pass, int vk, bool down);
FILE* audio_log;

void apply_event(const PlatKeyEvent& event, int listed_pass)
{
    key_state[event.vk & 0xFF] = event.down != 0;
    if (key_listener) {
        key_listener(listed_pass, event.vk, event.down != 0);
    }
}

}  // namespace

uint32_t headless_tick_count()
{
    return virtual_tick;
}

bool headless_key_down(int vk)
{
    if (vk < 0 || vk > 255) {
        return false;
    }
    return key_state[vk];
}

void headless_reset(uint32_t start_tick)
{
    virtual_tick = start_tick;
    current_pass = -1;
    memset(key_state, 0, sizeof key_state);
}

void headless_set_events(std::vector<PlatKeyEvent> list)
{
    events = std::move(list);
    next_event = 0;
}

int headless_events_left()
{
    return static_cast<int>(events.size() - next_event);
}

void headless_begin_pass(int pass)
{
    current_pass = pass;
    while (next_event < events.size() && events[next_event].pass <= pass) {
        apply_event(events[next_event], pass);
        ++next_event;
    }
}

void headless_end_pass(uint32_t frame_start)
{
    virtual_tick = frame_start + PASS_MS;
}

int headless_current_pass()
{
    return current_pass;
}

bool headless_apply_next_event()
{
    if (next_event >= events.size()) {
        return false;
    }
    apply_event(events[next_event], current_pass + 1);
    ++next_event;
    return true;
}

void headless_set_key(int vk, bool down, bool in_wait)
{
    if (vk < 0 || vk > 255 || key_state[vk] == down) {
        return;
    }
    key_state[vk] = down;
    if (key_listener) {
        key_listener(in_wait ? current_pass + 1 : current_pass, vk, down);
    }
}

void headless_set_key_listener(void (*listener)(int pass, int vk, bool down))
{
    key_listener = listener;
}

PlatScriptRanOut::PlatScriptRanOut(int pass) : pass_(pass)
{
    snprintf(text_, sizeof text_, "the input script ran out while the game waited inside pass %d", pass);
}

int headless_open_audio_log(const char* path)
{
    headless_close_audio_log();
    audio_log = fopen(path, "wb");
    return audio_log != nullptr;
}

bool headless_close_audio_log()
{
    if (!audio_log) {
        return true;
    }
    // The reason of a failed write is found again by the last flush.
    errno = 0;
    bool ok = fflush(audio_log) == 0 && ferror(audio_log) == 0;
    const int reason = errno;
    ok = fclose(audio_log) == 0 && ok;
    if (!ok && reason != 0) {
        errno = reason;
    }
    audio_log = nullptr;
    return ok;
}

void plat_audio_log(const char* operation, int id)
{
    if (audio_log) {
        fprintf(audio_log, "%d %s %d\n", current_pass, operation, id);
    }
}

// ---------------------------------------------------------------------------
// The headless backend

namespace {

int no_window(bool)
{
    return 1;
}

void nothing() {}

// Only SIGINT and SIGTERM can ask to close.
bool scripted_key(int vk)
{
    plat_take_signals();
    return headless_key_down(vk);
}

// A script's held key is the player's deliberate input: nothing to forget.
void keep_held_keys() {}

void scripted_wait_step()
{
    if (!headless_apply_next_event()) {
        throw PlatScriptRanOut(current_pass);
    }
}

bool never_paused()
{
    return false;
}

}  // namespace

const PlatRunMode PLAT_HEADLESS_RUN = {
    .open_window = no_window,
    .close_window = nothing,
    .look_at_events = plat_take_signals,
    .key_down = scripted_key,
    .forget_held_keys = keep_held_keys,
    .wait_step = scripted_wait_step,
    .pass_begins = headless_begin_pass,
    .pass_ends = headless_end_pass,
    .tick_count = headless_tick_count,
    .hold_while_paused = nothing,
    .paused = never_paused,
    .real_time = false,
    .sound_device = false,
    .sound_pass_time = false,
};
