// Reading 8-bit surfaces: one pixel, and the pixels of a box that pass a test.
#pragma once

#include "platform/platform.h"

namespace test_support {

inline int pixel(const PlatSurface* s, int x, int y)
{
    return s->pixels[y * s->pitch + x];
}

// Pixels (x, y) of the box [x0, x1) x [y0, y1) of `s` (x1, y1 of -1: to the
// edge) for which `test(x, y, index)` holds.
template <class Test>
int count_pixels(const PlatSurface* s, Test test, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1)
{
    int n = 0;
    for (int y = y0; y < (y1 < 0 ? s->height : y1); ++y) {
        for (int x = x0; x < (x1 < 0 ? s->width : x1); ++x) {
            n += test(x, y, pixel(s, x, y)) ? 1 : 0;
        }
    }
    return n;
}

// Pixels of the box with palette index `index`.
inline int count_index(const PlatSurface* s, int index, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1)
{
    return count_pixels(
        s, [index](int, int, int p) { return p == index; }, x0, y0, x1, y1);
}

}  // namespace test_support
