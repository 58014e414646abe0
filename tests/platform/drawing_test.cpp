// Surfaces, clip lists, palettes, device contexts, pens and lines.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/platform.h"

namespace {

uint8_t at(const PlatSurface* s, int x, int y)
{
    return s->pixels[y * s->pitch + x];
}

int count(const PlatSurface* s, uint8_t index)
{
    int n = 0;
    for (int y = 0; y < s->height; y++) {
        for (int x = 0; x < s->width; x++) {
            n += at(s, x, y) == index;
        }
    }
    return n;
}

void gfx_like_clear(PlatSurface* s)
{
    memset(s->pixels, 0, static_cast<size_t>(s->pitch) * s->height);
}

TEST(Surface, SizesPitchAndLocks)
{
    EXPECT_EQ(plat_create_surface(0, 1), nullptr);
    EXPECT_EQ(plat_create_surface(1, -1), nullptr);
    EXPECT_EQ(plat_create_surface(16385, 1), nullptr);
    plat_set_pitch_padding(3);
    PlatSurface* s = plat_create_surface(5, 2);
    plat_set_pitch_padding(0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->pitch, 8);
    EXPECT_EQ(s->colour_key, -1);
    EXPECT_EQ(count(s, 0), 10);
    int pitch = 0;
    EXPECT_EQ(plat_lock(s, &pitch), s->pixels);
    EXPECT_EQ(pitch, 8);
    EXPECT_EQ(plat_lock(s, &pitch), nullptr);  // already locked
    EXPECT_EQ(plat_get_dc(s), nullptr);
    EXPECT_EQ(plat_unlock(s), 1);
    EXPECT_EQ(plat_unlock(s), 0);
    plat_release_surface(s);
    plat_release_surface(nullptr);
}

TEST(Blit, ClipListOfSeveralRectangles)
{
    PlatSurface* dest = plat_create_surface(10, 10);
    PlatSurface* src = plat_create_surface(10, 10);
    plat_fill(src, nullptr, 5);
    PlatClipper* c = plat_create_clipper();
    const PlatRect rects[] = {{0, 0, 2, 10}, {8, 0, 20, 10}};
    ASSERT_EQ(plat_set_clip_list(c, 2, rects), 1);
    plat_set_clipper(dest, c);
    const PlatRect all = {0, 0, 10, 10};
    EXPECT_EQ(plat_blit(dest, &all, src, &all, false), 1);
    EXPECT_EQ(count(dest, 5), 40);  // columns 0, 1, 8, 9
    EXPECT_EQ(at(dest, 1, 9), 5);
    EXPECT_EQ(at(dest, 2, 0), 0);
    EXPECT_EQ(at(dest, 8, 0), 5);
    // A fill of a rectangle is cut the same way; a whole fill is not.
    const PlatRect some = {1, 0, 9, 1};
    plat_fill(dest, &some, 7);
    EXPECT_EQ(count(dest, 7), 2);
    EXPECT_EQ(plat_set_clip_list(c, PLAT_CLIP_RECTS + 1, rects), 0);
    EXPECT_EQ(plat_set_clip_list(c, -1, rects), 0);
    plat_set_clipper(dest, nullptr);
    plat_release_clipper(c);
    plat_release_surface(src);
    plat_release_surface(dest);
}

TEST(Blit, BadRectanglesFailWithoutDrawing)
{
    PlatSurface* dest = plat_create_surface(8, 8);
    PlatSurface* src = plat_create_surface(4, 4);
    plat_fill(src, nullptr, 9);
    const PlatRect ok = {0, 0, 4, 4};
    const PlatRect outside_source = {2, 2, 6, 6};
    const PlatRect empty = {3, 3, 3, 5};
    const PlatRect inverted = {4, 4, 0, 0};
    const PlatRect huge = {-2147483647, -2147483647, 2147483647, 2147483647};
    EXPECT_EQ(plat_blit(dest, &ok, src, &outside_source, false), 0);
    EXPECT_EQ(plat_blit(dest, &empty, src, &ok, false), 0);
    EXPECT_EQ(plat_blit(dest, &inverted, src, &ok, false), 0);
    EXPECT_EQ(plat_blit(dest, &huge, src, &ok, false), 0);
    EXPECT_EQ(plat_blit(dest, &ok, nullptr, &ok, false), 0);
    EXPECT_EQ(plat_blit(nullptr, &ok, src, &ok, false), 0);
    EXPECT_EQ(count(dest, 0), 64);
    // Without a clipper the surface's own edges cut the blit.
    const PlatRect corner = {6, 6, 10, 10};
    EXPECT_EQ(plat_blit(dest, &corner, src, &ok, false), 1);
    EXPECT_EQ(count(dest, 9), 4);
    plat_release_surface(src);
    plat_release_surface(dest);
}

class DcTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = plat_display_open();
        ASSERT_NE(display, nullptr);
        primary = plat_display_create_primary(display, &back);
        ASSERT_NE(primary, nullptr);
        PlatPaletteEntry entries[256];
        for (int i = 0; i < 256; i++) {
            entries[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i), PC_NOCOLLAPSE};
        }
        entries[40] = {255, 255, 0, PC_NOCOLLAPSE};
        palette = plat_create_palette(entries);
        ASSERT_EQ(plat_display_set_palette(primary, palette), 1);
        dc = plat_get_dc(back);
        ASSERT_NE(dc, nullptr);
    }
    void TearDown() override
    {
        if (dc) {
            plat_release_dc(back, dc);
        }
        plat_release_palette(palette);
        plat_release_surface(primary);
        plat_display_close(display);
    }
    // Draws one line with a new pen and gives the pen back.
    void line(int width, int x0, int y0, int x1, int y1)
    {
        PlatPen* pen = plat_create_pen(width, plat_rgb(255, 255, 0));
        PlatPen* old = plat_select_pen(dc, pen);
        plat_move_to(dc, x0, y0);
        plat_line_to(dc, x1, y1);
        plat_select_pen(dc, old);
        plat_delete_pen(pen);
    }

    PlatDisplay* display = nullptr;
    PlatSurface* primary = nullptr;
    PlatSurface* back = nullptr;
    PlatPalette* palette = nullptr;
    PlatDC* dc = nullptr;
};

TEST_F(DcTest, ThinLinesLeaveOutTheirEndPoint)
{
    line(1, 0, 479, 640, 479);
    EXPECT_EQ(count(back, 40), 640);  // the whole bottom row
    line(1, 10, 10, 20, 10);
    EXPECT_EQ(at(back, 10, 10), 40);
    EXPECT_EQ(at(back, 19, 10), 40);
    EXPECT_EQ(at(back, 20, 10), 0);
    line(1, 5, 5, 5, 5);  // no length, nothing
    EXPECT_EQ(at(back, 5, 5), 0);
    EXPECT_EQ(count(back, 40), 650);
    line(1, 100, 100, 103, 106);  // steep: one pixel a row
    EXPECT_EQ(count(back, 40), 656);
    EXPECT_EQ(at(back, 100, 100), 40);
}

TEST_F(DcTest, WideLinesHaveRoundEnds)
{
    line(5, 100, 100, 110, 100);
    // Five rows thick along the line.
    for (int y = 98; y <= 102; y++) {
        EXPECT_EQ(at(back, 105, y), 40) << y;
    }
    EXPECT_EQ(at(back, 105, 97), 0);
    EXPECT_EQ(at(back, 105, 103), 0);
    // Round past both ends, without square corners.
    EXPECT_EQ(at(back, 98, 100), 40);
    EXPECT_EQ(at(back, 112, 100), 40);
    EXPECT_EQ(at(back, 113, 100), 0);
    EXPECT_EQ(at(back, 98, 98), 0);
    EXPECT_EQ(at(back, 112, 102), 0);
    EXPECT_EQ(count(back, 40), 11 * 5 + 2 * 8);
    line(5, 300, 300, 300, 300);
    EXPECT_EQ(at(back, 300, 300), 0);
}

TEST_F(DcTest, LinesAndPixelsStayOnTheSurface)
{
    line(5, -50, 2, 700, 2);
    EXPECT_EQ(at(back, 0, 0), 40);
    EXPECT_EQ(at(back, 639, 4), 40);
    // Ends far away: the part on the surface still shows, quickly.
    line(1, 320, -1000000, 320, 1000000);
    EXPECT_EQ(at(back, 320, 0), 40);
    EXPECT_EQ(at(back, 320, 479), 40);
    line(1, -2147483647, -2147483647, 2147483647, 2147483647);
    EXPECT_EQ(at(back, 200, 200), 40);
    gfx_like_clear(back);
    line(1, 5000000, 5000000, 6000000, 6000000);
    EXPECT_EQ(count(back, 40), 0);
    plat_set_pixel(dc, -1, 0, plat_rgb(255, 255, 0));
    plat_set_pixel(dc, 640, 0, plat_rgb(255, 255, 0));
    plat_set_pixel(dc, 0, 480, plat_rgb(255, 255, 0));
    plat_set_pixel(dc, 639, 479, plat_rgb(255, 255, 0));
    EXPECT_EQ(at(back, 639, 479), 40);
    EXPECT_EQ(count(back, 40), 1);
}

TEST_F(DcTest, APenDeletedWhileSelectedIsHarmless)
{
    PlatPen* pen = plat_create_pen(1, plat_rgb(255, 255, 0));
    PlatPen* stock = plat_select_pen(dc, pen);
    ASSERT_NE(stock, nullptr);
    plat_delete_pen(pen);
    plat_move_to(dc, 0, 0);
    plat_line_to(dc, 3, 0);
    EXPECT_EQ(count(back, 40), 3);
    EXPECT_NE(plat_select_pen(dc, stock), nullptr);
    plat_line_to(dc, 6, 0);  // the stock pen: black
    EXPECT_EQ(at(back, 4, 0), 0);
}

TEST_F(DcTest, OneContextPerSurfaceAndItLocksIt)
{
    EXPECT_EQ(plat_get_dc(back), nullptr);
    EXPECT_EQ(plat_lock(back, nullptr), nullptr);
    plat_release_dc(back, dc);
    dc = nullptr;
    EXPECT_NE(plat_lock(back, nullptr), nullptr);
    EXPECT_EQ(plat_unlock(back), 1);
    dc = plat_get_dc(back);
    EXPECT_NE(dc, nullptr);
}

TEST_F(DcTest, NearestColourAndScreenRead)
{
    EXPECT_EQ(plat_nearest_index(plat_rgb(250, 250, 10)), 40);
    EXPECT_EQ(plat_nearest_index(plat_rgb(100, 100, 100)), 100);
    EXPECT_EQ(plat_nearest_index(plat_rgb(0, 0, 0)), 0);
    // The palette changes, so do the answers.
    PlatPaletteEntry red = {240, 0, 0, PC_NOCOLLAPSE};
    EXPECT_EQ(plat_set_palette_entries(palette, 200, 1, &red), 1);
    EXPECT_EQ(plat_nearest_index(plat_rgb(240, 0, 0)), 200);
    EXPECT_EQ(plat_set_palette_entries(palette, 255, 2, &red), 0);
    EXPECT_EQ(plat_set_palette_entries(palette, -1, 1, &red), 0);

    plat_set_pixel(dc, 3, 2, plat_rgb(240, 0, 0));
    plat_release_dc(back, dc);
    dc = nullptr;
    EXPECT_EQ(plat_flip(primary), 1);
    static uint8_t rgb[640 * 480 * 3];
    ASSERT_TRUE(plat_read_screen(rgb));
    const uint8_t* p = rgb + (2 * 640 + 3) * 3;
    EXPECT_EQ(p[0], 240);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], 0);
    EXPECT_EQ(rgb[0], 0);
    EXPECT_EQ(plat_flip(back), 0);  // only the visible surface flips
}

TEST(Display, OneAtATime)
{
    static uint8_t rgb[640 * 480 * 3];
    EXPECT_FALSE(plat_read_screen(rgb));
    PlatDisplay* d = plat_display_open();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(plat_display_open(), nullptr);
    PlatSurface* back = nullptr;
    PlatSurface* primary = plat_display_create_primary(d, &back);
    ASSERT_NE(primary, nullptr);
    EXPECT_EQ(plat_display_create_primary(d, &back), nullptr);
    EXPECT_TRUE(plat_read_screen(rgb));  // grey until a palette is attached
    plat_release_surface(back);          // goes only with its visible surface
    EXPECT_EQ(back->width, 640);
    plat_release_surface(primary);
    EXPECT_FALSE(plat_read_screen(rgb));
    plat_display_close(d);
    d = plat_display_open();
    EXPECT_NE(d, nullptr);
    plat_display_close(d);
}

}  // namespace
