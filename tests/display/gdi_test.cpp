// Drawing through a device context: text lines (colour matching,
// transparency, clipping at the edges), pens and lines, single pixels.
#include <gtest/gtest.h>

#include <cstring>

#include "display/display.h"
#include "support/pixels.h"

namespace {

using test_support::count_pixels;

constexpr uint8_t RED = 77;
constexpr uint8_t PAPER = 1;

class GdiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat_window_create(true, false);
        ASSERT_EQ(gfx_display_setup(), 1);
        // A grey ramp with one pure red.
        PlatPaletteEntry entries[256];
        for (int i = 0; i < 256; i++) {
            entries[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i), PC_NOCOLLAPSE};
        }
        entries[RED] = {240, 0, 0, PC_NOCOLLAPSE};
        plat_set_palette_entries(display_palette, 0, 256, entries);
        gfx_fill_surface(back_buffer, PAPER);
    }
    void TearDown() override { gfx_release_all(); }

    // Red pixels of the back buffer inside a band; the rest of it is left as
    // it was, or the count is -1.
    int red(int left = 0, int top = 0, int right = 640, int bottom = 480)
    {
        if (count_pixels(back_buffer, [](int, int, int p) { return p != RED && p != PAPER; }) > 0) {
            return -1;
        }
        return test_support::count_index(back_buffer, RED, left, top, right, bottom);
    }
    int at(int x, int y) { return test_support::pixel(back_buffer, x, y); }
    // One line in a new red pen, given back after.
    void line(int width, int x0, int y0, int x1, int y1)
    {
        PlatDC* dc = plat_get_dc(back_buffer);
        PlatPen* pen = plat_create_pen(width, TEXT_COLOUR);
        PlatPen* old = plat_select_pen(dc, pen);
        plat_move_to(dc, x0, y0);
        plat_line_to(dc, x1, y1);
        plat_select_pen(dc, old);
        plat_delete_pen(pen);
        plat_release_dc(back_buffer, dc);
    }
    int draw(const char* text, int x, int y)
    {
        gfx_fill_surface(back_buffer, PAPER);
        EXPECT_EQ(gfx_draw_text(text, x, y, TEXT_COLOUR, back_buffer), 1);
        return red();
    }
};

TEST_F(GdiTest, TextInTheNearestEntryFromItsTopLeftCornerCutAtTheEdges)
{
    const char* line = "WOO HOO!!!  BOY HOWDY!!  CONGRATULATIONS!!!";
    ASSERT_GT(plat_text_width(line, static_cast<int>(strlen(line))), 200);
    EXPECT_EQ(plat_text_height(), 16);
    const int whole = draw(line, 0, 100);
    EXPECT_GT(whole, 100);
    EXPECT_EQ(red(0, 100, 640, 116), whole);
    EXPECT_EQ(draw("", 100, 100), 0);
    // A negative y shows the lower part of the line, the bottom edge the upper.
    const int lower = draw(line, 0, -8);
    EXPECT_GT(lower, 0);
    EXPECT_EQ(red(0, 0, 640, 8), lower);
    const int cut[][2] = {{0, 470}, {540, 100}};  // past the bottom, past the right edge
    for (const auto& xy : cut) {
        const int part = draw(line, xy[0], xy[1]);
        EXPECT_GT(part, 0) << xy[0];
        EXPECT_LT(part, whole) << xy[0];
    }
    const int off[][2] = {{0, -40}, {0, 480}, {640, 10}, {-100000, 10}, {10, 100000}, {INT32_MIN, INT32_MIN}};
    for (const auto& xy : off) {
        EXPECT_EQ(draw(line, xy[0], xy[1]), 0) << xy[0] << "," << xy[1];
    }
    // Without a device context (the surface locked, or none) nothing is drawn.
    ASSERT_NE(plat_lock(back_buffer, nullptr), nullptr);
    EXPECT_EQ(gfx_draw_text("busy", 10, 10, TEXT_COLOUR, back_buffer), 0);
    plat_unlock(back_buffer);
    EXPECT_EQ(gfx_draw_text("none", 10, 10, TEXT_COLOUR, nullptr), 0);
    EXPECT_EQ(red(), 0);
}

TEST_F(GdiTest, ThinLinesLeaveOutTheirEndPointWideOnesHaveRoundEnds)
{
    line(1, 0, 479, 640, 479);
    EXPECT_EQ(red(), 640);  // the whole bottom row
    line(1, 10, 10, 20, 10);
    EXPECT_EQ(at(19, 10), RED);
    EXPECT_EQ(at(20, 10), PAPER);
    line(1, 5, 5, 5, 5);  // no length, nothing
    line(5, 300, 300, 300, 300);
    EXPECT_EQ(red(), 650);
    line(1, 100, 100, 103, 106);  // steep: one pixel a row
    EXPECT_EQ(red(), 656);

    gfx_fill_surface(back_buffer, PAPER);
    line(5, 100, 100, 110, 100);
    EXPECT_EQ(red(105, 98, 106, 103), 5);  // five rows thick
    EXPECT_EQ(at(98, 100), RED);           // round past both ends
    EXPECT_EQ(at(112, 100), RED);
    EXPECT_EQ(at(113, 100), PAPER);
    EXPECT_EQ(at(98, 98), PAPER);
    EXPECT_EQ(red(), 11 * 5 + 2 * 8);
}

TEST_F(GdiTest, LinesAndPixelsStayOnTheSurface)
{
    line(5, -50, 2, 700, 2);
    EXPECT_EQ(at(0, 0), RED);
    EXPECT_EQ(at(639, 4), RED);
    // Ends far away: the part on the surface still shows, quickly.
    line(1, 320, -1000000, 320, 1000000);
    EXPECT_EQ(at(320, 479), RED);
    line(1, -2147483647, -2147483647, 2147483647, 2147483647);
    EXPECT_EQ(at(200, 200), RED);
    gfx_fill_surface(back_buffer, PAPER);
    line(1, 5000000, 5000000, 6000000, 6000000);
    PlatDC* dc = plat_get_dc(back_buffer);
    const int pixels[][2] = {{-1, 0}, {640, 0}, {0, 480}, {639, 479}};
    for (const auto& xy : pixels) {
        plat_set_pixel(dc, xy[0], xy[1], TEXT_COLOUR);
    }
    // A pen deleted while selected is harmless.
    PlatPen* pen = plat_create_pen(1, TEXT_COLOUR);
    PlatPen* stock = plat_select_pen(dc, pen);
    plat_delete_pen(pen);
    plat_move_to(dc, 0, 0);
    plat_line_to(dc, 3, 0);
    plat_select_pen(dc, stock);
    plat_release_dc(back_buffer, dc);
    EXPECT_EQ(at(639, 479), RED);
    EXPECT_EQ(red(), 1 + 3);
}

TEST_F(GdiTest, NearestColourFollowsThePalette)
{
    EXPECT_EQ(plat_nearest_index(plat_rgb(100, 100, 100)), 100);
    EXPECT_EQ(plat_nearest_index(plat_rgb(250, 10, 10)), RED);
    PlatPaletteEntry red_entry = {240, 0, 0, PC_NOCOLLAPSE};
    EXPECT_EQ(plat_set_palette_entries(display_palette, 20, 1, &red_entry), 1);
    EXPECT_EQ(plat_nearest_index(TEXT_COLOUR), 20);  // ties go to the lower entry
    EXPECT_EQ(plat_set_palette_entries(display_palette, 255, 2, &red_entry), 0);
}

}  // namespace
