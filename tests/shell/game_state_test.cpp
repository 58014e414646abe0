// The state table: a saved game puts back every field the dump shows, and
// the fields kept beside the dump.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "play/play.h"
#include "shell/game_state.h"
#include "shell/harness.h"

namespace {

std::string dump_now()
{
    std::string text;
    harness_state_json(&text, 0);
    return text;
}

// Writes `byte` over every value of every field.
void scribble(uint8_t byte)
{
    for (int f = 0; f < STATE_FIELD_COUNT; ++f) {
        const StateField& field = STATE_FIELDS[f];
        for (int r = 0; r < field.rows; ++r) {
            for (int c = 0; c < field.columns_per_row; ++c) {
                memset(state_at(field, r, c), byte, state_type_size(field.type));
            }
        }
    }
}

TEST(GameState, RestoreBringsBackEveryFieldAfterAllWereOverwritten)
{
    GameState untouched;  // for the other tests of this program
    game_state_save(&untouched);
    plat_use_backend(PLAT_HEADLESS, 1000);
    scribble(0x11);
    traffic[42].wreck_tick = 7;
    lane_x[3] = 99;
    truck_speed = 12.5;
    const std::string before = dump_now();
    GameState saved;
    game_state_save(&saved);

    scribble(0x5A);
    ASSERT_NE(dump_now(), before);
    game_state_restore(&saved);
    EXPECT_EQ(dump_now(), before);
    // A vehicle's row in the dump is its fields in their order.
    traffic[99] = Car{6, 512, -70000, 13, 1, 9, 6, 40};
    EXPECT_NE(dump_now().find("[6,512,-70000,13,1,9,6,40]]"), std::string::npos);
    game_state_restore(&saved);
    EXPECT_EQ(lane_x[3], 99) << "a field kept beside the dump";
    EXPECT_EQ(traffic[42].wreck_tick, 7);

    // A second save of the restored game is byte for byte the first.
    GameState again;
    game_state_save(&again);
    EXPECT_EQ(again.bytes, saved.bytes);
    plat_use_backend(PLAT_WINDOW, 1000);
    game_state_restore(&untouched);
}

}  // namespace
