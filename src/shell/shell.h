// Application shell: program entry, window procedure, frame loop, shutdown.
#pragma once

#include <cstdint>

#include "platform/platform.h"

constexpr int FRAME_MS = PLAT_FRAME_MS;

// The game window (a handle of the platform layer; non-zero once created).
extern uintptr_t main_window;

// The program: parses the command line, starts up, runs the frame loop,
// shuts down. Returns the process exit status.
int tailgate_main(int argc, char** argv);

// The start-up of every subsystem after the window: 1 when the game can run,
// 0 with the reason in game_init_error() (one line, "cannot load cars2.bmp";
// empty after a success).
int game_init();
const char* game_init_error();
// After game_init: the music is loaded, and the title waits for the space
// bar with the main theme on and the level clock running.
void game_show_title();

// For a recording played inside a running game (the title's demo): after
// the start-up state is put back, the start-up's random draws and the
// high-score table again, on the clock as it stands now, and the title,
// exactly as game_init and game_show_title leave them.
void game_start_as_at_start_up();

int game_shutdown();

// The window procedure: PLAT_WM_CLOSE destroys the window, whose PLAT_WM_DESTROY
// posts PLAT_WM_QUIT (exit code 0). Returns 0 for the messages it handles.
intptr_t wnd_proc(uintptr_t window, int message, uintptr_t wparam, intptr_t lparam);

// The frame loop: per pass at most one message, then `frame` once (unless
// the message was PLAT_WM_QUIT, which leaves at once), then the pacing to 33 ms
// and `after_pass` (may be null). Runs `max_passes` passes (-1: until
// PLAT_WM_QUIT). Returns PLAT_WM_QUIT's wparam, or 0 when the passes ran out;
// `last_pass` gets the last pass that called `frame` (-1 for none). A
// headless script that runs out while `frame` waits inside a pass ends the
// loop there, with `script_ran_out` set: that pass is *last_pass + 1.
int shell_frame_loop(int (*frame)(), int max_passes, void (*after_pass)(int pass), int* last_pass,
                     bool* script_ran_out);

// Pacing: moves a virtual clock to FRAME_MS past `frame_start`, and in a
// window waits until FRAME_MS have passed since the pass began (real time).
void shell_pace(uint32_t frame_start);
// How long the pacing may sleep, in microseconds, when `elapsed_us` of the
// pass have gone: most of what is left, keeping the last stretch for a
// precise busy wait; 0 once the pass is at or past its 33 ms.
int64_t shell_pace_sleep_us(int64_t elapsed_us);
