// The real display in headless mode for the battle and wreck tests: the
// generated game data copied into a scratch directory (start-up rewrites
// hiscore.txt there), game_init run once for the whole test program.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "display/display.h"
#include "platform/headless.h"
#include "platform/platform.h"

namespace battle_test {

constexpr uint32_t DISPLAY_TICK = 9000000;

// The directory the game runs in; empty until the display is up.
inline std::string& game_dir()
{
    static std::string dir;
    return dir;
}

// Brings up the display once; 1 when it is there (or already was).
inline int display_up()
{
    static int state = -1;
    if (state >= 0) {
        return state;
    }
    state = 0;
    if (back_buffer != nullptr) {
        state = 1;  // another test of this program started the game already
        return state;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path data(TAILGATE_DATA_DIR);
    if (!fs::exists(data / "cars2.bmp", error)) {
        return state;
    }
    char pattern[] = "/tmp/tailgate_battle_XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        return state;
    }
    fs::copy(data, pattern, fs::copy_options::recursive, error);
    if (error || chdir(pattern) != 0) {
        return state;
    }
    game_dir() = pattern;
    headless_start(true, DISPLAY_TICK);
    if (!plat_window_create(true, false) || !game_init()) {
        return state;
    }
    state = 1;
    return state;
}

// Counts the pixels of the back buffer with palette index `index` and
// gives their bounding box (exclusive right and bottom edges).
inline int find_index(int index, PlatRect* box)
{
    int count = 0;
    *box = PlatRect{SCREEN_WIDTH, SCREEN_HEIGHT, 0, 0};
    for (int y = 0; y < back_buffer->height; y++) {
        const uint8_t* row = back_buffer->pixels + y * back_buffer->pitch;
        for (int x = 0; x < back_buffer->width; x++) {
            if (row[x] == index) {
                count++;
                box->left = x < box->left ? x : box->left;
                box->top = y < box->top ? y : box->top;
                box->right = x + 1 > box->right ? x + 1 : box->right;
                box->bottom = y + 1 > box->bottom ? y + 1 : box->bottom;
            }
        }
    }
    return count;
}

}  // namespace battle_test
