// Whole play frames on the real display in headless mode: the gauges, lane
// markings, readouts and icons, what is drawn in which state, the order of
// the steps; the initials entry on the last wreck, "GAME OVER" and the
// reset it leads to.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "display/display.h"
#include "frontend/frontend.h"
#include "hiscore/hiscore.h"
#include "play_test_util.h"
#include "support/run.h"

using namespace play_test;

namespace {

using test_support::fields_are;

class PlayFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!display_ready()) {
            FAIL() << "the headless display did not start (game_init failed on a copy of " << TAILGATE_DATA_DIR << ")";
        }
        fresh_drive(777);
        game_mode = MODE_PLAY;
        clock_start = plat_get_tick_count();
        lives = help_calls = 0;
        green = plat_nearest_index(plat_rgb(0, 255, 0));
        blue = plat_nearest_index(plat_rgb(20, 20, 255));
        yellow = plat_nearest_index(plat_rgb(255, 255, 0));
    }
    void TearDown() override { hold(""); }

    static void no_dashes() { memset(dash_active, 0, sizeof dash_active); }

    // Pixels of the box shown otherwise than the road with `text` at (x, y).
    static int text_differs(const char* text, int x, int y)
    {
        gfx_blit(background_surface, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, back_buffer, 0);
        gfx_draw_text(text, x, y, TEXT_COLOUR, back_buffer);
        return count_changed(x - 2, y - 2, x + 250, y + 22, back_buffer);
    }

    int green = -1, blue = -1, yellow = -1;
};

TEST_F(PlayFrameTest, GaugesAndDashes)
{
    ASSERT_NE(green, blue);
    truck_speed = 0.0;  // at rest: no speed gauge, dashes 5 px long
    damage = 100;       // no condition gauge
    ASSERT_EQ(play_draw_frame(), 1);
    EXPECT_EQ(count_index(green, 14, 266, 128, 279), 0);
    EXPECT_EQ(count_index(blue, 14, 214, 128, 227), 0);
    EXPECT_EQ(shown_pixel(192, 96), yellow);  // row 2 (x 192), slot 1 (y 96)
    EXPECT_EQ(shown_pixel(192, 100), yellow);
    EXPECT_NE(shown_pixel(192, 103), yellow);

    const double speeds[] = {150.0, 15.0};
    const int damages[] = {0, 50};
    const int speed_end[] = {119, 20};   // 11/15 of the speed, a double just below
    const int damage_end[] = {120, 65};  // 110 px undamaged
    for (int i = 0; i < 2; ++i) {
        truck_speed = speeds[i];
        damage = damages[i];
        ASSERT_EQ(play_draw_frame(), 1);
        // The 5 px pen reaches 2 px past a line's end.
        EXPECT_EQ(shown_pixel(speed_end[i] + 2, 272), green) << i;
        EXPECT_NE(shown_pixel(speed_end[i] + 3, 272), green) << i;
        EXPECT_EQ(shown_pixel(damage_end[i] + 2, 220), blue) << i;
        EXPECT_NE(shown_pixel(damage_end[i] + 3, 220), blue) << i;
    }
    EXPECT_EQ(shown_pixel(192, 96 + 5), yellow);  // 8 px at 15: trunc(3.0) + 5
    EXPECT_NE(shown_pixel(192, 96 + 9), yellow);

    // Only slots 0 to 4 of a line are drawn, wherever the others are.
    no_dashes();
    dash_active[2][7] = 1;
    dash_x[2][7] = 192;
    dash_y[2][7] = 96;
    ASSERT_EQ(play_draw_frame(), 1);
    EXPECT_EQ(count_index(yellow, 190, 90, 195, 140), 0);
}

TEST_F(PlayFrameTest, Readouts)
{
    no_dashes();
    radio_freq_major = 9;
    radio_station = 7;
    radio_freq_minor = 3;
    score = -1234;
    distance = 123456;
    clock_start -= 210000 + 3 * 3500 + 100;  // 1 game hour, 3 game minutes
    ASSERT_EQ(play_draw_frame(), 1);
    EXPECT_EQ(text_differs("97.3 FM", 43, 110), 0);
    EXPECT_EQ(text_differs("-1234", 43, 163), 0);
    EXPECT_EQ(text_differs("87", 56, 334), 0);
    EXPECT_EQ(text_differs("1 hours, 3 min", 15, 385), 0);
    EXPECT_GT(text_differs("1 hours, 4 min", 15, 385), 0);
}

TEST_F(PlayFrameTest, SpareTruckAndHelpCallIcons)
{
    for (int count : {0, -1}) {  // none drawn, also after a last wreck
        lives = help_calls = count;
        ASSERT_EQ(play_draw_frame(), 1);
        EXPECT_EQ(count_changed(0, 0, 60, 50), 0);
    }
    lives = 2;
    help_calls = 3;
    ASSERT_EQ(play_draw_frame(), 1);
    EXPECT_GT(count_changed(0, 0, 16, 24), 0);
    EXPECT_GT(count_changed(16, 0, 26, 24), 0);
    EXPECT_EQ(count_changed(26, 0, 60, 24), 0);
    EXPECT_GT(count_changed(20, 25, 36, 49), 0);
    EXPECT_EQ(count_changed(36, 25, 60, 49), 0);
    lives = 0;  // the help icons alone: rows 25 to 48
    ASSERT_EQ(play_draw_frame(), 1);
    EXPECT_EQ(count_changed(0, 0, 60, 25), 0);
    EXPECT_GT(count_changed(0, 48, 60, 49), 0);
}

TEST_F(PlayFrameTest, WhatIsDrawnInWhichState)
{
    no_dashes();
    truck_x = 130;
    traffic[40] = Car{1, 200, distance - 60, 0, 0, 0, 1, 0};  // on the screen at (200, 60)
    struct Case {
        int state, traffic, truck, help_truck;
    };
    const Case cases[] = {{PLAY_DRIVING, 1, 1, 0},    {PLAY_HELP_CALL, 1, 1, 1}, {PLAY_WRECK, 1, 0, 0},
                          {PLAY_LAST_WRECK, 1, 0, 0}, {PLAY_GAME_OVER, 0, 0, 0}, {PLAY_BATTLE, 0, 1, 0}};
    for (const Case& c : cases) {
        play_state = c.state;
        truck_wrecked = c.state == PLAY_WRECK || c.state == PLAY_LAST_WRECK || c.state == PLAY_GAME_OVER;
        wreck_timer = 50;  // past the explosion pictures
        help_timer = 271;  // the help truck's first frame waiting, at (576, 296)
        alien_x = 378;
        alien_y = 10;
        alien_health = 100;  // its gauge ends at x 120
        ASSERT_EQ(play_draw_frame(), 1) << c.state;
        EXPECT_EQ(count_changed(200, 60, 264, 124) > 0, c.traffic) << c.state;
        EXPECT_EQ(count_changed(130, 200, 194, 296) > 0, c.truck) << c.state;
        EXPECT_EQ(count_changed(576, 296, 640, 392) > 0, c.help_truck) << c.state;
    }
    // A burning vehicle grows 2 px a stage from its top-left corner.
    play_state = PLAY_DRIVING;
    truck_wrecked = 0;
    traffic[40].wreck_frame = 10;
    ASSERT_EQ(play_draw_frame(), 1);
    EXPECT_GT(count_changed(264, 60, 284, 144), 0);
    EXPECT_EQ(count_changed(284, 60, 320, 160) + count_changed(200, 144, 284, 160), 0);
    traffic[40].wreck_frame = 0;
}

// From every state, the ones the recordings never reach included (a
// respawn, the victory's end), eight frames undrawn come to the state of
// eight frames drawn, byte for byte.
TEST_F(PlayFrameTest, UndrawnFramesComeToTheDrawnFramesStateInEveryPlayState)
{
    level_index = lives = 1;
    alien_health = 50;
    respawn_timer = wreck_timer = 2;  // both pass their frame 5
    help_timer = 76;                  // passes "ten-four"
    hold("UP SPACE");
    for (int state : {PLAY_DRIVING, PLAY_HELP_CALL, PLAY_WRECK, PLAY_LAST_WRECK, PLAY_GAME_OVER, PLAY_BATTLE,
                      PLAY_BATTLE_RESPAWN}) {
        for (int defeated : {0, 1}) {
            play_state = state;
            truck_wrecked = state == PLAY_WRECK || state == PLAY_LAST_WRECK || state == PLAY_GAME_OVER;
            alien_defeated = defeated;
            alien_step_timer = 296;  // a beaten alien's last frames burning
            GameState start, drawn, undrawn;
            game_state_save(&start);
            audio_muted = 1;
            for (bool drawing : {true, false}) {
                game_state_restore(&start);
                for (int frame = 0; frame < 8; frame++) {
                    play_frame(drawing);
                }
                game_state_save(drawing ? &drawn : &undrawn);
            }
            audio_muted = 0;
            game_state_restore(&start);
            EXPECT_TRUE(drawn.bytes == undrawn.bytes) << "state " << state << (defeated ? ", alien beaten" : "");
        }
    }
}

// How long each timed picture is shown, in frames: its picture step drawn
// at every value of its timer (on the bare road), and a burning vehicle's
// fire from the touch to its new start.
TEST_F(PlayFrameTest, TimedPicturesLastTheirFrames)
{
    const auto frames_drawn = [](void (*draw)(), int* timer, int from, int to) {
        int drawn = 0;
        for (*timer = from; *timer < to; ++*timer) {
            gfx_blit(background_surface, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, back_buffer, 0);
            draw();
            const auto off_road = [](int x, int y, int p) {
                return p != test_support::pixel(background_surface, x, y);
            };
            drawn += test_support::count_pixels(back_buffer, off_road, 130) > 0 ? 1 : 0;
        }
        return drawn;
    };
    truck_x = 300;
    truck_y = 200;
    alien_x = 300;
    alien_y = 100;
    play_state = PLAY_WRECK;
    EXPECT_EQ(frames_drawn(wreck_draw, &wreck_timer, -5, 120), 6) << "explosion of a wreck";
    play_state = PLAY_LAST_WRECK;
    EXPECT_EQ(frames_drawn(wreck_draw, &wreck_timer, -5, 120), 6) << "explosion of the last wreck";
    EXPECT_EQ(frames_drawn(respawn_draw, &respawn_timer, 0, 120), 6) << "explosion before a respawn";
    EXPECT_EQ(frames_drawn(victory_draw, &alien_step_timer, 0, 400), 300) << "the burning alien";

    // A vehicle touched at the start of a frame burns for 28 frames, its
    // picture growing each second one.
    play_state = PLAY_DRIVING;
    traffic[40].hit = 1;
    int burning = 0;
    for (; traffic[40].hit == 1 && burning < 100; burning++) {
        traffic_step();
    }
    EXPECT_EQ(burning, 28);
}

TEST_F(PlayFrameTest, WreckedTruckIgnoresKeysAndCreeps)
{
    play_state = PLAY_WRECK;
    truck_wrecked = 1;
    wreck_timer = 50;
    truck_speed = 80.0;
    truck_accel = 1.0;
    truck_x = 300;
    distance = 999999;
    hold("UP DOWN LEFT RIGHT");
    ASSERT_EQ(play_frame(), 1);
    // Speed held at 0, then one step of the old throttle: over the line, but
    // a wreck starts no battle; the truck moves only by the wobble.
    EXPECT_EQ(truck_speed, 1.0);
    EXPECT_TRUE(fields_are({FIELD(distance, 1000000), FIELD(play_state, PLAY_WRECK), FIELD(wreck_timer, 51)}));
    EXPECT_LE(std::abs(truck_x - 300), 1);

    // A last wreck does not drive at all, but the traffic goes on.
    play_state = PLAY_LAST_WRECK;
    int position = traffic[20].position;
    int before = distance;
    ASSERT_EQ(play_frame(), 1);
    EXPECT_EQ(truck_speed, 0.0);
    EXPECT_EQ(distance, before);
    EXPECT_NE(traffic[20].position, position);
}

// Loads a script whose events are all far in the future: only a wait inside
// a pass (the initials entry) can use them up.
void pending_events(const std::string& events)
{
    std::string script;
    std::istringstream words(events);
    for (std::string event, pass = "100000"; words >> event; pass = std::to_string(std::stoi(pass) + 1)) {
        script += pass + " " + event + "\n";
    }
    plat_use_backend(PLAT_HEADLESS, 7000000);
    char error[200] = "";
    ASSERT_EQ(harness_parse_script(script.data(), script.size(), error, sizeof error), 1) << error;
    headless_begin_pass(0);
}

// A truck just wrecked in traffic at level 1 with a spare left, and a
// high-score table whose tenth score is 991.
class WreckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!play_test::display_ready()) {
            FAIL() << "the headless display did not start (game_init failed on a copy of " << TAILGATE_DATA_DIR << ")";
        }
        play_test::fresh_drive();
        game_mode = MODE_PLAY;
        level_index = 1;
        play_state = PLAY_WRECK;
        truck_wrecked = 1;
        truck_x = 300;
        damage = 100;
        lives = 1;
        help_calls = 2;
        score = 500;
        for (int k = 0; k < HISCORE_COUNT; k++) {
            hiscore_scores[k] = 1000 - k;
            memcpy(hiscore_initials[k], "QQQ", 3);
        }
        // A save merges in what the file holds; this table stands alone.
        std::remove("hiscore.txt");
    }

    void TearDown() override { plat_use_backend(PLAT_WINDOW, 1000); }

    static void last_wreck(int score_now)
    {
        play_state = PLAY_LAST_WRECK;
        lives = -1;
        score = score_now;
    }
};

TEST_F(WreckTest, LastWreckTakesInitialsOnItsNinetyEighthFrame)
{
    last_wreck(2000);
    pending_events("+DOWN -DOWN +SPACE -SPACE +UP -UP +SPACE -SPACE +SPACE -SPACE");
    for (int frame = 1; frame <= 97; frame++) {
        last_wreck_step();
    }
    EXPECT_EQ(headless_events_left(), 10);
    last_wreck_step();
    EXPECT_TRUE(fields_are(
        {FIELD(headless_events_left(), 0), FIELD(play_state, PLAY_LAST_WRECK), FIELD(hiscore_scores[0], 2000)}));
    EXPECT_EQ(std::string(hiscore_initials[0], 3), "ZBA");
    const std::string text = test_support::read_text("hiscore.txt");
    EXPECT_EQ(text.find("10\n2000\n1000\n"), 0u);
    EXPECT_NE(text.find("Z\nB\nA\n"), std::string::npos);
}

TEST_F(WreckTest, GameOverWaitsForTheSpaceBarAndLeavesAtOnceWhenItIsHeld)
{
    last_wreck(-40);
    wreck_timer = 100;
    for (int frame = 0; frame < 5; frame++) {
        ASSERT_EQ(play_frame(), 1);
    }
    EXPECT_TRUE(fields_are({FIELD(game_mode, MODE_PLAY), FIELD(play_state, PLAY_GAME_OVER), FIELD(score, -40)}));

    // Space held as the last wreck's 101st frame ends: straight to the menu.
    last_wreck(-40);
    wreck_timer = 100;
    radio_freq_major = 9;
    radio_station = 4;
    radio_freq_minor = 7;
    play_test::hold("SPACE");
    ASSERT_EQ(game_main(), 1);
    EXPECT_TRUE(fields_are({FIELD(game_mode, MODE_MENU), FIELD(play_state, PLAY_DRIVING), FIELD(wreck_timer, 101)}));

    // The next game starts afresh (level, lives, help calls, score,
    // distance, damage, wreck flag, truck), the radio display as it was.
    EXPECT_TRUE(
        fields_are({FIELD(level_index, 0), FIELD(lives, 2), FIELD(help_calls, 3), FIELD(score, 0), FIELD(distance, 0),
                    FIELD(damage, 0), FIELD(truck_wrecked, 0), FIELD(truck_x, 580), FIELD(truck_y, 200),
                    FIELD(radio_freq_major, 9), FIELD(radio_station, 4), FIELD(radio_freq_minor, 7)}));
    EXPECT_DOUBLE_EQ(truck_speed, 0.0);
    EXPECT_DOUBLE_EQ(story_scroll, 0.0);
}

}  // namespace
