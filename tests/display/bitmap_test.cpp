// The BMP loader: bit counts, row order, palettes, and damaged files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "bmp_files.h"
#include "display/display.h"

namespace {

class BitmapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tailgate_bmp_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        memset(&image, 0, sizeof image);
    }
    void TearDown() override
    {
        gfx_unload_bitmap(&image);
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(system(cmd.c_str()), 0);
    }
    std::string path(const char* name) { return dir + "/" + name; }
    int load(const BmpFile& f)
    {
        EXPECT_TRUE(write_bmp(path("t.bmp"), f));
        return gfx_load_bitmap(&image, path("t.bmp").c_str());
    }
    // Loads a good 8-bit file so that later failures can be checked against it.
    void load_reference()
    {
        ASSERT_EQ(load(picture_8bit(4, 2, {1, 2, 3, 4, 5, 6, 7, 8}, 77)), 1);
    }
    void expect_reference_kept()
    {
        ASSERT_NE(image.pixels, nullptr);
        const uint8_t expected[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        EXPECT_EQ(memcmp(image.pixels, expected, 8), 0);
        EXPECT_EQ(image.palette[10].green, 77);
    }

    std::string dir;
    BitmapImage image;
};

TEST_F(BitmapTest, EightBitRowsComeOutTopDownWithTheirPalette)
{
    // Three rows stored bottom-up: the file's first row is the picture's last.
    BmpFile f = picture_8bit(4, 3, {10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33}, 9);
    EXPECT_EQ(f.data[0], 30);
    ASSERT_EQ(load(f), 1);
    const uint8_t expected[12] = {10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33};
    EXPECT_EQ(memcmp(image.pixels, expected, 12), 0);
    // Stored blue, green, red: held red, green, blue, PC_NOCOLLAPSE.
    EXPECT_EQ(image.palette[5].red, 250);
    EXPECT_EQ(image.palette[5].green, 9);
    EXPECT_EQ(image.palette[5].blue, 5);
    EXPECT_EQ(image.palette[5].flags, PC_NOCOLLAPSE);
    EXPECT_EQ(+image.info_header.biWidth, 4);
    EXPECT_EQ(+image.info_header.biHeight, 3);
}

TEST_F(BitmapTest, TopDownFileKeepsItsRowOrder)
{
    BmpFile f;
    f.width = 4;
    f.height = -2;
    f.data = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(load(f), 1);
    const uint8_t expected[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(memcmp(image.pixels, expected, 8), 0);
}

TEST_F(BitmapTest, DeeperFilesLoadAndKeepTheEarlierPalette)
{
    load_reference();
    BmpFile f;
    f.bits = 24;
    f.width = 4;
    f.height = 2;
    f.data.resize(24);
    for (size_t i = 0; i < f.data.size(); i++) {
        f.data[i] = static_cast<uint8_t>(i);
    }
    ASSERT_EQ(load(f), 1);
    // Rows of 12 bytes, swapped.
    EXPECT_EQ(image.pixels[0], 12);
    EXPECT_EQ(image.pixels[12], 0);
    EXPECT_EQ(image.palette[10].green, 77);
    EXPECT_EQ(image.palette[10].red, 245);

    f.bits = 16;
    f.data.resize(16);
    ASSERT_EQ(load(f), 1);
    EXPECT_EQ(image.pixels[0], 8);
}

TEST_F(BitmapTest, UnsupportedBitCountsFailAndKeepTheOldPixels)
{
    load_reference();
    for (int bits : {1, 4, 32, 0}) {
        BmpFile f;
        f.bits = bits;
        f.width = 8;
        f.height = 2;
        f.data.assign(64, 0xAB);
        EXPECT_EQ(load(f), 0) << bits;
        EXPECT_EQ(+image.info_header.biBitCount, bits);  // the headers hold what was read
        expect_reference_kept();
    }
}

TEST_F(BitmapTest, NotABitmapOrMissingFails)
{
    load_reference();
    BmpFile f = picture_8bit(4, 2, {0, 0, 0, 0, 0, 0, 0, 0}, 1);
    f.type = 0x5A4D;  // "MZ"
    EXPECT_EQ(load(f), 0);
    EXPECT_EQ(+image.file_header.bfType, 0x5A4D);
    expect_reference_kept();

    EXPECT_EQ(gfx_load_bitmap(&image, path("no such file.bmp").c_str()), 0);
    expect_reference_kept();
}

TEST_F(BitmapTest, PixelsAreTheLastBytesOfTheFile)
{
    BmpFile f = picture_8bit(4, 1, {9, 8, 7, 6}, 0);
    f.gap = 37;  // whatever lies before them is skipped
    ASSERT_EQ(load(f), 1);
    const uint8_t expected[4] = {9, 8, 7, 6};
    EXPECT_EQ(memcmp(image.pixels, expected, 4), 0);
}

TEST_F(BitmapTest, ZeroImageSizeIsComputedFromTheHeader)
{
    BmpFile f = picture_8bit(4, 2, {1, 2, 3, 4, 5, 6, 7, 8}, 0);
    f.size_image = 0;
    ASSERT_EQ(load(f), 1);
    EXPECT_EQ(+image.info_header.biSizeImage, 8u);
    EXPECT_EQ(image.pixels[0], 1);
    EXPECT_EQ(image.pixels[7], 8);
}

TEST_F(BitmapTest, LoadingAgainReplacesThePixels)
{
    load_reference();
    ASSERT_EQ(load(picture_8bit(4, 1, {40, 41, 42, 43}, 3)), 1);
    EXPECT_EQ(image.pixels[0], 40);
    EXPECT_EQ(image.palette[0].green, 3);
    EXPECT_EQ(gfx_unload_bitmap(&image), 1);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.palette[0].green, 3);  // the palette outlives the pixels
    EXPECT_EQ(gfx_unload_bitmap(&image), 1);
}

TEST_F(BitmapTest, DamagedSizesAreRefusedAndLoseNothing)
{
    load_reference();
    struct Case {
        const char* what;
        int width;
        int height;
        int64_t size_image;
        size_t data_bytes;
    };
    const Case cases[] = {
        {"image size beyond the file", 4, 2, 4096, 8},
        {"image size smaller than the rows", 4, 2, 4, 8},
        {"rows beyond the data", 64, 64, -1, 8},
        {"zero width", 0, 2, -1, 8},
        {"negative width", -4, 2, -1, 8},
        {"zero height", 4, 0, -1, 8},
        {"absurd width", 0x40000000, 1, -1, 8},
        {"absurd height", 4, -0x7FFFFFFF, -1, 8},
        {"absurd image size", 4, 2, 0xFFFFFFF0, 8},
    };
    for (const Case& c : cases) {
        BmpFile f;
        f.width = c.width;
        f.height = c.height;
        f.size_image = c.size_image;
        f.data.assign(c.data_bytes, 0x55);
        f.tag = 200;
        EXPECT_EQ(load(f), 0) << c.what;
        expect_reference_kept();
    }
}

TEST_F(BitmapTest, TruncatedFilesAreRefused)
{
    load_reference();
    const std::vector<uint8_t> whole = bmp_bytes(picture_8bit(4, 2, {1, 2, 3, 4, 5, 6, 7, 8}, 5));
    for (size_t length : {size_t{0}, size_t{1}, size_t{13}, size_t{14}, size_t{40}, size_t{54}, size_t{500},
                          whole.size() - 1}) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(length));
        ASSERT_TRUE(write_bytes(path("cut.bmp"), cut));
        EXPECT_EQ(gfx_load_bitmap(&image, path("cut.bmp").c_str()), 0) << length;
        expect_reference_kept();
    }
}

TEST(ReverseRows, SwapsRowsInPlace)
{
    uint8_t one[3] = {1, 2, 3};
    EXPECT_EQ(gfx_reverse_rows(one, 3, 1), 1);
    EXPECT_EQ(one[0], 1);
    EXPECT_EQ(one[2], 3);

    uint8_t two[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(gfx_reverse_rows(two, 3, 2), 1);
    const uint8_t swapped[6] = {4, 5, 6, 1, 2, 3};
    EXPECT_EQ(memcmp(two, swapped, 6), 0);

    uint8_t three[3] = {1, 2, 3};
    EXPECT_EQ(gfx_reverse_rows(three, 1, 3), 1);
    EXPECT_EQ(three[0], 3);
    EXPECT_EQ(three[1], 2);

    EXPECT_EQ(gfx_reverse_rows(two, 3, 0), 1);
    EXPECT_EQ(gfx_reverse_rows(two, 3, -2), 1);
    EXPECT_EQ(memcmp(two, swapped, 6), 0);
}

}  // namespace
