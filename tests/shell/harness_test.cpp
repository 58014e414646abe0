// The state dump: every key with its shape, with values that read back
// exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "frontend/frontend.h"
#include "hiscore/hiscore.h"
#include "platform/headless.h"
#include "play/play.h"
#include "shell/harness.h"
#include "core/random.h"
#include "support/run.h"

namespace {

using test_support::values;

// The JSON text of `key`'s value in a state line; "" when it is missing.
std::string raw(const std::string& line, const std::string& key)
{
    const size_t at = line.find("\"" + key + "\":");
    if (at == std::string::npos) {
        return "";
    }
    const size_t start = at + key.size() + 3;
    size_t end = start;
    for (int depth = 0; end < line.size(); ++end) {
        const char c = line[end];
        if (c == '"') {
            while (line[++end] != '"') {
                end += line[end] == '\\';
            }
        } else if (c == '[') {
            ++depth;
        } else if (c == ']' && --depth == 0) {
            ++end;
            break;
        } else if (depth == 0 && (c == ',' || c == '}')) {
            break;
        }
    }
    return line.substr(start, end - start);
}

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
    headless_start(true, 1000);
    std::string text;
    harness_state_json(&text, 17);
    headless_start(false, 1000);
    ASSERT_EQ(text.front(), '{');
    ASSERT_EQ(text.back(), '}');

    for (const char* key : {"pass", "tick", "rand_state", "game_mode", "play_state", "level_index", "score", "lives",
                            "help_calls", "wreck_timer", "respawn_timer", "help_timer", "distance", "truck_x",
                            "truck_y", "truck_wrecked", "damage", "clock_start", "radio_station", "radio_freq_major",
                            "radio_freq_minor", "battle_music_on", "quit_requested", "story_audio_started", "alien_x",
                            "alien_y", "alien_health", "alien_frame", "alien_defeated", "alien_pinned", "alien_step",
                            "alien_step_timer", "music_current"}) {
        const std::string value = raw(text, key);
        EXPECT_EQ(value.find_first_not_of("-0123456789"), std::string::npos) << key << ": " << value;
        EXPECT_FALSE(value.empty()) << key;
    }
    for (const char* key : {"truck_speed", "truck_accel", "story_scroll"}) {
        EXPECT_EQ(values(text, key).size(), 1u) << key;
    }
    // Tables: rows of columns (0: a flat list of numbers).
    const struct {
        const char* key;
        size_t rows, columns;
    } tables[] = {{"alien_script", 3, 20}, {"shells", 5, 3},        {"alien_shots", 10, 5},
                  {"traffic", 100, 8},     {"dash_active", 10, 10}, {"dash_x", 10, 10},
                  {"dash_y", 10, 10},      {"sparks", 300, 3},      {"hiscore_scores", 10, 0}};
    for (const auto& t : tables) {
        const std::string value = raw(text, t.key);
        EXPECT_EQ(values(text, t.key).size(), t.rows * std::max<size_t>(t.columns, 1)) << t.key;
        EXPECT_EQ(std::count(value.begin(), value.end(), '['), t.columns ? t.rows + 1 : 1) << t.key;
    }
    EXPECT_EQ(raw(text, "sounds_playing").front(), '[');
    EXPECT_EQ(std::count(text.begin(), text.end(), ':'), 48);  // the keys, no more

    EXPECT_EQ(values(text, "pass"), std::vector<double>{17});
    EXPECT_EQ(values(text, "tick"), std::vector<double>{1000});
    const std::vector<double> cars = values(text, "traffic");
    EXPECT_EQ(std::vector<double>(cars.end() - 8, cars.end()), (std::vector<double>{6, 512, -70000, 13, 1, 9, 6, 40}));
    EXPECT_EQ(values(text, "score"), std::vector<double>{-1234});
    EXPECT_EQ(values(text, "alien_shots")[9 * 5 + 3], -4);
    EXPECT_EQ(values(text, "rand_state"), std::vector<double>{4294967295.0});
    EXPECT_EQ(raw(text, "truck_speed"), "0.10000000000000001");
    EXPECT_EQ(values(text, "truck_accel"), std::vector<double>{-1.0 / 3.0});
    EXPECT_EQ(raw(text, "truck_vy"), "null");
    const std::string initials = raw(text, "hiscore_initials");
    EXPECT_EQ(initials.rfind("[\"\\\"\\\\/\",\"\\u0000\\u000a\\u00e9\",", 0), 0u) << initials;
    EXPECT_EQ(std::count(initials.begin(), initials.end(), ','), 9) << initials;
}

}  // namespace
