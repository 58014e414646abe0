// The alien battle: controls and cannon, the alien's script, ramming and
// pinning, volleys, shells, alien shots, the respawn and the level's
// completion through their step functions; the victory countdown and the
// wrecks in it through whole play frames on the headless display.
#include <gtest/gtest.h>

#include <vector>

#include "frontend/frontend.h"
#include "play_display.h"
#include "play_test_util.h"

namespace {

using play_test::hold;

void clear_alien_shots()
{
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        alien_shot_x[i] = alien_shot_y[i] = alien_shot_dx[i] = alien_shot_dy[i] = alien_shot_active[i] = 0;
    }
}

// An alien shot in slot i at the truck's corner plus (dx, dy), standing still.
void shot_at_truck(int i, int dx, int dy)
{
    alien_shot_active[i] = 1;
    alien_shot_x[i] = truck_x + dx;
    alien_shot_y[i] = truck_y + dy;
    alien_shot_dx[i] = alien_shot_dy[i] = 0;
}

void shell_at(int k, int x, int y)
{
    shell_active[k] = 1;
    shell_x[k] = x;
    shell_y[k] = y;
}

int active_shells()
{
    int n = 0;
    for (int k = 0; k < SHELL_COUNT; k++) {
        n += shell_active[k];
    }
    return n;
}

// Level 0's battle just begun: the truck low on the field, the alien at its
// start, the script at its first step.
class BattleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        play_test::fresh_drive();
        game_mode = MODE_PLAY;
        play_state = PLAY_BATTLE;
        distance = 1000000;
        truck_x = 340;
        truck_y = 300;
        battle_music_on = 1;
        alien_x = 378;
        alien_y = 10;
        alien_health = 100;
        clock_start = plat_get_tick_count();
        clear_alien_shots();
    }

    void TearDown() override { headless_start(false, 1000); }

    // The truck right below an alien at the top edge (the script's first
    // step moves the alien 1 px to the right first).
    static void place_for_ram(double vy)
    {
        alien_x = 300;
        alien_y = -20;
        truck_x = 300;
        truck_y = 45;
        truck_vy = vy;
    }
};

// ---------------------------------------------------------------------------
// Controls and cannon

TEST_F(BattleTest, CannonFiresNothingInLevelZeroAndFillsSlotsFromTheTopLater)
{
    hold("SPACE");
    for (int frame = 0; frame < 10; frame++) {
        battle_controls();
    }
    EXPECT_EQ(active_shells(), 0);

    level_index = 1;
    battle_controls();
    EXPECT_EQ(shell_active[4], 1);
    EXPECT_EQ(shell_x[4], truck_x + 32);
    EXPECT_EQ(shell_y[4], 300);  // where the truck was before it moved
    for (int frame = 0; frame < 10; frame++) {
        battle_controls();
    }
    EXPECT_EQ(active_shells(), 5);  // never more than five in flight
    shell_active[2] = 0;
    battle_controls();
    EXPECT_EQ(shell_active[2], 1);
}

TEST_F(BattleTest, ArrowsSteerInFourPixelStepsAndAccelerateWithinLimits)
{
    battle_music_on = 0;
    hold("LEFT UP");
    battle_controls();
    EXPECT_EQ(battle_music_on, 1);
    EXPECT_EQ(truck_x, 336);
    EXPECT_DOUBLE_EQ(truck_accel, -0.2);
    EXPECT_DOUBLE_EQ(truck_vy, -0.2);
    EXPECT_EQ(truck_y, 299);  // any upward speed moves at least 1 px

    truck_x = 132;
    battle_controls();
    EXPECT_EQ(truck_x, 130);

    hold("RIGHT UP DOWN");
    truck_x = 574;
    truck_vy = 0.8;  // downwards below 1 px a frame moves nothing
    int y = truck_y;
    battle_controls();
    EXPECT_EQ(truck_x, 576);
    EXPECT_DOUBLE_EQ(truck_accel, 0.0);
    EXPECT_EQ(truck_y, y);
}

TEST_F(BattleTest, TruckBouncesOffTheLimitsAtHalfSpeed)
{
    truck_y = 348;
    truck_vy = 4.0;
    battle_controls();
    EXPECT_EQ(truck_y, 350);
    EXPECT_DOUBLE_EQ(truck_vy, -2.0);

    truck_y = 12;
    truck_vy = -6.0;
    battle_controls();
    EXPECT_EQ(truck_y, 10);
    EXPECT_DOUBLE_EQ(truck_vy, 3.0);
}

// ---------------------------------------------------------------------------
// The alien's script

TEST_F(BattleTest, StepOfDurationDActsOnDPlusOneFrames)
{
    // Level 0 starts with (2, 45): right by 1 px a frame for 46 frames.
    for (int frame = 0; frame < 46; frame++) {
        alien_update();
    }
    EXPECT_EQ(alien_x, 378 + 46);
    EXPECT_EQ(alien_step, 2);
    EXPECT_EQ(alien_step_timer, 0);
    alien_update();  // then (3, 15): up and right
    EXPECT_EQ(alien_x, 378 + 47);
    EXPECT_EQ(alien_y, 9);
}

TEST_F(BattleTest, VolleyAndRoarStepsAreShortenedForGoodAndTheScriptWraps)
{
    // Level 0: entering the volley (8, 1) makes it (8, 5).
    alien_step = 2;
    alien_step_timer = 15;
    alien_update();
    EXPECT_EQ(alien_step, 4);
    EXPECT_EQ(alien_script[0][5], 5);

    // Leaving the ninth pair enters the tenth for a moment: its volley is
    // shortened too, then the index wraps to the first pair.
    alien_step = 16;
    alien_step_timer = 5;
    alien_update();
    EXPECT_EQ(alien_step, 0);
    EXPECT_EQ(alien_step_timer, 0);
    EXPECT_EQ(alien_script[0][19], 5);

    // Level 1: entering the roar (10, 100) makes it (10, 5); level 2 keeps
    // its own copy.
    level_index = 1;
    alien_step = 4;
    alien_step_timer = 100;
    alien_update();
    EXPECT_EQ(alien_step, 6);
    EXPECT_EQ(alien_script[1][7], 5);
    EXPECT_EQ(alien_script[2][7], 100);
}

TEST_F(BattleTest, AlienIsHeldInsideItsLimits)
{
    level_index = 2;  // 3 px a frame
    alien_x = 499;
    alien_y = 349;
    alien_step = 0;  // (2, 100): right
    alien_update();
    EXPECT_EQ(alien_x, 500);
    EXPECT_EQ(alien_y, 349);
    alien_x = 131;
    alien_y = -18;
    alien_step = 12;  // (7, 100): up and left
    alien_update();
    EXPECT_EQ(alien_x, 130);
    EXPECT_EQ(alien_y, -20);
}

// ---------------------------------------------------------------------------
// Volleys

TEST_F(BattleTest, VolleyFansTenShotsAroundTheAim)
{
    level_index = 1;
    alien_step = 14;  // (9, 1): a silent volley from + 40
    alien_x = 300;
    alien_y = 100;
    truck_x = 300;
    truck_y = 340;
    alien_update();
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        EXPECT_EQ(alien_shot_active[i], 1);
        EXPECT_EQ(alien_shot_x[i], 350);
        EXPECT_EQ(alien_shot_y[i], 140);
    }
    // Straight down at the truck, then 12 degrees a shot from 150 to 42
    // degrees, each step truncated toward zero: 7 cos 150 = -6.06,
    // 7 sin 150 = 3.5, 7 cos 42 = 5.2, 7 sin 42 = 4.68.
    EXPECT_EQ(alien_shot_dx[5], 0);
    EXPECT_EQ(alien_shot_dy[5], 7);
    EXPECT_EQ(alien_shot_dx[0], -6);
    EXPECT_EQ(alien_shot_dy[0], 3);
    EXPECT_EQ(alien_shot_dx[9], 5);
    EXPECT_EQ(alien_shot_dy[9], 4);
}

TEST_F(BattleTest, VolleyOnlyWhenNoShotIsActive)
{
    alien_step = 4;  // level 0 (8, 1): a loud volley from + 50, two frames
    alien_x = 300;
    alien_y = 100;
    alien_shot_active[7] = 1;
    alien_shot_x[7] = 222;
    alien_update();
    EXPECT_EQ(alien_shot_x[7], 222);
    EXPECT_EQ(alien_shot_active[0], 0);

    clear_alien_shots();
    alien_step = 4;
    alien_step_timer = 0;
    alien_update();
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        EXPECT_EQ(alien_shot_active[i], 1);
        EXPECT_EQ(alien_shot_y[i], 150);
    }
    // The step's second frame finds its shots still out and fires nothing.
    alien_shot_x[3] = 999;
    alien_update();
    EXPECT_EQ(alien_step, 6);
    EXPECT_EQ(alien_shot_x[3], 999);
}

// ---------------------------------------------------------------------------
// Ramming and pinning

TEST_F(BattleTest, RammingPushesAndPinsTheAlienOnlyFromBelowMovingUp)
{
    alien_x = 300;
    alien_y = 200;
    truck_x = 320;
    truck_y = 270;  // 70 below
    truck_vy = -3.0;
    alien_step = 2;  // (3, 15) moves it up and right first: 301, 199
    alien_update();
    EXPECT_EQ(alien_frame, 1);
    EXPECT_EQ(alien_y, 270 - 65 - 3);
    EXPECT_EQ(alien_pinned, 0);

    place_for_ram(-3.0);
    alien_update();
    EXPECT_EQ(alien_y, -20);
    EXPECT_EQ(alien_pinned, 1);

    place_for_ram(0.5);  // moving down
    alien_pinned = 0;
    alien_update();
    EXPECT_EQ(alien_frame, 0);
    EXPECT_EQ(alien_pinned, 0);

    place_for_ram(-2.0);
    truck_x = 301 + 112;  // just out of reach of the moved alien
    alien_update();
    EXPECT_EQ(alien_frame, 0);
}

TEST_F(BattleTest, ReleaseCostsTheTruncatedSpeedAndBeatsOnlyBelowZero)
{
    // A pinned alien let go by a truck far below it moving at vy.
    auto release = [](int health, double vy) {
        alien_health = health;
        alien_pinned = 1;
        truck_vy = vy;
        alien_update();
        EXPECT_EQ(alien_pinned, 0);
    };
    for (double vy : {-0.99, -0.2, 0.0, 0.6, 0.99}) {  // below 1 px: nothing
        release(100, vy);
        EXPECT_EQ(alien_health, 100) << vy;
    }
    release(5, -5.9);
    EXPECT_EQ(alien_health, 0);
    EXPECT_EQ(alien_defeated, 0);  // 0 is not below 0

    alien_step_timer = 7;
    release(5, 6.0);  // a bounce down counts the same
    EXPECT_EQ(alien_health, 0);
    EXPECT_EQ(alien_defeated, 1);
    EXPECT_EQ(alien_step_timer, 0);
    EXPECT_EQ(alien_frame, 0);

    // A beaten alien stands still.
    int x = alien_x;
    battle_controls();
    EXPECT_EQ(alien_x, x);
    EXPECT_EQ(alien_step_timer, 0);
}

// ---------------------------------------------------------------------------
// Shells

TEST_F(BattleTest, ShellsHitInsideAnOpenWindowButNeverBeatTheAlien)
{
    alien_x = 300;
    alien_y = 50;
    alien_health = 50;
    const int cases[][3] = {
        {330, 100, 0}, {331, 100, 1}, {409, 100, 1}, {410, 100, 0}, {350, 50, 0}, {350, 51, 1}, {350, 149, 1},
        {350, 150, 0},
    };
    for (const auto& c : cases) {
        int before = alien_health;
        shell_at(0, c[0], c[1]);
        shells_update();
        EXPECT_EQ(before - alien_health, c[2]) << c[0] << "," << c[1];
        EXPECT_EQ(shell_active[0], 1 - c[2]);
    }

    alien_health = 2;
    for (int k = 0; k < SHELL_COUNT; k++) {
        shell_at(k, 340, 120);
    }
    shells_update();
    EXPECT_EQ(alien_health, 0);
    EXPECT_EQ(alien_defeated, 0);
    EXPECT_EQ(active_shells(), 0);

    // A miss flies on up 10 px a frame and leaves at the top.
    shell_at(0, 100, 15);
    shells_update();
    EXPECT_EQ(shell_y[0], 5);
    EXPECT_EQ(shell_active[0], 1);
    shells_update();
    EXPECT_EQ(shell_active[0], 0);
}

// ---------------------------------------------------------------------------
// Alien shots

TEST_F(BattleTest, ShotHitWindowAroundTheTruckAndTheEdgesOfTheField)
{
    level_index = 1;
    const int cases[][3] = {
        {32, 0, 0}, {31, 0, 22}, {-31, 0, 22}, {-32, 0, 0}, {0, -21, 0}, {0, -20, 22}, {0, 59, 22}, {0, 60, 0},
    };
    for (const auto& c : cases) {
        damage = 0;
        shot_at_truck(0, c[0], c[1]);
        alien_shots_update();
        EXPECT_EQ(damage, c[2]) << c[0] << "," << c[1];
    }

    shot_at_truck(0, 0, 0);
    alien_shot_x[0] = 135;
    alien_shot_dx[0] = -6;
    shot_at_truck(1, 0, 0);
    alien_shot_x[1] = 200;
    alien_shot_y[1] = 476;
    alien_shot_dy[1] = 5;
    alien_shots_update();
    EXPECT_EQ(alien_shot_x[0], 129);
    EXPECT_EQ(alien_shot_active[0], 0);
    EXPECT_EQ(alien_shot_active[1], 0);
}

TEST_F(BattleTest, ThreeHitsAtLevelTwoWreckAndTheLastTruckEndsTheGame)
{
    level_index = 2;
    lives = 1;
    for (int hit = 1; hit <= 3; hit++) {
        shot_at_truck(0, 0, -10);
        shot_at_truck(4, -140, -200);  // a bystander far from the truck
        alien_shots_update();
        if (hit < 3) {
            EXPECT_EQ(damage, 42 * hit);
            EXPECT_EQ(play_state, PLAY_BATTLE);
        }
    }
    EXPECT_EQ(damage, 100);
    EXPECT_EQ(lives, 0);
    EXPECT_EQ(play_state, PLAY_BATTLE_RESPAWN);
    EXPECT_EQ(respawn_timer, 0);
    EXPECT_EQ(truck_wrecked, 0);
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        EXPECT_EQ(alien_shot_active[i], 0);
    }

    play_state = PLAY_BATTLE;
    level_index = 0;
    damage = 99;
    shot_at_truck(0, 31, 59);
    alien_shots_update();
    EXPECT_EQ(lives, -1);
    EXPECT_EQ(play_state, PLAY_LAST_WRECK);
    EXPECT_EQ(truck_wrecked, 1);
    EXPECT_EQ(wreck_timer, 0);
}

TEST_F(BattleTest, DuringTheRespawnShotsNeitherHitNorLeave)
{
    play_state = PLAY_BATTLE_RESPAWN;
    shot_at_truck(0, 0, 0);
    shot_at_truck(1, 0, 0);
    alien_shot_x[1] = 630;
    alien_shot_y[1] = 100;
    alien_shot_dx[1] = 8;
    for (int frame = 0; frame < 10; frame++) {
        alien_shots_update();
    }
    EXPECT_EQ(damage, 0);
    EXPECT_EQ(alien_shot_active[0], 1);
    EXPECT_EQ(alien_shot_active[1], 1);
    EXPECT_EQ(alien_shot_x[1], 710);
    play_state = PLAY_BATTLE;
    alien_shots_update();
    EXPECT_EQ(alien_shot_active[1], 0);
    EXPECT_EQ(alien_shot_active[0], 0);
    EXPECT_EQ(damage, 2);
}

// ---------------------------------------------------------------------------
// Respawn and completion

TEST_F(BattleTest, RespawnBringsTheSpareInOnFrameFiveAndLastsOneHundredAndOne)
{
    play_state = PLAY_BATTLE_RESPAWN;
    damage = 100;
    truck_x = 200;
    truck_y = 100;
    int frames = 0;
    while (play_state == PLAY_BATTLE_RESPAWN && frames < 1000) {
        respawn_step();
        frames++;
        // The spare comes in, repaired, on the fifth frame.
        EXPECT_EQ(truck_x, frames < 5 ? 200 : 340) << frames;
        EXPECT_EQ(truck_y, frames < 5 ? 100 : 200) << frames;
        EXPECT_EQ(damage, frames < 5 ? 100 : 0) << frames;
    }
    EXPECT_EQ(frames, 101);
    EXPECT_EQ(play_state, PLAY_BATTLE);
}

TEST_F(BattleTest, ShellsAndTheScriptPositionCarryOverIntoTheNextGamesBattle)
{
    level_index = 2;
    alien_step = 6;
    alien_step_timer = 3;
    shell_at(1, 250, 120);
    play_state = PLAY_GAME_OVER;
    hold("SPACE");
    game_over_step();
    ASSERT_EQ(game_mode, MODE_MENU);
    hold("");

    distance = 1000000;
    start_battle();
    EXPECT_EQ(alien_step, 6);
    EXPECT_EQ(alien_step_timer, 3);
    EXPECT_EQ(shell_active[1], 1);
    EXPECT_EQ(shell_y[1], 120);
    EXPECT_EQ(alien_health, 100);  // level 0 again
}

TEST_F(BattleTest, CompletingALevelAddsTheTimeBonusAndResetsForTheStory)
{
    level_index = 1;
    alien_defeated = alien_frame = 1;
    alien_step = 8;
    alien_step_timer = 300;
    damage = 40;
    wreck_timer = 7;
    lives = 1;
    complete_level();
    // game_mode, play_state, level_index, help_calls, damage, distance,
    // wreck_timer, truck_x, truck_y, the alien's four, lives, score.
    EXPECT_EQ((std::vector<int>{game_mode, play_state, level_index, help_calls, damage, distance, wreck_timer,
                                truck_x, truck_y, alien_defeated, alien_frame, alien_step, alien_step_timer, lives,
                                score}),
              (std::vector<int>{MODE_STORY, PLAY_DRIVING, 2, 1, 0, 0, 0, 576, 200, 0, 0, 0, 0, 1, 9000}));

    // One game minute is 3.5 s, one game hour 60 of them.
    const int cases[][2] = {{63, 7700}, {59, 3100}, {60, 8000}, {4 * 60 + 51, -100}};
    for (const auto& c : cases) {
        level_index = 0;
        score = 1000;
        clock_start = plat_get_tick_count() - static_cast<uint32_t>(c[0]) * 3500 - 1750;
        complete_level();
        EXPECT_EQ(score, 1000 + c[1]) << c[0];
    }
}

// ---------------------------------------------------------------------------
// Whole battle frames: a beaten alien at level 1 burning, one spare left.

class BattleFrameTest : public BattleTest {
protected:
    void SetUp() override
    {
        if (!play_test::display_ready()) {
            GTEST_SKIP() << "no game data to start the display with";
        }
        BattleTest::SetUp();
        level_index = 1;
        lives = 1;
        alien_x = 200;
        alien_y = 20;
        alien_health = 0;
        alien_defeated = 1;
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
    EXPECT_EQ(score, 9000);  // the clock stood still: the whole bonus
}

TEST_F(BattleFrameTest, WreckDuringTheVictoryPausesItForTheRespawn)
{
    damage = 90;
    alien_step_timer = 100;
    shot_at_truck(0, 0, 0);
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
    shot_at_truck(0, 0, 0);
    ASSERT_EQ(play_frame(), 1);
    EXPECT_EQ(play_state, PLAY_LAST_WRECK);
    EXPECT_EQ(lives, -1);
    EXPECT_EQ(truck_wrecked, 1);
    EXPECT_EQ(wreck_timer, 1);  // its first frame ran in the same play frame
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
    alien_x = 300;
    alien_y = 100;
    shell_at(4, 350, 250);
    battle_music_on = 0;
    ASSERT_EQ(play_frame(), 1);
    EXPECT_EQ(alien_x, 302);  // (2, 100): right at 2 px a frame
    EXPECT_EQ(shell_y[4], 240);
    EXPECT_EQ(battle_music_on, 1);
}

}  // namespace
