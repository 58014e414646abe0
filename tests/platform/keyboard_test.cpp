// The real window's keyboard, fed with SDL's own key events on its dummy
// video driver: taps between two polls, held keys, the layout's letters,
// keys held when a screen opens; and no display at all.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace {

void send(Uint32 type, SDL_Scancode scancode, SDL_Keycode sym)
{
    SDL_Event event{};
    event.type = type;
    event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = sym;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

void press(SDL_Scancode scancode, SDL_Keycode sym) { send(SDL_KEYDOWN, scancode, sym); }
void release(SDL_Scancode scancode, SDL_Keycode sym) { send(SDL_KEYUP, scancode, sym); }

TEST(Keyboard, NoDisplayIsAFailedStartUpAndKeysAreLatchedByTheirLabels)
{
    // Without any display SDL would fall back to a driver that shows
    // nothing; that is refused with a reason.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    plat_use_backend(PLAT_WINDOW, 1000);
    if (plat_window_create(true) == 1) {
        plat_window_destroy();
        ADD_FAILURE() << "a window opened with no display";
    } else {
        EXPECT_NE(std::string(plat_window_error()).find("no display"), std::string::npos) << plat_window_error();
    }

    setenv("SDL_VIDEODRIVER", "dummy", 1);  // asked for by name: allowed
    ASSERT_EQ(plat_window_create(true), 1) << plat_window_error();

    // A tap between two polls counts once; a held key counts until let go.
    press(SDL_SCANCODE_SPACE, SDLK_SPACE);
    release(SDL_SCANCODE_SPACE, SDLK_SPACE);
    EXPECT_TRUE(plat_key_down(VK_SPACE));
    EXPECT_FALSE(plat_key_down(VK_SPACE));
    press(SDL_SCANCODE_UP, SDLK_UP);
    EXPECT_TRUE(plat_key_down(VK_UP));
    EXPECT_TRUE(plat_key_down(VK_UP));
    release(SDL_SCANCODE_UP, SDLK_UP);
    EXPECT_FALSE(plat_key_down(VK_UP));

    // Letters go by the layout: on AZERTY the key where a US board has A
    // is labelled Q, and it quits; arrows stay where they are.
    press(SDL_SCANCODE_A, SDLK_q);
    EXPECT_TRUE(plat_key_down(VK_Q));
    EXPECT_FALSE(plat_key_down('A'));
    release(SDL_SCANCODE_A, SDLK_a);  // the layout changed while it was held
    EXPECT_FALSE(plat_key_down(VK_Q));

    // A key held when a screen opens counts only after it was let go.
    press(SDL_SCANCODE_DOWN, SDLK_DOWN);
    plat_forget_held_keys();
    EXPECT_FALSE(plat_key_down(VK_DOWN));
    release(SDL_SCANCODE_DOWN, SDLK_DOWN);
    press(SDL_SCANCODE_DOWN, SDLK_DOWN);
    EXPECT_TRUE(plat_key_down(VK_DOWN));
    release(SDL_SCANCODE_DOWN, SDLK_DOWN);
    EXPECT_FALSE(plat_key_down(VK_DOWN));

    plat_window_destroy();
    unsetenv("SDL_VIDEODRIVER");
}

}  // namespace
