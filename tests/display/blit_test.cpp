// The display device, blits, sprite-sheet cells and the full-screen loaders.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "bmp_files.h"
#include "display/display.h"
#include "support/pixels.h"

namespace {

constexpr uint8_t BACKDROP = 255;  // never in a pattern surface
constexpr auto at = test_support::pixel;

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

TEST_F(DisplayTest, SetUpMakesPaletteAndClipperAndColourKeysAreIndexZero)
{
    PlatPaletteEntry shown[256];
    ASSERT_EQ(plat_get_palette_entries(display_palette, 0, 256, shown), 1);
    EXPECT_EQ(memcmp(shown, start_palette, sizeof shown), 0);

    // One rectangle on the back buffer; several: their union's bound.
    PlatRect bound;
    ASSERT_EQ(back_buffer->clipper, back_clipper);
    ASSERT_TRUE(plat_get_clip_bound(back_clipper, &bound));
    EXPECT_EQ(bound.left + bound.top + bound.right + bound.bottom, 640 + 480);
    const PlatRect rects[] = {{5, 6, 9, 10}, {-3, 2, 4, 3}, {1, -7, 2, 1}};
    PlatClipper* c = gfx_attach_clipper(sprite, 3, rects);
    ASSERT_TRUE(plat_get_clip_bound(c, &bound));
    const PlatRect expected = {-3, -7, 9, 10};
    EXPECT_EQ(memcmp(&bound, &expected, sizeof bound), 0);
    plat_set_clipper(sprite, nullptr);
    plat_release_clipper(c);

    // A colour key of 0 or more is index 0; -1 is none.
    PlatSurface* surfaces[] = {gfx_create_surface(4, 4, 0, 17), gfx_create_surface(4, 4, 0, -1)};
    EXPECT_EQ(sprite->colour_key, 0);
    EXPECT_EQ(surfaces[0]->colour_key, 0);
    EXPECT_EQ(surfaces[1]->colour_key, -1);
    plat_release_surface(surfaces[0]);
    plat_release_surface(surfaces[1]);
}

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

TEST_F(DisplayTest, CellsComeFromTheGridHonourThePitchAndStayInsideTheSheet)
{
    // Three columns and two rows of 64 x 64, one spare column on the right.
    BitmapImage image{};
    image.info_header.biWidth = 3 * 65 + 1;
    image.info_header.biHeight = 2 * 65;
    image.info_header.biBitCount = 8;
    std::vector<uint8_t> pixels = sheet_pixels(3, 2, 64, 64, 3 * 65 + 1, 2 * 65, 1);
    pixels[66 * (3 * 65 + 1) + 131] = 123;  // cell (2, 1) starts at (131, 66)
    image.pixels = pixels.data();
    for (int padding : {0, 16}) {
        plat_set_pitch_padding(padding);
        PlatSurface* s = gfx_create_surface(64, 64, 0, 0);
        memset(s->pixels, 77, static_cast<size_t>(s->pitch) * 64);
        EXPECT_EQ(gfx_copy_cell(&image, s, 2, 1), 1);
        EXPECT_EQ(at(s, 0, 0), 123);
        EXPECT_EQ(at(s, 1, 0), 1 + 2 * 2 + 1);
        EXPECT_EQ(at(s, 63, 63), 1 + 2 * 2 + 1);
        EXPECT_EQ(s->pixels[64], padding ? 77 : 6);  // the padding is left alone
        EXPECT_EQ(gfx_copy_cell(&image, s, 0, 0), 1);
        EXPECT_EQ(at(s, 63, 63), 1);
        plat_release_surface(s);
    }
    // Cells past the sheet, a cell too big, a sheet that is not 8-bit.
    memset(sprite->pixels, 77, static_cast<size_t>(sprite->pitch) * 64);
    PlatSurface* big = gfx_create_surface(144, 112, 0, 0);
    EXPECT_EQ(gfx_copy_cell(&image, sprite, 3, 0), 0);
    EXPECT_EQ(gfx_copy_cell(&image, sprite, 0, 2), 0);
    EXPECT_EQ(gfx_copy_cell(&image, sprite, -1, 0), 0);
    EXPECT_EQ(gfx_copy_cell(&image, big, 1, 0), 0);
    image.info_header.biBitCount = 24;
    EXPECT_EQ(gfx_copy_cell(&image, sprite, 0, 0), 0);
    EXPECT_EQ(at(sprite, 0, 0), 77);
    EXPECT_EQ(at(sprite, 63, 63), 77);
    plat_release_surface(big);
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

}  // namespace
