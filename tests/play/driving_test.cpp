// Driving and traffic: the start values, the road step's end, the help
// truck, the radio, the lane markings; contact between the traffic and the
// truck.
#include <gtest/gtest.h>

#include <string>

#include "audio/audio.h"
#include "play_test_util.h"
#include "support/run.h"

using namespace play_test;

namespace {

class DrivingTest : public ::testing::Test {
protected:
    void SetUp() override { fresh_drive(); }
    void TearDown() override { hold(""); }
};

TEST_F(DrivingTest, StartValuesNearestLaneAndMilesLeft)
{
    // 162 lies exactly between 130 and 194: the lower lane wins.
    for (const auto& c : {std::pair{162, 0}, {163, 1}, {546, 6}, {547, 7}, {-1000, 0}}) {
        EXPECT_EQ(nearest_lane(c.first), c.second) << c.first;
    }
    shell_active[3] = shell_x[3] = score = 77;
    play_state = PLAY_WRECK;
    play_init_state();  // lives 3: game_init lowers it to 2 as its last step
    EXPECT_TRUE(fields_are({FIELD(truck_x, 580), FIELD(truck_y, 200), FIELD(lives, 3), FIELD(help_calls, 3),
                            FIELD(score, 0), FIELD(distance, 0), FIELD(damage, 0), FIELD(play_state, 0),
                            FIELD(shell_active[3], 0), FIELD(shell_x[3], 0)}));
    for (const auto& c : {std::pair{0, 100}, {1, 99}, {999999, 0}, {1000000, 0}, {1000115, 0}}) {
        distance = c.first;
        EXPECT_EQ(level_miles_left(), c.second) << c.first;
    }
    level_index = 3;  // the frame after the last level is won: no road left
    distance = 0;
    EXPECT_EQ(level_miles_left(), 0);
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
        EXPECT_TRUE(fields_are({FIELD(play_state, end == 1000000 ? PLAY_BATTLE : PLAY_DRIVING),
                                FIELD(alien_shot_active[3], end == 1000000 ? 0 : 1)}));
    }
}

// H spends a call only when driving with one left, and restarts the help
// truck's clock; "ten-four" on its 80th frame; repairs from 9 px of the
// shoulder lane (not 10) between frames 272 and 499; gone after frame 680.
TEST_F(DrivingTest, HelpCallAndTheHelpTrucksTimeline)
{
    hold("H");
    help_calls = 2;
    help_timer = 400;
    road_step();
    EXPECT_TRUE(fields_are({FIELD(play_state, PLAY_HELP_CALL), FIELD(help_calls, 1), FIELD(help_timer, 0)}));
    road_step();  // already called: H held does nothing more
    EXPECT_EQ(help_calls, 1);
    for (const auto& [state, calls] : {std::pair{PLAY_DRIVING, 0}, {PLAY_WRECK, 2}}) {  // none left; a wreck
        play_state = state;
        help_calls = calls;
        road_step();
        EXPECT_TRUE(fields_are({FIELD(play_state, state), FIELD(help_calls, calls)}));
    }
    hold("");
    play_state = PLAY_HELP_CALL;
    const std::string log = "/tmp/tailgate_help_" + std::to_string(getpid()) + ".log";
    ASSERT_EQ(headless_open_audio_log(log.c_str()), 1);
    help_timer = 78;
    help_truck_step();
    plat_audio_log("mark", 79);
    help_truck_step();
    ASSERT_TRUE(headless_close_audio_log());
    const std::string pass = std::to_string(headless_current_pass()) + " ";
    const std::string said = test_support::read_text(log);
    EXPECT_NE(said.find("mark 79\n" + pass + "snd_play " + std::to_string(sfx_tenfour) + "\n"), std::string::npos)
        << said;
    std::remove(log.c_str());

    const struct {
        int x, timer, damage_after;
    } repairs[] = {{569, 270, 50}, {569, 271, 49}, {568, 300, 50}, {576, 498, 49}, {576, 499, 50}};
    for (const auto& r : repairs) {
        damage = 50;
        truck_x = r.x;
        help_timer = r.timer;
        help_truck_step();
        EXPECT_EQ(damage, r.damage_after) << "x " << r.x << ", frame " << r.timer + 1;
    }
    damage = 1;
    for (help_timer = 300; help_timer < 305;) {
        help_truck_step();
    }
    EXPECT_EQ(damage, 0);  // never below 0
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
    hold("");
    const uint32_t saved = rand_state;
    road_step();
    EXPECT_EQ(radio_station, 3);
    EXPECT_EQ(rand_state, saved * 214013u + 2531011u) << "only the wobble was drawn";
}

TEST_F(DrivingTest, LaneMarkingsStartScrollAndWrap)
{
    // Rows 2 to 8 (x 192 to 576) active, their slots 96 px apart.
    for (int row = 0; row < DASH_ROWS; ++row) {
        const int active = row >= 2 && row <= 8;
        EXPECT_EQ(dash_active[row][3] + dash_x[row][3] + dash_y[row][3], active * (1 + 64 * (row + 1) + 288)) << row;
    }
    truck_speed = 150.0;
    dashes_scroll();
    EXPECT_TRUE(fields_are({FIELD(dash_y[2][0], 37), FIELD(dash_y[8][4], 384 + 37), FIELD(dash_y[2][5], 480 + 37 - 470),
                            FIELD(dash_y[0][0], 0)}));  // trunc(37.5); inactive rows stay put
    dash_y[3][1] = 470 - 37;                            // exactly the cycle: back to the top
    dashes_scroll();
    EXPECT_EQ(dash_y[3][1], 0);
}

class TrafficTest : public ::testing::Test {
protected:
    void SetUp() override { fresh_drive(4242); }

    // Quiets the traffic and puts vehicle 70 on the truck, standing still so
    // that the movement step leaves it there, intact.
    static Car& against_truck(int kind)
    {
        quiet_traffic();
        traffic[70] = Car{kind, truck_x, distance - truck_y, 0, 0, 0, nearest_lane(truck_x), 0};
        return traffic[70];
    }
};

TEST_F(TrafficTest, ContactWindowWithTheTruck)
{
    const int cases[][3] = {{0, 0, 1},  {-76, 0, 1}, {-77, 0, 0}, {39, 0, 1}, {40, 0, 0},
                            {0, 26, 1}, {0, 33, 0},  {0, -26, 1}, {0, -33, 0}};  // dy, dx, touch
    for (const auto& c : cases) {
        fresh_drive(4242);
        Car& car = against_truck(0);
        car.position += c[0];
        car.x += c[1];
        car.target_lane = nearest_lane(car.x);
        traffic_step();
        EXPECT_TRUE(fields_are({FIELD(car.hit, c[2]), FIELD(damage, 2 * c[2]), FIELD(score, -10 * c[2])}))
            << c[0] << " " << c[1];
    }
}

}  // namespace
