// game_init on small made-up data: order, frames, palette, failures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
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

}  // namespace
