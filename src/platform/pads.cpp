// Game controllers' buttons and stick as the game's keys.
#include "platform/pads.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr uint32_t STICK_BIT = 1u << 31;
static_assert(PLAT_PAD_BUTTON_COUNT < 31, "a button's bit must not be the stick's");

// The game key a pad button gives (0: none), and whether it is the pause.
int code_of_button(int button, bool* pause)
{
    *pause = false;
    if (button < 0 || button >= PLAT_PAD_BUTTON_COUNT) {
        return 0;
    }
    for (const PlatActionInfo& action : PLAT_ACTIONS) {
        if (action.pad_buttons & (1u << button)) {
            *pause = action.action == ACTION_PAUSE;
            return action.game_key;
        }
    }
    return 0;
}

// Holds or lets go of `code` by one input; the code when nothing held it before.
int hold_by(PlatPadHold* hold, int code, uint32_t bit, bool down)
{
    if (code <= 0 || code >= PLAT_GAME_KEY_LIMIT) {
        return 0;
    }
    const bool was_held = hold->held[code] != 0;
    if (down) {
        hold->held[code] |= bit;
    } else {
        hold->held[code] &= ~bit;
    }
    return down && !was_held ? code : 0;
}

}  // namespace

PlatPadEffect plat_pad_apply(PlatPadHold* hold, const PlatEvent& event)
{
    PlatPadEffect effect;
    if (event.type == PLAT_EVENT_PAD_BUTTON_DOWN || event.type == PLAT_EVENT_PAD_BUTTON_UP) {
        const bool down = event.type == PLAT_EVENT_PAD_BUTTON_DOWN;
        if (event.button == PLAT_PAD_BACK) {
            effect.menu = down;
            return effect;
        }
        bool pause = false;
        const int code = code_of_button(event.button, &pause);
        if (pause) {
            effect.pause = down;
        } else {
            effect.pressed = hold_by(hold, code, 1u << event.button, down);
        }
        return effect;
    }
    if (event.type != PLAT_EVENT_PAD_AXIS) {
        return effect;
    }
    int low = 0;
    int high = 0;
    if (event.axis == PLAT_PAD_AXIS_LEFT_X) {
        low = gk::LEFT;
        high = gk::RIGHT;
    } else if (event.axis == PLAT_PAD_AXIS_LEFT_Y) {
        low = gk::UP;  // the stick's y grows downwards
        high = gk::DOWN;
    } else {
        return effect;
    }
    for (int side = 0; side < 2; ++side) {
        const int code = side == 0 ? low : high;
        const int push = side == 0 ? -event.value : event.value;
        const bool held = (hold->held[code] & STICK_BIT) != 0;
        if (!held && push > PLAT_STICK_ON) {
            effect.pressed = hold_by(hold, code, STICK_BIT, true);
        } else if (held && push < PLAT_STICK_OFF) {
            hold_by(hold, code, STICK_BIT, false);
        }
    }
    return effect;
}

bool plat_pad_holds(const PlatPadHold& hold, int code)
{
    return code > 0 && code < PLAT_GAME_KEY_LIMIT && hold.held[code] != 0;
}

void plat_pad_release_all(PlatPadHold* hold)
{
    std::fill(std::begin(hold->held), std::end(hold->held), 0u);
}
