// Wide pens and keyed blits are drawn by rows and many pixels at a time;
// here they are held against the plain versions that go pixel by pixel, on
// random lines and blits, many of them cut by the surface's edges or a
// clip list: exactly the same pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "platform/platform.h"

namespace {

int pick(std::mt19937& random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

void scribble(PlatSurface* s, std::mt19937& random, int colours)
{
    for (int y = 0; y < s->height; y++) {
        for (int x = 0; x < s->width; x++) {
            s->pixels[y * s->pitch + x] = static_cast<uint8_t>(pick(random, 0, colours - 1));
        }
    }
}

void expect_same_pixels(const PlatSurface* got, const std::vector<uint8_t>& want, const char* what, int trial)
{
    for (int y = 0; y < got->height; y++) {
        for (int x = 0; x < got->width; x++) {
            ASSERT_EQ(got->pixels[y * got->pitch + x], want[y * got->width + x])
                << what << ", trial " << trial << ", pixel (" << x << ", " << y << ")";
        }
    }
}

std::vector<uint8_t> copy_of(const PlatSurface* s)
{
    std::vector<uint8_t> out(static_cast<size_t>(s->width) * s->height);
    for (int y = 0; y < s->height; y++) {
        memcpy(&out[y * s->width], s->pixels + y * s->pitch, s->width);
    }
    return out;
}

// ---- Lines: a dot of the pen's width at every pixel of Bresenham's line ----

void reference_line(std::vector<uint8_t>& p, int w, int h, int x0, int y0, int x1, int y1, int width,
                    uint8_t index)
{
    auto put = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < w && y < h) {
            p[y * w + x] = index;
        }
    };
    if (x0 == x1 && y0 == y1) {
        return;
    }
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    const int r = width / 2;
    int err = dx + dy;
    for (;;) {
        const bool last = x0 == x1 && y0 == y1;
        if (last && width <= 1) {
            break;
        }
        for (int oy = -r; oy <= r; oy++) {
            for (int ox = -r; ox <= r; ox++) {
                if (width <= 1 ? ox == 0 && oy == 0 : 4 * (ox * ox + oy * oy) <= width * width) {
                    put(x0 + ox, y0 + oy);
                }
            }
        }
        if (last) {
            break;
        }
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

TEST(WidePen, RowsOfTheStrokeAreTheDotsPixelByPixel)
{
    struct Case {
        const char* what;
        int max_width;
        int reach;  // how far outside the surface the ends may lie
        int length;
    };
    const Case cases[] = {
        {"gauge-like pens inside", 6, 0, 120},
        {"any width, ends off the edges", 64, 40, 200},
        {"short strokes round the corners", 12, 10, 6},
        {"thin lines", 1, 20, 100},
    };
    std::mt19937 random(5150);
    PlatSurface* s = plat_create_surface(97, 61);
    ASSERT_NE(s, nullptr);
    int trial = 0;
    for (const Case& c : cases) {
        for (int n = 0; n < 400; n++, trial++) {
            scribble(s, random, 4);
            std::vector<uint8_t> want = copy_of(s);
            PlatDC* dc = plat_get_dc(s);
            ASSERT_NE(dc, nullptr);
            const int width = pick(random, 1, c.max_width);
            const int grey = pick(random, 10, 250);
            const ColorRef colour = plat_rgb(grey, grey, grey);
            const uint8_t index = static_cast<uint8_t>(plat_nearest_index(colour));
            PlatPen* pen = plat_create_pen(width, colour);
            plat_select_pen(dc, pen);
            int x = pick(random, -c.reach, s->width - 1 + c.reach);
            int y = pick(random, -c.reach, s->height - 1 + c.reach);
            plat_move_to(dc, x, y);
            for (int k = 0; k < 3; k++) {  // a polyline: each segment from the last end
                // Some segments level, some upright.
                const int nx = k == 1 && n % 4 == 1 ? x : x + pick(random, -c.length, c.length);
                const int ny = k == 0 && n % 4 == 0 ? y : y + pick(random, -c.length, c.length);
                plat_line_to(dc, nx, ny);
                reference_line(want, s->width, s->height, x, y, nx, ny, width, index);
                x = nx;
                y = ny;
            }
            plat_release_dc(s, dc);
            plat_delete_pen(pen);
            expect_same_pixels(s, want, c.what, trial);
            if (HasFatalFailure()) {
                plat_release_surface(s);
                return;
            }
        }
    }
    plat_release_surface(s);
}

// ---- Keyed blits: a source pixel of the key leaves the destination's ------

void reference_blit(std::vector<uint8_t>& p, int w, int h, const PlatRect& clip, const PlatSurface* src,
                    const PlatRect& sr, const PlatRect& dr, int key)
{
    const int64_t sw = sr.right - sr.left;
    const int64_t sh = sr.bottom - sr.top;
    const int64_t dw = dr.right - dr.left;
    const int64_t dh = dr.bottom - dr.top;
    for (int y = std::max({0, clip.top, dr.top}); y < std::min({h, clip.bottom, dr.bottom}); y++) {
        for (int x = std::max({0, clip.left, dr.left}); x < std::min({w, clip.right, dr.right}); x++) {
            const int sx = sr.left + static_cast<int>((x - dr.left) * sw / dw);
            const int sy = sr.top + static_cast<int>((y - dr.top) * sh / dh);
            const uint8_t v = src->pixels[sy * src->pitch + sx];
            if (v != key) {
                p[y * w + x] = v;
            }
        }
    }
}

TEST(KeyedBlit, ManyPixelsAtOnceMatchPixelByPixel)
{
    std::mt19937 random(8086);
    struct Case {
        const char* what;
        bool scaled;
        bool clipped;
        int padding;  // bytes at the end of each row
    };
    const Case cases[] = {
        {"1:1", false, false, 0},
        {"1:1 through a clip list, padded rows", false, true, 13},
        {"scaled", true, false, 0},
        {"scaled through a clip list, padded rows", true, true, 7},
    };
    int trial = 0;
    for (const Case& c : cases) {
        plat_set_pitch_padding(c.padding);
        for (int n = 0; n < 300; n++, trial++) {
            PlatSurface* dest = plat_create_surface(pick(random, 1, 150), pick(random, 1, 90));
            PlatSurface* src = plat_create_surface(pick(random, 1, 80), pick(random, 1, 80));
            ASSERT_TRUE(dest && src);
            scribble(dest, random, 256);
            scribble(src, random, n % 3 == 0 ? 2 : 5);  // mostly key, or a mix
            const int key = pick(random, 0, 2);
            plat_set_colour_key(src, key);
            const PlatRect sr = {pick(random, 0, src->width - 1), pick(random, 0, src->height - 1), 0, 0};
            const PlatRect source_rect = {sr.left, sr.top, pick(random, sr.left + 1, src->width),
                                          pick(random, sr.top + 1, src->height)};
            const int w = c.scaled ? pick(random, 1, 120) : source_rect.right - source_rect.left;
            const int h = c.scaled ? pick(random, 1, 120) : source_rect.bottom - source_rect.top;
            const int left = pick(random, -w, dest->width);
            const int top = pick(random, -h, dest->height);
            const PlatRect dest_rect = {left, top, left + w, top + h};
            PlatRect clip = {-100000, -100000, 100000, 100000};
            PlatClipper* clipper = nullptr;
            if (c.clipped) {
                clip = {pick(random, 0, dest->width / 2), pick(random, 0, dest->height / 2), 0, 0};
                clip.right = pick(random, clip.left, dest->width + 5);
                clip.bottom = pick(random, clip.top, dest->height + 5);
                clipper = plat_create_clipper();
                plat_set_clip_list(clipper, 1, &clip);
                plat_set_clipper(dest, clipper);
            }
            std::vector<uint8_t> want = copy_of(dest);
            reference_blit(want, dest->width, dest->height, clip, src, source_rect, dest_rect, key);
            EXPECT_EQ(plat_blit(dest, &dest_rect, src, &source_rect, true), 1);
            expect_same_pixels(dest, want, c.what, trial);
            plat_set_clipper(dest, nullptr);
            plat_release_clipper(clipper);
            plat_release_surface(src);
            plat_release_surface(dest);
            if (HasFatalFailure()) {
                plat_set_pitch_padding(0);
                return;
            }
        }
    }
    plat_set_pitch_padding(0);
}

}  // namespace
