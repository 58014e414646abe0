// Play: the game proper. State and tables, driving, traffic, the alien
// battle, the play frame's drawing, wrecks and game over.
#pragma once

#include <cstdint>

enum PlayState {
    PLAY_DRIVING = 0,
    PLAY_LAST_WRECK = 1,
    PLAY_WRECK = 2,
    PLAY_GAME_OVER = 3,
    PLAY_HELP_CALL = 4,
    PLAY_BATTLE = 5,
    PLAY_BATTLE_RESPAWN = 10,
};

// What a frame of play hands to the front end, which acts on it when the
// frame is over: the level is won (its story page comes next), or the game
// is over and the player has pressed space (back to the menu).
enum PlayOutcome {
    PLAY_GOES_ON = 0,
    PLAY_LEVEL_WON = 1,
    PLAY_GAME_ENDED = 2,
};
extern int play_outcome;

// ---------------------------------------------------------------------------
// Truck and game scalars

// Where a new truck stands (a new game, the spare after a wreck), and the
// right edge it may not pass.
constexpr int TRUCK_START_X = 580;
constexpr int TRUCK_START_Y = 200;
constexpr int TRUCK_X_MAX = 576;
constexpr int TRUCK_X_MIN = 128;  // on the road; the battle field starts at 130
constexpr int SHOULDER_LANE = 7;

// The help truck's timeline, in frames of PLAY_HELP_CALL: the radio answers,
// the help truck comes up the shoulder, waits there (a truck beside it is
// mended), leaves, and the call is over.
constexpr int HELP_TENFOUR = 80;
constexpr int HELP_ARRIVES = 101;
constexpr int HELP_WAITS = 272;
constexpr int HELP_LEAVES = 500;
constexpr int HELP_DONE = 680;

// The driving controls: the speed change per frame under the throttle, when
// coasting and under the brake.
constexpr double THROTTLE_ACCEL = 1.0;
constexpr double COAST_ACCEL = -0.5;
constexpr double BRAKE_ACCEL = -1.0;
// One frame of steering at `speed`: the faster, the sharper; left lags right
// by one step.
int steer_left_step(double speed);
int steer_right_step(double speed);
// The fastest the truck may go in `lane` (the outer lanes are slower).
int lane_speed_limit(int lane);
// A game starts with two spare trucks and three help calls; the finale's
// fresh game gets one spare more.
constexpr int LIVES_AT_START = 2;
constexpr int LIVES_AFTER_FINALE = 3;
constexpr int HELP_CALLS_AT_START = 3;
// The first explosion cell of the car sheet, (8, 0); the later ones follow
// a row apart.
constexpr int EXPLOSION_FRAME = 56;

extern int level_index;
extern int play_state;
extern int truck_x;
extern int truck_y;
extern double truck_speed;
extern double truck_accel;
extern double truck_vy;
extern int truck_wrecked;
extern int score;
extern int distance;
extern int damage;
extern uint32_t clock_start;
extern int lives;
extern int help_calls;
extern int wreck_timer;
extern int respawn_timer;
extern int help_timer;
extern int radio_station;
extern int radio_freq_major;
extern int radio_freq_minor;
extern int battle_music_on;

// ---------------------------------------------------------------------------
// The large alien

extern int alien_x;
extern int alien_y;
extern int alien_health;
extern int alien_frame;
extern int alien_defeated;
extern int alien_pinned;
extern int alien_step;
extern int alien_step_timer;

// ---------------------------------------------------------------------------
// Slot arrays

constexpr int SHELL_COUNT = 5;
extern int shell_x[SHELL_COUNT];
extern int shell_y[SHELL_COUNT];
extern int shell_active[SHELL_COUNT];

constexpr int ALIEN_SHOT_COUNT = 10;
extern int alien_shot_x[ALIEN_SHOT_COUNT];
extern int alien_shot_y[ALIEN_SHOT_COUNT];
extern int alien_shot_dx[ALIEN_SHOT_COUNT];
extern int alien_shot_dy[ALIEN_SHOT_COUNT];
extern int alien_shot_active[ALIEN_SHOT_COUNT];

constexpr int DASH_ROWS = 10;
constexpr int DASH_SLOTS = 10;
extern int dash_active[DASH_ROWS][DASH_SLOTS];
extern int dash_x[DASH_ROWS][DASH_SLOTS];
extern int dash_y[DASH_ROWS][DASH_SLOTS];

struct Car {
    int kind;         // 0..6, sprite row; 3 and 5 are alien cars
    int x;            // left edge of the 64 x 64 sprite
    int position;     // road units
    int wreck_frame;  // 0 intact, 1..13 burning
    int hit;          // burning
    int speed;        // road units per frame
    int target_lane;  // 0..6
    int wreck_tick;   // frame counter of the burning animation
};

constexpr int CAR_COUNT = 100;
extern Car traffic[CAR_COUNT];

// ---------------------------------------------------------------------------
// Level tables

constexpr int LANE_COUNT = 8;
constexpr int LEVEL_COUNT = 3;
constexpr int ALIEN_SCRIPT_LENGTH = 20;
// An alien's script is pairs of (action, frames). The moves go (level + 1)
// pixels a frame; two codes each move down and up-right alike.
enum AlienAction {
    ALIEN_DOWN = 0,
    ALIEN_UP_RIGHT = 1,
    ALIEN_RIGHT = 2,
    ALIEN_UP_RIGHT_TOO = 3,
    ALIEN_DOWN_TOO = 4,
    ALIEN_DOWN_LEFT = 5,
    ALIEN_LEFT = 6,
    ALIEN_UP_LEFT = 7,
    ALIEN_VOLLEY_LOUD = 8,    // a fan of shots with the blast sound
    ALIEN_VOLLEY_SILENT = 9,  // the same fan from higher up, without it
    ALIEN_ROAR = 10,
};
extern int lane_x[LANE_COUNT];
extern int level_length[LEVEL_COUNT];
extern int alien_script[LEVEL_COUNT][ALIEN_SCRIPT_LENGTH];

int nearest_lane(int x);
// Miles of road left in the level, 0 when level_index is past the table.
int level_miles_left();

// ---------------------------------------------------------------------------
// A new game's scores and trucks: no score or road yet, `spare_trucks`
// spares and three help calls, driving on the first level. Start-up, game
// over and the finale each add what else they reset.
void play_new_game(int spare_trucks);

// Start-up values (called by game_init at their places)

void play_init_state();     // truck, score, lives 3, help calls, shells
void traffic_init();        // the 100 vehicles (rand draws in order)
void lanes_init();          // lane_x
void dashes_init();         // lane markings
void level_lengths_init();  // level_length
void alien_script_init();   // alien_script

// ---------------------------------------------------------------------------
// The play frame and its steps

// One frame of play: its steps in their fixed order (play.cpp lists them),
// each a rule, which changes the game's state, or a picture, which only
// draws. A frame without `drawing` leaves the pictures out and comes to the
// same state, byte for byte. 1 normally, 0 when the device context cannot be
// had (the frame then stops after the rules before its picture).
int play_frame(bool drawing = true);
// The frame from its picture on (the road and readouts first), the rules
// among the pictures included; the same result.
int play_draw_frame();

// Pictures of the frame (the steps of each part are below)
int play_board_draw();  // road, lane markings, gauges and readouts; 0 without a device context
void truck_draw();
void play_icons_draw();  // the spare trucks and help calls, then the flip

// Driving
void driving_keys();
void road_step();
void start_battle();
void dashes_scroll();
void help_truck_step();  // the help truck's timeline: the radio, repairs, the end
void help_truck_draw();

// Traffic
void speed_creep();
void traffic_step();
void respawn_car(Car* car);
void traffic_draw();

// Battle
void battle_controls();  // controls, cannon and alien_update
void alien_update();
void shells_update();       // shells move and hit the alien
void alien_draw();          // the alien sprite
void victory_step();        // the burning alien's sound and time, complete_level
void victory_draw();        // the burning alien and its text
void alien_shots_update();  // shots move and hit; a battle wreck
void alien_shots_draw();
void respawn_step();
void respawn_draw();
void complete_level();

// Wrecks and game over
void last_wreck_step();
void wreck_step();
void wreck_draw();  // the truck's explosion, either wreck
void game_over_step();
void game_over_draw();
