// Shared set-up for the play tests: a known road, quiet traffic, held keys.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/headless.h"
#include "platform/platform.h"
#include "play/play.h"
#include "shell/random.h"

namespace play_test {

constexpr uint32_t TICK = 7000000;

// Holds exactly the keys named ("UP LEFT"), through the scripted keyboard.
inline void hold(const std::string& keys)
{
    headless_start(true, TICK);
    std::string script = "0";
    size_t pos = 0;
    while (pos < keys.size()) {
        size_t end = keys.find(' ', pos);
        if (end == std::string::npos) {
            end = keys.size();
        }
        if (end > pos) {
            script += " +" + keys.substr(pos, end - pos);
        }
        pos = end + 1;
    }
    script = script == "0" ? "" : script + "\n";
    char error[200] = "";
    ASSERT_EQ(headless_parse_script(script.data(), script.size(), error, sizeof error), 1) << error;
    headless_begin_pass(0);
}

// Seven vehicles a lane, 100 units apart, all at their lane's middle speed
// and well ahead of the truck: they neither follow, touch nor respawn.
inline void quiet_traffic()
{
    for (int i = 0; i < CAR_COUNT; ++i) {
        Car& car = traffic[i];
        int lane = i % 7;
        car.kind = 0;
        car.target_lane = lane;
        car.x = lane_x[lane];
        car.position = distance + 2000 + 100 * (i / 7);
        car.speed = 146 - 5 * lane;
        car.hit = 0;
        car.wreck_frame = 0;
        car.wreck_tick = 0;
    }
}

// A freshly started game in its first drive, no key held.
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
    truck_y = 200;
    truck_accel = 0.0;
    truck_vy = 0.0;
    truck_wrecked = 0;
    wreck_timer = 0;
    help_timer = 0;
    respawn_timer = 0;
    radio_station = 0;
    radio_freq_major = 10;
    radio_freq_minor = 5;
    battle_music_on = 0;
    alien_defeated = 0;
    alien_pinned = 0;
    alien_frame = 0;
    alien_step = 0;
    alien_step_timer = 0;
    distance = 500000;
    quiet_traffic();
}

// The wobble the next road step will give: the next draw of the generator.
inline int next_wobble()
{
    uint32_t saved = rand_state;
    int r = game_rand();
    rand_state = saved;
    return 1 - r % 3;
}

}  // namespace play_test
