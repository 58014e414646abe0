// The virtual seams: a clock that only the frame pacing moves, a keyboard
// played from a list of key events, the pass bookkeeping and the audio call
// log. The headless backend runs on them alone; a window that records or
// plays back a session takes its keys and clock from them too, so that the
// session replays exactly without a window. Reading an input script and
// writing a recording are the harness's (shell/harness_script.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

// Virtual clock and key state.
uint32_t headless_tick_count();
bool headless_key_down(int vk);

// One line of the audio log per sound or music call ("<pass> <op> <id>"),
// when an audio log was asked for. Called by the audio code in every mode.
void plat_audio_log(const char* operation, int id);

// ---------------------------------------------------------------------------
// The key events to apply, and the frame loop's pass bookkeeping.

struct PlatKeyEvent {
    int pass;
    int vk;
    int down;  // 1 press, 0 release
};

// Replaces the events not yet applied. Each takes effect at the start of its
// pass, in list order (so passes must not go down), or earlier at a wait
// inside a pass.
void headless_set_events(std::vector<PlatKeyEvent> events);
// Events not yet applied.
int headless_events_left();

// begin_pass records the pass number (also used by the audio log in windowed
// runs) and applies the events of passes up to it; end_pass moves the
// virtual clock to exactly frame_start + 33.
void headless_begin_pass(int pass);
void headless_end_pass(uint32_t frame_start);
int headless_current_pass();  // -1 before the frame loop

// Applies the next event at a wait inside a pass; false when none is left.
bool headless_apply_next_event();
// Sets a key from the player's keyboard (a window that records, or that
// played its script to the end). Inside a pass (`in_wait`) it counts for
// the waits of this pass; else it is part of the current pass's start.
void headless_set_key(int vk, bool down, bool in_wait);

// Told of every key event the game is given, from the list or the player,
// with the pass a replay must give it to apply it at the same point: an
// event applied at the start of pass p goes under p, one applied at a wait
// inside pass p under p + 1 (whose start pass p has already gone by).
// Null: nobody listens.
void headless_set_key_listener(void (*listener)(int pass, int vk, bool down));

// Thrown by plat_wait_step in headless mode when a wait inside a pass finds
// no event left: the player has nothing more to do while the game waits, so
// the run ends there. The frame loop catches it; a test running the game's
// code by itself fails with it.
class PlatScriptRanOut : public std::exception {
public:
    explicit PlatScriptRanOut(int pass);
    int pass() const { return pass_; }
    const char* what() const noexcept override { return text_; }

private:
    int pass_;
    char text_[96];
};

// The audio log file; 1 on success.
int headless_open_audio_log(const char* path);
// False when a line of the log could not be written (a full disk, say).
bool headless_close_audio_log();
