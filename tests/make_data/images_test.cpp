// The generated pictures, read back through the game's BMP loader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "data_files.h"

namespace {

struct SheetLayout { const char* name; int cols, rows, cell_w, cell_h, min_w, min_h; };
constexpr SheetLayout kLayouts[3] = {
    {"truck.bmp", 3, 1, 64, 96, 196, 97},
    {"cars2.bmp", 14, 7, 64, 64, 912, 455},
    {"monster.bmp", 2, 3, 144, 112, 292, 339},
};

int rgb(const PlatPaletteEntry& e) { return e.red << 16 | e.green << 8 | e.blue; }
bool glowing_green(const PlatPaletteEntry& e) { return e.green > 150 && e.green > e.red + 60 && e.green > e.blue + 40; }

// Every pixel of the rectangle is dark enough for the game's red text.
void expect_dark(const LoadedImage& img, int x0, int y0, int x1, int y1, int max_luma, const char* what)
{
    int worst = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            worst = std::max(worst, img.luma(x, y));
    EXPECT_LE(worst, max_luma) << what;
}

} // namespace

TEST(GeneratedImages, LoadWithTheRightShapeAndShareOnePaletteWithTheGameColours)
{
    LoadedImage first("background.bmp");
    ASSERT_EQ(first.ok, 1);
    const PlatPaletteEntry* pal = first.image.palette;
    for (int i = 0; i < 10; ++i) {
        const char* name = i < 7 ? kFullScreenImages[i] : kSheets[i - 7];
        LoadedImage img(name);
        ASSERT_EQ(img.ok, 1) << name;
        const BitmapInfoHeader& h = img.image.info_header;
        EXPECT_EQ(+h.biBitCount, 8) << name;
        if (i < 7) {
            EXPECT_EQ(std::pair(img.width(), img.height()), std::pair(640, 480)) << name;
        } else {
            EXPECT_GE(img.width(), kLayouts[i - 7].min_w) << name;
            EXPECT_GE(img.height(), kLayouts[i - 7].min_h) << name;
            EXPECT_EQ(img.width() % 4, 0) << name << ": rows are read without padding";
        }
        // The pixel block is the file's tail, right after the palette.
        EXPECT_EQ(+h.biSizeImage, (uint32_t)(img.width() * img.height())) << name;
        EXPECT_EQ(read_bytes(data_path(name)).size(), 14u + 40u + 1024u + h.biSizeImage) << name;
        int differ = 0;
        for (int e = 0; e < 256; ++e)
            differ += rgb(img.image.palette[e]) != rgb(pal[e]);
        EXPECT_EQ(differ, 0) << name << ": palette entries differ from the background's";
    }
    EXPECT_EQ(rgb(pal[0]), 0) << "entry 0 is the black fill and key colour";
    for (int want : {0xF00000, 0xFFFF00, 0x00FF00, 0x1414FF, 0xFF0000})
        EXPECT_TRUE(std::any_of(pal, pal + 256, [&](const PlatPaletteEntry& e) { return rgb(e) == want; }))
            << "no exact entry for " << std::hex << want;
}

// Grid lines around every cell (the bottom line may fall outside the
// smallest sheet); sprites centred and framed by transparency.
TEST(GeneratedImages, SheetsHaveGridLinesAndCentredSprites)
{
    for (int sheet = 0; sheet < 3; ++sheet) {
        const SheetLayout& l = kLayouts[sheet];
        LoadedImage img(l.name);
        ASSERT_EQ(img.ok, 1) << l.name;
        int missing = 0;
        for (int y = 0; y < std::min(l.rows * (l.cell_h + 1) + 1, img.height()); ++y)
            for (int x = 0; x < std::min(l.cols * (l.cell_w + 1) + 1, img.width()); ++x)
                missing += (x % (l.cell_w + 1) == 0 || y % (l.cell_h + 1) == 0) && img.at(x, y) == 0;
        EXPECT_EQ(missing, 0) << l.name;
        for (int r = 0; r < l.rows; ++r)
            for (int c = 0; c < (sheet == 1 ? 1 : l.cols); ++c) {  // not the cars' burning stages
                const int x0 = c * (l.cell_w + 1) + 1, y0 = r * (l.cell_h + 1) + 1;
                int left = l.cell_w, top = l.cell_h, right = -1, bottom = -1, green = 0;
                for (int y = 0; y < l.cell_h; ++y)
                    for (int x = 0; x < l.cell_w; ++x)
                        if (uint8_t index = img.at(x0 + x, y0 + y)) {
                            left = std::min(left, x), right = std::max(right, x);
                            top = std::min(top, y), bottom = std::max(bottom, y);
                            green += glowing_green(img.image.palette[index]);
                        }
                std::string cell = std::string(l.name) + " cell " + std::to_string(c) + "," + std::to_string(r);
                ASSERT_GE(right, 0) << cell << " is empty";
                EXPECT_TRUE(left > 0 && top > 0 && right < l.cell_w - 1 && bottom < l.cell_h - 1)
                    << cell << " touches its border";
                EXPECT_NEAR((left + right) / 2.0, l.cell_w / 2.0, 4.0) << cell;
                if (sheet == 1) {
                    // About 36 px wide and 60 px long, nose up; the alien kinds glow green.
                    EXPECT_NEAR(right - left + 1, 38, 6) << cell;
                    EXPECT_NEAR(bottom - top + 1, 62, 4) << cell;
                    EXPECT_TRUE(r == 3 || r == 5 ? green > 150 : green < 20) << cell << ": " << green << " green";
                }
            }
    }
}

TEST(GeneratedImages, PlacesTheGameWritesOnStayDarkAndPlain)
{
    struct Place {
        const char* file;
        int x0, y0, x1, y1, max_luma;
        const char* what;
    };
    const Place places[] = {
        {"background.bmp", 43, 110, 118, 126, 40, "radio readout"},
        {"background.bmp", 43, 163, 118, 179, 40, "score readout"},
        {"background.bmp", 56, 334, 118, 350, 40, "miles readout"},
        {"background.bmp", 15, 385, 120, 401, 40, "clock readout"},
        {"background.bmp", 10, 78, 118, 83, 40, "alien gauge groove"},
        {"background.bmp", 10, 218, 118, 223, 40, "condition gauge groove"},
        {"background.bmp", 10, 270, 118, 275, 40, "speed gauge groove"},
        {"titlescreen.bmp", 220, 272, 440, 298, 45, "loading message band"},
        {"Mainmenu.bmp", 262, 98, 420, 118, 45, "credit line band"},
        {"HiScore.bmp", 270, 145, 380, 400, 45, "score table"},
        {"HiScore.bmp", 190, 195, 520, 270, 45, "initials entry"},
    };
    for (const Place& p : places) {
        LoadedImage img(p.file);
        ASSERT_EQ(img.ok, 1) << p.file;
        expect_dark(img, p.x0, p.y0, p.x1, p.y1, p.max_luma, p.what);
    }
    LoadedImage bg("background.bmp");
    for (int x = 192; x <= 576; x += 64)
        expect_dark(bg, x, 0, x + 1, 480, 110, "lane dashes on plain dark asphalt");
    LoadedImage story("storyback.bmp");
    long sum = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            sum += story.luma(x, y);
    EXPECT_LT(sum / (640 * 480), 25) << "story text is red on this backdrop";
}
