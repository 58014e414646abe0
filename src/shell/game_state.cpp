// The state table, in the order of the state dump.
#include "shell/game_state.h"

#include <cstring>

#include "audio/audio.h"
#include "core/random.h"
#include "frontend/frontend.h"
#include "hiscore/hiscore.h"
#include "play/play.h"

namespace {

constexpr StateField scalar(const char* name, StateType type, void* value)
{
    return {name, type, STATE_SCALAR, 1, 1, 0, 0, {value}};
}

constexpr StateField list(const char* name, StateType type, int rows, size_t step, void* first)
{
    return {name, type, STATE_LIST, rows, 1, step, 0, {first}};
}

// A two-dimensional int table: `rows` rows of `columns` ints.
constexpr StateField int_table(const char* name, int rows, int columns, int* first)
{
    return {name, STATE_INT, STATE_ROWS, rows, columns, columns * sizeof(int), sizeof(int), {first}};
}

}  // namespace

const StateField STATE_FIELDS[] = {
    scalar("rand_state", STATE_U32, &rand_state),
    scalar("game_mode", STATE_INT, &game_mode),
    scalar("play_state", STATE_INT, &play_state),
    scalar("level_index", STATE_INT, &level_index),
    scalar("score", STATE_INT, &score),
    scalar("lives", STATE_INT, &lives),
    scalar("help_calls", STATE_INT, &help_calls),
    scalar("wreck_timer", STATE_INT, &wreck_timer),
    scalar("respawn_timer", STATE_INT, &respawn_timer),
    scalar("help_timer", STATE_INT, &help_timer),
    scalar("distance", STATE_INT, &distance),
    scalar("truck_x", STATE_INT, &truck_x),
    scalar("truck_y", STATE_INT, &truck_y),
    scalar("truck_wrecked", STATE_INT, &truck_wrecked),
    scalar("damage", STATE_INT, &damage),
    scalar("clock_start", STATE_U32, &clock_start),
    scalar("radio_station", STATE_INT, &radio_station),
    scalar("radio_freq_major", STATE_INT, &radio_freq_major),
    scalar("radio_freq_minor", STATE_INT, &radio_freq_minor),
    scalar("battle_music_on", STATE_INT, &battle_music_on),
    scalar("quit_requested", STATE_INT, &quit_requested),
    scalar("truck_speed", STATE_DOUBLE, &truck_speed),
    scalar("truck_accel", STATE_DOUBLE, &truck_accel),
    scalar("truck_vy", STATE_DOUBLE, &truck_vy),
    scalar("story_scroll", STATE_DOUBLE, &story_scroll),
    scalar("story_audio_started", STATE_INT, &story_audio_started),
    scalar("alien_x", STATE_INT, &alien_x),
    scalar("alien_y", STATE_INT, &alien_y),
    scalar("alien_health", STATE_INT, &alien_health),
    scalar("alien_frame", STATE_INT, &alien_frame),
    scalar("alien_defeated", STATE_INT, &alien_defeated),
    scalar("alien_pinned", STATE_INT, &alien_pinned),
    scalar("alien_step", STATE_INT, &alien_step),
    scalar("alien_step_timer", STATE_INT, &alien_step_timer),
    int_table("alien_script", LEVEL_COUNT, ALIEN_SCRIPT_LENGTH, &alien_script[0][0]),
    {"shells", STATE_INT, STATE_ROWS, SHELL_COUNT, 3, sizeof(int), 0, {shell_x, shell_y, shell_active}},
    {"alien_shots",
     STATE_INT,
     STATE_ROWS,
     ALIEN_SHOT_COUNT,
     5,
     sizeof(int),
     0,
     {alien_shot_x, alien_shot_y, alien_shot_dx, alien_shot_dy, alien_shot_active}},
    {"traffic",
     STATE_INT,
     STATE_ROWS,
     CAR_COUNT,
     8,
     sizeof(Car),
     0,
     {&traffic[0].kind, &traffic[0].x, &traffic[0].position, &traffic[0].wreck_frame, &traffic[0].hit,
      &traffic[0].speed, &traffic[0].target_lane, &traffic[0].wreck_tick}},
    int_table("dash_active", DASH_ROWS, DASH_SLOTS, &dash_active[0][0]),
    int_table("dash_x", DASH_ROWS, DASH_SLOTS, &dash_x[0][0]),
    int_table("dash_y", DASH_ROWS, DASH_SLOTS, &dash_y[0][0]),
    {"sparks", STATE_INT, STATE_ROWS, SPARK_COUNT, 3, sizeof(Spark), 0, {&sparks[0].x, &sparks[0].y, &sparks[0].speed}},
    list("hiscore_scores", STATE_INT, HISCORE_COUNT, sizeof(int32_t), hiscore_scores),
    list("hiscore_initials", STATE_INITIALS, HISCORE_COUNT, 3, hiscore_initials),
    scalar("music_current", STATE_INT, &music_current),
    // Not in the dump: the start-up tables and the hand-over of a frame.
    list(nullptr, STATE_INT, LANE_COUNT, sizeof(int), lane_x),
    list(nullptr, STATE_INT, LEVEL_COUNT, sizeof(int), level_length),
    scalar(nullptr, STATE_INT, &play_outcome),
};
const int STATE_FIELD_COUNT = sizeof STATE_FIELDS / sizeof STATE_FIELDS[0];

void* state_at(const StateField& field, int row, int column)
{
    uint8_t* base = static_cast<uint8_t*>(field.column_step ? field.columns[0] : field.columns[column]);
    size_t offset = static_cast<size_t>(row) * field.row_step;
    if (field.column_step) {
        offset += static_cast<size_t>(column) * field.column_step;
    }
    return base + offset;
}

size_t state_type_size(StateType type)
{
    switch (type) {
    case STATE_INT:
        return sizeof(int);
    case STATE_U32:
        return sizeof(uint32_t);
    case STATE_DOUBLE:
        return sizeof(double);
    case STATE_INITIALS:
        return 3;
    }
    return 0;
}

namespace {

// Calls `visit(address, size)` for every value of every field, in table order.
template <typename Visit> void each_value(Visit visit)
{
    for (const StateField& field : STATE_FIELDS) {
        const size_t size = state_type_size(field.type);
        for (int r = 0; r < field.rows; ++r) {
            for (int c = 0; c < field.columns_per_row; ++c) {
                visit(static_cast<uint8_t*>(state_at(field, r, c)), size);
            }
        }
    }
}

}  // namespace

void game_state_save(GameState* state)
{
    state->bytes.clear();
    each_value(
        [state](const uint8_t* value, size_t size) { state->bytes.insert(state->bytes.end(), value, value + size); });
}

void game_state_restore(const GameState* state)
{
    size_t at = 0;
    each_value([state, &at](uint8_t* value, size_t size) {
        if (at + size <= state->bytes.size()) {  // a state this table did not save is not taken
            memcpy(value, state->bytes.data() + at, size);
        }
        at += size;
    });
}
