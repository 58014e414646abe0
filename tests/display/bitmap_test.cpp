// The BMP loader: bit counts, row order, palettes, and damaged files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "bmp_files.h"
#include "display/display.h"

namespace {

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
    plat_use_backend(PLAT_HEADLESS, 1000);
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

// Files that cannot be pictures are refused at once with their reason: a
// compressed BMP (what image tools write by default for 256 colours), and
// anything that is not a regular file, which must never be waited on.
TEST_F(BitmapTest, CompressedAndNonRegularFilesAreRefusedWithTheirReason)
{
    for (uint32_t kind : {1u, 2u}) {
        BmpFile rle = picture_8bit(4, 2, REFERENCE, 3);
        rle.compression = kind;
        EXPECT_EQ(load(rle), 0);
        EXPECT_STREQ(gfx_load_reason, "compressed BMPs are not supported; save it uncompressed");
        EXPECT_EQ(gfx_load_absent, 0);
        expect_reference_kept();
    }
    BmpFile bitfields = raw_bmp(2, 1, 16, {1, 2, 3, 4});
    bitfields.compression = 3;  // 16-bit masks: the rows are still plain
    EXPECT_EQ(load(bitfields), 1);
    reference = image;

    const std::string fifo = path + ".fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    for (const char* name : {fifo.c_str(), "/tmp", "/dev/zero"}) {
        EXPECT_EQ(gfx_load_bitmap(&image, name), 0) << name;
        EXPECT_STREQ(gfx_load_reason, "not a regular file");
        EXPECT_EQ(gfx_load_absent, 1);
        EXPECT_EQ(memcmp(&image, &reference, sizeof image), 0);
    }
    remove(fifo.c_str());
    EXPECT_EQ(gfx_load_bitmap(&image, "/nonexistent/file.bmp"), 0);
    EXPECT_STREQ(gfx_load_reason, "no such file");
    EXPECT_EQ(gfx_load_absent, 1);
}

TEST(ReverseRows, OneRowStaysTwoRowsSwapNoRowsAreHarmless)
{
    uint8_t rows[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(gfx_reverse_rows(rows, 6, 1), 1);
    EXPECT_EQ(gfx_reverse_rows(rows, 3, 2), 1);
    EXPECT_EQ(gfx_reverse_rows(rows, 3, 0) + gfx_reverse_rows(rows, 3, -2), 2);
    EXPECT_EQ(memcmp(rows, "\4\5\6\1\2\3", 6), 0);
}

}  // namespace
