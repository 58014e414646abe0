// A Windows game controller as the game sees it: XInput's state, poll by
// poll, through the events the Windows window makes of it and the pads'
// hold on the game's keys that every system shares. Built for Linux and
// for Windows alike (no system header).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/pads.h"
#include "platform/win32/xinput_pad.h"

namespace {

// One pad polled as the window polls it: what the game is given.
struct PolledPad {
    PlatPadHold hold;
    XInputPad last;
    int presses = 0;  // game keys newly held
    int pauses = 0;   // Start went down
    int menus = 0;    // Back went down
    std::vector<PlatEvent> events;

    void poll(const XInputPad& now)
    {
        events.clear();
        xinput_pad_changes(2, last, now, &events);
        for (const PlatEvent& event : events) {
            const PlatPadEffect effect = plat_pad_apply(&hold, event);
            presses += effect.pressed > 0 ? 1 : 0;
            pauses += effect.pause ? 1 : 0;
            menus += effect.menu ? 1 : 0;
        }
        last = now;
    }
    void buttons(uint16_t bits)
    {
        XInputPad now = last;
        now.buttons = bits;
        poll(now);
    }
    void stick(int x, int y)
    {
        XInputPad now = last;
        now.left_x = static_cast<int16_t>(x);
        now.left_y = static_cast<int16_t>(y);
        poll(now);
    }
    // The game keys held, by their script names ("UP LEFT").
    std::string held() const
    {
        std::string names;
        for (int key : PLAT_GAME_KEYS) {
            if (plat_pad_holds(hold, key)) {
                names += names.empty() ? "" : " ";
                names += plat_script_name_of_game_key(key);
            }
        }
        return names;
    }
};

TEST(XInputPad, EachButtonHoldsItsGameKeyAndLetsItGo)
{
    const struct {
        uint16_t bit;
        const char* held;
    } buttons[] = {
        {XINPUT_BIT_DPAD_UP, "UP"},
        {XINPUT_BIT_DPAD_DOWN, "DOWN"},
        {XINPUT_BIT_DPAD_LEFT, "LEFT"},
        {XINPUT_BIT_DPAD_RIGHT, "RIGHT"},
        {XINPUT_BIT_A, "SPACE"},
        {XINPUT_BIT_B, "H"},
        {XINPUT_BIT_X, "S"},
        {XINPUT_BIT_Y, "S"},
        {XINPUT_BIT_LEFT_SHOULDER, ""},
        {XINPUT_BIT_RIGHT_SHOULDER, ""},
        {XINPUT_BIT_LEFT_THUMB, ""},
        {XINPUT_BIT_RIGHT_THUMB, ""},
    };
    for (const auto& button : buttons) {
        PolledPad pad;
        pad.buttons(button.bit);
        ASSERT_EQ(pad.events.size(), 1u) << button.bit;
        EXPECT_EQ(pad.events[0].type, PLAT_EVENT_PAD_BUTTON_DOWN);
        EXPECT_EQ(pad.events[0].pad, 2);
        EXPECT_EQ(pad.held(), button.held) << "button bit " << button.bit;
        EXPECT_EQ(pad.presses, button.held[0] ? 1 : 0) << button.bit;
        pad.buttons(0);
        EXPECT_EQ(pad.held(), "") << "button bit " << button.bit << " let go";
        EXPECT_EQ(pad.pauses + pad.menus, 0) << button.bit;
    }
}

TEST(XInputPad, StartPausesAndBackOpensTheMenuOncePerPress)
{
    PolledPad pad;
    pad.buttons(XINPUT_BIT_START);
    pad.buttons(XINPUT_BIT_START);  // held over a poll: nothing more
    pad.buttons(0);
    EXPECT_EQ(pad.pauses, 1);
    pad.buttons(XINPUT_BIT_START);
    EXPECT_EQ(pad.pauses, 2) << "pressed again: go on";
    pad.buttons(0);
    pad.buttons(XINPUT_BIT_BACK);
    pad.buttons(0);
    EXPECT_EQ(pad.menus, 1);
    EXPECT_EQ(pad.pauses, 2);
    EXPECT_EQ(pad.held(), "") << "Start and Back hold no game key";
    EXPECT_EQ(pad.presses, 0);
}

TEST(XInputPad, SeveralButtonsAtOnceAndTheSameKeyHeldTwice)
{
    PolledPad pad;
    pad.buttons(XINPUT_BIT_A | XINPUT_BIT_DPAD_UP | XINPUT_BIT_DPAD_LEFT);
    EXPECT_EQ(pad.events.size(), 3u);
    EXPECT_EQ(pad.held(), "SPACE UP LEFT");
    pad.buttons(XINPUT_BIT_A | XINPUT_BIT_DPAD_UP | XINPUT_BIT_DPAD_LEFT);
    EXPECT_TRUE(pad.events.empty()) << "an unchanged pad says nothing";
    // X and Y both give S: it is held until both are let go.
    pad.buttons(XINPUT_BIT_X | XINPUT_BIT_Y);
    EXPECT_EQ(pad.held(), "S");
    pad.buttons(XINPUT_BIT_Y);
    EXPECT_EQ(pad.held(), "S");
    pad.buttons(0);
    EXPECT_EQ(pad.held(), "");
    EXPECT_EQ(pad.presses, 4) << "SPACE, UP, LEFT, S: a second hold on a held key is no new press";
}

TEST(XInputPad, TheLeftStickHoldsTheArrowsPastItsDeadZone)
{
    PolledPad pad;
    pad.stick(-7849, 7849);  // XInput's own dead zone: nothing
    EXPECT_EQ(pad.held(), "");
    pad.stick(-PLAT_STICK_ON, PLAT_STICK_ON);  // at the edge, not past it
    EXPECT_EQ(pad.held(), "");
    pad.stick(-PLAT_STICK_ON - 1, 0);
    EXPECT_EQ(pad.held(), "LEFT");
    pad.stick(-PLAT_STICK_OFF, 0);  // back towards the middle, not inside the inner edge
    EXPECT_EQ(pad.held(), "LEFT");
    pad.stick(-PLAT_STICK_OFF + 1, 0);
    EXPECT_EQ(pad.held(), "");
    // XInput's y grows upwards; the whole way either side.
    pad.stick(0, 32767);
    EXPECT_EQ(pad.held(), "UP");
    pad.stick(0, -32768);
    EXPECT_EQ(pad.held(), "DOWN");
    pad.stick(32767, 0);
    EXPECT_EQ(pad.held(), "RIGHT");
    pad.stick(-32768, -32768);
    EXPECT_EQ(pad.held(), "DOWN LEFT");
    pad.stick(0, 0);
    EXPECT_EQ(pad.held(), "");
    EXPECT_EQ(pad.presses, 6);
}

TEST(XInputPad, TheStickAndTheDpadHoldAnArrowTogether)
{
    PolledPad pad;
    pad.buttons(XINPUT_BIT_DPAD_RIGHT);
    pad.stick(30000, 0);
    pad.buttons(0);
    EXPECT_EQ(pad.held(), "RIGHT") << "the stick still holds it";
    pad.stick(0, 0);
    EXPECT_EQ(pad.held(), "");
    EXPECT_EQ(pad.presses, 1);
    // The triggers and the right stick are not the game's.
    XInputPad other = pad.last;
    other.left_trigger = 255;
    other.right_trigger = 255;
    other.right_x = -32768;
    other.right_y = 32767;
    pad.poll(other);
    EXPECT_TRUE(pad.events.empty());
}

TEST(XInputPad, AnUnpluggedPadLetsGoOfEverything)
{
    PolledPad pad;
    pad.buttons(XINPUT_BIT_A | XINPUT_BIT_DPAD_DOWN);
    pad.stick(-30000, 0);
    EXPECT_EQ(pad.held(), "SPACE DOWN LEFT");
    plat_pad_release_all(&pad.hold);
    EXPECT_EQ(pad.held(), "");
    PlatEvent removed;
    removed.type = PLAT_EVENT_PAD_REMOVED;
    const PlatPadEffect effect = plat_pad_apply(&pad.hold, removed);
    EXPECT_EQ(effect.pressed, 0);
    EXPECT_FALSE(effect.pause || effect.menu);
}

}  // namespace
