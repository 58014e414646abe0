// Driving: the tables and start values, the keys, the road step and its
// limits, the end of the road, the help truck, the radio, the lane markings.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "audio/audio.h"

#include "play_test_util.h"

using namespace play_test;

namespace {

class DrivingTest : public ::testing::Test {
protected:
    void SetUp() override { fresh_drive(); }
    void TearDown() override { hold(""); }
};

TEST_F(DrivingTest, StartValuesNearestLaneAndMilesLeft)
{
    EXPECT_EQ(level_length[0] + level_length[1] + level_length[2], 300);
    // 162 lies exactly between 130 and 194: the lower lane wins.
    const int lanes[][2] = {{162, 0}, {163, 1}, {546, 6}, {547, 7}, {-1000, 0}};
    for (const auto& c : lanes) {
        EXPECT_EQ(nearest_lane(c[0]), c[1]) << c[0];
    }

    shell_active[3] = shell_x[3] = score = 77;
    play_state = PLAY_WRECK;
    play_init_state();  // lives 3: game_init lowers it to 2 as its last step
    EXPECT_TRUE(fields_are({FIELD(truck_x, 580), FIELD(truck_y, 200), FIELD(lives, 3), FIELD(help_calls, 3), FIELD(score, 0), FIELD(distance, 0), FIELD(damage, 0), FIELD(play_state, 0), FIELD(shell_active[3], 0), FIELD(shell_x[3], 0)}));

    const int miles[][2] = {{0, 100}, {1, 99}, {999999, 0}, {1000000, 0}, {1000115, 0}};
    for (const auto& c : miles) {
        distance = c[0];
        EXPECT_EQ(level_miles_left(), c[1]) << c[0];
    }
    level_index = 3;  // the frame after the last level is won: no road left
    distance = 0;
    EXPECT_EQ(level_miles_left(), 0);
}

TEST_F(DrivingTest, ThrottleBrakeSteeringAndCoasting)
{
    const char* keys[] = {"UP", "", "DOWN", "UP DOWN"};
    const double accel[] = {1.0, -0.5, -1.0, -1.0};  // the brake wins
    for (int i = 0; i < 4; ++i) {
        hold(keys[i]);
        driving_keys();
        EXPECT_EQ(truck_accel, accel[i]) << keys[i];
    }
    // Steering grows with speed, and the left arrow lags the right.
    const double speeds[] = {0, 9, 10, 20, 30, 70, 150};
    const int right[] = {0, 0, 1, 1, 2, 4, 8};
    const int left[] = {0, 0, 0, 0, -1, -3, -7};
    for (int i = 0; i < 7; ++i) {
        truck_speed = speeds[i];
        for (const char* key : {"RIGHT", "LEFT"}) {
            truck_x = 300;
            hold(key);
            driving_keys();
            EXPECT_EQ(truck_x, 300 + (key[0] == 'R' ? right[i] : left[i])) << key << " at " << speeds[i];
        }
    }
    // Coasting from 150 loses 0.5 a frame and stops after 300 frames.
    hold("");
    truck_speed = 150.0;
    for (int frame = 1; frame <= 300; ++frame) {
        truck_x = 130;  // the fast lane, whatever the wobble
        driving_keys();
        road_step();
        ASSERT_EQ(truck_speed, 150.0 - 0.5 * frame) << frame;
    }
}

TEST_F(DrivingTest, LaneLimitsShoulderAndEdges)
{
    for (int lane = 0; lane < LANE_COUNT; ++lane) {
        truck_speed = 160.0;
        truck_x = lane_x[lane] - 2 - next_wobble();
        int before = score;
        road_step();
        EXPECT_EQ(truck_speed, 150.0 - 5 * lane) << lane;
        EXPECT_EQ(score, before - (lane == 7)) << lane;
    }
    // The shoulder from x 547 (free while the help truck is called); the
    // distance takes the speed before the limit; at rest without throttle
    // the speed is briefly -0.5 and a unit is lost.
    struct Case {
        int x, state;
        double speed, accel, speed_after;
        int distance_added, score_added;
    };
    const Case cases[] = {{547, PLAY_DRIVING, 120, 0, 115, 120, -1},
                          {546, PLAY_DRIVING, 120, 0, 120, 120, 0},
                          {576, PLAY_HELP_CALL, 120, 0, 115, 120, 0},
                          {300, PLAY_DRIVING, 0, -0.5, 0, -1, 0}};
    for (const Case& c : cases) {
        truck_x = c.x - next_wobble();
        play_state = c.state;
        truck_speed = c.speed;
        truck_accel = c.accel;
        int distance_before = distance, score_before = score;
        road_step();
        EXPECT_EQ(truck_speed, c.speed_after) << c.x;
        EXPECT_EQ(distance - distance_before, c.distance_added) << c.x;
        EXPECT_EQ(score - score_before, c.score_added) << c.x;
    }
    for (int x : {579, 125}) {  // past an edge: the wobble cannot save it
        truck_x = x;
        road_step();
        EXPECT_EQ(truck_x, x > 300 ? 576 : 128);
    }
}

TEST_F(DrivingTest, TheBattleStartsOnTheLastUnitOfTheRoadWithNoShotLeft)
{
    for (int end : {999999, 1000000}) {
        fresh_drive();
        alien_shot_active[3] = 1;
        distance = end - 120;
        truck_speed = 120.0;
        road_step();
        ASSERT_EQ(distance, end);
        EXPECT_EQ(play_state, end == 1000000 ? PLAY_BATTLE : PLAY_DRIVING) << end;
        EXPECT_EQ(alien_shot_active[3], end == 1000000 ? 0 : 1) << end;
    }
}

TEST_F(DrivingTest, HelpCallSpendsACallOnlyWhenDriving)
{
    hold("H");
    help_calls = 2;
    help_timer = 400;
    road_step();
    EXPECT_EQ(play_state, PLAY_HELP_CALL);
    EXPECT_EQ(help_calls, 1);
    EXPECT_EQ(help_timer, 0);
    road_step();  // already called: H held does nothing more
    EXPECT_EQ(help_calls, 1);

    const int states[] = {PLAY_DRIVING, PLAY_WRECK};
    const int calls[] = {0, 2};  // none left; a wreck cannot call
    for (int i = 0; i < 2; ++i) {
        play_state = states[i];
        help_calls = calls[i];
        road_step();
        EXPECT_EQ(play_state, states[i]);
        EXPECT_EQ(help_calls, calls[i]);
    }
}

TEST_F(DrivingTest, HelpTruckTimelineAndRepairWindow)
{
    // "Ten-four" on the 80th frame of the call.
    const std::string log = "/tmp/tailgate_help_" + std::to_string(getpid()) + ".log";
    ASSERT_EQ(headless_open_audio_log(log.c_str()), 1);
    for (int t = 1; t <= 80; ++t) {
        help_truck_step();
        if (t == 79) {
            plat_audio_log("mark", 79);
        }
    }
    ASSERT_TRUE(headless_close_audio_log());
    std::stringstream text;
    text << std::ifstream(log).rdbuf();
    const std::string pass = std::to_string(headless_current_pass()) + " ";
    EXPECT_NE(text.str().find("mark 79\n" + pass + "snd_play " + std::to_string(sfx_tenfour) + "\n"), std::string::npos)
        << text.str();
    std::remove(log.c_str());

    play_state = PLAY_HELP_CALL;
    damage = 50;
    truck_x = 569;  // 9 px from the shoulder lane: close enough
    help_timer = 270;
    help_truck_step();  // t 271: still driving up
    EXPECT_EQ(damage, 50);
    for (int t = 272; t <= 500; ++t) {
        help_truck_step();
    }
    EXPECT_EQ(damage, 0);  // 228 frames of repair, never below 0

    damage = 50;
    help_timer = 300;
    truck_x = 568;  // 10 px away: no repair
    help_truck_step();
    EXPECT_EQ(damage, 50);
    truck_x = 576;
    help_truck_step();
    EXPECT_EQ(damage, 49);
    help_timer = 499;
    help_truck_step();  // t 500: leaving, no more repair
    EXPECT_EQ(damage, 49);

    help_timer = 679;
    help_truck_step();
    EXPECT_EQ(play_state, PLAY_HELP_CALL);  // t 680
    help_truck_step();
    EXPECT_EQ(play_state, PLAY_DRIVING);  // t 681
}

TEST_F(DrivingTest, RadioRetunesOnlyWhileSIsHeld)
{
    // After the wobble the station is drawn, then the frequency: from seed
    // 12345 the radio reads 93.5 FM (station 3, 9x.5).
    hold("S");
    game_srand(12345);
    road_step();
    EXPECT_TRUE(fields_are({FIELD(radio_station, 3), FIELD(radio_freq_major, 9), FIELD(radio_freq_minor, 5)}));
    int station = radio_station;
    hold("");
    uint32_t saved = rand_state;
    road_step();
    EXPECT_EQ(radio_station, station);
    EXPECT_EQ(rand_state, saved * 214013u + 2531011u) << "only the wobble was drawn";
}

TEST_F(DrivingTest, LaneMarkingsStartScrollAndWrap)
{
    // Rows 2 to 8 (x 192 to 576) active, their slots 96 px apart.
    for (int row = 0; row < DASH_ROWS; ++row) {
        int active = row >= 2 && row <= 8;
        EXPECT_EQ(dash_active[row][3] + dash_x[row][3] + dash_y[row][3], active * (1 + 64 * (row + 1) + 288)) << row;
    }
    truck_speed = 150.0;
    dashes_scroll();
    EXPECT_EQ(dash_y[2][0], 37);  // trunc(37.5)
    EXPECT_EQ(dash_y[8][4], 384 + 37);
    EXPECT_EQ(dash_y[2][5], 480 + 37 - 470);
    EXPECT_EQ(dash_y[0][0], 0);  // inactive rows stay put
    dash_y[3][1] = 470 - 37;     // exactly the cycle: back to the top
    dashes_scroll();
    EXPECT_EQ(dash_y[3][1], 0);
}

}  // namespace
