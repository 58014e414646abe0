// The BMP loader (bit counts, row order, palettes, damaged files) and
// game_init on small made-up data: order, frames, palette, failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "audio/audio.h"
#include "bmp_files.h"
#include "display/display.h"
#include "play/play.h"

namespace {

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
            {"background.bmp", 1, 11}, {"Mainmenu.bmp", 2, 12}, {"Credits.bmp", 3, 13},
            {"Controls.bmp", 4, 14},   {"titlescreen.bmp", 5, TITLE_INDEX}, {"storyback.bmp", 6, 16},
            {"HiScore.bmp", HISCORE_TAG, 17},
        };
        for (const Screen& s : screens) {
            ASSERT_TRUE(write_bmp(dir + "/" + s.name, picture_8bit(640, 480, std::vector<uint8_t>(640 * 480, s.fill), s.tag)));
        }
        ASSERT_TRUE(write_bmp(dir + "/truck.bmp", sheet_file(3, 1, 64, 96, 196, 97, 100)));
        ASSERT_TRUE(write_bmp(dir + "/cars2.bmp", sheet_file(14, 7, 64, 64, 912, 455, 1)));
        ASSERT_TRUE(write_bmp(dir + "/monster.bmp", sheet_file(2, 3, 144, 112, 292, 339, 110)));
        ASSERT_EQ(chdir(dir.c_str()), 0);
        plat_window_create(true, false);
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
    for (const char* file : {"cars2.bmp", "background.bmp", "truck.bmp", "monster.bmp", "Controls.bmp", "Credits.bmp"}) {
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
    plat_window_create(true, false);
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

}  // namespace
