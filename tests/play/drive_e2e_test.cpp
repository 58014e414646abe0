// End-to-end drive through the headless harness: from the title through a
// story page into traffic, checked pass by pass against the driving and
// traffic rules, and the same again for the same start tick.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "play/play.h"
#include "play_run.h"

namespace {

using play_run::key;
using play_run::values;

// The radio display's digits as one number: 1005 for "100.5 FM".
int radio(const std::string& s)
{
    return key(s, "radio_freq_major") * 100 + key(s, "radio_station") * 10 + key(s, "radio_freq_minor");
}

TEST(DriveE2e, StoryPageIntoTrafficPassByPass)
{
    // Title, menu, story page 0; space on the story page at pass 40 starts play.
    constexpr int PLAY_START = 40;
    const int passes = 450;
    play_run::Run run;
    std::ofstream(run.dir / "input.txt") << "5 +SPACE\n6 -SPACE\n10 +S\n11 -S\n40 +SPACE\n41 -SPACE +UP\n100 +LEFT\n"
                                            "170 -LEFT\n220 +H\n221 -H\n260 +S\n261 -S\n330 -UP\n360 +DOWN\n"
                                            "380 -DOWN +UP +RIGHT\n";
    EXPECT_EQ(run.play(run.dir / "input.txt", 31337, passes, true), 0);
    const std::vector<std::string> trace = run.states;
    ASSERT_EQ(static_cast<int>(trace.size()), passes);
    EXPECT_EQ(run.play(run.dir / "input.txt", 31337, passes, true), 0);
    EXPECT_TRUE(run.states == trace) << "the same start tick, another drive";
    lanes_init();

    EXPECT_NE(key(trace[PLAY_START - 1], "game_mode"), 5);
    const std::string& first = trace[PLAY_START];
    EXPECT_EQ(key(first, "game_mode"), 5);
    EXPECT_EQ(key(first, "play_state"), PLAY_DRIVING);
    EXPECT_EQ(key(first, "clock_start"), 31337 + 33 * PLAY_START);
    EXPECT_EQ(key(first, "truck_x"), 576);  // from 580, clamped onto the road
    EXPECT_EQ(key(first, "score"), -1);     // and on the shoulder
    EXPECT_EQ(radio(first), 1005);
    EXPECT_NE(radio(trace[260]), 1005);
    EXPECT_TRUE(run.logged(220, "snd_play", 0));  // the horn on H
    EXPECT_TRUE(run.logged(299, "snd_play", 3));  // "ten-four" on the 80th frame

    for (int p = PLAY_START + 1; p < passes && !HasFailure(); ++p) {
        const std::string& was = trace[p - 1];
        const std::string& now = trace[p];
        SCOPED_TRACE("pass " + std::to_string(p));
        bool up = p < 330 || p >= 380, down = p >= 360 && p < 380;
        bool left = p >= 100 && p < 170, right = p >= 380;

        // Keys, speed and the distance it covers, before the lane's limit.
        double accel = down ? -1.0 : up ? 1.0 : -0.5;
        EXPECT_EQ(values(now, "truck_accel").at(0), accel);
        double v = values(was, "truck_speed").at(0);
        double speed = values(now, "truck_speed").at(0);
        EXPECT_EQ(key(now, "distance"), static_cast<int>(key(was, "distance") + v + accel));
        int lane = nearest_lane(key(now, "truck_x"));
        EXPECT_EQ(speed, std::fmax(std::fmin(v + accel, 150 - 5 * lane), 0.0));

        // Steering by the speed of the previous frame, plus the wobble.
        int aimed = key(was, "truck_x") + (left ? static_cast<int>(0.5 - 0.05 * v) : 0) +
                    (right ? static_cast<int>(0.05 * v + 0.5) : 0);
        int x = key(now, "truck_x");
        EXPECT_TRUE(std::abs(x - aimed) <= 1 || (x == 576 && aimed >= 575) || (x == 128 && aimed <= 129)) << x;

        // Points: the shoulder, and 10 a contact (damaging ones cost 2).
        int shoulder = lane == 7 && key(was, "play_state") != PLAY_HELP_CALL;
        int damage_added = key(now, "damage") - key(was, "damage");
        int contacts = key(now, "score") - key(was, "score") + shoulder + 5 * damage_added;
        EXPECT_TRUE(damage_added >= 0 && damage_added % 2 == 0 && contacts >= 0 && contacts % 10 == 0);
        EXPECT_EQ(key(now, "truck_wrecked"), 0);

        // The help call from H on; the radio changes only on S.
        EXPECT_EQ(key(now, "play_state"), p >= 220 ? PLAY_HELP_CALL : PLAY_DRIVING);
        EXPECT_EQ(key(now, "help_calls"), p >= 220 ? 2 : 3);
        EXPECT_EQ(key(now, "help_timer"), p >= 220 ? p - 219 : 0);
        EXPECT_TRUE(p == 260 || radio(now) == radio(was));

        // Lane markings scroll by a quarter of the speed on a 470 px cycle.
        std::vector<double> dashes = values(now, "dash_y"), dashes_before = values(was, "dash_y");
        for (int k = 20; k < 90; ++k) {  // rows 2 to 8
            int y = static_cast<int>(dashes_before.at(k) + 0.25 * speed);
            EXPECT_EQ(dashes.at(k), y >= 470 ? y - 470 : y);
        }

        // Each intact vehicle moves by its speed (plus the creep) or is placed
        // anew well away from the truck; it keeps to the road and its band.
        int d = key(now, "distance");
        std::vector<double> cars = values(now, "traffic"), before = values(was, "traffic");
        ASSERT_EQ(cars.size(), 800u);
        for (int i = 0; i < CAR_COUNT; ++i) {
            const double* car = &cars[8 * i];
            const double* old = &before[8 * i];
            if (old[4] != 0) {
                continue;  // burning: it shakes and may be replaced
            }
            int moved = static_cast<int>(old[2] + old[5]);
            int away = std::abs(static_cast<int>(car[2]) - d);
            bool placed_anew = away >= 1000 && away <= 3999 && std::abs(moved - d) >= 4000;
            EXPECT_TRUE(car[2] - moved == 0 || car[2] - moved == 1 || placed_anew) << i;
            int n = nearest_lane(static_cast<int>(car[1]));
            EXPECT_TRUE(car[1] >= 130 && car[1] <= 576 && car[5] >= 141 - 5 * n && car[5] <= 151 - 5 * n) << i;
        }
    }
}

}  // namespace
