// The run mode chosen at start-up, and the public functions that differ with
// it: each calls through the chosen table.
#include "platform/run_mode.h"

#include "platform/audio.h"
#include "platform/headless.h"
#include "platform/platform.h"

namespace {

const PlatRunMode* backend = &PLAT_WINDOW_RUN;

}  // namespace

void plat_use_backend(PlatBackendKind kind, uint32_t start_tick)
{
    switch (kind) {
    case PLAT_HEADLESS:
        backend = &PLAT_HEADLESS_RUN;
        break;
    case PLAT_WINDOW_REPLAY:
        backend = &PLAT_WINDOW_REPLAY_RUN;
        break;
    default:
        backend = &PLAT_WINDOW_RUN;
        break;
    }
    headless_reset(start_tick);
}

int plat_window_create(bool windowed)
{
    plat_install_signal_handlers();
    return backend->open_window(windowed);
}

void plat_window_destroy()
{
    backend->close_window();
}

bool plat_key_down(int vk)
{
    return backend->key_down(vk);
}

void plat_forget_held_keys()
{
    backend->forget_held_keys();
}

void plat_wait_step()
{
    backend->wait_step();
}

void plat_pass_begins(int pass)
{
    backend->pass_begins(pass);
}

void plat_pass_ends(uint32_t frame_start)
{
    backend->pass_ends(frame_start);
}

bool plat_real_time()
{
    return backend->real_time;
}

void plat_hold_while_paused()
{
    backend->hold_while_paused();
}

bool plat_paused()
{
    return backend->paused();
}

uint32_t plat_get_tick_count()
{
    return backend->tick_count();
}

bool plat_peek_message(PlatMessage* out)
{
    backend->look_at_events();
    return plat_next_message(out);
}

uintptr_t plat_audio_open()
{
    plat_audio_keep_pass_time(backend->sound_pass_time);
    return plat_audio_start(backend->sound_device, backend->tick_count);
}
