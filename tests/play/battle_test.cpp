// The alien battle: controls and cannon, ramming and pinning, volleys,
// shells, alien shots, the respawn and game over through their step
// functions; the alien's shots in a whole frame on the headless display.
#include <gtest/gtest.h>

#include <vector>

#include "frontend/frontend.h"
#include "play_test_util.h"

namespace {

using play_test::hold;
using test_support::fields_are;

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

int active(const int* flags, int count)
{
    int n = 0;
    for (int k = 0; k < count; k++) {
        n += flags[k];
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
    }

    void TearDown() override { plat_use_backend(PLAT_WINDOW, 1000); }

    // The truck right below an alien at the top edge (the script's first
    // step moves the alien 1 px to the right first).
    static void place_for_ram(double vy)
    {
        alien_x = truck_x = 300;
        alien_y = -20;
        truck_y = 45;
        truck_vy = vy;
    }
};

// The first alien opens by drifting right for 45 frames: the script moves
// on at the 46th.
TEST_F(BattleTest, TheFirstAliensOpeningStepLastsFortyFiveFrames)
{
    for (int frame = 1; frame <= 46; ++frame) {
        alien_update();
        ASSERT_EQ(alien_step, frame <= 45 ? 0 : 2) << "frame " << frame;
    }
    EXPECT_EQ(alien_x, 378 + 46);
}

TEST_F(BattleTest, CannonFiresFromLevelOneFiveShellsAtMost)
{
    // No cannon in level 0; from level 1 the slots fill from the top, five
    // at most, from where the truck was before it moved.
    hold("SPACE");
    for (int frame = 0; frame < 10; frame++) {
        battle_controls();
    }
    EXPECT_EQ(active(shell_active, SHELL_COUNT), 0);
    level_index = 1;
    battle_controls();
    EXPECT_TRUE(fields_are({FIELD(shell_active[4], 1), FIELD(shell_x[4], truck_x + 32), FIELD(shell_y[4], 300)}));
    for (int frame = 0; frame < 10; frame++) {
        battle_controls();
    }
    EXPECT_EQ(active(shell_active, SHELL_COUNT), 5);
    shell_active[2] = 0;
    battle_controls();
    EXPECT_EQ(shell_active[2], 1);
}

TEST_F(BattleTest, VolleyFansTenShotsOnlyWhenNoShotIsActive)
{
    level_index = 1;
    alien_step = 14;  // (9, 1): a silent volley from + 40
    alien_x = truck_x = 300;
    alien_y = 100;
    truck_y = 340;
    alien_update();
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        EXPECT_TRUE(
            fields_are({FIELD(alien_shot_active[i], 1), FIELD(alien_shot_x[i], 350), FIELD(alien_shot_y[i], 140)}))
            << i;
    }
    // Straight down at the truck, then 12 degrees a shot from 150 to 42
    // degrees, each step truncated toward zero: 7 cos 150 = -6.06,
    // 7 sin 150 = 3.5, 7 cos 42 = 5.2, 7 sin 42 = 4.68.
    EXPECT_TRUE(fields_are({FIELD(alien_shot_dx[5], 0), FIELD(alien_shot_dy[5], 7), FIELD(alien_shot_dx[0], -6),
                            FIELD(alien_shot_dy[0], 3), FIELD(alien_shot_dx[9], 5), FIELD(alien_shot_dy[9], 4)}));

    // Level 0's (8, 1) at step 4: a loud volley from + 50, two frames long.
    play_test::fresh_drive();
    play_state = PLAY_BATTLE;
    alien_step = 4;
    alien_x = 300;
    alien_y = 100;
    alien_shot_active[7] = 1;
    alien_shot_x[7] = 222;
    alien_update();
    EXPECT_TRUE(
        fields_are({FIELD(alien_shot_x[7], 222), FIELD(alien_shot_active[0], 0)}));  // one shot still out: none fired
    alien_shot_active[7] = 0;
    alien_step = 4;
    alien_step_timer = 0;
    alien_update();
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        EXPECT_TRUE(fields_are({FIELD(alien_shot_active[i], 1), FIELD(alien_shot_y[i], 150)})) << i;
    }
    // The step's second frame finds its shots still out and fires nothing.
    alien_shot_x[3] = 999;
    alien_update();
    EXPECT_TRUE(fields_are({FIELD(alien_step, 6), FIELD(alien_shot_x[3], 999)}));
}

TEST_F(BattleTest, RammingPinsOnlyFromBelowMovingUpAndTheReleaseCosts)
{
    alien_x = 300;
    alien_y = 200;
    truck_x = 320;
    truck_y = 270;  // 70 below
    truck_vy = -3.0;
    alien_step = 2;  // (3, 15) moves it up and right first: 301, 199
    alien_update();
    EXPECT_TRUE(fields_are({FIELD(alien_frame, 1), FIELD(alien_y, 270 - 65 - 3), FIELD(alien_pinned, 0)}));
    place_for_ram(-3.0);
    alien_update();
    EXPECT_TRUE(fields_are({FIELD(alien_y, -20), FIELD(alien_pinned, 1)}));

    truck_x = 340;
    truck_y = 300;
    // Let go by a truck far below: |trunc(vy)| off the health, beaten only
    // below 0; below 1 px a frame nothing; a bounce down counts the same.
    auto release = [](int health, double vy) {
        alien_health = health;
        alien_pinned = 1;
        truck_vy = vy;
        alien_update();
        EXPECT_EQ(alien_pinned, 0);
    };
    for (double vy : {-0.99, -0.2, 0.0, 0.6, 0.99}) {
        release(100, vy);
        EXPECT_EQ(alien_health, 100) << vy;
    }
    release(5, -5.9);
    EXPECT_TRUE(fields_are({FIELD(alien_health, 0), FIELD(alien_defeated, 0)}));
    alien_step_timer = 7;
    release(5, 6.0);
    EXPECT_TRUE(fields_are(
        {FIELD(alien_health, 0), FIELD(alien_defeated, 1), FIELD(alien_step_timer, 0), FIELD(alien_frame, 0)}));
    // A beaten alien stands still.
    int x = alien_x;
    battle_controls();
    EXPECT_TRUE(fields_are({FIELD(alien_x, x), FIELD(alien_step_timer, 0)}));
}

TEST_F(BattleTest, RamWindowIsOpenOnEveryEdge)
{
    // The alien moves to (300, 200) first; the truck at (300 + dx, 200 + dy).
    struct Case {
        int dx, dy;
        double vy;
        int rams;
    };
    const Case cases[] = {{0, 60, -1, 0},   {0, 61, -1, 1},   {0, 79, -1, 1},   {0, 80, -1, 0},
                          {-32, 70, -1, 0}, {-31, 70, -1, 1}, {111, 70, -1, 1}, {112, 70, -1, 0},
                          {0, 70, 0, 0},    {0, 70, -0.1, 1}, {0, 70, 0.5, 0}};
    for (const Case& c : cases) {
        alien_x = 299;
        alien_y = 200;
        alien_step = alien_step_timer = alien_frame = 0;
        truck_x = 300 + c.dx;
        truck_y = 200 + c.dy;
        truck_vy = c.vy;
        alien_update();
        EXPECT_EQ(alien_frame, c.rams) << "dx " << c.dx << " dy " << c.dy << " vy " << c.vy;
    }
}

TEST_F(BattleTest, ShellsHitInsideAnOpenWindowButNeverBeatTheAlien)
{
    alien_x = 300;
    alien_y = 50;
    alien_health = 50;
    const int cases[][3] = {{330, 100, 0}, {331, 100, 1}, {409, 100, 1}, {410, 100, 0},
                            {350, 50, 0},  {350, 51, 1},  {350, 149, 1}, {350, 150, 0}};
    for (const auto& c : cases) {
        int before = alien_health;
        shell_at(0, c[0], c[1]);
        shells_update();
        EXPECT_TRUE(fields_are({FIELD(before - alien_health, c[2]), FIELD(shell_active[0], 1 - c[2])}))
            << c[0] << "," << c[1];
    }
    alien_health = 2;
    for (int k = 0; k < SHELL_COUNT; k++) {
        shell_at(k, 340, 120);
    }
    shells_update();
    EXPECT_TRUE(
        fields_are({FIELD(alien_health, 0), FIELD(alien_defeated, 0), FIELD(active(shell_active, SHELL_COUNT), 0)}));
    // A miss flies on up 10 px a frame and leaves at the top.
    shell_at(0, 100, 15);
    shells_update();
    EXPECT_TRUE(fields_are({FIELD(shell_y[0], 5), FIELD(shell_active[0], 1)}));
    shells_update();
    EXPECT_EQ(shell_active[0], 0);
}

TEST_F(BattleTest, AlienShotsHitWindowEdgesAndTheRespawn)
{
    level_index = 1;
    const int cases[][3] = {{32, 0, 0},  {31, 0, 22},  {-31, 0, 22}, {-32, 0, 0},
                            {0, -21, 0}, {0, -20, 22}, {0, 59, 22},  {0, 60, 0}};
    for (const auto& c : cases) {
        damage = 0;
        shot_at_truck(0, c[0], c[1]);
        alien_shots_update();
        EXPECT_EQ(damage, c[2]) << c[0] << "," << c[1];
    }
    // Shots leave past the field's edges (x 130, y 480).
    shot_at_truck(0, 0, 0);
    alien_shot_x[0] = 135;
    alien_shot_dx[0] = -6;
    shot_at_truck(1, 0, 0);
    alien_shot_x[1] = 200;
    alien_shot_y[1] = 476;
    alien_shot_dy[1] = 5;
    alien_shots_update();
    EXPECT_TRUE(
        fields_are({FIELD(alien_shot_x[0], 129), FIELD(alien_shot_active[0], 0), FIELD(alien_shot_active[1], 0)}));

    // During the respawn shots neither hit nor leave.
    damage = 0;
    level_index = 0;
    play_state = PLAY_BATTLE_RESPAWN;
    shot_at_truck(0, 0, 0);
    shot_at_truck(1, 0, 0);
    alien_shot_x[1] = 630;
    alien_shot_y[1] = 100;
    alien_shot_dx[1] = 8;
    for (int frame = 0; frame < 10; frame++) {
        alien_shots_update();
    }
    EXPECT_TRUE(fields_are({FIELD(damage, 0), FIELD(alien_shot_active[0], 1), FIELD(alien_shot_active[1], 1),
                            FIELD(alien_shot_x[1], 710)}));
    play_state = PLAY_BATTLE;
    alien_shots_update();
    EXPECT_TRUE(fields_are({FIELD(damage, 2), FIELD(alien_shot_active[0], 0), FIELD(alien_shot_active[1], 0)}));
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
            EXPECT_TRUE(fields_are({FIELD(damage, 42 * hit), FIELD(play_state, PLAY_BATTLE)}));
        }
    }
    EXPECT_TRUE(fields_are({FIELD(damage, 100), FIELD(lives, 0), FIELD(play_state, PLAY_BATTLE_RESPAWN),
                            FIELD(respawn_timer, 0), FIELD(truck_wrecked, 0)}));
    EXPECT_EQ(active(alien_shot_active, ALIEN_SHOT_COUNT), 0);

    play_state = PLAY_BATTLE;
    level_index = 0;
    damage = 99;
    shot_at_truck(0, 31, 59);
    alien_shots_update();
    EXPECT_TRUE(fields_are(
        {FIELD(lives, -1), FIELD(play_state, PLAY_LAST_WRECK), FIELD(truck_wrecked, 1), FIELD(wreck_timer, 0)}));
}

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
        bool in = frames >= 5;
        EXPECT_TRUE(
            fields_are({FIELD(truck_x, in ? 340 : 200), FIELD(truck_y, in ? 200 : 100), FIELD(damage, in ? 0 : 100)}))
            << frames;
    }
    EXPECT_TRUE(fields_are({FIELD(frames, 101), FIELD(play_state, PLAY_BATTLE)}));
}

TEST_F(BattleTest, GameOverKeepsShellsAndTheScriptPositionButNotTheWin)
{
    level_index = 2;
    alien_step = 6;
    alien_step_timer = 3;
    alien_defeated = 1;
    shell_at(1, 250, 120);
    play_state = PLAY_GAME_OVER;
    hold("SPACE");
    game_over_step();
    ASSERT_EQ(play_outcome, PLAY_GAME_ENDED);
    EXPECT_EQ(alien_defeated, 0);
    hold("");

    distance = 1000000;
    start_battle();
    EXPECT_TRUE(fields_are(
        {FIELD(alien_step, 6), FIELD(alien_step_timer, 3), FIELD(shell_active[1], 1), FIELD(shell_y[1], 120)}));
    EXPECT_EQ(alien_health, 100);  // level 0 again
}

// A whole battle frame (level 1, the alien beaten): the alien's shots are
// drawn where they moved to in that frame.
TEST_F(BattleTest, AlienShotsAreDrawnWhereTheyMovedTo)
{
    ASSERT_TRUE(play_test::display_ready()) << "the headless display did not start on a copy of " << TAILGATE_DATA_DIR;
    SetUp();  // again: the first start-up resets the game
    level_index = lives = 1;
    alien_x = 200;
    alien_y = 20;
    alien_health = 0;
    alien_defeated = 1;
    shot_at_truck(0, 0, 0);
    alien_shot_x[0] = 150;
    alien_shot_y[0] = 200;
    alien_shot_dx[0] = 110;
    ASSERT_EQ(play_frame(), 1);
    ASSERT_EQ(alien_shot_x[0], 260);
    EXPECT_EQ(play_test::count_changed(150, 200, 190, 240), 0);
    EXPECT_GT(play_test::count_changed(260, 200, 300, 240), 0);
}

}  // namespace
