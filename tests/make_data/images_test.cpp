// The generated pictures, read back through the game's BMP loader: their
// shapes and one palette with the colours the game draws in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "data_files.h"

namespace {

// The smallest sheets that hold the start-up's cells with their grid lines.
constexpr int kSheetMin[3][2] = {{196, 97}, {912, 455}, {292, 339}};

int rgb(const PlatPaletteEntry& e) { return e.red << 16 | e.green << 8 | e.blue; }

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
            EXPECT_GE(img.width(), kSheetMin[i - 7][0]) << name;
            EXPECT_GE(img.height(), kSheetMin[i - 7][1]) << name;
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
