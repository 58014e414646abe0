// The headless seams: virtual clock, scripted keyboard, audio call log.
// The shell sets them up from the command line; the rest of the platform
// layer and the audio code consult them.
#pragma once

#include <cstddef>
#include <cstdint>

// True when running without window, audio device or real clock.
bool plat_is_headless();

// Virtual clock and scripted keys (headless mode only).
uint32_t headless_tick_count();
bool headless_key_down(int vk);
void headless_wait_step();

// One line of the audio log per sound or music call ("<pass> <op> <id>"),
// when an audio log was asked for. Called by the audio code in every mode.
void plat_audio_log(const char* operation, int id);

// ---------------------------------------------------------------------------
// Set-up and pass bookkeeping, driven by the shell.

constexpr int HEADLESS_MAX_EVENTS = 65536;

struct ScriptEvent {
    int pass;
    int vk;
    int down;  // 1 press, 0 release
};

// Parses an input script held in memory. 1 on success; 0 with a one-line
// reason in `error` (line number included) on a malformed script.
int headless_parse_script(const char* text, size_t length, char* error, size_t error_size);
// Reads and parses a script file; 0 with a reason when unreadable or malformed.
int headless_load_script(const char* path, char* error, size_t error_size);
// Scripted events not yet applied.
int headless_events_left();

// Turns headless mode on or off and sets the clock to start_tick; forgets
// the key states and the pass number (-1). The script is kept.
void headless_start(bool enabled, uint32_t start_tick);

// The frame loop's pass bookkeeping. begin_pass records the pass number
// (also used by the audio log in windowed runs) and applies the scripted
// events of passes up to it; end_pass moves the virtual clock to exactly
// frame_start + 33.
void headless_begin_pass(int pass);
void headless_end_pass(uint32_t frame_start);
int headless_current_pass();  // -1 before the frame loop

// ---------------------------------------------------------------------------
// The same seams behind a real window, for recording a session and playing
// one back: the game then reads its keys and its clock from here too, so a
// recorded session replays exactly in headless mode.

// True once a window run takes its keys and clock from the seams.
void headless_use_virtual_input(bool on);
bool headless_virtual_input();
// Applies the next scripted event at a wait inside a pass; false when the
// script has none left.
bool headless_apply_next_event();
// Sets a key from the player's keyboard after the script has run out. Inside
// a pass (`in_wait`) it counts for the waits of this pass; else it is part of
// the current pass's start.
void headless_set_key(int vk, bool down, bool in_wait);
// The start tick a script names in a "# start-tick T" comment line; false
// when it names none.
bool headless_script_start_tick(uint32_t* tick);

// Writes every key event the game is given, from the script or the player,
// as an input script with its start tick, so that
// --headless --start-tick T --input FILE runs the same session again.
bool headless_open_record(const char* path, uint32_t start_tick);
// Ends the recording with the number of passes that ran; false when a line
// could not be written.
bool headless_close_record(int passes);

// Called when a wait inside a pass finds the script used up: the shell
// writes its outputs there. The process then exits with status 3.
void headless_set_exhausted_hook(void (*hook)());
// What follows the hook; by default the audio log is closed and the process
// exits with status 3. A program that runs the game inside itself (a test)
// may end the wait its own way instead, by throwing; nullptr: the default.
void headless_set_ran_out_handler(void (*handler)());

// The audio log file; 1 on success.
int headless_open_audio_log(const char* path);
// False when a line of the log could not be written (a full disk, say).
bool headless_close_audio_log();
