// The game's state as one table: every variable the rules read and write,
// with the name the state dump gives it. The dump is written from it, and a
// whole game can be saved and put back from it (the tests start from a saved
// state, the autopilot tries moves on one and goes back).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum StateType {
    STATE_INT,
    STATE_U32,
    STATE_DOUBLE,
    STATE_INITIALS,  // three characters
};

enum StateShape {
    STATE_SCALAR,  // one value
    STATE_LIST,    // [v, ...], one value per row
    STATE_ROWS,    // [[v, ...], ...], `columns` values per row
};

constexpr int STATE_MAX_COLUMNS = 8;

// Row r, column c of a field is at columns[c] + r * row_step, or, when one
// block holds every column (column_step non-zero), at columns[0] + r *
// row_step + c * column_step.
struct StateField {
    const char* name;  // null: saved but not dumped (start-up tables)
    StateType type;
    StateShape shape;
    int rows;
    int columns_per_row;
    size_t row_step;
    size_t column_step;
    void* columns[STATE_MAX_COLUMNS];
};

extern const StateField STATE_FIELDS[];
extern const int STATE_FIELD_COUNT;

// The address of row `row`, column `column` of a field.
void* state_at(const StateField& field, int row, int column);
size_t state_type_size(StateType type);

// A saved game: the bytes of every field, in table order.
struct GameState {
    std::vector<uint8_t> bytes;
};
void game_state_save(GameState* state);
void game_state_restore(const GameState* state);
