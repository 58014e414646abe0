// Traffic: respawning, following, the lane band, burning and replacement,
// contact between vehicles and with the truck.
#include <gtest/gtest.h>

#include "play_test_util.h"

using namespace play_test;

namespace {

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

// Vehicles out of 4000 units of the truck (after the move) respawn; the lane
// band holds the speed; a follower 70 units behind a slower vehicle slows
// to it, unless that is vehicle 0, never an obstacle; vehicles within 35
// units of each other both burn.
TEST_F(TrafficTest, RespawnLaneBandFollowingAndTouching)
{
    for (int offset : {-4001, -4000, 4000, 4001}) {
        fresh_drive(4242);
        traffic[50] = Car{0, 700, distance + offset - 120, 0, 0, 120, 6, 0};
        traffic_step();
        EXPECT_EQ(traffic[50].position != distance + offset, std::abs(offset) == 4001) << offset;
    }
    for (const auto& [speed, after] : {std::pair{400, 141}, {-50, 131}}) {  // lane 2: 131 to 141
        fresh_drive(4242);
        traffic[40] = Car{0, lane_x[2], distance + 500, 0, 0, speed, 2, 0};
        traffic_step();
        EXPECT_EQ(traffic[40].speed, after) << speed;
    }
    for (int obstacle : {0, 1}) {
        fresh_drive(4242);
        traffic[obstacle] = Car{0, lane_x[3], distance + 570, 0, 0, 120, 3, 0};
        traffic[20] = Car{0, lane_x[3], distance + 500, 0, 0, 140, 3, 0};
        traffic_step();
        // Capped by the lane band only; or slowed, then raised to its floor.
        EXPECT_TRUE(fields_are({FIELD(traffic[20].hit, 0), FIELD(traffic[20].speed, obstacle == 0 ? 136 : 126)}));
    }
    for (int gap : {35, 36, -35, -36}) {
        fresh_drive(4242);
        traffic[30] = Car{0, lane_x[1], distance + 700, 0, 0, 141, 1, 0};
        traffic[31] = Car{0, lane_x[1], distance + 700 + gap, 0, 0, 141, 1, 0};
        traffic_step();
        const int touching = std::abs(gap) == 35;
        EXPECT_TRUE(fields_are({FIELD(traffic[30].hit, touching), FIELD(traffic[31].hit, touching)})) << gap;
    }
}

TEST_F(TrafficTest, BurningLastsTwentyEightFramesThenReplacedMostlyAhead)
{
    Car& car = traffic[60];
    car.hit = 1;
    for (int frame = 1; frame <= 28; ++frame) {
        const Car burning = car;
        quiet_traffic();
        car = burning;
        car.position = distance + 600;  // clear of the others
        car.x = 600;
        traffic_step();
        if (frame < 28) {
            ASSERT_TRUE(fields_are({FIELD(car.hit, 1), FIELD(car.wreck_frame, frame / 2)})) << frame;
        }
    }
    EXPECT_EQ(car.wreck_frame + car.wreck_tick, 0);
    const int offset = std::abs(car.position - distance);
    EXPECT_TRUE(offset >= 1000 && offset < 4000) << offset;

    // Burnt-out vehicles come back ahead four times in five.
    for (Car& c : traffic) {
        c.hit = c.wreck_tick = 1;
        c.wreck_frame = 13;
    }
    traffic_step();
    int ahead = 0;
    for (const Car& c : traffic) {
        ahead += c.position > distance;
    }
    EXPECT_TRUE(ahead > 65 && ahead < 95) << ahead;
}

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

// Ramming an alien car (kinds 3 and 5) scores; any other costs 2 damage and
// 10 points, and the 51st touch wrecks the truck (98 to 100 does not), the
// last truck for good. Traffic passes through a wreck.
TEST_F(TrafficTest, AlienCarsScoreOthersDamageAndTheFiftyFirstWrecks)
{
    const int cases[][2] = {{3, 1}, {5, 0}, {0, 1}, {0, 0}};  // kind, spare trucks
    for (const auto& c : cases) {
        fresh_drive(4242);
        lives = c[1];
        wreck_timer = 33;
        const bool alien = c[0] != 0;
        for (int frame = 1; frame <= 51; ++frame) {
            against_truck(c[0]);
            traffic_step();
            if (frame == 50) {
                EXPECT_TRUE(fields_are({FIELD(damage, alien ? 0 : 100), FIELD(truck_wrecked, 0)}));
            }
        }
        const int state = alien ? PLAY_DRIVING : c[1] == 0 ? PLAY_LAST_WRECK : PLAY_WRECK;
        EXPECT_TRUE(fields_are({FIELD(damage, alien ? 0 : 100), FIELD(score, alien ? 510 : -510),
                                FIELD(truck_wrecked, !alien), FIELD(lives, c[1] - !alien), FIELD(play_state, state),
                                FIELD(wreck_timer, alien ? 33 : 0)}))
            << c[0];
        against_truck(c[0]);
        traffic_step();
        EXPECT_TRUE(fields_are({FIELD(traffic[70].hit, alien), FIELD(score, alien ? 520 : -510)})) << c[0];
    }
}

}  // namespace
