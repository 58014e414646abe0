// XInput's pad state, poll by poll, as our pad events.
#include "platform/win32/xinput_pad.h"

#include <algorithm>

namespace {

// XInput's bit of each of our buttons, by PlatPadButton (0: XInput has none).
constexpr uint16_t BUTTON_BITS[PLAT_PAD_BUTTON_COUNT] = {XINPUT_BIT_A,
                                                         XINPUT_BIT_B,
                                                         XINPUT_BIT_X,
                                                         XINPUT_BIT_Y,
                                                         XINPUT_BIT_BACK,
                                                         0,
                                                         XINPUT_BIT_START,
                                                         XINPUT_BIT_LEFT_THUMB,
                                                         XINPUT_BIT_RIGHT_THUMB,
                                                         XINPUT_BIT_LEFT_SHOULDER,
                                                         XINPUT_BIT_RIGHT_SHOULDER,
                                                         XINPUT_BIT_DPAD_UP,
                                                         XINPUT_BIT_DPAD_DOWN,
                                                         XINPUT_BIT_DPAD_LEFT,
                                                         XINPUT_BIT_DPAD_RIGHT};

PlatEvent pad_event(int pad, PlatEventType type)
{
    PlatEvent event;
    event.type = type;
    event.pad = pad;
    return event;
}

}  // namespace

void xinput_pad_changes(int pad, const XInputPad& before, const XInputPad& now, std::vector<PlatEvent>* out)
{
    for (int button = 0; button < PLAT_PAD_BUTTON_COUNT; ++button) {
        const uint16_t bit = BUTTON_BITS[button];
        if (bit == 0 || ((now.buttons ^ before.buttons) & bit) == 0) {
            continue;
        }
        PlatEvent event = pad_event(pad, (now.buttons & bit) ? PLAT_EVENT_PAD_BUTTON_DOWN : PLAT_EVENT_PAD_BUTTON_UP);
        event.button = button;
        out->push_back(event);
    }
    if (now.left_x != before.left_x) {
        PlatEvent event = pad_event(pad, PLAT_EVENT_PAD_AXIS);
        event.axis = PLAT_PAD_AXIS_LEFT_X;
        event.value = now.left_x;
        out->push_back(event);
    }
    if (now.left_y != before.left_y) {
        PlatEvent event = pad_event(pad, PLAT_EVENT_PAD_AXIS);
        event.axis = PLAT_PAD_AXIS_LEFT_Y;
        event.value = std::min(32767, -static_cast<int>(now.left_y));  // ours grows downwards
        out->push_back(event);
    }
}
