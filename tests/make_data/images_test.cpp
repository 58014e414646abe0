// The generated pictures, read back through the game's BMP loader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "data_files.h"

namespace {

struct SheetLayout {
    const char* name;
    int cols, rows, cell_w, cell_h;
    int min_w, min_h;
};
constexpr SheetLayout kLayouts[3] = {
    {"truck.bmp", 3, 1, 64, 96, 196, 97},
    {"cars2.bmp", 14, 7, 64, 64, 912, 455},
    {"monster.bmp", 2, 3, 144, 112, 292, 339},
};

int cell_x(const SheetLayout& l, int c) { return c * (l.cell_w + 1) + 1; }
int cell_y(const SheetLayout& l, int r) { return r * (l.cell_h + 1) + 1; }

struct Box {
    int x0 = 1 << 20, y0 = 1 << 20, x1 = -1, y1 = -1;
};

Box opaque_box(const LoadedImage& img, int x0, int y0, int w, int h)
{
    Box b;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (img.at(x0 + x, y0 + y) != 0) {
                b.x0 = std::min(b.x0, x);
                b.y0 = std::min(b.y0, y);
                b.x1 = std::max(b.x1, x);
                b.y1 = std::max(b.y1, y);
            }
    return b;
}

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
            EXPECT_EQ(img.width(), 640) << name;
            EXPECT_EQ(img.height(), 480) << name;
        } else {
            EXPECT_GE(img.width(), kLayouts[i - 7].min_w) << name;
            EXPECT_GE(img.height(), kLayouts[i - 7].min_h) << name;
            EXPECT_EQ(img.width() % 4, 0) << name << ": rows are read without padding";
        }
        // The pixel block is the file's tail, right after the palette.
        EXPECT_EQ(+h.biSizeImage, (uint32_t)(img.width() * img.height())) << name;
        EXPECT_EQ(read_bytes(data_path(name)).size(), 14u + 40u + 1024u + h.biSizeImage) << name;
        int differ = 0;
        for (int e = 0; e < 256; ++e) {
            const PlatPaletteEntry& p = img.image.palette[e];
            differ += p.red != pal[e].red || p.green != pal[e].green || p.blue != pal[e].blue;
        }
        EXPECT_EQ(differ, 0) << name << ": palette entries differ from the background's";
    }
    EXPECT_EQ(pal[0].red + pal[0].green + pal[0].blue, 0) << "entry 0 is the black fill and key colour";
    constexpr int wanted[5][3] = {{240, 0, 0}, {255, 255, 0}, {0, 255, 0}, {20, 20, 255}, {255, 0, 0}};
    for (const auto& w : wanted) {
        bool found = false;
        for (int e = 0; e < 256; ++e)
            found |= pal[e].red == w[0] && pal[e].green == w[1] && pal[e].blue == w[2];
        EXPECT_TRUE(found) << "no exact entry for " << w[0] << "," << w[1] << "," << w[2];
    }
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
                int x0 = cell_x(l, c), y0 = cell_y(l, r);
                int edge = 0;
                for (int x = 0; x < l.cell_w; ++x)
                    edge += (img.at(x0 + x, y0) != 0) + (img.at(x0 + x, y0 + l.cell_h - 1) != 0);
                for (int y = 0; y < l.cell_h; ++y)
                    edge += (img.at(x0, y0 + y) != 0) + (img.at(x0 + l.cell_w - 1, y0 + y) != 0);
                EXPECT_EQ(edge, 0) << l.name << " cell " << c << "," << r << " touches its border";
                Box b = opaque_box(img, x0, y0, l.cell_w, l.cell_h);
                ASSERT_GE(b.x1, 0) << l.name << " cell " << c << "," << r << " is empty";
                EXPECT_NEAR((b.x0 + b.x1) / 2.0, l.cell_w / 2.0, 4.0) << l.name << " cell " << c << "," << r;
                if (sheet != 1)
                    continue;
                // About 36 px wide and 60 px long, nose up; the alien kinds glow green.
                EXPECT_NEAR(b.x1 - b.x0 + 1, 38, 6) << "car kind " << r;
                EXPECT_NEAR(b.y1 - b.y0 + 1, 62, 4) << "car kind " << r;
                int green = 0;
                for (int y = 0; y < 64; ++y)
                    for (int x = 0; x < 64; ++x) {
                        uint8_t index = img.at(x0 + x, y0 + y);
                        green += index != 0 && glowing_green(img.image.palette[index]);
                    }
                if (r == 3 || r == 5)
                    EXPECT_GT(green, 150) << "alien kind " << r;
                else
                    EXPECT_LT(green, 20) << "earth kind " << r;
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
