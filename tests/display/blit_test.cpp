// The display device, blits (down to the platform layer's clip lists and
// bad rectangles), the full-screen loaders, and drawing through a device
// context: text lines (colour matching, transparency, clipping at the
// edges), pens and lines, single pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "bmp_files.h"
#include "display/display.h"
#include "platform/platform.h"
#include "support/fields.h"
#include "support/pixels.h"

namespace {

constexpr uint8_t BACKDROP = 255;  // never in a pattern surface
constexpr auto at = test_support::pixel;
using test_support::fields_are;

// A surface whose pixel (x, y) is 1 + (x + 3 * y) % 250, so never 0.
PlatSurface* pattern_surface(int w, int h)
{
    PlatSurface* s = gfx_create_surface(w, h, 0, 0);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            s->pixels[y * s->pitch + x] = static_cast<uint8_t>(1 + (x + 3 * y) % 250);
        }
    }
    return s;
}

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat_window_create(true, false);
        ASSERT_EQ(gfx_display_setup(), 1);
        gfx_fill_surface(back_buffer, BACKDROP);
        sprite = pattern_surface(64, 64);
    }
    void TearDown() override
    {
        plat_release_surface(sprite);
        plat_release_surface(target);
        plat_set_pitch_padding(0);
        gfx_release_all();
        remove(path.c_str());
    }
    static int backdrop_pixels() { return test_support::count_index(back_buffer, BACKDROP); }
    int draw(int x, int y, int w, int h) { return gfx_blit_scaled(sprite, x, y, 64, 64, w, h, back_buffer, 1); }
    int load_screen(const BmpFile& f)
    {
        EXPECT_TRUE(write_bmp(path, f));
        return load_screen_image(path.c_str(), &target);
    }
    PlatSurface* sprite = nullptr;
    PlatSurface* target = nullptr;  // a full-screen picture
    std::string path = "/tmp/tailgate_screen_" + std::to_string(getpid()) + ".bmp";
};

TEST_F(DisplayTest, FullScreenBlitReplacesEveryPixelAndFlipShowsIt)
{
    PlatSurface* picture = pattern_surface(640, 480);
    EXPECT_EQ(gfx_blit(picture, 0, 0, 640, 480, back_buffer, 0), 1);
    for (int y = 0; y < 480; y++) {
        for (int x = 0; x < 640; x++) {
            ASSERT_EQ(at(back_buffer, x, y), at(picture, x, y)) << x << "," << y;
        }
    }
    gfx_flip();
    EXPECT_EQ(at(primary_surface, 639, 479), at(picture, 639, 479));
    EXPECT_EQ(at(back_buffer, 639, 479), 0);  // the older frame, not a copy
    plat_release_surface(picture);
    // A picture that failed to load blanks its block instead of crashing.
    gfx_fill_surface(back_buffer, BACKDROP);
    EXPECT_EQ(gfx_blit(nullptr, 0, 0, 640, 480, back_buffer, 0), 0);
    EXPECT_EQ(backdrop_pixels(), 0);
}

TEST_F(DisplayTest, KeyedSpritesSkipIndexZeroAndAreCutAtTheEdges)
{
    sprite->pixels[5 * sprite->pitch + 7] = 0;
    EXPECT_EQ(draw(100, 50, 64, 64), 1);
    EXPECT_EQ(at(back_buffer, 107, 55), BACKDROP);
    EXPECT_EQ(at(back_buffer, 108, 55), at(sprite, 8, 5));
    EXPECT_EQ(gfx_blit_scaled(sprite, 100, 50, 64, 64, 64, 64, back_buffer, 0), 1);
    EXPECT_EQ(at(back_buffer, 107, 55), 0);  // unkeyed, the zero is copied
    PlatSurface* unkeyed = gfx_create_surface(4, 4, 0, -1);  // -1: no key; any other: index 0
    EXPECT_TRUE(fields_are({FIELD(sprite->colour_key, 0), FIELD(unkeyed->colour_key, -1)}));
    plat_release_surface(unkeyed);

    // At x 600 only the left 40 columns show; at 640 and beyond, nothing.
    gfx_fill_surface(back_buffer, BACKDROP);
    draw(640, 10, 64, 64);
    draw(5000, -5000, 64, 64);
    draw(-64, 10, 64, 64);
    EXPECT_EQ(backdrop_pixels(), 640 * 480);
    EXPECT_EQ(draw(600, 10, 64, 64), 1);
    EXPECT_EQ(backdrop_pixels(), 640 * 480 - 40 * 64 + 1);  // the keyed pixel
    EXPECT_EQ(at(back_buffer, 600, 10), at(sprite, 0, 0));
    EXPECT_EQ(at(back_buffer, 639, 73), at(sprite, 39, 63));
    draw(-10, -20, 64, 64);  // top-left and bottom edges
    EXPECT_EQ(at(back_buffer, 0, 0), at(sprite, 10, 20));
    draw(300, 470, 64, 64);
    EXPECT_EQ(at(back_buffer, 300, 479), at(sprite, 0, 9));
}

TEST_F(DisplayTest, ScaledBlitsPickNearestPixelsAndClipTheScaledPicture)
{
    draw(0, 0, 16, 16);  // every fourth pixel
    EXPECT_EQ(at(back_buffer, 3, 2), at(sprite, 12, 8));
    EXPECT_EQ(at(back_buffer, 15, 15), at(sprite, 60, 60));
    EXPECT_EQ(at(back_buffer, 16, 0), BACKDROP);
    // Grown to 128 x 128 at the right edge: the left 40 columns of the
    // scaled picture, which are the left 20 of the sprite.
    draw(600, 100, 128, 128);
    EXPECT_EQ(at(back_buffer, 601, 101), at(sprite, 0, 0));
    EXPECT_EQ(at(back_buffer, 639, 227), at(sprite, 19, 63));
    // A source block larger than the source fails and draws nothing.
    gfx_fill_surface(back_buffer, BACKDROP);
    EXPECT_EQ(gfx_blit_scaled(sprite, 0, 0, 65, 64, 64, 64, back_buffer, 1), 0);
    EXPECT_EQ(backdrop_pixels(), 640 * 480);
}

TEST_F(DisplayTest, ScreenImageLoadsPictureAndPaletteThroughBothPitchPathsOrRefusesIt)
{
    std::vector<uint8_t> picture(640 * 480);
    for (size_t i = 0; i < picture.size(); i++) {
        picture[i] = static_cast<uint8_t>(i % 251);
    }
    for (int padding : {0, 8}) {
        plat_set_pitch_padding(padding);
        gfx_fill_surface(primary_surface, 9);
        ASSERT_EQ(load_screen(picture_8bit(640, 480, picture, 33)), 1);
        EXPECT_EQ(target->pitch, 640 + padding);
        EXPECT_EQ(target->colour_key, -1);
        for (int y = 0; y < 480; y++) {
            ASSERT_EQ(memcmp(target->pixels + y * target->pitch, &picture[y * 640], 640), 0) << y;
        }
        PlatPaletteEntry e;
        plat_get_palette_entries(display_palette, 3, 1, &e);
        EXPECT_EQ(e.red + e.green + e.blue, 252 + 33 + 3);
        EXPECT_EQ(at(primary_surface, 0, 0), 0);  // both screens turned to colour 0
        EXPECT_EQ(at(back_buffer, 639, 479), 0);
        EXPECT_EQ(scratch_bitmap.pixels, nullptr);
    }
    // Stored top-down, the first stored row is the top one.
    BmpFile top_down = picture_8bit(640, 480, picture, 1);
    top_down.height = -480;
    ASSERT_EQ(load_screen(top_down), 1);
    EXPECT_EQ(at(target, 0, 0), picture[479 * 640]);

    // Pictures of another size or depth are refused before the screen is touched.
    plat_release_surface(target);
    target = nullptr;
    gfx_fill_surface(back_buffer, BACKDROP);
    PlatPaletteEntry before[256];
    plat_get_palette_entries(display_palette, 0, 256, before);
    const BmpFile refused[] = {picture_8bit(320, 240, std::vector<uint8_t>(320 * 240, 1), 50),
                               raw_bmp(640, 480, 24, std::vector<uint8_t>(640 * 480 * 3, 1)),
                               picture_8bit(640, 481, std::vector<uint8_t>(640 * 481, 1), 50)};
    for (const BmpFile& f : refused) {
        EXPECT_EQ(load_screen(f), 0);
        EXPECT_EQ(target, nullptr);
        EXPECT_EQ(backdrop_pixels(), 640 * 480);
        PlatPaletteEntry after[256];
        plat_get_palette_entries(display_palette, 0, 256, after);
        EXPECT_EQ(memcmp(before, after, sizeof before), 0);
    }
    EXPECT_EQ(load_screen_image("/nonexistent/missing.bmp", &target), 0);
}

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

TEST(Blit, ClipListsCutBlitsAndBadRectanglesDrawNothing)
{
    PlatSurface* dest = plat_create_surface(10, 10);
    PlatSurface* src = plat_create_surface(4, 4);
    plat_fill(src, nullptr, 5);
    const PlatRect ok = {0, 0, 4, 4};
    const PlatRect bad_dest[] = {{3, 3, 3, 5}, {4, 4, 0, 0}, {-2147483647, -2147483647, 2147483647, 2147483647}};
    for (const PlatRect& r : bad_dest) {
        EXPECT_EQ(plat_blit(dest, &r, src, &ok, false), 0);
    }
    const PlatRect outside_source = {2, 2, 6, 6};
    EXPECT_EQ(plat_blit(dest, &ok, src, &outside_source, false), 0);
    EXPECT_EQ(plat_blit(dest, &ok, nullptr, &ok, false), 0);
    EXPECT_EQ(test_support::count_index(dest, 0), 100);
    // Without a clipper the surface's own edges cut the blit.
    const PlatRect corner = {8, 8, 12, 12};
    EXPECT_EQ(plat_blit(dest, &corner, src, &ok, false), 1);
    EXPECT_EQ(test_support::count_index(dest, 5), 4);

    // Two strips: columns 0, 1 and 8, 9 only, for a scaled blit and a fill alike.
    PlatClipper* c = plat_create_clipper();
    const PlatRect rects[] = {{0, 0, 2, 10}, {8, 0, 20, 10}};
    ASSERT_EQ(plat_set_clip_list(c, 2, rects), 1);
    EXPECT_EQ(plat_set_clip_list(c, PLAT_CLIP_RECTS + 1, rects), 0);
    plat_set_clipper(dest, c);
    const PlatRect all = {0, 0, 10, 10};
    EXPECT_EQ(plat_blit(dest, &all, src, &ok, false), 1);
    EXPECT_EQ(test_support::count_index(dest, 5), 40);
    EXPECT_EQ(at(dest, 2, 0), 0);
    const PlatRect row = {1, 0, 9, 1};
    plat_fill(dest, &row, 7);
    EXPECT_EQ(test_support::count_index(dest, 7), 2);
    plat_set_clipper(dest, nullptr);
    plat_release_clipper(c);
    plat_release_surface(src);
    plat_release_surface(dest);
}

}  // namespace
