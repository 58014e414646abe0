// The traffic step looks only at the vehicles near each one, by road
// position. Here it is held against the plain version that checks every
// pair, on crowded, burning, respawning and tied situations: the same
// vehicles, draws, score, damage and wreck after every step.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "audio/audio.h"
#include "play_test_util.h"

using namespace play_test;

namespace {

// ---- The step as it reads when every pair is checked -----------------------

void reference_follow(Car& v, int self)
{
    for (int w = 1; w < CAR_COUNT; ++w) {
        if (w == self) {
            continue;
        }
        const Car& other = traffic[w];
        int dp = v.position - other.position;
        int dx = std::abs(v.x - other.x);
        if (dp > -80 && dp < 0 && v.speed > other.speed && dx < 30) {
            v.speed = other.speed - 1;
        }
        if (dp > -100 && dp < 50 && dx < 30) {
            v.speed -= 2;
        }
    }
}

void reference_burn(Car& v, int d)
{
    v.wreck_tick += 1;
    if (v.wreck_tick <= 1) {
        return;
    }
    v.x += 1 - game_rand() % 3;
    v.position += 1 - game_rand() % 3;
    v.wreck_tick = 0;
    v.wreck_frame += 1;
    if (v.wreck_frame < 14) {
        return;
    }
    v.wreck_frame = 0;
    v.hit = 0;
    if (game_rand() % 5 == 1) {
        v.position = d - (game_rand() % 3000) - 1000;
        v.speed = game_rand() % 5 + 151;
    } else {
        v.position = d + 1000 + game_rand() % 3000;
        v.speed = 149 - game_rand() % 5;
    }
    v.kind = game_rand() % 7;
    v.x = game_rand() % 450 + 150;
    v.target_lane = game_rand() % 7;
}

void reference_touch_truck(Car& v, int d)
{
    int dy = v.position + truck_y - d;
    if (!(dy > -77 && dy < 40) || std::abs(v.x - truck_x) >= 30 || truck_wrecked != 0) {
        return;
    }
    v.hit = 1;
    snd_stop(sfx_explosion);
    snd_play(sfx_explosion);
    if (v.kind == 3 || v.kind == 5) {
        score += 10;
        return;
    }
    damage += 2;
    score -= 10;
    if (damage > 100) {
        damage = 100;
        truck_wrecked = 1;
        lives -= 1;
        play_state = lives < 0 ? PLAY_LAST_WRECK : PLAY_WRECK;
        wreck_timer = 0;
    }
}

void reference_step()
{
    int d = distance;
    for (Car& car : traffic) {
        car.position += car.speed;
        car.x += 1 - game_rand() % 3;
    }
    for (int i = 0; i < CAR_COUNT; ++i) {
        Car& v = traffic[i];
        if (v.position - d < -4000) {
            respawn_car(&v);
        }
        if (v.position - d > 4000) {
            respawn_car(&v);
        }
        if (game_rand() % 1000 == 112) {
            v.target_lane = game_rand() % 7;
        }
        if (v.target_lane >= 0 && v.target_lane < LANE_COUNT) {
            int target_x = lane_x[v.target_lane];
            if (v.x < target_x) {
                v.x += 2;
            }
            if (v.x > target_x) {
                v.x -= 2;
            }
        }
        reference_follow(v, i);
        int n = nearest_lane(v.x);
        if (v.speed > 151 - 5 * n) {
            v.speed = 151 - 5 * n;
        }
        if (v.speed < 141 - 5 * n) {
            v.speed = 141 - 5 * n;
        }
        v.x = std::clamp(v.x, 130, 576);
        if (v.hit == 1) {
            reference_burn(v, d);
        }
        for (int j = 0; j < CAR_COUNT; ++j) {
            if (j == i) {
                continue;
            }
            Car& w = traffic[j];
            int dp = w.position - v.position;
            if (std::abs(w.x - v.x) < 30 && dp > -36 && dp < 36) {
                v.hit = 1;
                w.hit = 1;
            }
        }
        reference_touch_truck(v, d);
    }
}

// ---- What a step may change -------------------------------------------------

struct World {
    Car cars[CAR_COUNT];
    uint32_t random;
    int score, damage, lives, play_state, truck_wrecked, wreck_timer;

    static World now()
    {
        World w;
        memcpy(w.cars, traffic, sizeof traffic);
        w.random = rand_state;
        w.score = ::score;
        w.damage = ::damage;
        w.lives = ::lives;
        w.play_state = ::play_state;
        w.truck_wrecked = ::truck_wrecked;
        w.wreck_timer = ::wreck_timer;
        return w;
    }
    void restore() const
    {
        memcpy(traffic, cars, sizeof traffic);
        rand_state = random;
        ::score = score;
        ::damage = damage;
        ::lives = lives;
        ::play_state = play_state;
        ::truck_wrecked = truck_wrecked;
        ::wreck_timer = wreck_timer;
    }
};

void expect_same(const World& got, const World& want, const char* what, int trial, int step)
{
    SCOPED_TRACE(::testing::Message() << what << ", situation " << trial << ", step " << step);
    for (int i = 0; i < CAR_COUNT; ++i) {
        const Car& a = got.cars[i];
        const Car& b = want.cars[i];
        ASSERT_TRUE(a.kind == b.kind && a.x == b.x && a.position == b.position && a.wreck_frame == b.wreck_frame &&
                    a.hit == b.hit && a.speed == b.speed && a.target_lane == b.target_lane &&
                    a.wreck_tick == b.wreck_tick)
            << "vehicle " << i << ": position " << a.position << " / " << b.position << ", x " << a.x << " / "
            << b.x << ", speed " << a.speed << " / " << b.speed << ", hit " << a.hit << " / " << b.hit;
    }
    EXPECT_EQ(got.random, want.random);
    EXPECT_EQ(got.score, want.score);
    EXPECT_EQ(got.damage, want.damage);
    EXPECT_EQ(got.lives, want.lives);
    EXPECT_EQ(got.play_state, want.play_state);
    EXPECT_EQ(got.truck_wrecked, want.truck_wrecked);
    EXPECT_EQ(got.wreck_timer, want.wreck_timer);
}

// Vehicles packed into `spread` road units around `centre` (from the truck)
// in `columns` columns of x, some burning (one in `burning` about to burn out
// and come back elsewhere), a few out of range.
void crowd(std::mt19937& random, int centre, int spread, int columns, int burning)
{
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (Car& car : traffic) {
        car.kind = pick(0, 6);
        car.x = columns > 0 ? 130 + 70 * pick(0, columns - 1) + pick(-3, 3) : pick(100, 600);
        car.position = distance + centre + pick(-spread, spread);
        car.speed = pick(120, 160);
        car.target_lane = pick(0, 6);
        car.hit = pick(0, 5) == 0 || pick(1, burning) == 1;
        car.wreck_frame = car.hit ? pick(0, 13) : 0;
        car.wreck_tick = pick(0, 1);
        if (car.hit && pick(1, burning) == 1) {
            car.wreck_frame = 13;
            car.wreck_tick = 1;
        }
        if (pick(0, 20) == 0) {
            car.position = distance + (pick(0, 1) ? 4200 : -4200);
        }
    }
}

class TrafficOrderTest : public ::testing::Test {
protected:
    void SetUp() override { fresh_drive(777); }
};

TEST_F(TrafficOrderTest, NeighbourStepMatchesEveryPairOnRandomSituations)
{
    struct Case {
        const char* what;
        int centre;   // road units from the truck
        int spread;   // road units either side of the centre
        int columns;  // 0: any x
        int burning;  // one in this many burning out
        int steps;
    };
    const Case cases[] = {
        {"bumper to bumper in few columns", 0, 150, 2, 20, 6},
        {"crowded lanes", 0, 600, 7, 20, 6},
        {"loose traffic, any x", 0, 2500, 0, 20, 6},
        {"everyone at one spot", 0, 0, 1, 20, 4},
        {"round the respawn edge", 0, 4100, 3, 20, 6},
        {"burning out into the crowd ahead", 2500, 1500, 2, 2, 4},
    };
    std::mt19937 random(20261208);
    int trial = 0;
    for (const Case& c : cases) {
        for (int n = 0; n < 120; ++n, ++trial) {
            game_srand(static_cast<uint32_t>(random()));
            distance = 100000 + static_cast<int>(random() % 50000);
            truck_x = 130 + static_cast<int>(random() % 450);
            damage = static_cast<int>(random() % 101);
            lives = static_cast<int>(random() % 3);
            score = 0;
            truck_wrecked = 0;
            play_state = PLAY_DRIVING;
            crowd(random, c.centre, c.spread, c.columns, c.burning);
            for (int step = 0; step < c.steps; ++step) {
                if (step == 2) {
                    // Vehicles moved by other code between steps.
                    std::swap(traffic[5].position, traffic[90].position);
                    traffic[40].position = distance - 3900;
                }
                const World before = World::now();
                reference_step();
                const World want = World::now();
                before.restore();
                traffic_step();
                expect_same(World::now(), want, c.what, trial, step);
                if (HasFatalFailure()) {
                    return;
                }
                distance += 150;
            }
        }
    }
}

}  // namespace
