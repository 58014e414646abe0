// The game's text, composed from its glyph atlas, against the rasteriser the
// atlas was drawn with (SDL2_ttf on the same face, size and settings): every
// line must come out pixel for pixel the same, in size and in every pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/display_internal.h"
#include "platform/glyph_atlas.h"
#include "platform/platform.h"
#include "reference.h"

namespace {

struct Mask {
    bool drawn = false;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bits;
};

const reference::Face& face()
{
    static const reference::Face f;
    return f;
}

Mask rasterised(const std::string& text)
{
    Mask m;
    m.drawn = face().render(text.data(), static_cast<int>(text.size()), &m.bits, &m.width, &m.height);
    return m;
}

// The game's own path: what the window draws its overlay with.
Mask composed(const std::string& text)
{
    Mask m;
    m.drawn = display_text_mask(text.c_str(), &m.bits, &m.width, &m.height);
    return m;
}

std::string hex(const std::string& text)
{
    std::string out;
    for (const char ch : text) {
        char b[4];
        snprintf(b, sizeof b, "%02X ", static_cast<unsigned>(static_cast<uint8_t>(ch)));
        out += b;
    }
    return out;
}

// Holds a line against the rasteriser; on a difference, says what differs.
::testing::AssertionResult alike(const std::string& text)
{
    const Mask want = rasterised(text);
    const Mask got = composed(text);
    if (want.drawn != got.drawn) {
        return ::testing::AssertionFailure()
               << "[" << hex(text) << "] drawn " << got.drawn << ", rasteriser " << want.drawn;
    }
    if (want.width != got.width || want.height != got.height) {
        return ::testing::AssertionFailure() << "[" << hex(text) << "] " << got.width << " x " << got.height
                                             << ", rasteriser " << want.width << " x " << want.height;
    }
    if (want.bits != got.bits) {
        return ::testing::AssertionFailure() << "[" << hex(text) << "] differs in its pixels";
    }
    return ::testing::AssertionSuccess();
}

class AtlasTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(face().ok()) << face().why(); }
};

// 20,000 random lines of printable ASCII and Latin-1, of 1 to 80 characters.
TEST_F(AtlasTest, RandomPrintableLinesAreThoseOfTheRasteriser)
{
    std::vector<char> printable;
    for (int c = 0x20; c < 0x7F; c++) {
        printable.push_back(static_cast<char>(c));
    }
    for (int c = 0xA0; c < 0x100; c++) {
        printable.push_back(static_cast<char>(c));
    }
    std::mt19937 random(1981U);
    std::uniform_int_distribution<size_t> pick(0, printable.size() - 1);
    std::uniform_int_distribution<int> size(1, 80);
    int differing = 0;
    for (int i = 0; i < 20000 && differing < 5; i++) {
        std::string text(static_cast<size_t>(size(random)), ' ');
        for (char& ch : text) {
            ch = printable[pick(random)];
        }
        const auto result = alike(text);
        EXPECT_TRUE(result);
        differing += result ? 0 : 1;
    }
}

// Every byte a line can hold, alone, between letters and at either end;
// control characters and the soft hyphen (which the rasteriser hides) among them.
TEST_F(AtlasTest, EveryCharacterAloneAndInContextIsThatOfTheRasteriser)
{
    for (int c = 1; c < 256; c++) {
        const std::string ch(1, static_cast<char>(c));
        EXPECT_TRUE(alike(ch));
        EXPECT_TRUE(alike("Wj" + ch + "g|"));
        EXPECT_TRUE(alike(ch + "QUIT?"));
        EXPECT_TRUE(alike("Score:" + ch));
        EXPECT_TRUE(alike(std::string(3, ch[0])));
    }
    // Soft hyphens alone: no advance and no pixels, but the box of the space
    // glyph they are shown as, one pixel wide.
    EXPECT_TRUE(alike("\xAD\xAD\xAD"));
    const Mask hidden = composed("\xAD\xAD");
    ASSERT_TRUE(hidden.drawn);
    EXPECT_EQ(hidden.width, 1);
    EXPECT_EQ(std::count(hidden.bits.begin(), hidden.bits.end(), 1), 0);
    EXPECT_TRUE(alike("   "));  // spaces: a line of width, no pixels
    EXPECT_FALSE(composed("").drawn);
}

// Lines of the kind the screens show, and Latin-1 letters and signs.
TEST_F(AtlasTest, TheGamesLinesAreThoseOfTheRasteriser)
{
    for (const char* text :
         {"PAUSED", "WOO HOO!!!  BOY HOWDY!!  CONGRATULATIONS!!!", "HIGH SCORES", "1.  AAA  12,345",
          "Press SPACE to start", "MILES: 100",
          "\xC5 \xC7 \xC9 \xD1 \xD6 \xDF \xE6 \xF8 \xFF \xBF \xA1 \xAB \xBB \xBC \xBD \xBE \xA9 \xAE"}) {
        EXPECT_TRUE(alike(text));
    }
}

// Widths and the line height through the drawing functions; a long line is
// cut at 1023 characters and a zero byte ends a line, as the rasteriser's
// strings do.
TEST_F(AtlasTest, WidthsHeightAndLimitsAreThoseOfTheRasteriser)
{
    EXPECT_EQ(plat_text_height(), face().height());
    EXPECT_EQ(text_atlas.height, 16);
    const std::string line = "Q&A: 99 lives, \xBD a tank";
    EXPECT_EQ(plat_text_width(line.data(), static_cast<int>(line.size())), rasterised(line).width);
    EXPECT_EQ(plat_text_width(line.data(), 5), rasterised(line.substr(0, 5)).width);
    EXPECT_EQ(plat_text_width(line.data(), 0), 0);
    EXPECT_EQ(plat_text_width("A\xAD", 2), rasterised("A\xAD").width);

    std::string long_line;
    for (int i = 0; long_line.size() < 1500; i++) {
        long_line += static_cast<char>('A' + i % 26);
    }
    const Mask want = rasterised(long_line);
    Mask got;
    got.drawn = atlas_compose(text_atlas, long_line.data(), static_cast<int>(long_line.size()), &got.bits, &got.width,
                              &got.height);
    ASSERT_TRUE(want.drawn && got.drawn);
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.bits, want.bits);
    EXPECT_EQ(got.width, rasterised(long_line.substr(0, ATLAS_LINE_MAX)).width);

    const char with_zero[] = "AB\0CD";
    EXPECT_EQ(plat_text_width(with_zero, 5), rasterised("AB").width);
}

// plat_text_out lays the composed mask on a surface: ink where a letter is,
// the surface's own pixels elsewhere, from the given top-left corner.
TEST_F(AtlasTest, TextOutDrawsTheComposedLine)
{
    const std::string text = "Ry\xB7j\xC5";
    const Mask want = rasterised(text);
    ASSERT_TRUE(want.drawn);
    PlatSurface* s = plat_create_surface(64, 32);
    ASSERT_NE(s, nullptr);
    memset(s->pixels, 7, static_cast<size_t>(s->pitch) * s->height);
    PlatDC* dc = plat_get_dc(s);
    ASSERT_NE(dc, nullptr);
    plat_set_bk_transparent(dc);
    plat_set_text_color(dc, plat_rgb(255, 0, 0));
    plat_text_out(dc, 5, 3, text.data(), static_cast<int>(text.size()));
    plat_release_dc(s, dc);
    int mismatched = 0;
    for (int y = 0; y < s->height; y++) {
        for (int x = 0; x < s->width; x++) {
            const int mx = x - 5;
            const int my = y - 3;
            const bool inside = mx >= 0 && my >= 0 && mx < want.width && my < want.height;
            const bool ink = inside && want.bits[static_cast<size_t>(my) * want.width + mx] != 0;
            mismatched += ink == (s->pixels[y * s->pitch + x] != 7) ? 0 : 1;
        }
    }
    EXPECT_EQ(mismatched, 0);
    plat_release_surface(s);
}

}  // namespace
