// The state dump: every key with its shape, in JSON that reads back exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "e2e/json_lite.h"
#include "frontend/frontend.h"
#include "hiscore/hiscore.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "play/play.h"
#include "shell/harness.h"
#include "core/random.h"

namespace {

constexpr const char* INT_KEYS[] = {
    "pass", "tick", "rand_state", "game_mode", "play_state", "level_index", "score", "lives", "help_calls",
    "wreck_timer", "respawn_timer", "help_timer", "distance", "truck_x", "truck_y", "truck_wrecked", "damage",
    "clock_start", "radio_station", "radio_freq_major", "radio_freq_minor", "battle_music_on", "quit_requested",
    "story_audio_started", "alien_x", "alien_y", "alien_health", "alien_frame", "alien_defeated", "alien_pinned",
    "alien_step", "alien_step_timer", "music_current"};
struct Table {
    const char* key;
    size_t rows;
    size_t columns;  // 0: a flat list
};
constexpr Table TABLES[] = {{"alien_script", 3, 20}, {"shells", 5, 3},     {"alien_shots", 10, 5},
                            {"traffic", 100, 8},     {"dash_active", 10, 10}, {"dash_x", 10, 10},
                            {"dash_y", 10, 10},      {"sparks", 300, 3},  {"hiscore_scores", 10, 0}};

// Every key with its shape, values from the game's globals in the order of
// each record, doubles that read back exactly, NaN as null (JSON has none),
// initials kept three characters whatever their bytes. No other test of this
// program reads the globals changed here.
TEST(StateDump, EveryKeyWithItsShapeAndValuesThatReadBackExactly)
{
    traffic[99] = Car{6, 512, -70000, 13, 1, 9, 6, 40};
    score = -1234;
    alien_shot_dy[9] = -4;
    rand_state = 0xFFFFFFFFu;
    truck_speed = 0.1;
    truck_accel = -1.0 / 3.0;
    truck_vy = std::nan("");
    memcpy(hiscore_initials[0], "\"\\/", 3);
    memcpy(hiscore_initials[1], "\0\n\xE9", 3);
    plat_use_backend(PLAT_HEADLESS, 1000);
    std::string text;
    harness_state_json(&text, 17);
    plat_use_backend(PLAT_WINDOW, 1000);
    JsonValue state;
    ASSERT_TRUE(json_lite::parse(text, &state)) << text.substr(0, 200);

    ASSERT_EQ(state.kind, JsonValue::OBJECT);
    EXPECT_EQ(state.keys.size(), 48u);
    for (const char* key : INT_KEYS) {
        const JsonValue* value = state.get(key);
        ASSERT_NE(value, nullptr) << key;
        EXPECT_EQ(value->kind, JsonValue::NUMBER) << key;
        EXPECT_EQ(value->text.find_first_of(".eE"), std::string::npos) << key;
    }
    for (const char* key : {"truck_speed", "truck_accel", "story_scroll"}) {
        ASSERT_TRUE(state.get(key) && state.get(key)->kind == JsonValue::NUMBER) << key;
    }
    for (const Table& t : TABLES) {
        const JsonValue* table = state.get(t.key);
        ASSERT_NE(table, nullptr) << t.key;
        ASSERT_EQ(table->items.size(), t.rows) << t.key;
        for (const JsonValue& row : table->items) {
            ASSERT_EQ(row.items.size(), t.columns) << t.key;
            ASSERT_EQ(row.kind, t.columns ? JsonValue::ARRAY : JsonValue::NUMBER) << t.key;
        }
    }
    ASSERT_TRUE(state.get("sounds_playing") && state.get("sounds_playing")->kind == JsonValue::ARRAY);
    EXPECT_EQ(state.get("pass")->as_int(), 17);
    EXPECT_EQ(state.get("tick")->as_int(), 1000);

    const JsonValue& car = state.get("traffic")->items[99];
    const long long expected_car[] = {6, 512, -70000, 13, 1, 9, 6, 40};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(car.items[i].as_int(), expected_car[i]) << i;
    }
    EXPECT_EQ(state.get("score")->as_int(), -1234);
    EXPECT_EQ(state.get("alien_shots")->items[9].items[3].as_int(), -4);
    EXPECT_EQ(state.get("rand_state")->as_int(), 4294967295LL);
    EXPECT_EQ(state.get("truck_speed")->text, "0.10000000000000001");
    EXPECT_EQ(state.get("truck_accel")->number, -1.0 / 3.0);
    EXPECT_EQ(state.get("truck_vy")->kind, JsonValue::NUL);
    const JsonValue* initials = state.get("hiscore_initials");
    ASSERT_TRUE(initials && initials->items.size() == 10u);
    EXPECT_EQ(initials->items[0].text, "\"\\/");
    EXPECT_EQ(initials->items[1].text, std::string("\0\n\xE9", 3));
    for (const JsonValue& entry : initials->items) {
        EXPECT_EQ(entry.text.size(), 3u);
    }
}

}  // namespace
