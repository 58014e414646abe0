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
