// Shared set-up for the play tests: a known road, quiet traffic, held keys,
// and the real display started headless on a copy of the game data.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <unistd.h>

#include "core/random.h"
#include "display/display.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "play/play.h"
#include "shell/game_state.h"
#include "shell/harness_script.h"
#include "support/fields.h"
#include "support/pixels.h"
#include "support/run.h"

namespace play_test {

using test_support::fields_are;

// Holds exactly the keys named ("UP LEFT"), through the scripted keyboard.
inline void hold(const std::string& keys)
{
    plat_use_backend(PLAT_HEADLESS, 7000000);
    std::istringstream words(keys);
    std::string script = "0", word;
    while (words >> word) {
        script += " +" + word;
    }
    script = script == "0" ? "" : script + "\n";
    char error[200] = "";
    ASSERT_EQ(harness_parse_script(script.data(), script.size(), error, sizeof error), 1) << error;
    headless_begin_pass(0);
}

// Seven vehicles a lane, 100 units apart, at their lane's middle speed and
// well ahead of the truck: they neither follow, touch nor respawn.
inline void quiet_traffic()
{
    for (int i = 0; i < CAR_COUNT; ++i) {
        int lane = i % 7;
        traffic[i] = Car{0, lane_x[lane], distance + 2000 + 100 * (i / 7), 0, 0, 146 - 5 * lane, lane, 0};
    }
}

// 1 when the display is up: the game started once per test program in a
// scratch copy of the data (start-up rewrites hiscore.txt there).
inline int display_ready()
{
    static const int state = back_buffer != nullptr || test_support::game_here("");
    return state;
}

// A freshly started game in the middle of its first drive, no key held: the
// state the start-up left (saved once), the road tables drawn from `seed`,
// the truck in lane 3 and quiet traffic ahead.
inline void fresh_drive(uint32_t seed = 12345)
{
    static GameState start_up;
    if (start_up.bytes.empty()) {
        EXPECT_TRUE(display_ready()) << "the game did not start on a copy of " << TAILGATE_DATA_DIR;
        game_state_save(&start_up);
    }
    game_state_restore(&start_up);
    hold("");
    game_srand(seed);
    lanes_init();
    level_lengths_init();
    dashes_init();
    alien_script_init();
    truck_x = 322;
    radio_freq_major = 10;
    radio_freq_minor = 5;
    distance = 500000;
    quiet_traffic();
}

// The next draw of the generator as a wobble (1 - r mod 3), left unmade.
inline int next_wobble()
{
    uint32_t saved = rand_state;
    int r = game_rand();
    rand_state = saved;
    return 1 - r % 3;
}

// The frame just shown: the flip put it on the visible surface.
inline int shown_pixel(int x, int y)
{
    return test_support::pixel(primary_surface, x, y);
}

// Pixels of the box [x0, x1) x [y0, y1) shown with palette index `index`.
inline int count_index(int index, int x0, int y0, int x1, int y1)
{
    return test_support::count_index(primary_surface, index, x0, y0, x1, y1);
}

// Pixels of the box shown otherwise than `reference` (the road by default).
inline int count_changed(int x0, int y0, int x1, int y1, const PlatSurface* reference = nullptr)
{
    const PlatSurface* r = reference ? reference : background_surface;
    return test_support::count_pixels(
        primary_surface, [r](int x, int y, int p) { return p != test_support::pixel(r, x, y); }, x0, y0, x1, y1);
}

}  // namespace play_test
