// game_init on small made-up data: order, frames, palette, failures.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "bmp_files.h"
#include "display/display.h"
#include "shell/shell.h"
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
        plat_use_backend(PLAT_HEADLESS, 1000);
        plat_window_create(false);
    }
    void TearDown() override
    {
        gfx_release_all();
        ASSERT_EQ(chdir(old_dir), 0);
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(system(cmd.c_str()), 0);
    }
    void remove_file(const char* name) { ASSERT_EQ(unlink((dir + "/" + name).c_str()), 0); }

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

TEST_F(StartupTest, MissingCarsFailsAfterCheckingFluidLevels)
{
    remove_file("cars2.bmp");
    EXPECT_EQ(game_init(), 0);
    EXPECT_STREQ(game_init_error(), "cannot load cars2.bmp: no such file");
    // "Checking Fluid Levels" at x 260 over the title is what the screen shows.
    EXPECT_GT(count_on_screen(260, 278, 440, 296), 60);
    EXPECT_EQ(count_on_screen(0, 0, 640, 270), 0);
    EXPECT_EQ(primary_surface->pixels[10], TITLE_INDEX);
    // The truck was cut, nothing after the cars was done.
    EXPECT_NE(truck_frames[2], nullptr);
    EXPECT_EQ(monster_frames[0], nullptr);
    for (const SoundSlot& s : sound_slots) {
        ASSERT_EQ(s.state, SOUND_FREE);
    }
    for (const MusicSlot& m : music_slots) {
        ASSERT_EQ(m.state, MUSIC_FREE);
    }
}

// A sheet too small for its cells or a full-screen picture of another size
// stops the start-up, naming the file; Controls.bmp of another size and a
// missing Credits.bmp are left out and the rest goes on.
TEST_F(StartupTest, EachNecessaryFileStopsTheStartUpTheOthersAreLeftOut)
{
    for (const char* file : {"background.bmp", "truck.bmp", "monster.bmp", "Controls.bmp", "Credits.bmp"}) {
        const std::string path = dir + "/" + file;
        const std::string saved = dir + "/saved.bmp";
        ASSERT_EQ(rename(path.c_str(), saved.c_str()), 0);
        const bool optional = file[0] == 'C';
        if (strcmp(file, "Credits.bmp") != 0) {
            ASSERT_TRUE(write_bmp(path, picture_8bit(64, 48, std::vector<uint8_t>(64 * 48, 1), 9)));
        }
        EXPECT_EQ(game_init(), optional ? 1 : 0) << file;
        if (optional) {
            EXPECT_EQ((credits_surface == nullptr) + (controls_surface == nullptr), 1) << file;
        } else {
            EXPECT_NE(strstr(game_init_error(), file), nullptr) << game_init_error();
            EXPECT_EQ(scratch_bitmap.pixels, nullptr);
        }
        gfx_release_all();
        ASSERT_EQ(rename(saved.c_str(), path.c_str()), 0);
    }
}

// A refused picture is named with its reason even when the game can do
// without it; one that is simply not there (or no file at all) is passed
// over quietly. A required sheet that is a FIFO stops the start-up at once.
TEST_F(StartupTest, RefusedPicturesAreNamedWithTheReasonAbsentOnesAreNot)
{
    BmpFile rle = picture_8bit(640, 480, std::vector<uint8_t>(640 * 480, 1), 9);
    rle.compression = 1;
    ASSERT_TRUE(write_bmp(dir + "/Credits.bmp", rle));
    remove_file("Controls.bmp");
    ASSERT_EQ(mkfifo((dir + "/Controls.bmp").c_str(), 0644), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(game_init(), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("tailgate: Credits.bmp: compressed BMPs are not supported; save it uncompressed\n"),
              std::string::npos) << said;
    EXPECT_EQ(said.find("Controls.bmp"), std::string::npos) << said;
    EXPECT_EQ(credits_surface, nullptr);
    gfx_release_all();

    remove_file("truck.bmp");
    ASSERT_EQ(mkfifo((dir + "/truck.bmp").c_str(), 0644), 0);
    EXPECT_EQ(game_init(), 0);
    EXPECT_STREQ(game_init_error(), "cannot load truck.bmp: not a regular file");
}

}  // namespace
