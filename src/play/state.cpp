// The play state: truck and game scalars, the slot arrays, the level tables
// and their start-up values.
#include <cstdlib>

#include "play/play.h"

int level_index;
int play_state = PLAY_DRIVING;
int play_outcome = PLAY_GOES_ON;
int truck_x;
int truck_y;
double truck_speed;
double truck_accel;
double truck_vy;
int truck_wrecked;
int score;
int distance;
int damage;
uint32_t clock_start;
int lives;
int help_calls;
int wreck_timer;
int respawn_timer;
int help_timer;
int radio_station;
int radio_freq_major = 10;  // the radio reads 100.5 FM until S is first pressed
int radio_freq_minor = 5;
int battle_music_on;

int alien_x;
int alien_y;
int alien_health;
int alien_frame;
int alien_defeated;
int alien_pinned;
int alien_step;
int alien_step_timer;

int shell_x[SHELL_COUNT];
int shell_y[SHELL_COUNT];
int shell_active[SHELL_COUNT];

int alien_shot_x[ALIEN_SHOT_COUNT];
int alien_shot_y[ALIEN_SHOT_COUNT];
int alien_shot_dx[ALIEN_SHOT_COUNT];
int alien_shot_dy[ALIEN_SHOT_COUNT];
int alien_shot_active[ALIEN_SHOT_COUNT];

int dash_active[DASH_ROWS][DASH_SLOTS];
int dash_x[DASH_ROWS][DASH_SLOTS];
int dash_y[DASH_ROWS][DASH_SLOTS];

Car traffic[CAR_COUNT];

int lane_x[LANE_COUNT];
int level_length[LEVEL_COUNT];
int alien_script[LEVEL_COUNT][ALIEN_SCRIPT_LENGTH];

namespace {

constexpr int LEVEL_MILES = 100;

// Ten (action, duration) pairs per level. The battle runs the first nine and
// then wraps; the tenth pair is kept so the table reads as designed.
constexpr int ALIEN_SCRIPT_TABLE[LEVEL_COUNT][ALIEN_SCRIPT_LENGTH] = {
    {2, 45, 3, 15, 8, 1, 3, 15, 6, 50, 8, 1, 6, 30, 4, 20, 8, 1, 8, 1},
    {2, 100, 4, 100, 7, 100, 10, 100, 8, 1, 5, 100, 7, 100, 9, 1, 4, 100, 1, 300},
    {2, 100, 4, 100, 7, 100, 10, 100, 8, 1, 5, 100, 7, 100, 9, 1, 4, 100, 1, 300},
};

}  // namespace

int nearest_lane(int x)
{
    int best = 0;
    int best_distance = std::abs(x - lane_x[0]);
    for (int k = 1; k < LANE_COUNT; ++k) {
        int d = std::abs(x - lane_x[k]);
        if (d < best_distance) {  // strict: on a tie the lower lane wins
            best = k;
            best_distance = d;
        }
    }
    return best;
}

int level_miles_left()
{
    // After the last level is won level_index points past the table for a
    // frame; there is no road left then.
    if (level_index < 0 || level_index >= LEVEL_COUNT) {
        return 0;
    }
    return static_cast<int>(level_length[level_index] - distance * 0.0001);
}

void play_init_state()
{
    truck_x = TRUCK_START_X;
    truck_y = TRUCK_START_Y;
    play_new_game(3);  // start-up lowers the spares to LIVES_AT_START when it is done
    for (int k = 0; k < SHELL_COUNT; ++k) {
        shell_x[k] = 0;
        shell_y[k] = 0;
        shell_active[k] = 0;
    }
}

void play_new_game(int spare_trucks)
{
    truck_speed = 0.0;
    score = 0;
    distance = 0;
    damage = 0;
    lives = spare_trucks;
    help_calls = HELP_CALLS_AT_START;
    play_state = PLAY_DRIVING;
    level_index = 0;
}

void lanes_init()
{
    for (int k = 0; k < LANE_COUNT; ++k) {
        lane_x[k] = 130 + 64 * k;
    }
}

void level_lengths_init()
{
    for (int k = 0; k < LEVEL_COUNT; ++k) {
        level_length[k] = LEVEL_MILES;
    }
}

void alien_script_init()
{
    for (int level = 0; level < LEVEL_COUNT; ++level) {
        for (int k = 0; k < ALIEN_SCRIPT_LENGTH; ++k) {
            alien_script[level][k] = ALIEN_SCRIPT_TABLE[level][k];
        }
    }
}
