// An XInput pad's moves as our pad events: what changed between two polls
// of XInputGetState. Plain data and no system header, so that it builds
// and is tested on every system.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/backend.h"

// One poll's state, laid out as XINPUT_GAMEPAD (window_win32.cpp checks it
// against <xinput.h>). The sticks' y grows upwards, as XInput reports it.
struct XInputPad {
    uint16_t buttons = 0;
    uint8_t left_trigger = 0;
    uint8_t right_trigger = 0;
    int16_t left_x = 0;
    int16_t left_y = 0;
    int16_t right_x = 0;
    int16_t right_y = 0;
};

// XInput's button bits (wButtons).
constexpr uint16_t XINPUT_BIT_DPAD_UP = 0x0001;
constexpr uint16_t XINPUT_BIT_DPAD_DOWN = 0x0002;
constexpr uint16_t XINPUT_BIT_DPAD_LEFT = 0x0004;
constexpr uint16_t XINPUT_BIT_DPAD_RIGHT = 0x0008;
constexpr uint16_t XINPUT_BIT_START = 0x0010;
constexpr uint16_t XINPUT_BIT_BACK = 0x0020;
constexpr uint16_t XINPUT_BIT_LEFT_THUMB = 0x0040;
constexpr uint16_t XINPUT_BIT_RIGHT_THUMB = 0x0080;
constexpr uint16_t XINPUT_BIT_LEFT_SHOULDER = 0x0100;
constexpr uint16_t XINPUT_BIT_RIGHT_SHOULDER = 0x0200;
constexpr uint16_t XINPUT_BIT_A = 0x1000;
constexpr uint16_t XINPUT_BIT_B = 0x2000;
constexpr uint16_t XINPUT_BIT_X = 0x4000;
constexpr uint16_t XINPUT_BIT_Y = 0x8000;

// The events that take pad number `pad` from `before` to `now`, added to
// `out` in order: the buttons (by PlatPadButton), then the left stick's x
// and y (y turned to grow downwards). The triggers and the right stick are
// not the game's.
void xinput_pad_changes(int pad, const XInputPad& before, const XInputPad& now, std::vector<PlatEvent>* out);
