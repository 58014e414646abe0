// Text lines: colour matching, transparency, clipping at the edges.
#include <gtest/gtest.h>

#include <cstring>

#include "display/display.h"
#include "shell/random.h"

namespace {

class TextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat_window_create(true, false);
        ASSERT_EQ(gfx_display_setup(), 1);
        // A grey ramp with one pure red at 77.
        PlatPaletteEntry entries[256];
        for (int i = 0; i < 256; i++) {
            entries[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i), PC_NOCOLLAPSE};
        }
        entries[77] = {240, 0, 0, PC_NOCOLLAPSE};
        plat_set_palette_entries(display_palette, 0, 256, entries);
        gfx_fill_surface(back_buffer, 1);
    }
    void TearDown() override { gfx_release_all(); }

    int count(uint8_t index, int left = 0, int top = 0, int right = 640, int bottom = 480)
    {
        int n = 0;
        for (int y = top; y < bottom; y++) {
            for (int x = left; x < right; x++) {
                n += back_buffer->pixels[y * back_buffer->pitch + x] == index;
            }
        }
        return n;
    }
};

TEST_F(TextTest, DrawsInTheNearestPaletteEntryAndLeavesTheRest)
{
    snprintf(text_buffer, sizeof text_buffer, "%s", "Checking Oil");
    EXPECT_EQ(gfx_draw_text(text_buffer, 290, 278, TEXT_COLOUR, back_buffer), 1);
    const int ink = count(77);
    EXPECT_GT(ink, 60);
    EXPECT_EQ(ink + count(1), 640 * 480);  // nothing but the letters changed
    // All of it below and right of the given corner, within one line.
    EXPECT_EQ(count(77, 290, 278, 640, 278 + plat_text_height()), ink);
    EXPECT_EQ(plat_text_height(), 16);
}

TEST_F(TextTest, EmptyTextDrawsNothing)
{
    EXPECT_EQ(gfx_draw_text("", 100, 100, TEXT_COLOUR, back_buffer), 1);
    EXPECT_EQ(count(1), 640 * 480);
}

TEST_F(TextTest, TextIsCutAtTheEdges)
{
    const char* line = "WOO HOO!!!  BOY HOWDY!!  CONGRATULATIONS!!!";
    gfx_draw_text(line, 0, 100, TEXT_COLOUR, back_buffer);
    const int whole = count(77);
    const int width = plat_text_width(line, static_cast<int>(strlen(line)));
    ASSERT_GT(width, 200);

    // Past the right edge: only the part on the surface, the same pixels.
    gfx_fill_surface(back_buffer, 1);
    gfx_draw_text(line, 640 - 100, 100, TEXT_COLOUR, back_buffer);
    EXPECT_GT(count(77), 0);
    EXPECT_LT(count(77), whole);

    // A negative y shows the lower part only; far off, nothing.
    gfx_fill_surface(back_buffer, 1);
    gfx_draw_text(line, 0, -8, TEXT_COLOUR, back_buffer);
    EXPECT_GT(count(77), 0);
    EXPECT_LT(count(77), whole);
    EXPECT_EQ(count(77, 0, 8, 640, 480), 0);
    gfx_fill_surface(back_buffer, 1);
    gfx_draw_text(line, 0, -40, TEXT_COLOUR, back_buffer);
    gfx_draw_text(line, 0, 480, TEXT_COLOUR, back_buffer);
    gfx_draw_text(line, 640, 10, TEXT_COLOUR, back_buffer);
    gfx_draw_text(line, -100000, 100000, TEXT_COLOUR, back_buffer);
    EXPECT_EQ(count(1), 640 * 480);

    // At the bottom edge: the upper part.
    gfx_draw_text(line, 0, 470, TEXT_COLOUR, back_buffer);
    EXPECT_GT(count(77), 0);
    EXPECT_LT(count(77), whole);
}

TEST_F(TextTest, NoDeviceContextNoText)
{
    int pitch = 0;
    ASSERT_NE(plat_lock(back_buffer, &pitch), nullptr);
    EXPECT_EQ(gfx_draw_text("busy", 10, 10, TEXT_COLOUR, back_buffer), 0);
    plat_unlock(back_buffer);
    EXPECT_EQ(count(1), 640 * 480);
    EXPECT_EQ(gfx_draw_text("none", 10, 10, TEXT_COLOUR, nullptr), 0);
}

}  // namespace
