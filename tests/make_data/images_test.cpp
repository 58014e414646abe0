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

// Index-0 pixels of a cell that cannot be reached from its edge: holes in a sprite.
int enclosed_holes(const LoadedImage& img, int x0, int y0, int w, int h)
{
    std::vector<uint8_t> seen((size_t)w * h, 0);
    std::vector<std::pair<int, int>> stack;
    for (int x = 0; x < w; ++x) {
        stack.push_back({x, 0});
        stack.push_back({x, h - 1});
    }
    for (int y = 0; y < h; ++y) {
        stack.push_back({0, y});
        stack.push_back({w - 1, y});
    }
    while (!stack.empty()) {
        auto [x, y] = stack.back();
        stack.pop_back();
        if (x < 0 || y < 0 || x >= w || y >= h || seen[(size_t)y * w + x] || img.at(x0 + x, y0 + y) != 0)
            continue;
        seen[(size_t)y * w + x] = 1;
        stack.push_back({x + 1, y});
        stack.push_back({x - 1, y});
        stack.push_back({x, y + 1});
        stack.push_back({x, y - 1});
    }
    int holes = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (img.at(x0 + x, y0 + y) == 0 && !seen[(size_t)y * w + x])
                ++holes;
    return holes;
}

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

int count_pixels(const LoadedImage& img, int x0, int y0, int w, int h, bool (*pred)(const PlatPaletteEntry&))
{
    int n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (img.at(x0 + x, y0 + y) != 0 && pred(img.image.palette[img.at(x0 + x, y0 + y)]))
                ++n;
    return n;
}

bool glowing_green(const PlatPaletteEntry& e) { return e.green > 150 && e.green > e.red + 60 && e.green > e.blue + 40; }
bool fiery(const PlatPaletteEntry& e) { return e.red > 180 && e.blue < 120 && e.green < e.red; }

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

TEST(GeneratedImages, LoadThroughTheGameLoaderWithTheRightShape)
{
    for (const char* name : kFullScreenImages) {
        LoadedImage img(name);
        ASSERT_EQ(img.ok, 1) << name;
        EXPECT_EQ(+img.image.info_header.biBitCount, 8) << name;
        EXPECT_EQ(img.width(), 640) << name;
        EXPECT_EQ(img.height(), 480) << name;
        EXPECT_EQ(+img.image.info_header.biSizeImage, 640u * 480u) << name;
    }
    for (const SheetLayout& l : kLayouts) {
        LoadedImage img(l.name);
        ASSERT_EQ(img.ok, 1) << l.name;
        EXPECT_EQ(+img.image.info_header.biBitCount, 8) << l.name;
        EXPECT_GE(img.width(), l.min_w) << l.name;
        EXPECT_GE(img.height(), l.min_h) << l.name;
        EXPECT_EQ(img.width() % 4, 0) << l.name << ": rows are read without padding";
        EXPECT_EQ(+img.image.info_header.biSizeImage, (uint32_t)(img.width() * img.height())) << l.name;
        // The pixel block is the file's tail, right after the palette.
        std::vector<uint8_t> bytes = read_bytes(data_path(l.name));
        EXPECT_EQ(bytes.size(), 14u + 40u + 1024u + img.image.info_header.biSizeImage) << l.name;
    }
}

TEST(GeneratedImages, ShareOnePaletteWithTheGameColours)
{
    LoadedImage first("background.bmp");
    ASSERT_EQ(first.ok, 1);
    const PlatPaletteEntry* pal = first.image.palette;
    std::vector<const char*> all(std::begin(kFullScreenImages), std::end(kFullScreenImages));
    all.insert(all.end(), std::begin(kSheets), std::end(kSheets));
    for (const char* name : all) {
        LoadedImage img(name);
        ASSERT_EQ(img.ok, 1) << name;
        for (int i = 0; i < 256; ++i) {
            EXPECT_EQ(img.image.palette[i].red, pal[i].red) << name << " entry " << i;
            EXPECT_EQ(img.image.palette[i].green, pal[i].green) << name << " entry " << i;
            EXPECT_EQ(img.image.palette[i].blue, pal[i].blue) << name << " entry " << i;
        }
    }
    EXPECT_EQ(pal[0].red + pal[0].green + pal[0].blue, 0) << "entry 0 is the black fill and key colour";
    struct Wanted {
        int r, g, b;
    };
    constexpr Wanted wanted[5] = {{240, 0, 0}, {255, 255, 0}, {0, 255, 0}, {20, 20, 255}, {255, 0, 0}};
    for (const Wanted& w : wanted) {
        bool found = false;
        for (int i = 0; i < 256; ++i)
            found |= pal[i].red == w.r && pal[i].green == w.g && pal[i].blue == w.b;
        EXPECT_TRUE(found) << "no exact entry for " << w.r << "," << w.g << "," << w.b;
    }
}

TEST(GeneratedImages, SheetsHaveGridLinesAroundEveryCell)
{
    for (const SheetLayout& l : kLayouts) {
        LoadedImage img(l.name);
        ASSERT_EQ(img.ok, 1) << l.name;
        const int grid_w = l.cols * (l.cell_w + 1) + 1, grid_h = l.rows * (l.cell_h + 1) + 1;
        int missing = 0;
        for (int r = 0; r <= l.rows; ++r) {
            int y = r * (l.cell_h + 1);
            if (y >= img.height())
                continue; // the bottom line may fall outside the smallest sheet
            for (int x = 0; x < std::min(grid_w, img.width()); ++x)
                missing += img.at(x, y) == 0;
        }
        for (int c = 0; c <= l.cols; ++c) {
            int x = c * (l.cell_w + 1);
            if (x >= img.width())
                continue;
            for (int y = 0; y < std::min(grid_h, img.height()); ++y)
                missing += img.at(x, y) == 0;
        }
        EXPECT_EQ(missing, 0) << l.name;
    }
}

TEST(GeneratedImages, VehiclesAreCentredSolidAndFramedByTransparency)
{
    for (int sheet = 0; sheet < 3; ++sheet) {
        const SheetLayout& l = kLayouts[sheet];
        LoadedImage img(l.name);
        ASSERT_EQ(img.ok, 1);
        for (int r = 0; r < l.rows; ++r)
            for (int c = 0; c < l.cols; ++c) {
                if (sheet == 1 && c != 0)
                    continue; // burning stages are checked below
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
                if (sheet == 2)
                    continue; // creatures may have gaps between their limbs
                EXPECT_EQ(enclosed_holes(img, x0, y0, l.cell_w, l.cell_h), 0) << l.name << " cell " << c << "," << r;
                if (sheet == 1) {
                    // About 36 px wide and 60 px long, nose up.
                    EXPECT_NEAR(b.x1 - b.x0 + 1, 38, 6) << "car kind " << r;
                    EXPECT_NEAR(b.y1 - b.y0 + 1, 62, 4) << "car kind " << r;
                }
            }
    }
}

TEST(GeneratedImages, AlienCarsGlowGreenAndOthersDoNot)
{
    LoadedImage img("cars2.bmp");
    ASSERT_EQ(img.ok, 1);
    const SheetLayout& l = kLayouts[1];
    for (int kind = 0; kind < 7; ++kind) {
        int green = count_pixels(img, cell_x(l, 0), cell_y(l, kind), 64, 64, glowing_green);
        if (kind == 3 || kind == 5)
            EXPECT_GT(green, 150) << "alien kind " << kind;
        else
            EXPECT_LT(green, 20) << "earth kind " << kind;
    }
}

TEST(GeneratedImages, BurningStagesChangeAndRow0EndsInAFireball)
{
    LoadedImage img("cars2.bmp");
    ASSERT_EQ(img.ok, 1);
    const SheetLayout& l = kLayouts[1];
    for (int kind = 0; kind < 7; ++kind)
        for (int c = 1; c < 14; ++c) {
            int differ = 0;
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x)
                    differ += img.at(cell_x(l, c) + x, cell_y(l, kind) + y) != img.at(cell_x(l, c - 1) + x, cell_y(l, kind) + y);
            EXPECT_GT(differ, 40) << "kind " << kind << " stage " << c << " looks like the one before";
        }
    // Cells (8..10, 0) are the explosion and the alien's shot: mostly fire.
    for (int c = 8; c <= 10; ++c)
        EXPECT_GT(count_pixels(img, cell_x(l, c), cell_y(l, 0), 64, 64, fiery), 700) << "explosion cell " << c;
    // Flames appear from the first stage on.
    EXPECT_GT(count_pixels(img, cell_x(l, 1), cell_y(l, 1), 64, 64, fiery), 20);
}

TEST(GeneratedImages, MonstersDifferAndFlinchWhenHurt)
{
    LoadedImage img("monster.bmp");
    ASSERT_EQ(img.ok, 1);
    const SheetLayout& l = kLayouts[2];
    auto differing = [&](int c0, int r0, int c1, int r1) {
        int n = 0;
        for (int y = 0; y < l.cell_h; ++y)
            for (int x = 0; x < l.cell_w; ++x)
                n += img.at(cell_x(l, c0) + x, cell_y(l, r0) + y) != img.at(cell_x(l, c1) + x, cell_y(l, r1) + y);
        return n;
    };
    for (int r = 0; r < 3; ++r) {
        Box b = opaque_box(img, cell_x(l, 0), cell_y(l, r), l.cell_w, l.cell_h);
        EXPECT_GT((b.x1 - b.x0) * (b.y1 - b.y0), 60 * 60) << "level " << r << " creature is too small";
        EXPECT_GT(differing(0, r, 1, r), 2000) << "level " << r << " hurt frame";
    }
    EXPECT_GT(differing(0, 0, 0, 1), 4000);
    EXPECT_GT(differing(0, 1, 0, 2), 4000);
}

TEST(GeneratedImages, PlacesTheGameWritesOnStayDarkAndPlain)
{
    {
        LoadedImage bg("background.bmp");
        ASSERT_EQ(bg.ok, 1);
        expect_dark(bg, 43, 110, 118, 126, 40, "radio readout");
        expect_dark(bg, 43, 163, 118, 179, 40, "score readout");
        expect_dark(bg, 56, 334, 118, 350, 40, "miles readout");
        expect_dark(bg, 15, 385, 120, 401, 40, "clock readout");
        expect_dark(bg, 10, 78, 118, 83, 40, "alien gauge groove");
        expect_dark(bg, 10, 218, 118, 223, 40, "condition gauge groove");
        expect_dark(bg, 10, 270, 118, 275, 40, "speed gauge groove");
        // Lane dashes are drawn on plain dark asphalt.
        for (int x = 192; x <= 576; x += 64)
            expect_dark(bg, x, 0, x + 1, 480, 110, "dash column");
        // The road between the edge lines is dark asphalt, the shoulder is not.
        int road = 0, shoulder = 0;
        for (int y = 0; y < 480; ++y) {
            road += bg.luma(350, y);
            shoulder += bg.luma(600, y);
        }
        EXPECT_LT(road / 480, 60);
        EXPECT_GT(shoulder / 480, road / 480);
    }
    {
        LoadedImage t("titlescreen.bmp");
        ASSERT_EQ(t.ok, 1);
        expect_dark(t, 220, 272, 440, 298, 45, "loading message band");
    }
    {
        LoadedImage m("Mainmenu.bmp");
        ASSERT_EQ(m.ok, 1);
        expect_dark(m, 262, 98, 420, 118, 45, "credit line band");
    }
    {
        LoadedImage h("HiScore.bmp");
        ASSERT_EQ(h.ok, 1);
        expect_dark(h, 270, 145, 380, 400, 45, "score table");
        expect_dark(h, 190, 195, 520, 270, 45, "initials entry");
    }
    {
        LoadedImage s("storyback.bmp");
        ASSERT_EQ(s.ok, 1);
        long sum = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                sum += s.luma(x, y);
        EXPECT_LT(sum / (640 * 480), 25) << "story text is red on this backdrop";
    }
}
