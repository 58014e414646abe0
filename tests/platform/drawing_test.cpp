// Clip lists and blits of the platform layer: what a bad rectangle does.
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

uint8_t at(const PlatSurface* s, int x, int y)
{
    return s->pixels[y * s->pitch + x];
}

int count(const PlatSurface* s, uint8_t index)
{
    int n = 0;
    for (int y = 0; y < s->height; y++) {
        for (int x = 0; x < s->width; x++) {
            n += at(s, x, y) == index;
        }
    }
    return n;
}

TEST(Blit, ClipListsCutBlitsAndBadRectanglesDrawNothing)
{
    PlatSurface* dest = plat_create_surface(10, 10);
    PlatSurface* src = plat_create_surface(4, 4);
    plat_fill(src, nullptr, 5);
    const PlatRect ok = {0, 0, 4, 4};
    const PlatRect bad_dest[] = {{3, 3, 3, 5}, {4, 4, 0, 0}, {-2147483647, -2147483647, 2147483647, 2147483647}};
    for (const PlatRect& r : bad_dest) {
        EXPECT_EQ(plat_blit(dest, &r, src, &ok, false), 0);
    }
    const PlatRect outside_source = {2, 2, 6, 6};
    EXPECT_EQ(plat_blit(dest, &ok, src, &outside_source, false), 0);
    EXPECT_EQ(plat_blit(dest, &ok, nullptr, &ok, false), 0);
    EXPECT_EQ(count(dest, 0), 100);
    // Without a clipper the surface's own edges cut the blit.
    const PlatRect corner = {8, 8, 12, 12};
    EXPECT_EQ(plat_blit(dest, &corner, src, &ok, false), 1);
    EXPECT_EQ(count(dest, 5), 4);

    // Two strips: columns 0, 1 and 8, 9 only, for a scaled blit and a fill alike.
    PlatClipper* c = plat_create_clipper();
    const PlatRect rects[] = {{0, 0, 2, 10}, {8, 0, 20, 10}};
    ASSERT_EQ(plat_set_clip_list(c, 2, rects), 1);
    EXPECT_EQ(plat_set_clip_list(c, PLAT_CLIP_RECTS + 1, rects), 0);
    plat_set_clipper(dest, c);
    const PlatRect all = {0, 0, 10, 10};
    EXPECT_EQ(plat_blit(dest, &all, src, &ok, false), 1);
    EXPECT_EQ(count(dest, 5), 40);
    EXPECT_EQ(at(dest, 2, 0), 0);
    const PlatRect row = {1, 0, 9, 1};
    plat_fill(dest, &row, 7);
    EXPECT_EQ(count(dest, 7), 2);
    plat_set_clipper(dest, nullptr);
    plat_release_clipper(c);
    plat_release_surface(src);
    plat_release_surface(dest);
}

}  // namespace
