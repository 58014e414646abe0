// Driving: the keys, the road step and its limits, the end of the road, the
// help truck, the radio and the lane markings.
#include <gtest/gtest.h>

#include "play/play.h"
#include "play_test_util.h"
#include "shell/random.h"

using namespace play_test;

namespace {

class DrivingTest : public ::testing::Test {
protected:
    void SetUp() override { fresh_drive(); }
};

TEST_F(DrivingTest, TablesAndStartValues)
{
    const int lanes[LANE_COUNT] = {130, 194, 258, 322, 386, 450, 514, 578};
    for (int k = 0; k < LANE_COUNT; ++k) {
        EXPECT_EQ(lane_x[k], lanes[k]);
    }
    for (int k = 0; k < LEVEL_COUNT; ++k) {
        EXPECT_EQ(level_length[k], 100);
    }
    const int level0[ALIEN_SCRIPT_LENGTH] = {2, 45, 3, 15, 8, 1, 3, 15, 6, 50,
                                             8, 1, 6, 30, 4, 20, 8, 1, 8, 1};
    const int level1[ALIEN_SCRIPT_LENGTH] = {2, 100, 4, 100, 7, 100, 10, 100, 8, 1,
                                             5, 100, 7, 100, 9, 1, 4, 100, 1, 300};
    for (int k = 0; k < ALIEN_SCRIPT_LENGTH; ++k) {
        EXPECT_EQ(alien_script[0][k], level0[k]) << k;
        EXPECT_EQ(alien_script[1][k], level1[k]) << k;
        EXPECT_EQ(alien_script[2][k], level1[k]) << k;
    }

    shell_active[3] = 1;
    shell_x[3] = 99;
    score = 77;
    play_state = PLAY_WRECK;
    play_init_state();
    EXPECT_EQ(truck_x, 580);
    EXPECT_EQ(truck_y, 200);
    EXPECT_EQ(truck_speed, 0.0);
    EXPECT_EQ(lives, 3);
    EXPECT_EQ(help_calls, 3);
    EXPECT_EQ(score, 0);
    EXPECT_EQ(distance, 0);
    EXPECT_EQ(damage, 0);
    EXPECT_EQ(play_state, PLAY_DRIVING);
    EXPECT_EQ(shell_active[3], 0);
    EXPECT_EQ(shell_x[3], 0);
}

TEST_F(DrivingTest, NearestLaneTiesGoLeft)
{
    EXPECT_EQ(nearest_lane(162), 0);  // exactly between 130 and 194
    EXPECT_EQ(nearest_lane(163), 1);
    EXPECT_EQ(nearest_lane(546), 6);  // 32 from both 514 and 578
    EXPECT_EQ(nearest_lane(547), 7);
    EXPECT_EQ(nearest_lane(-1000), 0);
    EXPECT_EQ(nearest_lane(5000), 7);
}

TEST_F(DrivingTest, MilesLeft)
{
    distance = 0;
    EXPECT_EQ(level_miles_left(), 100);
    distance = 1;
    EXPECT_EQ(level_miles_left(), 99);
    distance = 999999;
    EXPECT_EQ(level_miles_left(), 0);
    distance = 1000000;
    EXPECT_EQ(level_miles_left(), 0);
    // The frame after the last level is won: past the table, no road left.
    level_index = 3;
    distance = 0;
    EXPECT_EQ(level_miles_left(), 0);
}

TEST_F(DrivingTest, CoastingFrom150StopsAfter300Frames)
{
    truck_x = 130;
    truck_speed = 150.0;
    for (int frame = 1; frame <= 300; ++frame) {
        truck_x = 130;  // keep to the fast lane whatever the wobble
        driving_keys();
        EXPECT_EQ(truck_accel, -0.5);
        road_step();
        EXPECT_DOUBLE_EQ(truck_speed, 150.0 - 0.5 * frame) << frame;
    }
    EXPECT_EQ(truck_speed, 0.0);
}

TEST_F(DrivingTest, DistanceFollowsTheSpeedBeforeTheLimit)
{
    // Lane 7 caps the speed at 115 only after the distance took 130.
    truck_speed = 130.0;
    truck_x = 576 - next_wobble();
    int before = distance;
    road_step();
    EXPECT_EQ(distance, before + 130);
    EXPECT_EQ(truck_speed, 115.0);

    // At rest with no throttle the speed is briefly -0.5: a unit is lost.
    truck_x = 322;
    truck_speed = 0.0;
    truck_accel = -0.5;
    before = distance;
    road_step();
    EXPECT_EQ(distance, before - 1);
    EXPECT_EQ(truck_speed, 0.0);
}

TEST_F(DrivingTest, LaneLimitsAndShoulderPenalty)
{
    for (int lane = 0; lane < LANE_COUNT; ++lane) {
        truck_speed = 160.0;
        truck_x = lane_x[lane] - 2 - next_wobble();
        int before = score;
        road_step();
        EXPECT_EQ(truck_speed, 150.0 - 5 * lane) << lane;
        EXPECT_EQ(score, before - (lane == 7 ? 1 : 0)) << lane;
    }

    // The shoulder begins at x 547 (nearer 578 than 514).
    truck_speed = 120.0;
    truck_x = 547 - next_wobble();
    score = 0;
    road_step();
    EXPECT_EQ(score, -1);
    EXPECT_EQ(truck_speed, 115.0);
    truck_speed = 120.0;
    truck_x = 546 - next_wobble();
    road_step();
    EXPECT_EQ(score, -1);
    EXPECT_EQ(truck_speed, 120.0);

    // Waiting for the help truck costs nothing, but the limit holds.
    play_state = PLAY_HELP_CALL;
    truck_speed = 130.0;
    truck_x = 576 - next_wobble();
    road_step();
    EXPECT_EQ(score, -1);
    EXPECT_EQ(truck_speed, 115.0);
}

TEST_F(DrivingTest, TruckStaysOnTheRoad)
{
    truck_accel = 0.0;
    truck_speed = 100.0;
    for (int i = 0; i < 20; ++i) {
        truck_x = 579;  // steered past the edge; the wobble cannot save it
        road_step();
        EXPECT_EQ(truck_x, 576);
    }
    for (int i = 0; i < 20; ++i) {
        truck_x = 125;
        road_step();
        EXPECT_EQ(truck_x, 128);
    }
}

TEST_F(DrivingTest, BattleStartsOnTheFrameTheRoadEnds)
{
    truck_x = 130;
    truck_speed = 100.0;
    distance = 999899;
    radio_station = 4;
    road_step();
    EXPECT_EQ(distance, 999999);
    EXPECT_EQ(play_state, PLAY_DRIVING);
    EXPECT_EQ(truck_speed, 100.0);

    alien_shot_active[7] = 1;
    alien_shot_x[7] = 200;
    wreck_timer = 55;
    truck_vy = 3.0;
    alien_frame = 1;
    battle_music_on = 1;
    road_step();
    EXPECT_EQ(distance, 1000099);
    EXPECT_EQ(play_state, PLAY_BATTLE);
    EXPECT_EQ(truck_speed, 0.0);  // the gauge shows rest in this same frame
    EXPECT_EQ(wreck_timer, 0);
    EXPECT_EQ(truck_vy, 0.0);
    EXPECT_EQ(alien_frame, 0);
    EXPECT_EQ(alien_health, 100);
    EXPECT_EQ(alien_x, 378);
    EXPECT_EQ(alien_y, 10);
    EXPECT_EQ(alien_shot_active[7], 0);
    EXPECT_EQ(alien_shot_x[7], 0);
    EXPECT_EQ(battle_music_on, 0);
    EXPECT_EQ(level_miles_left(), 0);

    level_index = 2;
    start_battle();
    EXPECT_EQ(alien_health, 300);
}

TEST_F(DrivingTest, WreckedTruckCreepingOverTheLineStartsNoBattle)
{
    play_state = PLAY_WRECK;
    truck_wrecked = 1;
    wreck_timer = 20;
    truck_speed = 0.0;
    truck_accel = 1.0;
    distance = 999999;
    road_step();
    EXPECT_EQ(distance, 1000000);
    EXPECT_EQ(play_state, PLAY_WRECK);

    // Once repaired and driving again, the next road step ends the road.
    play_state = PLAY_DRIVING;
    truck_wrecked = 0;
    road_step();
    EXPECT_EQ(play_state, PLAY_BATTLE);
}

TEST_F(DrivingTest, HelpTruckTimelineAndRepairWindow)
{
    play_state = PLAY_HELP_CALL;
    damage = 50;
    truck_x = 569;  // 9 px from the shoulder lane: close enough
    help_timer = 270;
    help_truck_step();  // t 271: still driving up
    EXPECT_EQ(damage, 50);
    for (int t = 272; t <= 499; ++t) {
        help_truck_step();
        EXPECT_EQ(help_timer, t);
    }
    EXPECT_EQ(damage, 0);  // 228 frames of repair, never below 0
    help_truck_step();     // t 500: leaving
    EXPECT_EQ(damage, 0);

    damage = 50;
    help_timer = 300;
    truck_x = 568;  // 10 px away: no repair
    help_truck_step();
    EXPECT_EQ(damage, 50);
    truck_x = 576;
    help_truck_step();
    EXPECT_EQ(damage, 49);

    help_timer = 679;
    help_truck_step();
    EXPECT_EQ(play_state, PLAY_HELP_CALL);  // t 680
    help_truck_step();
    EXPECT_EQ(play_state, PLAY_DRIVING);  // t 681
}

TEST_F(DrivingTest, LaneMarkingsScrollAndWrap)
{
    for (int row = 0; row < DASH_ROWS; ++row) {
        bool active = row >= 2 && row <= 8;
        for (int k = 0; k < DASH_SLOTS; ++k) {
            EXPECT_EQ(dash_active[row][k], active ? 1 : 0);
            EXPECT_EQ(dash_x[row][k], active ? 64 * (row + 1) : 0);
            EXPECT_EQ(dash_y[row][k], active ? 96 * k : 0);
        }
    }
    truck_speed = 150.0;
    dashes_scroll();
    EXPECT_EQ(dash_y[2][0], 37);  // trunc(37.5)
    EXPECT_EQ(dash_y[2][4], 384 + 37);
    EXPECT_EQ(dash_y[2][5], 480 + 37 - 470);
    EXPECT_EQ(dash_y[0][0], 0);  // inactive rows stay put
    truck_speed = 0.0;
    dashes_scroll();
    EXPECT_EQ(dash_y[2][0], 37);
}

}  // namespace

namespace {

class DrivingKeysTest : public ::testing::Test {
protected:
    void SetUp() override { fresh_drive(); }
    void TearDown() override { hold(""); }
};

TEST_F(DrivingKeysTest, ThrottleCoastAndBrake)
{
    hold("UP");
    driving_keys();
    EXPECT_EQ(truck_accel, 1.0);
    hold("");
    driving_keys();
    EXPECT_EQ(truck_accel, -0.5);
    hold("DOWN");
    driving_keys();
    EXPECT_EQ(truck_accel, -1.0);
    hold("UP DOWN");  // both: the brake wins
    driving_keys();
    EXPECT_EQ(truck_accel, -1.0);
    truck_x = 130;
    truck_speed = 100.0;
    road_step();
    EXPECT_EQ(truck_speed, 99.0);
}

TEST_F(DrivingKeysTest, SteeringStepsGrowWithSpeed)
{
    struct Case {
        double speed;
        int right;
        int left;
    };
    const Case cases[] = {{0.0, 0, 0},  {9.0, 0, 0},  {10.0, 1, 0}, {20.0, 1, 0},
                          {30.0, 2, -1}, {70.0, 4, -3}, {150.0, 8, -7}};
    for (const Case& c : cases) {
        truck_speed = c.speed;
        truck_x = 300;
        hold("RIGHT");
        driving_keys();
        EXPECT_EQ(truck_x, 300 + c.right) << c.speed;
        truck_x = 300;
        hold("LEFT");
        driving_keys();
        EXPECT_EQ(truck_x, 300 + c.left) << c.speed;
    }
}

TEST_F(DrivingKeysTest, HelpCallSpendsACall)
{
    hold("H");
    help_calls = 2;
    help_timer = 400;
    road_step();
    EXPECT_EQ(play_state, PLAY_HELP_CALL);
    EXPECT_EQ(help_calls, 1);
    EXPECT_EQ(help_timer, 0);
    road_step();  // already called: held H does nothing more
    EXPECT_EQ(help_calls, 1);

    play_state = PLAY_DRIVING;
    help_calls = 0;
    road_step();
    EXPECT_EQ(play_state, PLAY_DRIVING);
    EXPECT_EQ(help_calls, 0);

    // A wrecked truck cannot call.
    help_calls = 2;
    play_state = PLAY_WRECK;
    road_step();
    EXPECT_EQ(play_state, PLAY_WRECK);
    EXPECT_EQ(help_calls, 2);
}

TEST_F(DrivingKeysTest, HelpHeldOnTheLastFrameOfTheRoad)
{
    truck_x = 130;
    truck_speed = 100.0;
    distance = 999950;
    help_calls = 2;
    hold("H");
    road_step();
    EXPECT_EQ(play_state, PLAY_HELP_CALL);  // the new battle became a help call
    EXPECT_EQ(help_calls, 1);
    EXPECT_EQ(truck_speed, 0.0);
    EXPECT_EQ(alien_health, 100);

    hold("");
    truck_accel = -0.5;
    road_step();  // still past the end: the battle starts again
    EXPECT_EQ(play_state, PLAY_BATTLE);
    EXPECT_EQ(help_calls, 1);
}

TEST_F(DrivingKeysTest, RadioDrawsStationThenFrequency)
{
    hold("S");
    for (int frame = 0; frame < 20; ++frame) {
        uint32_t saved = rand_state;
        game_rand();  // the wobble
        int station = game_rand() % 9;
        int major = game_rand() % 3 + 8;
        int minor = game_rand() % 10;
        rand_state = saved;
        road_step();
        EXPECT_EQ(radio_station, station);
        EXPECT_EQ(radio_freq_major, major);
        EXPECT_EQ(radio_freq_minor, minor);
    }
    hold("");
    int station = radio_station;
    uint32_t saved = rand_state;
    road_step();
    EXPECT_EQ(radio_station, station);
    EXPECT_EQ(rand_state, saved * 214013u + 2531011u) << "only the wobble was drawn";
}

}  // namespace
