// The real display in headless mode for the play frame tests: the generated
// game data copied to a scratch directory (start-up rewrites hiscore.txt),
// game_init run once per test program.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "display/display.h"
#include "platform/headless.h"
#include "platform/platform.h"

namespace play_test {

// 1 when the display is up (here or by another test of this program).
inline int display_ready()
{
    static int state = -1;
    if (state >= 0) {
        return state;
    }
    state = 0;
    if (back_buffer != nullptr) {
        state = 1;
        return state;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path data(TAILGATE_DATA_DIR);
    if (!fs::exists(data / "cars2.bmp", error)) {
        return state;
    }
    char pattern[] = "/tmp/tailgate_play_XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        return state;
    }
    fs::copy(data, pattern, fs::copy_options::recursive, error);
    if (error || chdir(pattern) != 0) {
        return state;
    }
    headless_start(true, 9000000);
    if (!plat_window_create(true, false) || !game_init()) {
        return state;
    }
    state = 1;
    return state;
}

// The frame just shown: the flip put it on the visible surface.
inline int shown_pixel(int x, int y)
{
    return primary_surface->pixels[y * primary_surface->pitch + x];
}

// Pixels of palette index `index` shown in the box [x0, x1) x [y0, y1).
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

// Pixels of the box shown differently from the road picture.
inline int count_changed(int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            n += shown_pixel(x, y) != background_surface->pixels[y * background_surface->pitch + x];
        }
    }
    return n;
}

}  // namespace play_test
