// The display: the BMP loader (bit counts, row order, palettes, damaged
// files), game_init on small made-up data (order, frames, palette,
// failures), the display device, blits (down to the platform layer's clip
// lists and bad rectangles), the full-screen loaders, and drawing through a
// device context: text lines (colour matching, transparency, clipping at the
// edges), pens and lines, single pixels.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "audio/audio.h"
#include "display/display.h"
#include "platform/platform.h"
#include "play/play.h"
#include "shell/shell.h"
#include "support/fields.h"
#include "support/pixels.h"

namespace {

// Tiny BMP files made by the tests themselves.
struct BmpFile {
    int width = 4;
    int height = 2;  // negative: rows stored top-down
    int bits = 8;
    std::vector<uint8_t> data;  // pixel bytes exactly as stored (rows in file order)
    uint8_t tag = 0;            // palette entry i is stored as blue i, green `tag`, red 255 - i
    int64_t size_image = -1;    // -1: the data's size
    uint16_t type = 0x4D42;
    int gap = 0;               // bytes between palette and pixel data
    uint32_t compression = 0;  // biCompression as stored
};

// A file of any depth with its pixel bytes as stored.
inline BmpFile raw_bmp(int width, int height, int bits, std::vector<uint8_t> data, uint8_t tag = 0)
{
    return BmpFile{width, height, bits, std::move(data), tag};
}

inline std::vector<uint8_t> bmp_bytes(const BmpFile& f)
{
    std::vector<uint8_t> out;
    auto put = [&out](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; i++) {
            out.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
    };
    const uint32_t offset = 54 + (f.bits == 8 ? 1024 : 0) + f.gap;
    put(f.type, 2);
    put(static_cast<uint32_t>(offset + f.data.size()), 4);
    put(0, 4);
    put(offset, 4);
    put(40, 4);
    put(static_cast<uint32_t>(f.width), 4);
    put(static_cast<uint32_t>(f.height), 4);
    put(1, 2);
    put(static_cast<uint32_t>(f.bits), 2);
    put(f.compression, 4);
    put(static_cast<uint32_t>(f.size_image < 0 ? static_cast<int64_t>(f.data.size()) : f.size_image), 4);
    for (int i = 0; i < 4; i++) {
        put(0, 4);  // resolution and colour counts: not read
    }
    for (int i = 0; f.bits == 8 && i < 256; i++) {
        put(static_cast<uint32_t>(i | f.tag << 8 | (255 - i) << 16), 4);
    }
    out.insert(out.end(), static_cast<size_t>(f.gap), 0xEE);
    out.insert(out.end(), f.data.begin(), f.data.end());
    return out;
}

inline bool write_bytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

inline bool write_bmp(const std::string& path, const BmpFile& f)
{
    return write_bytes(path, bmp_bytes(f));
}

// An 8-bit picture given top row first; stored bottom-up as BMP files are.
inline BmpFile picture_8bit(int width, int height, const std::vector<uint8_t>& top_down, uint8_t tag)
{
    BmpFile f = raw_bmp(width, height, 8, std::vector<uint8_t>(top_down.size()), tag);
    for (int r = 0; r < height; r++) {
        std::copy_n(top_down.begin() + static_cast<long>(r) * width, width,
                    f.data.begin() + static_cast<long>(height - 1 - r) * width);
    }
    return f;
}

// A sprite sheet, top row first: cell (c, r) of w x h filled with
// base + c * rows + r, grid lines (and anything right or below the grid) 255.
inline std::vector<uint8_t> sheet_pixels(int columns, int rows, int w, int h, int width, int height, int base)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            const int c = x / (w + 1);
            const int r = y / (h + 1);
            const bool grid = x % (w + 1) == 0 || y % (h + 1) == 0 || c >= columns || r >= rows;
            pixels[static_cast<size_t>(y) * width + x] = grid ? 255 : static_cast<uint8_t>(base + c * rows + r);
        }
    }
    return pixels;
}

constexpr uint8_t TITLE_INDEX = 3;
constexpr uint8_t HISCORE_TAG = 7;

BmpFile sheet_file(int columns, int rows, int w, int h, int width, int height, int base)
{
    return picture_8bit(width, height, sheet_pixels(columns, rows, w, h, width, height, base), 0);
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(getcwd(old_dir, sizeof old_dir), nullptr);
        char pattern[] = "/tmp/tailgate_init_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        struct Screen {
            const char* name;
            uint8_t tag;
            uint8_t fill;
        };
        const Screen screens[] = {
            {"background.bmp", 1, 11},
            {"Mainmenu.bmp", 2, 12},
            {"Credits.bmp", 3, 13},
            {"Controls.bmp", 4, 14},
            {"titlescreen.bmp", 5, TITLE_INDEX},
            {"storyback.bmp", 6, 16},
            {"HiScore.bmp", HISCORE_TAG, 17},
        };
        for (const Screen& s : screens) {
            ASSERT_TRUE(
                write_bmp(dir + "/" + s.name, picture_8bit(640, 480, std::vector<uint8_t>(640 * 480, s.fill), s.tag)));
        }
        ASSERT_TRUE(write_bmp(dir + "/truck.bmp", sheet_file(3, 1, 64, 96, 196, 97, 100)));
        ASSERT_TRUE(write_bmp(dir + "/cars2.bmp", sheet_file(14, 7, 64, 64, 912, 455, 1)));
        ASSERT_TRUE(write_bmp(dir + "/monster.bmp", sheet_file(2, 3, 144, 112, 292, 339, 110)));
        ASSERT_EQ(chdir(dir.c_str()), 0);
        plat_window_create(false);
    }
    void TearDown() override
    {
        gfx_release_all();
        ASSERT_EQ(chdir(old_dir), 0);
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(system(cmd.c_str()), 0);
    }

    // Pixels of the text colour on the visible screen inside a band.
    int count_on_screen(int left, int top, int right, int bottom)
    {
        const uint8_t index = static_cast<uint8_t>(plat_nearest_index(TEXT_COLOUR));
        int n = 0;
        for (int y = top; y < bottom; y++) {
            for (int x = left; x < right; x++) {
                n += primary_surface->pixels[y * primary_surface->pitch + x] == index;
            }
        }
        return n;
    }
    char old_dir[4096];
    std::string dir;
};

uint8_t first_pixel(const PlatSurface* s)
{
    return s->pixels[0];
}

TEST_F(StartupTest, CompletesWithFramesFromTheirCellsAndHiScorePalette)
{
    ASSERT_EQ(game_init(), 1) << game_init_error();
    EXPECT_STREQ(game_init_error(), "");
    // The display palette is HiScore.bmp's.
    PlatPaletteEntry shown[256];
    plat_get_palette_entries(display_palette, 0, 256, shown);
    for (int i = 0; i < 256; i++) {
        ASSERT_EQ(shown[i].green, HISCORE_TAG);
        ASSERT_EQ(shown[i].red, 255 - i);
    }
    for (int i = 0; i < TRUCK_FRAME_COUNT; i++) {
        ASSERT_EQ(truck_frames[i]->height, 96);
        EXPECT_EQ(first_pixel(truck_frames[i]), 100 + i);
        EXPECT_EQ(truck_frames[i]->colour_key, 0);
    }
    for (int c = 0; c < 14; c++) {
        for (int r = 0; r < 7; r++) {
            const PlatSurface* f = car_frames[c * 7 + r];
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(first_pixel(f), 1 + c * 7 + r);
            EXPECT_EQ(f->pixels[63 * f->pitch + 63], 1 + c * 7 + r);
        }
    }
    EXPECT_EQ(first_pixel(car_frames[56]), 1 + 8 * 7 + 0);  // cell (8, 0)
    EXPECT_EQ(first_pixel(car_frames[63]), 1 + 9 * 7 + 0);  // cell (9, 0)
    EXPECT_EQ(monster_frames[4]->width, 144);
    EXPECT_EQ(first_pixel(monster_frames[4]), 110 + 1 * 3 + 1);  // cell (1, 1)
    EXPECT_EQ(first_pixel(background_surface), 11);
    EXPECT_EQ(first_pixel(credits_surface), 13);
    EXPECT_EQ(scratch_bitmap.pixels, nullptr);
    EXPECT_EQ(lives, 2);
    // The last loading message is on the screen over the title.
    EXPECT_GT(count_on_screen(290, 278, 400, 296), 40);
    EXPECT_EQ(primary_surface->pixels[10], TITLE_INDEX);
}

// A missing sheet, a sheet too small for its cells or a full-screen picture
// of another size stops the start-up, naming the file, with the loading
// message of that step on the screen; Controls.bmp of another size and a
// missing Credits.bmp are left out and the rest goes on. (Refused and odd
// files are named as the real program's start-up shows, in tests/e2e.)
TEST_F(StartupTest, EachNecessaryFileStopsTheStartUpTheOthersAreLeftOut)
{
    for (const char* file :
         {"cars2.bmp", "background.bmp", "truck.bmp", "monster.bmp", "Controls.bmp", "Credits.bmp"}) {
        const std::string path = dir + "/" + file, saved = dir + "/saved.bmp";
        ASSERT_EQ(rename(path.c_str(), saved.c_str()), 0);
        const bool optional = file[0] == 'C', missing = !strcmp(file, "cars2.bmp") || !strcmp(file, "Credits.bmp");
        if (!missing) {
            ASSERT_TRUE(write_bmp(path, picture_8bit(64, 48, std::vector<uint8_t>(64 * 48, 1), 9)));
        }
        EXPECT_EQ(game_init(), optional ? 1 : 0) << file;
        if (optional) {
            EXPECT_EQ((credits_surface == nullptr) + (controls_surface == nullptr), 1) << file;
        } else {
            EXPECT_NE(strstr(game_init_error(), file), nullptr) << game_init_error();
            EXPECT_EQ(scratch_bitmap.pixels, nullptr);
        }
        if (missing && !optional) {
            EXPECT_STREQ(game_init_error(), "cannot load cars2.bmp: no such file");
            // "Checking Fluid Levels" at x 260 over the title is what the screen shows.
            EXPECT_GT(count_on_screen(260, 278, 440, 296), 60);
            EXPECT_EQ(count_on_screen(0, 0, 640, 270), 0);
            EXPECT_EQ(primary_surface->pixels[10], TITLE_INDEX);
            // The truck was cut, nothing after the cars was done.
            EXPECT_NE(truck_frames[2], nullptr);
            EXPECT_EQ(monster_frames[0], nullptr);
            EXPECT_TRUE(std::all_of(std::begin(sound_slots), std::end(sound_slots),
                                    [](const SoundSlot& s) { return s.state == SOUND_FREE; }));
            EXPECT_TRUE(std::all_of(std::begin(music_slots), std::end(music_slots),
                                    [](const MusicSlot& m) { return m.state == MUSIC_FREE; }));
        }
        gfx_release_all();
        ASSERT_EQ(rename(saved.c_str(), path.c_str()), 0);
    }
}

const std::vector<uint8_t> REFERENCE = {1, 2, 3, 4, 5, 6, 7, 8};

class BitmapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = "/tmp/tailgate_bmp_" + std::to_string(getpid()) + ".bmp";
        memset(&image, 0, sizeof image);
        // A good 8-bit file (palette tag 77), so later failures can be
        // checked against it.
        ASSERT_EQ(load(picture_8bit(4, 2, REFERENCE, 77)), 1);
        reference = image;
    }
    void TearDown() override
    {
        gfx_unload_bitmap(&image);
        remove(path.c_str());
    }
    int load(const BmpFile& f) { return load_bytes(bmp_bytes(f)); }
    int load_bytes(const std::vector<uint8_t>& bytes)
    {
        EXPECT_TRUE(write_bytes(path, bytes));
        return gfx_load_bitmap(&image, path.c_str());
    }
    void expect_pixels(const std::vector<uint8_t>& expected)
    {
        ASSERT_NE(image.pixels, nullptr);
        EXPECT_EQ(std::vector<uint8_t>(image.pixels, image.pixels + expected.size()), expected);
    }
    // A failed load leaves the whole record as the good load left it:
    // headers, palette and the very same pixel buffer.
    void expect_reference_kept()
    {
        expect_pixels(REFERENCE);
        EXPECT_EQ(memcmp(&image, &reference, sizeof image), 0);
    }

    std::string path;
    BitmapImage image;
    BitmapImage reference;
};

TEST_F(BitmapTest, RowsComeOutTopDownAndDeeperFilesKeepTheEarlierPalette)
{
    // Three rows stored bottom-up: the file's first row is the picture's last.
    BmpFile f = picture_8bit(4, 3, {10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33}, 9);
    ASSERT_EQ(f.data[0], 30);
    ASSERT_EQ(load(f), 1);
    expect_pixels({10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33});
    // Stored blue, green, red: held red, green, blue, PC_NOCOLLAPSE.
    const PlatPaletteEntry stored = {250, 9, 5, PC_NOCOLLAPSE};
    EXPECT_EQ(memcmp(&image.palette[5], &stored, sizeof stored), 0);

    // A top-down file (negative height) keeps its row order; whatever lies
    // between the palette and the last biSizeImage bytes is skipped; a zero
    // biSizeImage is computed from the header.
    f = raw_bmp(4, -2, 8, {40, 41, 42, 43, 50, 51, 52, 53}, 77);
    f.gap = 37;
    f.size_image = 0;
    ASSERT_EQ(load(f), 1);
    EXPECT_EQ(+image.info_header.biSizeImage, 8u);
    expect_pixels({40, 41, 42, 43, 50, 51, 52, 53});

    // 24 and 16 bits: rows swapped, the 8-bit palette left as it was.
    f = raw_bmp(4, 2, 24, {});
    for (uint8_t i = 0; i < 24; i++) {
        f.data.push_back(i);
    }
    ASSERT_EQ(load(f), 1);
    EXPECT_EQ(image.pixels[0], 12);  // rows of 12 bytes
    EXPECT_EQ(image.pixels[12], 0);
    f.bits = 16;
    f.data.resize(16);
    ASSERT_EQ(load(f), 1);
    EXPECT_EQ(image.pixels[0], 8);
    EXPECT_EQ(image.palette[10].green, 77);

    ASSERT_EQ(gfx_unload_bitmap(&image), 1);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.palette[10].green, 77);  // the palette outlives the pixels
    EXPECT_EQ(gfx_unload_bitmap(&image), 1);
}

TEST_F(BitmapTest, BadFilesAreRefusedAndLoseNothing)
{
    for (int bits : {1, 4, 32, 0}) {
        EXPECT_EQ(load(raw_bmp(8, 2, bits, std::vector<uint8_t>(64, 0xAB))), 0) << bits;
        expect_reference_kept();
    }
    BmpFile not_bmp = picture_8bit(4, 2, REFERENCE, 1);
    not_bmp.type = 0x5A4D;  // "MZ"
    EXPECT_EQ(load(not_bmp), 0);
    expect_reference_kept();
    EXPECT_EQ(gfx_load_bitmap(&image, "/nonexistent/file.bmp"), 0);
    expect_reference_kept();

    struct Case {
        const char* what;
        int width;
        int height;
        int64_t size_image;
    };
    const Case damaged[] = {
        {"image size beyond the file", 4, 2, 4096},
        {"image size smaller than the rows", 4, 2, 4},
        {"rows beyond the data", 64, 64, -1},
        {"zero width", 0, 2, -1},
        {"negative width", -4, 2, -1},
        {"zero height", 4, 0, -1},
        {"absurd width", 0x40000000, 1, -1},
        {"absurd height", 4, -0x7FFFFFFF, -1},
        {"absurd image size", 4, 2, 0xFFFFFFF0},
    };
    for (const Case& c : damaged) {
        BmpFile f = raw_bmp(c.width, c.height, 8, std::vector<uint8_t>(8, 0x55), 200);
        f.size_image = c.size_image;
        EXPECT_EQ(load(f), 0) << c.what;
        expect_reference_kept();
    }
    const std::vector<uint8_t> whole = bmp_bytes(picture_8bit(4, 2, REFERENCE, 5));
    for (size_t length : {size_t{0}, size_t{13}, size_t{14}, size_t{54}, size_t{500}, whole.size() - 1}) {
        EXPECT_EQ(load_bytes(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(length))), 0)
            << length;
        expect_reference_kept();
    }
}

// A cell cut after a failed load is cut from the picture still held, with
// the sizes that belong to it, never from a header the failure read.
TEST_F(BitmapTest, CellCopyAfterAFailedLoadUsesThePictureStillHeld)
{
    plat_window_create(false);
    ASSERT_EQ(gfx_display_setup(), 1);
    PlatSurface* cell = gfx_create_surface(2, 1, 0, 0);
    BmpFile sheet = picture_8bit(4, 2, {0, 0, 0, 0, 0, 7, 8, 0}, 1);
    ASSERT_EQ(load(sheet), 1);
    reference = image;
    BmpFile wide = raw_bmp(4000, 4000, 8, std::vector<uint8_t>(64, 0xAB));
    EXPECT_EQ(load(wide), 0);
    expect_pixels({0, 0, 0, 0, 0, 7, 8, 0});
    const int width = image.info_header.biWidth;  // the header is packed
    EXPECT_EQ(width, 4);
    ASSERT_EQ(gfx_copy_cell(&image, cell, 0, 0), 1);
    EXPECT_EQ(cell->pixels[0], 7);
    EXPECT_EQ(cell->pixels[1], 8);
    plat_release_surface(cell);
    gfx_release_all();
}

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
        plat_window_create(false);
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
    EXPECT_EQ(at(back_buffer, 107, 55), 0);                  // unkeyed, the zero is copied
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
        plat_window_create(false);
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

// After the palette changes (as each picture's load changes it), text takes
// the entry nearest its colour in the new palette, never the old match; of
// two equally near, the first.
TEST_F(GdiTest, TextColourFollowsAPaletteChange)
{
    ASSERT_GT(draw("HOWDY", 10, 10), 0);
    PlatPaletteEntry moved[3] = {{0, 0, 0, PC_NOCOLLAPSE}, {250, 0, 0, PC_NOCOLLAPSE}, {250, 0, 0, PC_NOCOLLAPSE}};
    plat_set_palette_entries(display_palette, RED, 1, &moved[0]);
    plat_set_palette_entries(display_palette, RED + 1, 2, &moved[1]);
    gfx_fill_surface(back_buffer, PAPER);
    ASSERT_EQ(gfx_draw_text("HOWDY", 10, 10, TEXT_COLOUR, back_buffer), 1);
    EXPECT_EQ(test_support::count_index(back_buffer, RED), 0);
    EXPECT_GT(test_support::count_index(back_buffer, RED + 1), 20);
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
