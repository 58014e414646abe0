// Driving: the keys, the road step, the end of the road, the lane markings,
// the help truck and the radio.
#include <cstdlib>

#include "audio/audio.h"
#include "core/random.h"
#include "display/display.h"
#include "platform/platform.h"
#include "play/play.h"

namespace {

constexpr int DASH_CYCLE = 470;
constexpr int RADIO_STATIONS = 9;

constexpr int HELP_X = 576;

bool in_state(int a, int b, int c)
{
    return play_state == a || play_state == b || play_state == c;
}

void radio_step()
{
    if (plat_key_down(gk::S)) {
        radio_station = game_rand() % RADIO_STATIONS;
        radio_freq_major = game_rand() % 3 + 8;
        radio_freq_minor = game_rand() % 10;
        mus_play(music_tracks[radio_station]);
    }
    // Asked every frame; a piece that has ended is left ended.
    if (radio_station >= 0 && radio_station < RADIO_STATIONS) {
        mus_status(music_tracks[radio_station]);
    }
}

}  // namespace

int steer_left_step(double speed)
{
    return static_cast<int>(0.5 - 0.05 * speed);
}

int steer_right_step(double speed)
{
    // Truncated on purpose: the steering has always moved by these steps.
    return static_cast<int>(0.05 * speed + 0.5);  // NOLINT(bugprone-incorrect-roundings)
}

int lane_speed_limit(int lane)
{
    return 150 - 5 * lane;
}

void driving_keys()
{
    if (plat_key_down(gk::UP)) {
        truck_accel = THROTTLE_ACCEL;
    }
    if (!plat_key_down(gk::UP)) {
        truck_accel = COAST_ACCEL;
    }
    if (plat_key_down(gk::DOWN)) {
        truck_accel = BRAKE_ACCEL;  // the brake wins over the throttle
    }
    if (plat_key_down(gk::LEFT)) {
        truck_x += steer_left_step(truck_speed);
    }
    if (plat_key_down(gk::RIGHT)) {
        truck_x += steer_right_step(truck_speed);
    }
}

void road_step()
{
    int r = game_rand();
    truck_speed += truck_accel;
    truck_x += 1 - r % 3;  // the wobble
    distance = static_cast<int>(distance + truck_speed);

    // A wrecked truck creeping over the line must not start a battle it
    // could never fight.
    if (!truck_wrecked && level_index >= 0 && level_index < LEVEL_COUNT &&
        level_length[level_index] - distance * 0.0001 <= 0) {
        start_battle();
    }

    int lane = nearest_lane(truck_x);
    double limit = lane_speed_limit(lane);
    if (truck_speed > limit) {
        truck_speed = limit;
    }
    if (truck_speed < 0) {
        truck_speed = 0.0;
    }

    if (truck_x > TRUCK_X_MAX) {
        truck_x = TRUCK_X_MAX;
    } else if (truck_x < TRUCK_X_MIN) {
        truck_x = TRUCK_X_MIN;
    }

    if (!in_state(PLAY_HELP_CALL, PLAY_BATTLE, PLAY_BATTLE_RESPAWN) && lane == SHOULDER_LANE) {
        score -= 1;
    }

    if (!in_state(PLAY_HELP_CALL, PLAY_LAST_WRECK, PLAY_WRECK) && play_state != PLAY_GAME_OVER && help_calls > 0 &&
        plat_key_down(gk::H)) {
        snd_play(sfx_horn);
        play_state = PLAY_HELP_CALL;
        help_timer = 0;
        help_calls -= 1;
    }

    radio_step();
}

void start_battle()
{
    play_state = PLAY_BATTLE;
    truck_speed = 0.0;
    wreck_timer = 0;
    truck_vy = 0.0;
    alien_frame = 0;
    alien_health = 100 * level_index + 100;
    alien_x = 378;
    alien_y = 10;
    for (int i = 0; i < ALIEN_SHOT_COUNT; ++i) {
        alien_shot_active[i] = 0;
        alien_shot_x[i] = 0;
        alien_shot_y[i] = 0;
    }
    snd_play(sfx_brake);
    if (radio_station >= 0 && radio_station < RADIO_STATIONS) {
        mus_stop(music_tracks[radio_station]);
    }
    battle_music_on = 0;
}

void dashes_init()
{
    for (int row = 0; row < DASH_ROWS; ++row) {
        // Rows 2 to 8 are the seven lines between the eight lanes.
        int active = row >= 2 && row <= 8;
        for (int k = 0; k < DASH_SLOTS; ++k) {
            dash_active[row][k] = active;
            dash_x[row][k] = active ? 64 * (row + 1) : 0;
            dash_y[row][k] = active ? 96 * k : 0;
        }
    }
}

void dashes_scroll()
{
    for (int row = 0; row < DASH_ROWS; ++row) {
        for (int k = 0; k < DASH_SLOTS; ++k) {
            if (dash_active[row][k] != 1) {
                continue;
            }
            dash_y[row][k] = static_cast<int>(dash_y[row][k] + 0.25 * truck_speed);
            if (dash_y[row][k] >= DASH_CYCLE) {
                dash_y[row][k] -= DASH_CYCLE;
            }
        }
    }
}

void help_truck_step()
{
    help_timer += 1;
    int t = help_timer;
    if (t == HELP_TENFOUR) {
        snd_play(sfx_tenfour);
    }
    // Standing beside the waiting help truck repairs one point a frame.
    if (t >= HELP_WAITS && t < HELP_LEAVES && std::abs(truck_x - lane_x[SHOULDER_LANE]) < 10) {
        damage -= 1;
        if (damage < 0) {
            damage = 0;
        }
    }
    if (t > HELP_DONE) {
        play_state = PLAY_DRIVING;
    }
}

void help_truck_draw()
{
    int t = help_timer;
    int y = 0;
    if (t >= HELP_ARRIVES && t < HELP_WAITS) {
        y = 2 * (420 - t);
    } else if (t >= HELP_WAITS && t < HELP_LEAVES) {
        y = 296;
    } else if (t >= HELP_LEAVES) {
        y = 2 * t - 704;
    } else {
        return;
    }
    gfx_blit_scaled(truck_frames[0], HELP_X, y, 64, 96, 64, 96, back_buffer, 1);
}
