// Wrecks and game over: the two explosion sequences, the initials entry on
// the last wreck, the "GAME OVER" screen and the reset it leads to.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "battle_display.h"
#include "frontend/frontend.h"
#include "hiscore/hiscore.h"
#include "platform/headless.h"
#include "play/play.h"

namespace {

using battle_test::display_up;
using battle_test::find_index;

// Loads a script whose events are all far in the future: only a wait inside
// a pass (the initials entry) can use them up.
void pending_events(const char* events)
{
    headless_start(true, battle_test::DISPLAY_TICK);
    std::string script;
    int pass = 100000;
    const char* p = events;
    while (*p) {
        const char* end = strchr(p, ' ');
        size_t length = end ? static_cast<size_t>(end - p) : strlen(p);
        script += std::to_string(pass++) + " " + std::string(p, length) + "\n";
        p += length;
        while (*p == ' ') {
            p++;
        }
    }
    char error[200] = "";
    ASSERT_EQ(headless_parse_script(script.data(), script.size(), error, sizeof error), 1) << error;
    headless_begin_pass(0);
}

void hold_space()
{
    headless_start(true, battle_test::DISPLAY_TICK);
    char error[200] = "";
    ASSERT_EQ(headless_parse_script("0 +SPACE\n", 9, error, sizeof error), 1) << error;
    headless_begin_pass(0);
}

class WreckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!display_up()) {
            GTEST_SKIP() << "no game data to start the display with";
        }
        pending_events("");
        game_mode = MODE_PLAY;
        level_index = 1;
        play_state = PLAY_WRECK;
        truck_wrecked = 1;
        wreck_timer = 0;
        truck_x = 300;
        truck_y = 200;
        truck_speed = 0.0;
        damage = 100;
        lives = 1;
        help_calls = 2;
        score = 500;
        distance = 400000;
        alien_defeated = 0;
        for (int k = 0; k < HISCORE_COUNT; k++) {
            hiscore_scores[k] = 1000 - k;
            memcpy(hiscore_initials[k], "QQQ", 3);
        }
    }

    void TearDown() override { headless_start(false, 1000); }
};

// ---------------------------------------------------------------------------
// The sequences

TEST_F(WreckTest, WreckInTrafficLastsOneHundredAndOneFrames)
{
    for (int frame = 1; frame <= 4; frame++) {
        wreck_step();
    }
    EXPECT_EQ(truck_x, 300);
    EXPECT_EQ(damage, 100);
    wreck_step();  // the fifth frame puts the spare on the shoulder
    EXPECT_EQ(truck_x, 580);
    EXPECT_EQ(truck_y, 200);
    EXPECT_EQ(damage, 0);
    int frames = 5;
    while (play_state == PLAY_WRECK && frames < 1000) {
        wreck_step();
        frames++;
    }
    EXPECT_EQ(frames, 101);
    EXPECT_EQ(wreck_timer, 101);
    EXPECT_EQ(play_state, PLAY_DRIVING);
    EXPECT_EQ(truck_wrecked, 0);
    EXPECT_EQ(lives, 1);
}

TEST_F(WreckTest, LastWreckOffersNoEntryForAScoreWithoutAPlace)
{
    play_state = PLAY_LAST_WRECK;
    lives = -1;
    score = 991;  // equal to the tenth score: no place
    pending_events("+SPACE -SPACE +SPACE -SPACE +SPACE -SPACE");
    int frames = 0;
    while (play_state == PLAY_LAST_WRECK && frames < 1000) {
        last_wreck_step();
        frames++;
        if (frames == 5) {
            EXPECT_EQ(truck_x, 580);
            EXPECT_EQ(damage, 0);
        }
    }
    EXPECT_EQ(frames, 101);
    EXPECT_EQ(play_state, PLAY_GAME_OVER);
    EXPECT_EQ(headless_events_left(), 6);  // nothing waited for the player
    EXPECT_EQ(hiscore_scores[9], 991);
    EXPECT_EQ(memcmp(hiscore_initials[9], "QQQ", 3), 0);
}

TEST_F(WreckTest, LastWreckTakesInitialsOnItsNinetyEighthFrame)
{
    play_state = PLAY_LAST_WRECK;
    lives = -1;
    score = 2000;
    pending_events("+DOWN -DOWN +SPACE -SPACE +UP -UP +SPACE -SPACE +SPACE -SPACE");
    for (int frame = 1; frame <= 97; frame++) {
        last_wreck_step();
    }
    EXPECT_EQ(headless_events_left(), 10);
    last_wreck_step();
    EXPECT_EQ(headless_events_left(), 0);
    EXPECT_EQ(play_state, PLAY_LAST_WRECK);
    EXPECT_EQ(hiscore_scores[0], 2000);
    EXPECT_EQ(std::string(hiscore_initials[0], 3), "ZBA");

    std::ifstream file("hiscore.txt");
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find("10\n2000\n1000\n"), std::string::npos);
    EXPECT_NE(text.str().find("Z\nB\nA\n"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Game over

TEST_F(WreckTest, GameOverWaitsForTheSpaceBar)
{
    play_state = PLAY_GAME_OVER;
    lives = -1;
    for (int frame = 0; frame < 20; frame++) {
        ASSERT_EQ(play_frame(), 1);
    }
    EXPECT_EQ(game_mode, MODE_PLAY);
    EXPECT_EQ(play_state, PLAY_GAME_OVER);
    EXPECT_EQ(score, 500);
}

TEST_F(WreckTest, SpaceHeldAsTheLastWreckEndsLeavesGameOverAtOnce)
{
    play_state = PLAY_LAST_WRECK;
    lives = -1;
    score = -40;
    wreck_timer = 100;
    radio_freq_major = 9;
    radio_station = 4;
    radio_freq_minor = 7;
    hold_space();
    ASSERT_EQ(play_frame(), 1);
    EXPECT_EQ(game_mode, MODE_MENU);
    EXPECT_EQ(play_state, PLAY_DRIVING);
    EXPECT_EQ(wreck_timer, 101);

    // The next game starts afresh, the radio display as it was.
    EXPECT_EQ(level_index, 0);
    EXPECT_EQ(lives, 2);
    EXPECT_EQ(help_calls, 3);
    EXPECT_EQ(score, 0);
    EXPECT_EQ(distance, 0);
    EXPECT_EQ(damage, 0);
    EXPECT_EQ(truck_wrecked, 0);
    EXPECT_EQ(truck_x, 580);
    EXPECT_EQ(truck_y, 200);
    EXPECT_DOUBLE_EQ(truck_speed, 0.0);
    EXPECT_DOUBLE_EQ(story_scroll, 0.0);
    EXPECT_EQ(radio_freq_major, 9);
    EXPECT_EQ(radio_station, 4);
    EXPECT_EQ(radio_freq_minor, 7);
}

TEST_F(WreckTest, GameLostDuringTheVictoryDoesNotCarryTheWinOver)
{
    play_state = PLAY_GAME_OVER;
    alien_defeated = 1;
    alien_step = 6;
    alien_step_timer = 120;
    hold_space();
    game_over_step();
    EXPECT_EQ(game_mode, MODE_MENU);
    EXPECT_EQ(alien_defeated, 0);
    // The script position carries over to the next game's first battle.
    EXPECT_EQ(alien_step, 6);
}

// ---------------------------------------------------------------------------
// Explosion shapes, measured on the back buffer with solid stand-ins for
// the explosion cells.

class ExplosionTest : public WreckTest {
protected:
    static constexpr int SOLID = 7;
    PlatSurface* saved[6] = {};
    PlatSurface* solid = nullptr;

    void SetUp() override
    {
        WreckTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        solid = gfx_create_surface(64, 64, 0, 0);
        ASSERT_NE(solid, nullptr);
        gfx_fill_surface(solid, SOLID);
        for (int w = 0; w < 6; w++) {
            saved[w] = car_frames[56 + 7 * w];
            car_frames[56 + 7 * w] = solid;
        }
    }

    void TearDown() override
    {
        if (solid != nullptr) {
            for (int w = 0; w < 6; w++) {
                car_frames[56 + 7 * w] = saved[w];
            }
            plat_release_surface(solid);
        }
        WreckTest::TearDown();
    }

    // Runs one step on a cleared back buffer and measures what it drew.
    static PlatRect explosion(void (*step)())
    {
        gfx_fill_surface(back_buffer, 0);
        step();
        PlatRect box;
        find_index(SOLID, &box);
        return box;
    }
};

TEST_F(ExplosionTest, WreckInTrafficExplodesInAGrowingSquare)
{
    for (int w = 0; w < 6; w++) {
        truck_x = 300;
        truck_y = 200;
        PlatRect box = explosion(wreck_step);
        EXPECT_EQ(box.left, 300) << w;
        EXPECT_EQ(box.top, 200) << w;
        EXPECT_EQ(box.right - box.left, 64 + 4 * w) << w;
        EXPECT_EQ(box.bottom - box.top, 64 + 4 * w) << w;
    }
    PlatRect box = explosion(wreck_step);
    EXPECT_EQ(box.right, 0);  // nothing after the sixth frame
}

TEST_F(ExplosionTest, LastWreckExplodesInTheTrucksShape)
{
    play_state = PLAY_LAST_WRECK;
    lives = -1;
    for (int w = 0; w < 6; w++) {
        truck_x = 300;
        truck_y = 200;
        PlatRect box = explosion(last_wreck_step);
        EXPECT_EQ(box.right - box.left, 64 + 4 * w) << w;
        EXPECT_EQ(box.bottom - box.top, 96 + 4 * w) << w;
    }
    PlatRect box = explosion(last_wreck_step);
    EXPECT_EQ(box.right, 0);
}

}  // namespace
