// Traffic: the hundred vehicles that share the road with the truck. Every
// game_rand draw below is made in a fixed order: the game for a given seed
// depends on it.
#include <cstdlib>

#include "audio/audio.h"
#include "display/display.h"
#include "play/play.h"
#include "shell/random.h"

namespace {

constexpr int RESPAWN_RANGE = 4000;  // road units from the truck
constexpr int CAR_X_MIN = 130;
constexpr int CAR_X_MAX = 576;
constexpr int BURN_STAGES = 14;
constexpr int KIND_COUNT = 7;
constexpr int TARGET_LANES = 7;

bool is_alien_car(const Car& car)
{
    return car.kind == 3 || car.kind == 5;
}

// Follow slower vehicles ahead; vehicle 0 is never an obstacle.
void follow(Car& v, int self)
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

void burn(Car& v, int d)
{
    v.wreck_tick += 1;
    if (v.wreck_tick <= 1) {
        return;
    }
    v.x += 1 - game_rand() % 3;
    v.position += 1 - game_rand() % 3;
    v.wreck_tick = 0;
    v.wreck_frame += 1;
    if (v.wreck_frame < BURN_STAGES) {
        return;
    }
    // Burnt out: a new vehicle, this time mostly ahead of the truck.
    v.wreck_frame = 0;
    v.hit = 0;
    if (game_rand() % 5 == 1) {
        v.position = d - (game_rand() % 3000) - 1000;
        v.speed = game_rand() % 5 + 151;
    } else {
        v.position = d + 1000 + game_rand() % 3000;
        v.speed = 149 - game_rand() % 5;
    }
    v.kind = game_rand() % KIND_COUNT;
    v.x = game_rand() % 450 + 150;
    v.target_lane = game_rand() % TARGET_LANES;
}

void touch_truck(Car& v, int d)
{
    int dy = v.position + truck_y - d;
    if (!(dy > -77 && dy < 40) || std::abs(v.x - truck_x) >= 30 || truck_wrecked != 0) {
        return;
    }
    v.hit = 1;
    snd_stop(sfx_explosion);
    snd_play(sfx_explosion);
    if (is_alien_car(v)) {
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

}  // namespace

void traffic_init()
{
    for (int i = 0; i < CAR_COUNT; ++i) {
        Car& car = traffic[i];
        car.wreck_frame = 0;
        car.kind = game_rand() % KIND_COUNT;
        car.x = game_rand() % 450 + 150;
        car.position = game_rand() % 3000 + 1000;
        car.speed = game_rand() % 100 + 50;
        car.target_lane = game_rand() % TARGET_LANES;
        car.hit = 0;
        car.wreck_tick = 0;
    }
}

void speed_creep()
{
    int i = game_rand() % CAR_COUNT;
    traffic[i].speed += game_rand() % 2;
}

void respawn_car(Car* car)
{
    int d = distance;
    // Mostly behind and fast, so the truck is overtaken; one in five ahead.
    if (game_rand() % 5 == 1) {
        car->position = d + 1000 + game_rand() % 3000;
        car->target_lane = game_rand() % TARGET_LANES;
        car->x = lane_x[car->target_lane];
        car->speed = 149 - game_rand() % 5;
    } else {
        car->position = d - (game_rand() % 3000) - 1000;
        car->target_lane = game_rand() % TARGET_LANES;
        car->x = lane_x[car->target_lane];
        car->speed = game_rand() % 5 + 151;
    }
}

void traffic_step()
{
    int d = distance;
    for (int i = 0; i < CAR_COUNT; ++i) {
        traffic[i].position += traffic[i].speed;
        traffic[i].x += 1 - game_rand() % 3;
    }

    for (int i = 0; i < CAR_COUNT; ++i) {
        Car& v = traffic[i];

        if (v.position - d < -RESPAWN_RANGE) {
            respawn_car(&v);
        }
        if (v.position - d > RESPAWN_RANGE) {
            respawn_car(&v);
        }

        if (game_rand() % 1000 == 112) {
            v.target_lane = game_rand() % TARGET_LANES;
        }

        // Target lanes are 0..6 by construction; a bad value steers nowhere.
        if (v.target_lane >= 0 && v.target_lane < LANE_COUNT) {
            int target_x = lane_x[v.target_lane];
            if (v.x < target_x) {
                v.x += 2;
            }
            if (v.x > target_x) {
                v.x -= 2;
            }
        }

        follow(v, i);

        int n = nearest_lane(v.x);
        if (v.speed > 151 - 5 * n) {
            v.speed = 151 - 5 * n;
        }
        if (v.speed < 141 - 5 * n) {
            v.speed = 141 - 5 * n;
        }

        if (v.x < CAR_X_MIN) {
            v.x = CAR_X_MIN;
        }
        if (v.x > CAR_X_MAX) {
            v.x = CAR_X_MAX;
        }

        if (v.hit == 1) {
            burn(v, d);
        }

        // Touching vehicles both catch fire, burning ones included.
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

        touch_truck(v, d);
    }
}

void traffic_draw()
{
    for (int i = 0; i < CAR_COUNT; ++i) {
        const Car& car = traffic[i];
        if (car.kind < 0 || car.kind >= KIND_COUNT || car.wreck_frame < 0 ||
            car.wreck_frame >= BURN_STAGES) {
            continue;
        }
        // A burning vehicle grows by 2 px a stage from its top-left corner.
        int size = 64 + 2 * car.wreck_frame;
        gfx_blit_scaled(car_frames[7 * car.wreck_frame + car.kind], car.x, distance - car.position,
                        64, 64, size, size, back_buffer, 1);
    }
}
