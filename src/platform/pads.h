// What game controllers do to the game, the same on every system: each
// button holds the game key of its action in the key table (the d-pad the
// arrows, A Space, B H, X and Y S), Start pauses and goes on, Back opens the
// Esc menu, and the left stick holds the arrows once pushed past its dead
// zone. Backends only report the pads' moves as PlatEvents.
#pragma once

#include <cstdint>

#include "platform/backend.h"
#include "platform/keys.h"

// The stick holds an arrow once pushed this far from the middle, and lets it
// go back inside the smaller distance, so a stick resting near the edge does
// not flicker the key. Out of -32768 .. 32767.
constexpr int PLAT_STICK_ON = 16000;
constexpr int PLAT_STICK_OFF = 10000;

// The pads' hold on the game's keys: by game key code, the inputs holding it
// (a bit per PlatPadButton, one more for the stick).
struct PlatPadHold {
    uint32_t held[PLAT_GAME_KEY_LIMIT] = {};
};

// What one pad event asks of the window beyond the keys it holds.
struct PlatPadEffect {
    int pressed = 0;     // the game key it newly holds (none held it before), 0: none
    bool pause = false;  // Start went down: pause, or go on
    bool menu = false;   // Back went down: the Esc menu
};

// Applies a button or stick event to `hold`; other events change nothing.
PlatPadEffect plat_pad_apply(PlatPadHold* hold, const PlatEvent& event);

// Whether a pad holds the game key `code`.
bool plat_pad_holds(const PlatPadHold& hold, int code);

// Lets go of everything the pads hold (a pad unplugged, the focus lost).
void plat_pad_release_all(PlatPadHold* hold);
