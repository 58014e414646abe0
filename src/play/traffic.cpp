// Traffic: the hundred vehicles that share the road with the truck. Every
// game_rand draw below is made in a fixed order: the game for a given seed
// depends on it.
#include <cstdint>
#include <cstdlib>

#include "audio/audio.h"
#include "core/random.h"
#include "display/display.h"
#include "play/play.h"

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

// The vehicles in order of road position, so that each rule below looks only
// at the few inside its window instead of all hundred. Rebuilt at the start
// of every step (other code may move vehicles between steps) from the order
// of the last one, which is nearly right, and kept right within the step
// whenever a vehicle's position changes.
int by_position[CAR_COUNT];  // vehicle numbers, lowest position first
int place_of[CAR_COUNT];     // where each vehicle is in by_position
bool order_made;

void sort_by_position()
{
    if (!order_made) {
        for (int i = 0; i < CAR_COUNT; ++i) {
            by_position[i] = i;
        }
        order_made = true;
    }
    for (int k = 1; k < CAR_COUNT; ++k) {
        int car = by_position[k];
        int p = traffic[car].position;
        int m = k;
        for (; m > 0 && traffic[by_position[m - 1]].position > p; --m) {
            by_position[m] = by_position[m - 1];
        }
        by_position[m] = car;
    }
    for (int k = 0; k < CAR_COUNT; ++k) {
        place_of[by_position[k]] = k;
    }
}

// Puts one vehicle back in its place after its position changed.
void reorder(int car)
{
    int p = traffic[car].position;
    int k = place_of[car];
    for (; k > 0 && traffic[by_position[k - 1]].position > p; --k) {
        by_position[k] = by_position[k - 1];
        place_of[by_position[k]] = k;
    }
    for (; k < CAR_COUNT - 1 && traffic[by_position[k + 1]].position < p; ++k) {
        by_position[k] = by_position[k + 1];
        place_of[by_position[k]] = k;
    }
    by_position[k] = car;
    place_of[car] = k;
}

// Calls `visit(w)` for every other vehicle w whose road position is in
// [from, to), a window around vehicle `self`'s own position: the search
// starts at self's place in by_position and goes out both ways.
template <class Visit> void each_near(int self, int64_t from, int64_t to, Visit visit)
{
    const int place = place_of[self];
    for (int k = place - 1; k >= 0 && traffic[by_position[k]].position >= from; --k) {
        visit(by_position[k]);
    }
    for (int k = place + 1; k < CAR_COUNT && traffic[by_position[k]].position < to; ++k) {
        visit(by_position[k]);
    }
}

// Follow slower vehicles ahead; vehicle 0 is never an obstacle. Both rules
// need the other vehicle within 50 units behind to 100 ahead; they are
// applied vehicle by vehicle in numbering order, as each may change the
// speed the next compares.
void follow(Car& v, int self)
{
    int near[CAR_COUNT];
    int count = 0;
    each_near(self, int64_t{v.position} - 49, int64_t{v.position} + 100, [&near, &count](int w) {
        if (w == 0) {
            return;
        }
        int m = count++;
        for (; m > 0 && near[m - 1] > w; --m) {
            near[m] = near[m - 1];
        }
        near[m] = w;
    });
    for (int k = 0; k < count; ++k) {
        const Car& other = traffic[near[k]];
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

// Touching vehicles both catch fire, burning ones included: any other
// vehicle less than 36 units along and 30 across.
void catch_fire(Car& v, int self)
{
    each_near(self, int64_t{v.position} - 35, int64_t{v.position} + 36, [&v](int j) {
        Car& w = traffic[j];
        if (std::abs(w.x - v.x) < 30) {
            v.hit = 1;
            w.hit = 1;
        }
    });
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

    sort_by_position();

    for (int i = 0; i < CAR_COUNT; ++i) {
        Car& v = traffic[i];

        if (v.position - d < -RESPAWN_RANGE) {
            respawn_car(&v);
        }
        if (v.position - d > RESPAWN_RANGE) {
            respawn_car(&v);
        }
        reorder(i);

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
            reorder(i);
        }

        catch_fire(v, i);

        touch_truck(v, d);
    }
}

void traffic_draw()
{
    for (int i = 0; i < CAR_COUNT; ++i) {
        const Car& car = traffic[i];
        if (car.kind < 0 || car.kind >= KIND_COUNT || car.wreck_frame < 0 || car.wreck_frame >= BURN_STAGES) {
            continue;
        }
        // A burning vehicle grows by 2 px a stage from its top-left corner.
        int size = 64 + 2 * car.wreck_frame;
        gfx_blit_scaled(car_frames[7 * car.wreck_frame + car.kind], car.x, distance - car.position, 64, 64, size, size,
                        back_buffer, 1);
    }
}
