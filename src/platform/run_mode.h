// Inside the platform layer: the three ways a run goes (a window with the
// player's keys, a window playing back or recording a session, headless), as
// one table each. The public functions of platform.h that depend on it call
// through the chosen table (run_mode.cpp); the tables are made in window.cpp
// and headless.cpp, the same on every system.
//
// Calls between the layer's files go one way only: run_mode.cpp calls the run
// modes (window.cpp, headless.cpp), the messages and the sound; the window
// calls the system's backend (platform/backend.h), the display (surface.cpp,
// gdi.cpp), the sound, the seams and the messages. The display shows a
// picture by telling the window (window_show_flip), and the sound reads the
// game's clock through the function it is opened with.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct PlatRunMode {
    // The window (none headless): made, with its presentation, and given back.
    int (*open_window)(bool windowed);
    void (*close_window)();
    // Takes what came in: close requests, keys, the window's own events.
    void (*look_at_events)();
    bool (*key_down)(int vk);
    void (*forget_held_keys)();
    void (*wait_step)();
    void (*pass_begins)(int pass);
    // The end of a pass that began at tick `frame_start`: a virtual clock
    // moves on to its next pass.
    void (*pass_ends)(uint32_t frame_start);
    uint32_t (*tick_count)();
    void (*hold_while_paused)();
    bool (*paused)();
    // Each pass lasts 33 ms of real time, not only on the game's clock.
    bool real_time;
    // Sound goes to a device when one can be had; without, the mixer keeps
    // time by the passes and the game's clock.
    bool sound_device;
    // Sounds keep time by the passes even with a device (a session that is
    // to replay exactly).
    bool sound_pass_time;
};

extern const PlatRunMode PLAT_WINDOW_RUN;         // window.cpp
extern const PlatRunMode PLAT_WINDOW_REPLAY_RUN;  // window.cpp
extern const PlatRunMode PLAT_HEADLESS_RUN;       // headless.cpp

// The seams back at their start: the clock at start_tick, every key up, no
// pass yet. The events not yet applied are kept.
void headless_reset(uint32_t start_tick);

// messages.cpp: SIGINT and SIGTERM become a close request (PLAT_WM_CLOSE, once).
void plat_install_signal_handlers();
void plat_take_signals();
// Takes the oldest message of our queue; false when there is none.
bool plat_next_message(PlatMessage* out);

// audio.cpp: opens the sound output once, on a device when `device` (and one
// can be had), else silent; a silent mixer counts music time on `clock`.
uintptr_t plat_audio_start(bool device, uint32_t (*clock)());
