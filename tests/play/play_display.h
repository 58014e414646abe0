// The real display in headless mode for the play frame tests: the generated
// game data copied to a scratch directory (start-up rewrites hiscore.txt),
// game_init run once per test program.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "display/display.h"
#include "platform/headless.h"
#include "platform/platform.h"

namespace play_test {

// 1 when the display is up (here or by another test of this program).
inline int display_ready()
{
    static int state = -1;
    if (state < 0) {
        namespace fs = std::filesystem;
        std::error_code error;
        char dir[] = "/tmp/tailgate_play_XXXXXX";
        state = back_buffer != nullptr;
        if (!state && fs::exists(fs::path(TAILGATE_DATA_DIR) / "cars2.bmp", error) && mkdtemp(dir)) {
            fs::copy(TAILGATE_DATA_DIR, dir, fs::copy_options::recursive, error);
            headless_start(true, 9000000);
            state = !error && chdir(dir) == 0 && plat_window_create(true, false) && game_init();
        }
    }
    return state;
}

// The frame just shown: the flip put it on the visible surface.
inline int shown_pixel(int x, int y)
{
    return primary_surface->pixels[y * primary_surface->pitch + x];
}

// Pixels of the box [x0, x1) x [y0, y1) shown with palette index `index`.
inline int count_index(int index, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            n += shown_pixel(x, y) == index;
        }
    }
    return n;
}

// Pixels of the box shown differently from `reference` (the road picture
// unless another is given).
inline int count_changed(int x0, int y0, int x1, int y1, const PlatSurface* reference = nullptr)
{
    const PlatSurface* s = reference ? reference : background_surface;
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            n += shown_pixel(x, y) != s->pixels[y * s->pitch + x];
        }
    }
    return n;
}

}  // namespace play_test
