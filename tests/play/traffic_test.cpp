// Traffic: start values and draw order, respawning, following, the lane
// band, burning and replacement, contact between vehicles and with the truck.
#include <gtest/gtest.h>

#include <cstring>

#include "play/play.h"
#include "play_test_util.h"
#include "shell/random.h"

using namespace play_test;

namespace {

class TrafficTest : public ::testing::Test {
protected:
    void SetUp() override { fresh_drive(4242); }

    // Quiets the traffic and puts `car` touching the truck, at rest on the
    // road so that the movement step leaves it there, intact.
    static void against_truck(Car& car, int kind)
    {
        quiet_traffic();
        car.kind = kind;
        car.x = truck_x;
        car.target_lane = nearest_lane(truck_x);
        car.position = distance - truck_y;
        car.speed = 0;
        car.hit = 0;
        car.wreck_frame = 0;
        car.wreck_tick = 0;
    }
};

TEST_F(TrafficTest, StartValuesDrawInOrder)
{
    game_srand(99);
    traffic_init();
    game_srand(99);
    for (int i = 0; i < CAR_COUNT; ++i) {
        int kind = game_rand() % 7;
        int x = game_rand() % 450 + 150;
        int position = game_rand() % 3000 + 1000;
        int speed = game_rand() % 100 + 50;
        int lane = game_rand() % 7;
        EXPECT_EQ(traffic[i].kind, kind) << i;
        EXPECT_EQ(traffic[i].x, x) << i;
        EXPECT_EQ(traffic[i].position, position) << i;
        EXPECT_EQ(traffic[i].speed, speed) << i;
        EXPECT_EQ(traffic[i].target_lane, lane) << i;
        EXPECT_EQ(traffic[i].wreck_frame, 0);
        EXPECT_EQ(traffic[i].hit, 0);
        EXPECT_EQ(traffic[i].wreck_tick, 0);
    }
}

TEST_F(TrafficTest, SpeedCreepPicksThenAdds)
{
    for (int round = 0; round < 50; ++round) {
        uint32_t saved = rand_state;
        int i = game_rand() % 100;
        int add = game_rand() % 2;
        rand_state = saved;
        int before = traffic[i].speed;
        speed_creep();
        EXPECT_EQ(traffic[i].speed, before + add);
    }
}

TEST_F(TrafficTest, RespawnCarOdds)
{
    distance = 300000;
    for (int round = 0; round < 40; ++round) {
        uint32_t saved = rand_state;
        bool ahead = game_rand() % 5 == 1;
        int offset = game_rand() % 3000;
        int lane = game_rand() % 7;
        int speed_draw = game_rand() % 5;
        rand_state = saved;
        Car car = traffic[3];
        respawn_car(&car);
        EXPECT_EQ(car.target_lane, lane);
        EXPECT_EQ(car.x, lane_x[lane]);
        if (ahead) {
            EXPECT_EQ(car.position, distance + 1000 + offset);
            EXPECT_EQ(car.speed, 149 - speed_draw);
        } else {
            EXPECT_EQ(car.position, distance - offset - 1000);
            EXPECT_EQ(car.speed, speed_draw + 151);
        }
        EXPECT_EQ(car.kind, traffic[3].kind);
    }
}

TEST_F(TrafficTest, RespawnThresholds)
{
    struct Case {
        int offset;  // position - distance after the movement step
        bool respawned;
    };
    const Case cases[] = {{-4001, true}, {-4000, false}, {4000, false}, {4001, true}};
    for (const Case& c : cases) {
        fresh_drive(4242);
        Car& car = traffic[50];
        car.speed = 120;
        car.position = distance + c.offset - car.speed;
        car.x = 700;  // clear of the quiet lanes
        car.target_lane = 6;
        traffic_step();
        if (c.respawned) {
            EXPECT_NE(car.position, distance + c.offset) << c.offset;
            EXPECT_EQ(car.x, car.target_lane >= 0 ? lane_x[car.target_lane] : -1) << c.offset;
        } else {
            EXPECT_EQ(car.position, distance + c.offset) << c.offset;
        }
    }
}

TEST_F(TrafficTest, LaneBandAndSteering)
{
    Car& car = traffic[40];
    car.position = distance + 500;
    car.x = lane_x[2];
    car.target_lane = 2;
    car.speed = 400;
    traffic_step();
    EXPECT_EQ(car.speed, 151 - 10);
    car.speed = -50;
    traffic_step();
    EXPECT_EQ(car.speed, 141 - 10);

    // A vehicle steers 2 px a frame towards its lane, then swings about it.
    for (int i = 0; i < 200; ++i) {
        int x = car.x;
        quiet_traffic();
        car.x = x;
        car.target_lane = 5;
        car.position = distance + 500;
        traffic_step();
    }
    EXPECT_LE(std::abs(car.x - lane_x[5]), 3);
}

TEST_F(TrafficTest, FollowingIgnoresVehicleZero)
{
    // The follower in lane 3 would run at 140, 70 units behind a vehicle at
    // 120: it closes to 50 behind and must slow down, unless the vehicle in
    // front is vehicle 0, which nobody ever treats as an obstacle.
    for (int obstacle : {0, 1}) {
        fresh_drive(4242);
        Car& front = traffic[obstacle];
        Car& follower = traffic[20];
        front.x = follower.x = lane_x[3];
        front.target_lane = follower.target_lane = 3;
        front.position = distance + 570;
        follower.position = distance + 500;
        front.speed = 120;
        follower.speed = 140;
        traffic_step();
        EXPECT_EQ(follower.hit, 0);
        if (obstacle == 0) {
            EXPECT_EQ(follower.speed, 136) << "capped by the lane band only";
        } else {
            EXPECT_EQ(follower.speed, 126) << "slowed, then raised to the band's floor";
        }
    }
}

TEST_F(TrafficTest, VehiclesTouchingBothBurn)
{
    Car& a = traffic[30];
    Car& b = traffic[31];
    a.x = b.x = lane_x[1];
    a.target_lane = b.target_lane = 1;
    a.speed = b.speed = 141;
    a.position = distance + 700;
    b.position = distance + 735;
    traffic_step();
    EXPECT_EQ(a.hit, 1);
    EXPECT_EQ(b.hit, 1);

    fresh_drive(4242);
    Car& c = traffic[30];
    Car& d = traffic[31];
    c.x = d.x = lane_x[1];
    c.target_lane = d.target_lane = 1;
    c.speed = d.speed = 141;
    c.position = distance + 700;
    d.position = distance + 737;
    traffic_step();
    EXPECT_EQ(c.hit, 0);
    EXPECT_EQ(d.hit, 0);
}

TEST_F(TrafficTest, BurningLastsTwentyEightFramesThenReplaced)
{
    Car& car = traffic[60];
    car.hit = 1;
    car.kind = 2;
    for (int frame = 1; frame <= 27; ++frame) {
        Car burning = car;
        quiet_traffic();
        car = burning;
        car.position = distance + 600;  // keep it clear of the others
        car.x = 600;
        car.target_lane = 6;
        traffic_step();
        EXPECT_EQ(car.hit, 1) << frame;
        EXPECT_EQ(car.wreck_frame, frame / 2) << frame;
    }
    car.position = distance + 600;
    car.x = 600;
    traffic_step();
    EXPECT_EQ(car.wreck_frame, 0);
    EXPECT_EQ(car.wreck_tick, 0);
    int offset = car.position - distance;
    EXPECT_TRUE((offset >= 1000 && offset < 4000) || (offset <= -1000 && offset > -4000)) << offset;
    EXPECT_GE(car.x, 130);
    EXPECT_LE(car.x, 600);
}

TEST_F(TrafficTest, ReplacedVehicleNextToAnotherBurnsAtOnce)
{
    Car saved[CAR_COUNT];
    Car& car = traffic[10];
    car.hit = 1;
    car.wreck_frame = 13;
    car.wreck_tick = 1;
    car.position = distance + 600;
    memcpy(saved, traffic, sizeof saved);
    uint32_t seed = rand_state;

    // First see where the burnt-out vehicle is put.
    traffic_step();
    ASSERT_EQ(car.wreck_frame, 0);
    ASSERT_EQ(car.hit, 0) << "landed next to a quiet vehicle; pick another seed";
    int new_x = car.x;
    int new_position = car.position;

    // Then put vehicle 60 there (after its movement) and run the same frame.
    memcpy(traffic, saved, sizeof saved);
    rand_state = seed;
    Car& other = traffic[60];
    other.speed = 130;
    other.position = new_position + 10 - other.speed;
    other.x = new_x + 10;
    traffic_step();
    EXPECT_EQ(car.position, new_position);
    EXPECT_EQ(car.wreck_frame, 0);
    EXPECT_EQ(car.hit, 1);
    EXPECT_EQ(other.hit, 1);
}

TEST_F(TrafficTest, ContactWindowWithTheTruck)
{
    truck_x = 322;
    struct Case {
        int dy;  // position + truck_y - distance
        int dx;
        bool contact;
    };
    const Case cases[] = {{0, 0, true},     {-76, 0, true},  {-77, 0, false}, {39, 0, true},
                          {40, 0, false},   {0, 26, true},   {0, 33, false},  {0, -26, true},
                          {0, -33, false}};
    for (const Case& c : cases) {
        fresh_drive(4242);
        truck_x = 322;
        Car& car = traffic[70];
        against_truck(car, 0);
        car.position = distance - truck_y + c.dy;
        car.x = truck_x + c.dx;
        car.target_lane = nearest_lane(car.x);
        int score_before = score;
        traffic_step();
        EXPECT_EQ(car.hit, c.contact ? 1 : 0) << c.dy << " " << c.dx;
        EXPECT_EQ(damage, c.contact ? 2 : 0) << c.dy << " " << c.dx;
        EXPECT_EQ(score, score_before - (c.contact ? 10 : 0));
    }
}

TEST_F(TrafficTest, AlienCarsScoreAndNeverDamage)
{
    for (int kind : {3, 5}) {
        fresh_drive(4242);
        for (int frame = 0; frame < 200; ++frame) {
            against_truck(traffic[70], kind);
            traffic_step();
        }
        EXPECT_EQ(damage, 0);
        EXPECT_EQ(score, 2000);
        EXPECT_EQ(truck_wrecked, 0);
        EXPECT_EQ(play_state, PLAY_DRIVING);
    }
}

TEST_F(TrafficTest, FiftyFirstDamagingContactWrecks)
{
    for (int spares : {1, 0}) {
        fresh_drive(4242);
        lives = spares;
        for (int frame = 1; frame <= 50; ++frame) {
            against_truck(traffic[70], 0);
            traffic_step();
        }
        EXPECT_EQ(damage, 100);
        EXPECT_EQ(truck_wrecked, 0);
        EXPECT_EQ(score, -500);
        wreck_timer = 33;

        against_truck(traffic[70], 0);
        traffic_step();
        EXPECT_EQ(damage, 100);
        EXPECT_EQ(truck_wrecked, 1);
        EXPECT_EQ(lives, spares - 1);
        EXPECT_EQ(play_state, spares == 0 ? PLAY_LAST_WRECK : PLAY_WRECK);
        EXPECT_EQ(wreck_timer, 0);
        EXPECT_EQ(score, -510);

        // Traffic passes through a wreck.
        against_truck(traffic[70], 0);
        traffic_step();
        EXPECT_EQ(traffic[70].hit, 0);
        EXPECT_EQ(score, -510);
        EXPECT_EQ(lives, spares - 1);
    }
}

TEST_F(TrafficTest, SameSeedSameTraffic)
{
    auto drive = [] {
        fresh_drive(2024);
        traffic_init();
        distance = 0;
        for (int frame = 0; frame < 300; ++frame) {
            distance += 140;
            speed_creep();
            traffic_step();
        }
    };
    drive();
    Car first[CAR_COUNT];
    memcpy(first, traffic, sizeof first);
    uint32_t first_state = rand_state;
    int first_score = score;

    drive();
    EXPECT_EQ(memcmp(first, traffic, sizeof first), 0);
    EXPECT_EQ(rand_state, first_state);
    EXPECT_EQ(score, first_score);
    for (const Car& car : traffic) {
        EXPECT_GE(car.x, 129);  // clamped, then a burning shake
        EXPECT_LE(car.x, 599);  // a replacement lands anywhere, drifts in later
        EXPECT_GE(car.wreck_frame, 0);
        EXPECT_LT(car.wreck_frame, 14);
        EXPECT_LE(std::abs(car.position - distance), 4000 + 160);
    }
}

}  // namespace
