// Application shell: program entry, window procedure, frame loop, shutdown.
#pragma once

#include <cstdint>

constexpr int FRAME_MS = 33;

// The game window (a handle of the platform layer; non-zero once created).
extern uintptr_t main_window;
extern int music_tracks[9];  // A.MID .. I.MID
extern int music_battle;     // Battle.MID
extern int quit_requested;   // set once Q was seen; never cleared

// The program: parses the command line, starts up, runs the frame loop,
// shuts down. Returns the process exit status.
int tailgate_main(int argc, char** argv);

int game_shutdown();
