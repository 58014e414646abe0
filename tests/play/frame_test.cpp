// Whole play frames on the real display in headless mode: the order of the
// steps, the gauges and lane markings, the icons, what is drawn in which
// state, and a device context that cannot be had.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "display/display.h"
#include "frontend/frontend.h"
#include "play/play.h"
#include "play_display.h"
#include "play_test_util.h"

using namespace play_test;

namespace {

class PlayFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!display_ready()) {
            GTEST_SKIP() << "no game data to start the display with";
        }
        fresh_drive(777);
        game_mode = MODE_PLAY;
        clock_start = plat_get_tick_count();
        green = plat_nearest_index(plat_rgb(0, 255, 0));
        blue = plat_nearest_index(plat_rgb(20, 20, 255));
        yellow = plat_nearest_index(plat_rgb(255, 255, 0));
    }
    void TearDown() override { hold(""); }

    static void no_dashes()
    {
        for (int row = 0; row < DASH_ROWS; ++row) {
            for (int k = 0; k < DASH_SLOTS; ++k) {
                dash_active[row][k] = 0;
            }
        }
    }

    // A vehicle drawn at (x, y) on the screen, intact and alone.
    static void car_on_screen(int index, int x, int y)
    {
        Car& car = traffic[index];
        car.x = x;
        car.position = distance - y;
        car.kind = 1;
        car.wreck_frame = 0;
        car.hit = 0;
    }

    int green = -1;
    int blue = -1;
    int yellow = -1;
};

TEST_F(PlayFrameTest, GaugesAtRestAndAtFullDamage)
{
    ASSERT_NE(green, blue);
    truck_speed = 0.0;
    damage = 100;
    ASSERT_EQ(play_draw_frame(), 1);
    EXPECT_EQ(count_index(green, 14, 266, 128, 279), 0) << "a speed gauge at rest";
    EXPECT_EQ(count_index(blue, 14, 214, 128, 227), 0) << "a condition gauge at damage 100";

    truck_speed = 150.0;
    damage = 0;
    ASSERT_EQ(play_draw_frame(), 1);
    EXPECT_EQ(shown_pixel(60, 272), green);
    EXPECT_EQ(shown_pixel(118, 272), green);  // ends at x 119
    EXPECT_NE(shown_pixel(123, 272), green);
    EXPECT_EQ(shown_pixel(60, 220), blue);
    EXPECT_EQ(shown_pixel(119, 220), blue);  // 110 px long, to x 120
    EXPECT_NE(shown_pixel(124, 220), blue);

    truck_speed = 15.0;
    damage = 50;
    ASSERT_EQ(play_draw_frame(), 1);
    EXPECT_EQ(shown_pixel(19, 272), green);  // ends at x 20
    EXPECT_NE(shown_pixel(24, 272), green);
    EXPECT_EQ(shown_pixel(64, 220), blue);  // ends at x 65
    EXPECT_NE(shown_pixel(69, 220), blue);
}

TEST_F(PlayFrameTest, DashesLengthenWithSpeed)
{
    // Row 2 is the line at x 192; its slot 1 starts at y 96.
    truck_speed = 0.0;
    ASSERT_EQ(play_draw_frame(), 1);
    EXPECT_EQ(shown_pixel(192, 96), yellow);
    EXPECT_EQ(shown_pixel(192, 100), yellow);
    EXPECT_NE(shown_pixel(192, 103), yellow);

    truck_speed = 150.0;
    ASSERT_EQ(play_draw_frame(), 1);
    EXPECT_EQ(shown_pixel(192, 96 + 34), yellow);
    EXPECT_NE(shown_pixel(192, 96 + 38), yellow);

    // Slots 5 to 9 are never drawn, wherever they are.
    no_dashes();
    dash_active[2][7] = 1;
    dash_x[2][7] = 192;
    dash_y[2][7] = 96;
    ASSERT_EQ(play_draw_frame(), 1);
    EXPECT_EQ(count_index(yellow, 190, 90, 195, 140), 0);
}

TEST_F(PlayFrameTest, SpareTruckAndHelpCallIcons)
{
    lives = 0;
    help_calls = 0;
    ASSERT_EQ(play_draw_frame(), 1);
    EXPECT_EQ(count_changed(0, 0, 60, 50), 0);

    lives = -1;  // after a last wreck
    ASSERT_EQ(play_draw_frame(), 1);
    EXPECT_EQ(count_changed(0, 0, 60, 50), 0);

    lives = 2;
    help_calls = 3;
    ASSERT_EQ(play_draw_frame(), 1);
    EXPECT_GT(count_changed(0, 0, 16, 24), 0);
    EXPECT_GT(count_changed(16, 0, 26, 24), 0);
    EXPECT_EQ(count_changed(26, 0, 60, 24), 0);
    EXPECT_GT(count_changed(20, 25, 36, 49), 0);
    EXPECT_EQ(count_changed(36, 25, 60, 49), 0);
}

TEST_F(PlayFrameTest, WhatIsDrawnInWhichState)
{
    no_dashes();
    lives = 0;
    help_calls = 0;
    truck_x = 130;
    truck_y = 200;
    car_on_screen(40, 200, 60);

    struct Case {
        int state;
        bool traffic;
        bool truck;
    };
    const Case cases[] = {
        {PLAY_DRIVING, true, true},   {PLAY_HELP_CALL, true, true},  {PLAY_WRECK, true, false},
        {PLAY_LAST_WRECK, true, false}, {PLAY_GAME_OVER, false, false}, {PLAY_BATTLE, false, true},
    };
    for (const Case& c : cases) {
        play_state = c.state;
        truck_wrecked = c.state == PLAY_WRECK || c.state == PLAY_LAST_WRECK || c.state == PLAY_GAME_OVER;
        wreck_timer = 50;  // past the explosion pictures
        help_timer = 0;    // the help truck not yet in sight
        alien_defeated = 0;
        alien_x = 378;
        alien_y = 10;
        ASSERT_EQ(play_draw_frame(), 1) << c.state;
        EXPECT_EQ(count_changed(200, 60, 264, 124) > 0, c.traffic) << c.state;
        EXPECT_EQ(count_changed(130, 200, 194, 296) > 0, c.truck) << c.state;
    }
}

TEST_F(PlayFrameTest, TrafficStandsStillInTheBattleWhileSpeedsCreep)
{
    start_battle();
    std::vector<Car> before(traffic, traffic + CAR_COUNT);
    for (int frame = 0; frame < 60; ++frame) {
        ASSERT_EQ(play_frame(), 1);
    }
    ASSERT_EQ(play_state, PLAY_BATTLE);
    int added = 0;
    for (int i = 0; i < CAR_COUNT; ++i) {
        EXPECT_EQ(traffic[i].position, before[i].position);
        EXPECT_EQ(traffic[i].x, before[i].x);
        EXPECT_EQ(traffic[i].hit, 0);
        EXPECT_GE(traffic[i].speed, before[i].speed);
        added += traffic[i].speed - before[i].speed;
    }
    EXPECT_GT(added, 0);
    EXPECT_LE(added, 60);

    // Back on the road the lane band pulls the crept speeds back.
    play_state = PLAY_DRIVING;
    traffic_step();
    for (const Car& car : traffic) {
        EXPECT_LE(car.speed, 151 - 5 * nearest_lane(car.x));
    }
}

TEST_F(PlayFrameTest, RoadEndsWithTheGaugeAtRest)
{
    hold("UP");
    truck_x = 130;
    truck_speed = 149.0;
    distance = 999900;
    ASSERT_EQ(play_frame(), 1);
    EXPECT_EQ(distance, 1000050);
    EXPECT_EQ(play_state, PLAY_BATTLE);
    EXPECT_EQ(truck_speed, 0.0);
    EXPECT_EQ(count_index(green, 14, 266, 128, 279), 0);
}

TEST_F(PlayFrameTest, HelpOnTheRoadsLastFrameThenTheBattle)
{
    hold("H");
    truck_x = 130;
    truck_speed = 100.0;
    distance = 999950;
    ASSERT_EQ(play_frame(), 1);
    EXPECT_EQ(play_state, PLAY_HELP_CALL);
    EXPECT_EQ(help_timer, 1);  // the help truck's first frame was drawn
    EXPECT_EQ(help_calls, 2);

    hold("");
    ASSERT_EQ(play_frame(), 1);
    EXPECT_EQ(play_state, PLAY_BATTLE);
    EXPECT_EQ(help_timer, 1);
}

TEST_F(PlayFrameTest, WreckedTruckIgnoresKeysAndCreeps)
{
    play_state = PLAY_WRECK;
    truck_wrecked = 1;
    wreck_timer = 50;
    truck_speed = 80.0;
    truck_accel = 1.0;
    truck_x = 300;
    hold("UP DOWN LEFT RIGHT");
    int before = distance;
    ASSERT_EQ(play_frame(), 1);
    EXPECT_EQ(truck_speed, 1.0);  // held at 0, then one step of the old throttle
    EXPECT_EQ(distance, before + 1);
    EXPECT_EQ(truck_accel, 1.0);
    EXPECT_LE(std::abs(truck_x - 300), 1);  // only the wobble
    EXPECT_EQ(wreck_timer, 51);

    // A last wreck does not drive at all, but the traffic goes on.
    play_state = PLAY_LAST_WRECK;
    int position = traffic[20].position;
    before = distance;
    ASSERT_EQ(play_frame(), 1);
    EXPECT_EQ(truck_speed, 0.0);
    EXPECT_EQ(distance, before);
    EXPECT_NE(traffic[20].position, position);
}

TEST_F(PlayFrameTest, NoDeviceContextNoFlip)
{
    ASSERT_EQ(play_draw_frame(), 1);
    gfx_flip();
    std::vector<uint8_t> shown(primary_surface->pixels,
                               primary_surface->pixels + primary_surface->pitch * primary_surface->height);
    truck_speed = 100.0;
    int before = distance;
    back_buffer->locked = 1;  // GetDC fails on a locked surface
    EXPECT_EQ(play_frame(), 0);
    back_buffer->locked = 0;
    EXPECT_GT(distance, before);  // the steps before the drawing stand
    EXPECT_EQ(memcmp(shown.data(), primary_surface->pixels, shown.size()), 0);
    EXPECT_EQ(play_frame(), 1);
}

}  // namespace
