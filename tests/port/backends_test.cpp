// The backends the shell chooses from: a window session played back hands
// its keys to the player when its script is used up, and its sounds keep
// time by the passes, as headless runs do.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/audio.h"
#include "platform/headless.h"
#include "platform/platform.h"

namespace {

// A window session played back: keys and clock are the seams', and once the
// script is used up the player's own keys take over, so a key the script
// still held is let go unless the player holds it too (no window here: the
// player holds nothing). Headless runs keep the script's keys as they are.
TEST(Backends, APlayedBackSessionHandsTheKeysToThePlayerAtTheScriptsEnd)
{
    for (const PlatBackendKind kind : {PLAT_WINDOW_REPLAY, PLAT_HEADLESS}) {
        headless_set_events({{0, gk::UP, 1}, {1, gk::DOWN, 1}});
        plat_use_backend(kind, 5000);
        plat_pass_begins(0);
        EXPECT_TRUE(plat_key_down(gk::UP)) << kind;
        EXPECT_EQ(plat_get_tick_count(), 5000u);
        plat_pass_ends(5000);
        EXPECT_EQ(plat_get_tick_count(), 5033u) << "the virtual clock, a pass at a time";
        plat_pass_begins(1);
        const bool replay = kind == PLAT_WINDOW_REPLAY;
        EXPECT_EQ(plat_key_down(gk::UP), !replay) << kind;
        EXPECT_EQ(plat_key_down(gk::DOWN), !replay) << kind;
        EXPECT_EQ(plat_real_time(), replay) << "a window holds each pass to real time";
    }
    plat_use_backend(PLAT_WINDOW, 1000);
    EXPECT_TRUE(plat_real_time());
    EXPECT_FALSE(plat_key_down(gk::UP)) << "no window: the player's keyboard says nothing";
}

// Sounds keep time by the passes in a played-back session even though a
// device plays them (whether a sound still plays is game state, and the
// session must replay headless), as they do headless without one.
TEST(Backends, APlayedBackSessionsSoundsKeepTimeByThePasses)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::vector<uint8_t> second(PLAT_SOUND_RATE, 128);
    for (const PlatBackendKind kind : {PLAT_WINDOW_REPLAY, PLAT_HEADLESS}) {
        plat_use_backend(kind, 1000);
        plat_audio_open();
        EXPECT_EQ(plat_audio_mode(), kind == PLAT_HEADLESS ? PLAT_AUDIO_SILENT : PLAT_AUDIO_DEVICE) << kind;
        PlatSound* sound = plat_sound_create(second.data(), static_cast<uint32_t>(second.size()));
        ASSERT_NE(sound, nullptr);
        plat_sound_play(sound);
        for (int pass = 0; pass < 3; ++pass) {
            plat_audio_end_pass();
        }
        EXPECT_EQ(plat_sound_position(sound), 1091u) << kind;  // 3 x 363.825 samples
        plat_audio_close();
    }
    unsetenv("SDL_AUDIODRIVER");
    plat_use_backend(PLAT_WINDOW, 1000);
}

}  // namespace
