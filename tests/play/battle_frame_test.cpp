// Whole play frames of the battle: the victory countdown, a wreck that
// interrupts it, and a last wreck that turns the battle into the wreck
// sequence within the same frame.
#include <gtest/gtest.h>

#include "battle_display.h"
#include "frontend/frontend.h"
#include "platform/headless.h"
#include "play/play.h"

namespace {

using battle_test::display_up;

class BattleFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!display_up()) {
            GTEST_SKIP() << "no game data to start the display with";
        }
        headless_start(true, battle_test::DISPLAY_TICK);
        char error[200];
        ASSERT_EQ(headless_parse_script("", 0, error, sizeof error), 1);
        alien_script_init();
        game_mode = MODE_PLAY;
        level_index = 1;
        play_state = PLAY_BATTLE;
        truck_wrecked = 0;
        truck_x = 340;
        truck_y = 300;
        truck_vy = 0.0;
        truck_speed = 0.0;
        damage = 0;
        lives = 1;
        score = 0;
        distance = 1000000;
        battle_music_on = 1;
        clock_start = plat_get_tick_count();
        alien_x = 200;
        alien_y = 20;
        alien_health = 0;
        alien_frame = 0;
        alien_pinned = 0;
        alien_defeated = 1;
        alien_step = 0;
        alien_step_timer = 0;
        for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
            alien_shot_active[i] = 0;
        }
        for (int k = 0; k < SHELL_COUNT; k++) {
            shell_active[k] = 0;
        }
    }

    void TearDown() override { headless_start(false, 1000); }

    // A shot that hits the truck in the coming frame.
    static void incoming_shot()
    {
        alien_shot_active[0] = 1;
        alien_shot_x[0] = truck_x;
        alien_shot_y[0] = truck_y;
        alien_shot_dx[0] = 0;
        alien_shot_dy[0] = 0;
    }

    static int frames_until_story()
    {
        int frames = 0;
        while (game_mode == MODE_PLAY && frames < 2000) {
            EXPECT_EQ(play_frame(), 1);
            frames++;
        }
        return frames;
    }
};

TEST_F(BattleFrameTest, BeatenAlienBurnsForThreeHundredFramesThenTheStoryGoesOn)
{
    EXPECT_EQ(frames_until_story(), 300);
    EXPECT_EQ(game_mode, MODE_STORY);
    EXPECT_EQ(level_index, 2);
    EXPECT_EQ(play_state, PLAY_DRIVING);
    EXPECT_EQ(help_calls, 1);
    // The clock stood still: the whole bonus of 9 hours.
    EXPECT_EQ(score, 9000);
}

TEST_F(BattleFrameTest, WreckDuringTheVictoryPausesItForTheRespawn)
{
    damage = 90;
    alien_step_timer = 100;
    incoming_shot();
    ASSERT_EQ(play_frame(), 1);
    EXPECT_EQ(play_state, PLAY_BATTLE_RESPAWN);
    EXPECT_EQ(alien_step_timer, 101);
    EXPECT_EQ(lives, 0);
    EXPECT_EQ(respawn_timer, 1);  // the respawn's first frame is this one
    for (int frame = 0; frame < 100; frame++) {
        ASSERT_EQ(play_frame(), 1);
        EXPECT_EQ(alien_step_timer, 101);
    }
    EXPECT_EQ(play_state, PLAY_BATTLE);
    EXPECT_EQ(frames_until_story(), 199);
}

TEST_F(BattleFrameTest, LastWreckInTheBattleStartsTheWreckSequenceAtOnce)
{
    alien_defeated = 0;
    alien_health = 200;
    lives = 0;
    damage = 80;
    incoming_shot();
    ASSERT_EQ(play_frame(), 1);
    EXPECT_EQ(play_state, PLAY_LAST_WRECK);
    EXPECT_EQ(lives, -1);
    EXPECT_EQ(truck_wrecked, 1);
    EXPECT_EQ(wreck_timer, 1);  // its first frame ran in the same play frame
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        EXPECT_EQ(alien_shot_active[i], 0);
    }
    // The battle is over: the controls and the alien stop.
    int alien_at = alien_x;
    ASSERT_EQ(play_frame(), 1);
    EXPECT_EQ(alien_x, alien_at);
    EXPECT_EQ(wreck_timer, 2);
}

TEST_F(BattleFrameTest, BattleFramesMoveTheAlienAndTheShells)
{
    alien_defeated = 0;
    alien_health = 200;
    level_index = 1;
    alien_x = 300;
    alien_y = 100;
    shell_active[4] = 1;
    shell_x[4] = 350;
    shell_y[4] = 250;
    ASSERT_EQ(play_frame(), 1);
    EXPECT_EQ(alien_x, 302);  // (2, 100): right at 2 px a frame
    EXPECT_EQ(shell_y[4], 240);
    EXPECT_EQ(battle_music_on, 1);
}

}  // namespace
