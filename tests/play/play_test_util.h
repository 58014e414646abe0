// Shared set-up for the play tests: a known road, quiet traffic, held keys.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "platform/headless.h"
#include "platform/platform.h"
#include "play/play.h"
#include "shell/random.h"

namespace play_test {

// Holds exactly the keys named ("UP LEFT"), through the scripted keyboard.
inline void hold(const std::string& keys)
{
    headless_start(true, 7000000);
    std::istringstream words(keys);
    std::string script = "0", word;
    while (words >> word) {
        script += " +" + word;
    }
    script = script == "0" ? "" : script + "\n";
    char error[200] = "";
    ASSERT_EQ(headless_parse_script(script.data(), script.size(), error, sizeof error), 1) << error;
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

// A freshly started game in the middle of its first drive, no key held.
inline void fresh_drive(uint32_t seed = 12345)
{
    hold("");
    game_srand(seed);
    lanes_init();
    level_lengths_init();
    dashes_init();
    alien_script_init();
    play_init_state();
    lives = 2;
    level_index = 0;
    truck_x = 322;
    truck_accel = truck_vy = 0.0;
    truck_wrecked = wreck_timer = help_timer = respawn_timer = battle_music_on = 0;
    radio_station = 0;
    radio_freq_major = 10;
    radio_freq_minor = 5;
    alien_defeated = alien_pinned = alien_frame = alien_step = alien_step_timer = 0;
    for (int& active : alien_shot_active) {
        active = 0;
    }
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

}  // namespace play_test
