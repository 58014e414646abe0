// The alien battle through its step functions: controls and cannon, the
// alien's script, ramming and pinning, volleys, shells, alien shots, the
// respawn and the level's completion with its time bonus.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "frontend/frontend.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "play/play.h"

namespace {

constexpr uint32_t TEST_TICK = 5000000;

// Holds exactly the keys named ("UP SPACE"), through the scripted keyboard.
void hold_keys(const std::string& keys)
{
    headless_start(true, TEST_TICK);
    std::string script = "0";
    size_t pos = 0;
    while (pos < keys.size()) {
        size_t end = keys.find(' ', pos);
        if (end == std::string::npos) {
            end = keys.size();
        }
        if (end > pos) {
            script += " +" + keys.substr(pos, end - pos);
        }
        pos = end + 1;
    }
    script += "\n";
    char error[200];
    if (script != "0\n") {
        ASSERT_EQ(headless_parse_script(script.data(), script.size(), error, sizeof error), 1) << error;
    } else {
        ASSERT_EQ(headless_parse_script("", 0, error, sizeof error), 1);
    }
    headless_begin_pass(0);
}

class BattleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hold_keys("");
        alien_script_init();
        game_mode = MODE_PLAY;
        level_index = 0;
        play_state = PLAY_BATTLE;
        truck_x = 340;
        truck_y = 300;
        truck_vy = 0.0;
        truck_accel = 0.0;
        truck_speed = 0.0;
        truck_wrecked = 0;
        damage = 0;
        lives = 2;
        score = 0;
        help_calls = 3;
        battle_music_on = 1;
        wreck_timer = 0;
        respawn_timer = 0;
        alien_x = 378;
        alien_y = 10;
        alien_health = 100;
        alien_frame = 0;
        alien_defeated = 0;
        alien_pinned = 0;
        alien_step = 0;
        alien_step_timer = 0;
        for (int k = 0; k < SHELL_COUNT; k++) {
            shell_x[k] = shell_y[k] = shell_active[k] = 0;
        }
        clear_alien_shots();
    }

    void TearDown() override { headless_start(false, 1000); }

    static void clear_alien_shots()
    {
        for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
            alien_shot_x[i] = alien_shot_y[i] = alien_shot_dx[i] = alien_shot_dy[i] = 0;
            alien_shot_active[i] = 0;
        }
    }

    static int active_shells()
    {
        int n = 0;
        for (int k = 0; k < SHELL_COUNT; k++) {
            n += shell_active[k];
        }
        return n;
    }

    // The truck right below an alien at the top edge (which the script's
    // first step moves 1 px to the right first).
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

TEST_F(BattleTest, CannonFiresNothingInLevelZero)
{
    hold_keys("SPACE");
    for (int frame = 0; frame < 10; frame++) {
        battle_controls();
    }
    EXPECT_EQ(active_shells(), 0);
}

TEST_F(BattleTest, CannonFillsFreeSlotsFromTheTopOneShellAFrame)
{
    level_index = 1;
    hold_keys("SPACE");
    battle_controls();
    EXPECT_EQ(shell_active[4], 1);
    EXPECT_EQ(shell_x[4], truck_x + 32);
    EXPECT_EQ(shell_y[4], 300);
    EXPECT_EQ(active_shells(), 1);
    for (int frame = 0; frame < 10; frame++) {
        battle_controls();
    }
    EXPECT_EQ(active_shells(), 5);  // never more than five in flight
    shell_active[2] = 0;
    battle_controls();
    EXPECT_EQ(shell_active[2], 1);
}

TEST_F(BattleTest, VerticalMotionTruncatesAndBouncesAtHalfSpeed)
{
    // Downwards below 1 px a frame moves nothing; upwards always at least 1.
    truck_vy = 0.8;
    battle_controls();
    EXPECT_EQ(truck_y, 300);
    truck_vy = -0.4;
    battle_controls();
    EXPECT_EQ(truck_y, 299);

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

TEST_F(BattleTest, ArrowsSteerInFourPixelStepsWithinLimitsAndAccelerate)
{
    hold_keys("LEFT UP");
    battle_controls();
    EXPECT_EQ(truck_x, 336);
    EXPECT_DOUBLE_EQ(truck_accel, -0.2);
    EXPECT_DOUBLE_EQ(truck_vy, -0.2);
    EXPECT_EQ(truck_y, 299);

    truck_x = 132;
    battle_controls();
    EXPECT_EQ(truck_x, 130);

    hold_keys("RIGHT UP DOWN");
    truck_x = 574;
    battle_controls();
    EXPECT_EQ(truck_x, 576);
    EXPECT_DOUBLE_EQ(truck_accel, 0.0);
}

TEST_F(BattleTest, BattleMusicStartsOnce)
{
    battle_music_on = 0;
    battle_controls();
    EXPECT_EQ(battle_music_on, 1);
}

// ---------------------------------------------------------------------------
// The alien's script

TEST_F(BattleTest, StepOfDurationDActsOnDPlusOneFrames)
{
    // Level 0 starts with (2, 45): right by 1 px a frame for 46 frames.
    truck_y = 340;
    for (int frame = 0; frame < 46; frame++) {
        alien_update();
    }
    EXPECT_EQ(alien_x, 378 + 46);
    EXPECT_EQ(alien_step, 2);
    EXPECT_EQ(alien_step_timer, 0);
    // Then (3, 15): up and right.
    alien_update();
    EXPECT_EQ(alien_x, 378 + 47);
    EXPECT_EQ(alien_y, 9);
}

TEST_F(BattleTest, VolleyAndRoarStepsAreShortenedForGood)
{
    truck_y = 340;
    // Level 0, step 2 ends after 16 frames and enters the volley (8, 1).
    alien_step = 2;
    alien_step_timer = 15;
    alien_update();
    EXPECT_EQ(alien_step, 4);
    EXPECT_EQ(alien_script[0][5], 5);
    EXPECT_EQ(alien_script[0][4], 8);

    // Level 1: entering the roar (10, 100) makes it (10, 5).
    level_index = 1;
    alien_step = 4;
    alien_step_timer = 100;
    alien_update();
    EXPECT_EQ(alien_step, 6);
    EXPECT_EQ(alien_script[1][7], 5);
    // Level 2 keeps its own copy.
    EXPECT_EQ(alien_script[2][7], 100);
}

TEST_F(BattleTest, ScriptWrapsAfterTheNinthPair)
{
    truck_y = 340;
    level_index = 1;
    alien_step = 16;  // (4, 100)
    alien_step_timer = 100;
    alien_update();
    EXPECT_EQ(alien_step, 0);
    EXPECT_EQ(alien_step_timer, 0);
    // The tenth pair (1, 300) is stored but never runs, and stays as it is.
    EXPECT_EQ(alien_script[1][18], 1);
    EXPECT_EQ(alien_script[1][19], 300);
}

TEST_F(BattleTest, AlienIsHeldInsideItsLimits)
{
    truck_y = 340;
    level_index = 2;  // 3 px a frame
    alien_x = 499;
    alien_y = 349;
    alien_step = 0;  // (2, 100): right
    alien_update();
    EXPECT_EQ(alien_x, 500);
    alien_x = 131;
    alien_step = 12;  // (7, 100): up and left
    alien_y = -18;
    alien_update();
    EXPECT_EQ(alien_x, 130);
    EXPECT_EQ(alien_y, -20);
}

// ---------------------------------------------------------------------------
// Volleys

TEST_F(BattleTest, VolleyFansTenShotsAroundTheAim)
{
    level_index = 1;
    alien_step = 14;  // (9, 5 after entry): silent volley from + 40
    alien_x = 300;
    alien_y = 100;
    truck_x = 300;
    truck_y = 340;
    alien_update();
    double v = 7.0;
    double aim = std::atan2(240.0, 0.0);
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        double b = aim + (5 - i) * 0.2094395102;
        EXPECT_EQ(alien_shot_active[i], 1);
        EXPECT_EQ(alien_shot_x[i], 350);
        EXPECT_EQ(alien_shot_y[i], 140);
        EXPECT_EQ(alien_shot_dx[i], static_cast<int>(std::trunc(v * std::cos(b)))) << i;
        EXPECT_EQ(alien_shot_dy[i], static_cast<int>(std::trunc(v * std::sin(b)))) << i;
    }
    // Shot 5 flies straight at the truck; the others truncate toward zero.
    EXPECT_EQ(alien_shot_dx[5], 0);
    EXPECT_EQ(alien_shot_dy[5], 7);
    EXPECT_EQ(alien_shot_dx[0], -6);  // 7 cos 150 deg = -6.06
    EXPECT_EQ(alien_shot_dy[0], 3);   // 7 sin 150 deg = 3.5
}

TEST_F(BattleTest, VolleyOnlyWhenNoShotIsActive)
{
    alien_step = 4;  // level 0 (8, 1): a loud volley from + 50, two frames
    alien_x = 300;
    alien_y = 100;
    truck_y = 340;
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

TEST_F(BattleTest, RammingPushesAndPinsTheAlien)
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
    EXPECT_EQ(alien_frame, 1);
    EXPECT_EQ(alien_y, -20);
    EXPECT_EQ(alien_pinned, 1);
}

TEST_F(BattleTest, NoContactWhenMovingDownOrOutOfReach)
{
    place_for_ram(0.5);
    alien_update();
    EXPECT_EQ(alien_frame, 0);
    EXPECT_EQ(alien_pinned, 0);

    place_for_ram(-2.0);
    truck_x = 301 + 112;  // the alien moves to 301 first: just out of reach
    alien_update();
    EXPECT_EQ(alien_frame, 0);
}

TEST_F(BattleTest, ReleaseCostsTheTruncatedSpeedAndBeatsOnlyBelowZero)
{
    alien_health = 5;
    alien_pinned = 1;
    truck_y = 300;  // far below: no contact
    truck_vy = -5.9;
    alien_update();
    EXPECT_EQ(alien_health, 0);
    EXPECT_EQ(alien_defeated, 0);
    EXPECT_EQ(alien_pinned, 0);

    alien_health = 5;
    alien_pinned = 1;
    truck_vy = 6.0;  // a bounce down counts the same
    alien_update();
    EXPECT_EQ(alien_health, 0);
    EXPECT_EQ(alien_defeated, 1);
    EXPECT_EQ(alien_step_timer, 0);
    EXPECT_EQ(alien_frame, 0);
}

TEST_F(BattleTest, ReleaseBelowOnePixelAFrameCostsNothing)
{
    for (double vy : {-0.99, -0.2, 0.0, 0.6, 0.99}) {
        alien_health = 100;
        alien_pinned = 1;
        truck_y = 300;
        truck_vy = vy;
        alien_update();
        EXPECT_EQ(alien_health, 100) << vy;
        EXPECT_EQ(alien_pinned, 0);
    }
}

TEST_F(BattleTest, BeatenAlienStandsStill)
{
    alien_defeated = 1;
    int x = alien_x;
    int step_timer = alien_step_timer;
    battle_controls();
    EXPECT_EQ(alien_x, x);
    EXPECT_EQ(alien_step_timer, step_timer);
}

// ---------------------------------------------------------------------------
// Shells

TEST_F(BattleTest, ShellsWearTheAlienDownButNeverBeatIt)
{
    level_index = 1;
    alien_x = 300;
    alien_y = 50;
    alien_health = 2;
    for (int k = 0; k < SHELL_COUNT; k++) {
        shell_active[k] = 1;
        shell_x[k] = 340;
        shell_y[k] = 120;
    }
    shells_update();
    EXPECT_EQ(alien_health, 0);
    EXPECT_EQ(alien_defeated, 0);
    EXPECT_EQ(active_shells(), 0);
}

TEST_F(BattleTest, ShellsFlyUpTenPixelsAFrameAndLeaveAtTheTop)
{
    alien_x = 300;
    alien_y = 200;
    shell_active[0] = 1;
    shell_x[0] = 100;  // wide of the alien
    shell_y[0] = 15;
    shells_update();
    EXPECT_EQ(shell_y[0], 5);
    EXPECT_EQ(shell_active[0], 1);
    shells_update();
    EXPECT_EQ(shell_active[0], 0);
}

TEST_F(BattleTest, ShellHitWindowIsOpenOnBothSides)
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
        shell_active[0] = 1;
        shell_x[0] = c[0];
        shell_y[0] = c[1];
        shells_update();
        EXPECT_EQ(before - alien_health, c[2]) << c[0] << "," << c[1];
    }
}

// ---------------------------------------------------------------------------
// Alien shots

TEST_F(BattleTest, ThreeHitsAtLevelTwoWreck)
{
    level_index = 2;
    lives = 1;
    for (int hit = 1; hit <= 3; hit++) {
        alien_shot_active[0] = 1;
        alien_shot_x[0] = truck_x;
        alien_shot_y[0] = truck_y - 10;
        alien_shot_dx[0] = 0;
        alien_shot_dy[0] = 7;
        alien_shot_active[4] = 1;  // a bystander far from the truck
        alien_shot_x[4] = 200;
        alien_shot_y[4] = 100;
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
}

TEST_F(BattleTest, WreckWithoutSpareIsTheLastWreck)
{
    level_index = 0;
    lives = 0;
    damage = 99;
    alien_shot_active[0] = 1;
    alien_shot_x[0] = truck_x + 31;
    alien_shot_y[0] = truck_y + 59;
    alien_shots_update();
    EXPECT_EQ(lives, -1);
    EXPECT_EQ(play_state, PLAY_LAST_WRECK);
    EXPECT_EQ(truck_wrecked, 1);
    EXPECT_EQ(wreck_timer, 0);
}

TEST_F(BattleTest, ShotHitWindowAroundTheTruck)
{
    level_index = 1;
    const int cases[][3] = {
        {32, 0, 0}, {31, 0, 22}, {-31, 0, 22}, {-32, 0, 0}, {0, -21, 0}, {0, -20, 22}, {0, 59, 22}, {0, 60, 0},
    };
    for (const auto& c : cases) {
        damage = 0;
        alien_shot_active[0] = 1;
        alien_shot_x[0] = truck_x + c[0];
        alien_shot_y[0] = truck_y + c[1];
        alien_shot_dx[0] = 0;
        alien_shot_dy[0] = 0;
        alien_shots_update();
        EXPECT_EQ(damage, c[2]) << c[0] << "," << c[1];
    }
}

TEST_F(BattleTest, ShotsLeaveAtTheEdgesOfTheField)
{
    alien_shot_active[0] = 1;
    alien_shot_x[0] = 135;
    alien_shot_y[0] = 100;
    alien_shot_dx[0] = -6;
    alien_shot_active[1] = 1;
    alien_shot_x[1] = 400;
    alien_shot_y[1] = 476;
    alien_shot_dy[1] = 5;
    alien_shots_update();
    EXPECT_EQ(alien_shot_active[0], 0);
    EXPECT_EQ(alien_shot_active[1], 0);
    EXPECT_EQ(alien_shot_x[0], 129);
}

TEST_F(BattleTest, DuringTheRespawnShotsNeitherHitNorLeave)
{
    play_state = PLAY_BATTLE_RESPAWN;
    alien_shot_active[0] = 1;
    alien_shot_x[0] = truck_x;
    alien_shot_y[0] = truck_y;
    alien_shot_active[1] = 1;
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
    for (int frame = 1; frame <= 4; frame++) {
        respawn_step();
    }
    EXPECT_EQ(truck_x, 200);
    EXPECT_EQ(damage, 100);
    respawn_step();
    EXPECT_EQ(truck_x, 340);
    EXPECT_EQ(truck_y, 200);
    EXPECT_EQ(damage, 0);
    int frames = 5;
    while (play_state == PLAY_BATTLE_RESPAWN && frames < 1000) {
        respawn_step();
        frames++;
    }
    EXPECT_EQ(frames, 101);
    EXPECT_EQ(play_state, PLAY_BATTLE);
}

TEST_F(BattleTest, ShellsAndTheScriptPositionCarryOverIntoTheNextGamesBattle)
{
    level_index = 2;
    alien_step = 6;
    alien_step_timer = 3;
    shell_active[1] = 1;
    shell_x[1] = 250;
    shell_y[1] = 120;
    play_state = PLAY_GAME_OVER;
    hold_keys("SPACE");
    game_over_step();
    ASSERT_EQ(game_mode, MODE_MENU);
    hold_keys("");

    distance = 1000000;
    start_battle();
    EXPECT_EQ(play_state, PLAY_BATTLE);
    EXPECT_EQ(alien_step, 6);
    EXPECT_EQ(alien_step_timer, 3);
    EXPECT_EQ(shell_active[1], 1);
    EXPECT_EQ(shell_y[1], 120);
    EXPECT_EQ(alien_health, 100);  // level 0 again
}

class TimeBonusTest : public BattleTest, public ::testing::WithParamInterface<std::pair<uint32_t, int>> {};

TEST_P(TimeBonusTest, BonusForTheTimeOnTheLevelClock)
{
    // One game minute is 3.5 s; one game hour 60 of them.
    uint32_t game_minutes = GetParam().first;
    score = 1000;
    clock_start = plat_get_tick_count() - game_minutes * 3500 - 1750;
    complete_level();
    EXPECT_EQ(score, 1000 + GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Clock, TimeBonusTest,
                         ::testing::Values(std::pair<uint32_t, int>{63, 7700}, std::pair<uint32_t, int>{59, 3100},
                                           std::pair<uint32_t, int>{60, 8000}, std::pair<uint32_t, int>{0, 9000},
                                           std::pair<uint32_t, int>{4 * 60 + 51, -100}));

TEST_F(BattleTest, CompletingALevelResetsForTheNextStoryPage)
{
    level_index = 1;
    alien_defeated = 1;
    alien_frame = 1;
    alien_step = 8;
    alien_step_timer = 300;
    damage = 40;
    distance = 1000000;
    wreck_timer = 7;
    lives = 1;
    clock_start = plat_get_tick_count();
    complete_level();
    EXPECT_EQ(game_mode, MODE_STORY);
    EXPECT_EQ(play_state, PLAY_DRIVING);
    EXPECT_EQ(level_index, 2);
    EXPECT_EQ(help_calls, 1);
    EXPECT_EQ(damage, 0);
    EXPECT_EQ(distance, 0);
    EXPECT_EQ(wreck_timer, 0);
    EXPECT_EQ(truck_x, 576);
    EXPECT_EQ(truck_y, 200);
    EXPECT_EQ(alien_defeated, 0);
    EXPECT_EQ(alien_frame, 0);
    EXPECT_EQ(alien_step, 0);
    EXPECT_EQ(alien_step_timer, 0);
    EXPECT_EQ(lives, 1);
    EXPECT_EQ(score, 9000);
}

}  // namespace
