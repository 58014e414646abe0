// Placeholders until play is written; removed piece by piece.
#include "play/play.h"

int level_index;
int play_state;
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
int radio_freq_major = 10;
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

int nearest_lane(int) { return 0; }
void play_init_state() {}
void traffic_init() {}
void lanes_init() {}
void dashes_init() {}
void level_lengths_init() {}
void alien_script_init() {}
int play_frame() { return 1; }
void driving_keys() {}
void road_step() {}
void start_battle() {}
void dashes_scroll() {}
void help_truck_step() {}
void speed_creep() {}
void traffic_step() {}
void respawn_car(Car*) {}
void traffic_draw() {}
