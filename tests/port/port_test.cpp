// What a player who keeps the game meets beyond its rules: pause, the
// gamepad, and sessions recorded in a window that replay
// exactly in headless mode.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/settings.h"
#include "support/run.h"

namespace fs = std::filesystem;

namespace {

using test_support::read_text;
using test_support::run_status;

fs::path fresh_dir(const char* name)
{
    fs::path dir = fs::temp_directory_path() / ("tailgate_port_" + std::string(name) + "_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void push(SDL_Event event)
{
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}
void push_key(Uint32 type, SDL_Keycode sym, SDL_Scancode scancode)
{
    SDL_Event event{};
    event.type = event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = sym;
    push(event);
}
void push_button(Uint32 type, int button)
{
    SDL_Event event{};
    event.type = event.cbutton.type = type;
    event.cbutton.button = static_cast<Uint8>(button);
    event.cbutton.state = type == SDL_CONTROLLERBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    push(event);
}
void push_axis(int axis, int value)
{
    SDL_Event event{};
    event.type = event.caxis.type = SDL_CONTROLLERAXISMOTION;
    event.caxis.axis = static_cast<Uint8>(axis);
    event.caxis.value = static_cast<Sint16>(value);
    push(event);
}

// Without any display SDL would fall back to a driver that shows nothing;
// that is refused with a reason. On the dummy driver, asked for by name:
// letters go by their labels, held keys count until let go, a key held when
// a screen opens only after it was let go, and the settings' keys and the
// gamepad drive the game; paused, the game's clock stands still.
TEST(Window, KeysByTheirLabelsRemappedKeysPauseAndTheGamepad)
{
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
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    PlatSettings settings = plat_default_settings();
    settings.keys[ACTION_FIRE] = "Return";
    settings.keys[ACTION_PAUSE] = "Pause";
    plat_window_configure(settings);
    ASSERT_EQ(plat_window_create(true), 1) << plat_window_error();

    // On AZERTY the key where a US board has A is labelled Q, and it quits;
    // the layout may change while it is held.
    push_key(SDL_KEYDOWN, SDLK_q, SDL_SCANCODE_A);
    EXPECT_TRUE(plat_key_down(gk::Q));
    EXPECT_FALSE(plat_key_down('A'));
    push_key(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A);
    EXPECT_FALSE(plat_key_down(gk::Q));
    push_key(SDL_KEYDOWN, SDLK_UP, SDL_SCANCODE_UP);
    EXPECT_TRUE(plat_key_down(gk::UP));
    EXPECT_TRUE(plat_key_down(gk::UP));
    plat_forget_held_keys();
    EXPECT_FALSE(plat_key_down(gk::UP));
    push_key(SDL_KEYUP, SDLK_UP, SDL_SCANCODE_UP);
    push_key(SDL_KEYDOWN, SDLK_UP, SDL_SCANCODE_UP);
    EXPECT_TRUE(plat_key_down(gk::UP));
    push_key(SDL_KEYUP, SDLK_UP, SDL_SCANCODE_UP);
    EXPECT_FALSE(plat_key_down(gk::UP));

    // The fire key is now Return; Space does nothing. A tap between two
    // polls counts once.
    push_key(SDL_KEYDOWN, SDLK_SPACE, SDL_SCANCODE_SPACE);
    EXPECT_FALSE(plat_key_down(gk::SPACE));
    push_key(SDL_KEYUP, SDLK_SPACE, SDL_SCANCODE_SPACE);
    push_key(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN);
    EXPECT_TRUE(plat_key_down(gk::SPACE));
    push_key(SDL_KEYUP, SDLK_RETURN, SDL_SCANCODE_RETURN);
    EXPECT_FALSE(plat_key_down(gk::SPACE));

    // Paused, the game's clock stands still; going on, it runs on from
    // where it stood.
    push_key(SDL_KEYDOWN, SDLK_PAUSE, SDL_SCANCODE_PAUSE);
    plat_key_down(gk::UP);  // looks at the events
    ASSERT_TRUE(plat_paused());
    const uint32_t frozen = plat_get_tick_count();
    SDL_Delay(120);
    EXPECT_EQ(plat_get_tick_count(), frozen);
    push_key(SDL_KEYUP, SDLK_PAUSE, SDL_SCANCODE_PAUSE);
    push_button(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_START);  // the pad's Start goes on
    plat_hold_while_paused();
    EXPECT_FALSE(plat_paused());
    EXPECT_LT(plat_get_tick_count() - frozen, 100u);

    // The pad: A is fire, the d-pad and the stick are arrows, X and Y the radio.
    push_button(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_A);
    EXPECT_TRUE(plat_key_down(gk::SPACE));
    push_button(SDL_CONTROLLERBUTTONUP, SDL_CONTROLLER_BUTTON_A);
    EXPECT_FALSE(plat_key_down(gk::SPACE));
    push_button(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    push_axis(SDL_CONTROLLER_AXIS_LEFTX, -30000);
    push_button(SDL_CONTROLLERBUTTONUP, SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    EXPECT_TRUE(plat_key_down(gk::LEFT)) << "the stick still holds it";
    push_axis(SDL_CONTROLLER_AXIS_LEFTX, -12000);  // inside the dead zone's outer edge: still held
    EXPECT_TRUE(plat_key_down(gk::LEFT));
    push_axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
    EXPECT_FALSE(plat_key_down(gk::LEFT));
    push_axis(SDL_CONTROLLER_AXIS_LEFTY, 30000);
    EXPECT_TRUE(plat_key_down(gk::DOWN));
    EXPECT_FALSE(plat_key_down(gk::UP));
    push_axis(SDL_CONTROLLER_AXIS_LEFTY, 0);
    push_button(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_Y);
    push_button(SDL_CONTROLLERBUTTONUP, SDL_CONTROLLER_BUTTON_Y);
    EXPECT_TRUE(plat_key_down(gk::S)) << "a tap between polls counts once";
    EXPECT_FALSE(plat_key_down(gk::S));

    plat_window_destroy();
    plat_window_configure(plat_default_settings());
    unsetenv("SDL_VIDEODRIVER");
}

// Every action's own key and every pad button hold their game key and no
// other, and let it go again.
TEST(Window, EveryKeyAndPadButtonHoldsItsOwnGameKeyAlone)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    plat_use_backend(PLAT_WINDOW, 1000);
    plat_window_configure(plat_default_settings());
    ASSERT_EQ(plat_window_create(true), 1) << plat_window_error();
    const int game_keys[] = {gk::UP, gk::DOWN, gk::LEFT, gk::RIGHT, gk::SPACE, gk::H, gk::S, gk::C, gk::R, gk::Q};
    const auto held_alone = [&game_keys](int want) {
        std::string held;
        for (int key : game_keys) {
            held += plat_key_down(key) != (key == want) ? " " + std::to_string(key) : "";
        }
        return held;
    };
    const PlatSettings defaults = plat_default_settings();
    for (int a = 0; a < ACTION_COUNT; ++a) {
        const int want = plat_action_game_key(static_cast<PlatAction>(a));
        if (want == 0) {
            continue;  // pause and the screenshot are the window's own
        }
        const SDL_Keycode key = SDL_GetKeyFromName(defaults.keys[a].c_str());
        push_key(SDL_KEYDOWN, key, SDL_GetScancodeFromKey(key));
        EXPECT_EQ(held_alone(want), "") << defaults.keys[a] << ": keys wrongly up or down";
        push_key(SDL_KEYUP, key, SDL_GetScancodeFromKey(key));
        EXPECT_EQ(held_alone(0), "") << defaults.keys[a] << " let go";
    }
    const int buttons[][2] = {
        {SDL_CONTROLLER_BUTTON_DPAD_UP, gk::UP},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, gk::DOWN},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, gk::LEFT},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, gk::RIGHT},
        {SDL_CONTROLLER_BUTTON_A, gk::SPACE},
        {SDL_CONTROLLER_BUTTON_B, gk::H},
        {SDL_CONTROLLER_BUTTON_X, gk::S},
        {SDL_CONTROLLER_BUTTON_Y, gk::S},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 0},
    };
    for (const auto& [button, want] : buttons) {
        push_button(SDL_CONTROLLERBUTTONDOWN, button);
        EXPECT_EQ(held_alone(want), "") << "pad button " << button;
        push_button(SDL_CONTROLLERBUTTONUP, button);
        EXPECT_EQ(held_alone(0), "") << "pad button " << button << " let go";
    }
    plat_window_destroy();
    unsetenv("SDL_VIDEODRIVER");
}

// A session played back in a window with --record writes the keys the game
// was given; that recording, run headless from its start tick, ends in the
// same state as the window did, and the recording of a recording is itself.
TEST(Recording, AWindowSessionReplaysHeadlessToTheSameState)
{
    const fs::path dir = fresh_dir("record");
    fs::copy(TAILGATE_DATA_DIR, dir / "data", fs::copy_options::recursive);
    fs::remove(dir / "data" / "hiscore.txt");
    const fs::path script = dir / "drive.txt";
    std::ofstream(script) << "# start-tick 987654\n"
                             "10 +SPACE\n11 -SPACE\n20 +S\n21 -S\n40 +SPACE\n41 -SPACE\n"
                             "60 +UP\n120 +LEFT\n128 -LEFT\n150 +H\n151 -H\n170 +S\n171 -S\n200 -UP\n";
    const std::string exe = TAILGATE_EXE;
    const std::string env = "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME=" + dir.string() +
                            " XDG_DATA_HOME=" + dir.string() + " ";
    const std::string data = " --data " + (dir / "data").string();
    ASSERT_EQ(run_status(env + exe + " --window" + data + " --input " + script.string() + " --record " +
                         (dir / "rec.txt").string() + " --passes 240 --dump " + (dir / "window.json").string() +
                         " >/dev/null 2>&1"),
              0);
    EXPECT_TRUE(fs::exists(dir / "tailgate" / "tailgate.ini")) << "the window run writes its settings";
    const std::string recording = read_text(dir / "rec.txt");
    EXPECT_NE(recording.find("# start-tick 987654"), std::string::npos) << recording;
    EXPECT_NE(recording.find("# passes 240"), std::string::npos) << recording;
    EXPECT_NE(recording.find("120 +LEFT"), std::string::npos) << recording;

    fs::remove(dir / "data" / "hiscore.txt");
    ASSERT_EQ(run_status(exe + " --headless" + data + " --start-tick 987654 --input " + (dir / "rec.txt").string() +
                         " --passes 240 --dump " + (dir / "headless.json").string() + " --record " +
                         (dir / "rec2.txt").string() + " >/dev/null 2>&1"),
              0);
    const std::string window_state = read_text(dir / "window.json");
    ASSERT_FALSE(window_state.empty());
    EXPECT_EQ(window_state, read_text(dir / "headless.json"));
    EXPECT_EQ(read_text(dir / "rec2.txt"), recording);
    fs::remove_all(dir);
}

}  // namespace
