// The game in its window, played as a player plays it: the real program
// (tailgate_main) on SDL's dummy video driver, its keys, pad buttons, focus
// changes and close requests pushed as the window system would send them.
// Each session runs in a child process of its own, so a game that never
// comes back from a pause fails the test instead of hanging it.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <SDL2/SDL.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "frontend/frontend.h"
#include "platform/headless.h"
#include "platform/host.h"
#include "platform/overlay_menu.h"
#include "platform/platform.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "support/golden.h"
#include "support/run.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// What a session's driver can find out of the running game.
int current_pass()
{
    return headless_current_pass();
}

// Waits up to `limit` for `ready`; false when it never came.
bool wait_for(const std::function<bool()>& ready, std::chrono::milliseconds limit = 5000ms)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (ready()) {
            return true;
        }
        std::this_thread::sleep_for(5ms);
    }
    return ready();
}

bool game_running_past(int pass)
{
    return current_pass() > pass;
}

void push_key(SDL_Keycode key, bool down, Uint16 mod = KMOD_NONE)
{
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    event.key.keysym.mod = mod;
    event.key.windowID = 1;
    SDL_PushEvent(&event);
}

// A key pressed and let go again, as a tap.
void tap(SDL_Keycode key, Uint16 mod = KMOD_NONE)
{
    push_key(key, true, mod);
    std::this_thread::sleep_for(80ms);
    push_key(key, false, mod);
    std::this_thread::sleep_for(80ms);
}

void push_window_event(SDL_WindowEventID what)
{
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    event.window.windowID = 1;
    SDL_PushEvent(&event);
}

void push_close()
{
    SDL_Event event{};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
}

// The driver's findings: a failed check ends the child with this status and
// its line on stderr.
constexpr int CHECK_FAILED = 70;
void check(bool ok, const char* what)
{
    if (!ok) {
        fprintf(stderr, "check failed: %s (pass %d, paused %d)\n", what, current_pass(), plat_paused() ? 1 : 0);
        fflush(stderr);
        _exit(CHECK_FAILED);
    }
}

// Seconds of CPU the process has used.
double cpu_seconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Waits for the game to be running, then pauses it with `pause` and checks
// that the game's passes stand still and the process is idle.
void pause_and_check(const std::function<void()>& pause)
{
    check(wait_for([] { return game_running_past(10); }), "the game runs");
    pause();
    check(wait_for([] { return plat_paused(); }), "paused");
    std::this_thread::sleep_for(100ms);
    const int pass = current_pass();
    const double cpu = cpu_seconds();
    std::this_thread::sleep_for(1000ms);
    check(current_pass() == pass, "no pass runs while paused");
    check(cpu_seconds() - cpu < 0.25, "a paused game leaves the processor alone");
}

void resume_and_check(const std::function<void()>& resume)
{
    const int pass = current_pass();
    resume();
    check(wait_for([] { return !plat_paused(); }), "goes on");
    check(wait_for([pass] { return game_running_past(pass + 10); }), "passes run again after the pause");
}

struct Session {
    int status = -1;     // the exit status, or -1 when it had to be killed
    std::string errors;  // what it wrote on stderr
    fs::path dir;        // its settings and files
};

// Runs the game in a child with `args` (after the program's name), its
// settings and files in a directory of its own, while `driver` plays it
// from another thread. A session that does not end within `limit` is
// killed.
Session play(const test_support::GameRun& run, std::vector<std::string> args, const std::function<void()>& driver,
             std::chrono::seconds limit = 30s, const std::string& pictures = "")
{
    Session session;
    static int sessions;
    const fs::path dir = run.dir / ("session" + std::to_string(++sessions));
    fs::create_directories(dir);
    session.dir = dir;
    const fs::path errors = dir / "stderr.txt";
    fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        // The dummy driver's window never has the focus, without which SDL
        // passes no pad buttons on.
        setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir / "share").c_str(), 1);
        setenv("XDG_PICTURES_DIR", pictures.empty() ? (dir / "pictures").c_str() : pictures.c_str(), 1);
        if (!freopen(errors.c_str(), "w", stderr) || !freopen("/dev/null", "w", stdout)) {
            _exit(CHECK_FAILED);
        }
        args.insert(args.begin(), "tailgate");
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        std::thread player([&driver] { driver(); });
        player.detach();
        const int status = tailgate_main(static_cast<int>(args.size()), argv.data());
        fflush(nullptr);
        _exit(status);
    }
    int status = 0;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            session.errors = test_support::read_text(errors) + "\n(killed: the session did not end)";
            return session;
        }
        std::this_thread::sleep_for(20ms);
    }
    session.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    session.errors = test_support::read_text(errors);
    return session;
}

// P pauses and goes on, on the menu and on the road; a pause taken inside a
// pass (the game reads its keys during the pass) holds the pacing too, and
// Q, the close button and SIGTERM end a paused game at once.
TEST(Pause, PGoesOnAndEveryWayOutWorksWhilePaused)
{
    const test_support::GameRun run;
    const std::string data = run.data.string();
    const std::vector<std::pair<const char*, std::function<void()>>> exits = {
        {"Q", [] { tap(SDLK_q); }},
        {"the close button", [] { push_close(); }},
        {"SIGTERM", [] { kill(getpid(), SIGTERM); }},
        {"SIGINT", [] { kill(getpid(), SIGINT); }},
    };
    for (const auto& way_out : exits) {
        const std::function<void()>& leave = way_out.second;
        Session session = play(run, {"--window", "--data", data}, [&leave] {
            pause_and_check([] { tap(SDLK_p); });
            resume_and_check([] { tap(SDLK_p); });
            tap(SDLK_SPACE);  // on to the menu, then the road
            tap(SDLK_s);
            pause_and_check([] { tap(SDLK_p); });
            leave();
        });
        EXPECT_EQ(session.status, 0) << way_out.first << ": " << session.errors;
    }
}

// Losing the focus pauses; getting it back keeps the pause (the player may
// not be ready); P goes on. Alt+Enter switches full screen while paused and
// the choice is kept in the settings file.
TEST(Pause, FocusLossPausesAndAltEnterWorksWhilePaused)
{
    const test_support::GameRun run;
    const std::string data = run.data.string();
    Session session = play(run, {"--window", "--data", data}, [] {
        pause_and_check([] { push_window_event(SDL_WINDOWEVENT_FOCUS_LOST); });
        push_window_event(SDL_WINDOWEVENT_FOCUS_GAINED);
        std::this_thread::sleep_for(200ms);
        check(plat_paused(), "focus coming back keeps the pause");
        int w = 0;
        int h = 0;
        bool full = true;
        check(plat_window_state(&w, &h, &full) && !full, "a window");
        tap(SDLK_RETURN, KMOD_LALT);
        check(wait_for([&] { return plat_window_state(&w, &h, &full) && full; }), "Alt+Enter: full screen");
        check(plat_paused(), "still paused");
        tap(SDLK_RETURN, KMOD_LALT);
        check(wait_for([&] { return plat_window_state(&w, &h, &full) && !full; }), "Alt+Enter: a window again");
        resume_and_check([] { tap(SDLK_p); });
        tap(SDLK_RETURN, KMOD_LALT);
        check(wait_for([&] { return plat_window_state(&w, &h, &full) && full; }), "full screen again");
        tap(SDLK_q);
    });
    EXPECT_EQ(session.status, 0) << session.errors;
    const std::string settings = test_support::read_text(session.dir / "config/tailgate/tailgate.ini");
    EXPECT_NE(settings.find("fullscreen = yes"), std::string::npos) << settings;
}

// The pad's Start pauses and goes on, as P does.
TEST(Pause, ThePadsStartPausesAndGoesOn)
{
    const test_support::GameRun run;
    const std::string data = run.data.string();
    Session session = play(run, {"--window", "--data", data}, [] {
        check(wait_for([] { return game_running_past(5); }), "the game runs");
        const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                     SDL_CONTROLLER_BUTTON_MAX, 0);
        check(device >= 0, "a virtual pad");
        SDL_Joystick* pad = SDL_JoystickOpen(device);
        check(pad != nullptr, "the virtual pad opens");
        std::this_thread::sleep_for(300ms);  // the game opens it as it comes
        const auto press_start = [pad] {
            SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_START, 1);
            std::this_thread::sleep_for(100ms);
            SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_START, 0);
            std::this_thread::sleep_for(100ms);
        };
        pause_and_check(press_start);
        resume_and_check(press_start);
        tap(SDLK_q);
    });
    EXPECT_EQ(session.status, 0) << session.errors;
}

// On a desktop too small for the window the settings ask for (the dummy
// driver's is 1024 x 768), the window is the largest whole multiple that
// fits; a scale the player named is reduced with one line saying so. The
// window can be resized, and its new size is kept.
TEST(Window, FitsTheDesktopAndKeepsTheSizeThePlayerGaveIt)
{
    const test_support::GameRun run;
    const std::string data = run.data.string();
    Session automatic = play(run, {"--window", "--data", data}, [] {
        int w = 0;
        int h = 0;
        bool full = true;
        check(wait_for([&] { return plat_window_state(&w, &h, &full); }), "a window");
        check(w == 640 && h == 480 && !full, "the largest whole multiple that fits: 1");
        tap(SDLK_q);
    });
    EXPECT_EQ(automatic.status, 0) << automatic.errors;
    EXPECT_EQ(automatic.errors.find("does not fit"), std::string::npos) << "the default scale goes quietly";

    Session named = play(run, {"--window", "--scale", "3", "--data", data}, [] {
        int w = 0;
        int h = 0;
        bool full = true;
        check(wait_for([&] { return plat_window_state(&w, &h, &full); }), "a window");
        SDL_Window* window = SDL_GetWindowFromID(1);
        check(window != nullptr, "the game's window");
        SDL_SetWindowSize(window, 800, 600);  // the player drags its edge
        std::this_thread::sleep_for(300ms);
        tap(SDLK_q);
    });
    EXPECT_EQ(named.status, 0) << named.errors;
    EXPECT_NE(named.errors.find("a window 3 times 640 x 480 does not fit the desktop; it is 1 times"),
              std::string::npos)
        << named.errors;
    const std::string settings = test_support::read_text(named.dir / "config/tailgate/tailgate.ini");
    EXPECT_NE(settings.find("window_size = 800x600"), std::string::npos) << settings;
}

// A session recorded in the window replays to the same state headless,
// whether the player replaying it has a high-score table or not, and the
// replaying player's table is neither read nor written.
TEST(Replay, ARecordedSessionReplaysWithAndWithoutATable)
{
    const test_support::GameRun run;
    const std::string data = run.data.string();
    test_support::write_text(run.data / "hiscore.txt", "1800 ABC\n1700 DEF\n");
    const std::string recording = (run.dir / "session.txt").string();
    const std::string recorded_dump = (run.dir / "recorded.json").string();
    Session session = play(run, {"--window", "--data", data, "--record", recording, "--dump", recorded_dump}, [] {
        check(wait_for([] { return game_running_past(5); }), "the game runs");
        tap(SDLK_SPACE);
        tap(SDLK_s);
        check(wait_for([] { return game_running_past(60); }), "the story page");
        tap(SDLK_SPACE);
        push_key(SDLK_UP, true);
        check(wait_for([] { return game_running_past(150); }), "the road");
        push_key(SDLK_UP, false);
        tap(SDLK_q);
    });
    ASSERT_EQ(session.status, 0) << session.errors;
    const std::string text = test_support::read_text(recording);
    EXPECT_NE(text.find("# table text\n# table: 1800 ABC\n# table: 1700 DEF\n# table-end\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\n# state 99 "), std::string::npos) << "a recording checks its state as it goes";

    for (const bool with_table : {false, true}) {
        const test_support::GameRun other;
        const fs::path other_table = other.data / "hiscore.txt";
        if (with_table) {
            test_support::write_text(other_table, "99999 ZZZ\n");
        }
        const int status = other.run("--headless --data data --replay '" + recording + "' --dump replayed.json");
        ASSERT_EQ(status, 0) << other.text("err.txt");
        EXPECT_EQ(other.text("replayed.json"), test_support::read_text(recorded_dump)) << "table " << with_table;
        if (with_table) {
            EXPECT_EQ(test_support::read_text(other_table), "99999 ZZZ\n") << "the player's table is left alone";
        } else {
            EXPECT_FALSE(fs::exists(other_table)) << "no table is made for the player";
        }
    }
}

// The Esc menu: Esc pauses under it exactly as P does; the arrows move,
// Enter chooses and Esc goes back; Quit asks once and N keeps playing; the
// pad's Back opens it and B closes it; Y to the question ends the game.
TEST(Menu, EscPausesUnderTheMenuAndQuitAsksOnce)
{
    const test_support::GameRun run;
    const std::string data = run.data.string();
    Session session = play(run, {"--window", "--data", data}, [] {
        pause_and_check([] { tap(SDLK_ESCAPE); });
        check(overlay_menu_page() == PAGE_MAIN && overlay_menu_selected() == 0, "the menu, on Resume");
        tap(SDLK_DOWN);
        tap(SDLK_RETURN);
        check(overlay_menu_page() == PAGE_OPTIONS, "Options");
        tap(SDLK_ESCAPE);
        check(overlay_menu_page() == PAGE_MAIN && overlay_menu_selected() == 1, "back on Options");
        tap(SDLK_DOWN);
        tap(SDLK_SPACE);
        check(overlay_menu_page() == PAGE_CONTROLS, "the controls page");
        tap(SDLK_ESCAPE);
        tap(SDLK_DOWN);
        tap(SDLK_RETURN);
        check(overlay_menu_page() == PAGE_QUIT, "the quit question");
        tap(SDLK_n);
        check(overlay_menu_page() == PAGE_MAIN && plat_paused(), "N: the menu again, still paused");
        tap(SDLK_UP);
        tap(SDLK_UP);
        tap(SDLK_UP);
        check(overlay_menu_selected() == 0, "up to Resume");
        resume_and_check([] { tap(SDLK_RETURN); });
        check(!overlay_menu_is_open(), "Resume closes the menu");
        check(game_mode == MODE_TITLE, "the keys under the menu never reached the game");

        const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                     SDL_CONTROLLER_BUTTON_MAX, 0);
        SDL_Joystick* pad = SDL_JoystickOpen(device);
        check(pad != nullptr, "a virtual pad");
        std::this_thread::sleep_for(300ms);
        const auto press = [pad](int button) {
            SDL_JoystickSetVirtualButton(pad, button, 1);
            std::this_thread::sleep_for(100ms);
            SDL_JoystickSetVirtualButton(pad, button, 0);
            std::this_thread::sleep_for(100ms);
        };
        pause_and_check([&] { press(SDL_CONTROLLER_BUTTON_BACK); });
        check(overlay_menu_is_open(), "the pad's Back opens the menu");
        resume_and_check([&] { press(SDL_CONTROLLER_BUTTON_B); });
        check(!overlay_menu_is_open(), "B closes it");

        tap(SDLK_ESCAPE);
        tap(SDLK_UP);  // round to Quit
        tap(SDLK_RETURN);
        check(overlay_menu_page() == PAGE_QUIT, "the quit question again");
        tap(SDLK_y);
    });
    EXPECT_EQ(session.status, 0) << session.errors;
}

// Options from the menu: a volume stepped down, full screen switched on and
// the fire key rebound, each written into the player's settings file at
// once with the player's own lines kept; the new key then plays the game,
// the old one no longer does, a key another action has is refused, and
// Defaults puts them back.
TEST(Menu, OptionsAreWrittenAtOnceAndAReboundKeyPlays)
{
    const test_support::GameRun run;
    const std::string data = run.data.string();
    const std::string config = (run.dir / "tailgate.ini").string();
    const std::string mine = "# my settings, by hand\n[sound]\nmusic_volume = 100  # loud\n[keys]\nkey_help = H\n";
    test_support::write_text(config, mine);
    Session session = play(run, {"--window", "--data", data, "--config", config}, [&config] {
        check(wait_for([] { return game_running_past(5); }), "the game runs");
        tap(SDLK_ESCAPE);
        tap(SDLK_DOWN);
        tap(SDLK_RETURN);  // Options, on Music volume
        tap(SDLK_LEFT);
        tap(SDLK_LEFT);
        check(overlay_menu_settings().music_volume == 80, "two steps down");
        const std::string after_volume = test_support::read_text(config);
        check(after_volume.find("music_volume = 80  # loud") != std::string::npos, "written at once, comment kept");
        check(after_volume.find("# my settings, by hand") == 0, "the player's comment kept");
        tap(SDLK_DOWN);
        tap(SDLK_DOWN);
        tap(SDLK_RETURN);  // Full screen
        int w = 0;
        int h = 0;
        bool full = false;
        check(wait_for([&] { return plat_window_state(&w, &h, &full) && full; }), "full screen at once");
        tap(SDLK_RETURN);
        check(wait_for([&] { return plat_window_state(&w, &h, &full) && !full; }), "and a window again");
        for (int i = 0; i < 5; ++i) {
            tap(SDLK_DOWN);
        }
        tap(SDLK_RETURN);
        check(overlay_menu_page() == PAGE_KEYS, "the keys page");
        for (int i = 0; i < ACTION_FIRE; ++i) {
            tap(SDLK_DOWN);
        }
        tap(SDLK_RETURN);
        check(overlay_menu_waiting_for_key(), "waits for the new key");
        tap(SDLK_h);
        check(!overlay_menu_message().empty() && overlay_menu_settings().keys[ACTION_FIRE] == "Space",
              "H is Help's: refused, Fire keeps Space");
        tap(SDLK_RETURN);
        tap(SDLK_w);
        check(overlay_menu_settings().keys[ACTION_FIRE] == "W", "W fires now");
        check(test_support::read_text(config).find("key_fire = W") != std::string::npos, "and is written");
        tap(SDLK_ESCAPE);
        tap(SDLK_ESCAPE);
        tap(SDLK_ESCAPE);
        check(wait_for([] { return !plat_paused(); }), "the game goes on");
        tap(SDLK_SPACE);
        std::this_thread::sleep_for(300ms);
        check(game_mode == MODE_TITLE, "Space no longer leaves the title");
        tap(SDLK_w);
        check(wait_for([] { return game_mode == MODE_MENU; }), "W does");

        tap(SDLK_ESCAPE);
        tap(SDLK_DOWN);
        tap(SDLK_RETURN);
        for (int i = 0; i < 7; ++i) {
            tap(SDLK_DOWN);
        }
        tap(SDLK_RETURN);
        tap(SDLK_UP);
        tap(SDLK_UP);
        tap(SDLK_RETURN);  // Defaults
        check(overlay_menu_settings().keys[ACTION_FIRE] == "Space", "Defaults: Space again");
        tap(SDLK_q);  // Q quits at once, menu or not
    });
    EXPECT_EQ(session.status, 0) << session.errors;
    const std::string settings = test_support::read_text(config);
    EXPECT_EQ(settings.find("# my settings, by hand\n[sound]\nmusic_volume = 80  # loud\n"), 0u) << settings;
    EXPECT_NE(settings.find("key_fire = Space"), std::string::npos) << settings;
    EXPECT_NE(settings.find("key_help = H\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("fullscreen = no"), std::string::npos) << settings;
}

// The title's demo: after 30 s without a key one of the recorded games
// installed with the data plays, while the player's table is neither read
// nor written; any key brings the title back with the whole game's state as
// it was, and the player's next key plays the game as ever.
TEST(Attract, ADemoPlaysOnTheIdleTitleAndAKeyBringsTheTitleBack)
{
    const test_support::GameRun run;
    const std::string data = run.data.string();
    fs::copy(fs::path(TAILGATE_DATA_DIR) / "demos", run.data / "demos");
    test_support::write_text(run.data / "hiscore.txt", "1800 ABC\n1700 DEF\n");
    const fs::path table = run.data / "hiscore.txt";
    Session session = play(
        run, {"--window", "--data", data},
        [&table] {
            check(wait_for([] { return game_running_past(5); }), "the game runs");
            std::this_thread::sleep_for(500ms);
            GameState title;
            game_state_save(&title);
            const std::string table_text = test_support::read_text(table);
            const auto table_time = fs::last_write_time(table);
            check(wait_for([] { return game_mode != MODE_TITLE; }, 40000ms), "a demo begins");
            std::this_thread::sleep_for(3000ms);
            check(game_mode != MODE_TITLE, "and plays on");
            push_window_event(SDL_WINDOWEVENT_FOCUS_LOST);
            check(wait_for([] { return plat_paused(); }), "a focus lost pauses the demo too");
            tap(SDLK_x);
            check(wait_for([] { return game_mode == MODE_TITLE && !plat_paused(); }),
                  "a key: the title again, going on");
            std::this_thread::sleep_for(300ms);
            GameState back;
            game_state_save(&back);
            check(back.bytes == title.bytes, "the whole game's state as it was");
            check(test_support::read_text(table) == table_text && fs::last_write_time(table) == table_time,
                  "the player's table untouched");
            tap(SDLK_SPACE);
            check(wait_for([] { return game_mode == MODE_MENU; }), "Space leaves the title as ever");
            tap(SDLK_q);
        },
        80s);
    EXPECT_EQ(session.status, 0) << session.errors;
}

// F12 saves the picture and says so over it for two seconds, in the
// overlay only: the saved picture is the game's. A save that cannot be
// made says why.
TEST(Menu, F12SaysWhereThePictureWentOrWhyItDidNot)
{
    const test_support::GameRun run;
    const std::string data = run.data.string();
    Session saved = play(run, {"--window", "--data", data}, [] {
        check(wait_for([] { return game_running_past(5); }), "the game runs");
        tap(SDLK_F12);
        check(overlay_notice_active(SDL_GetTicks()), "a notice");
        const std::string text = overlay_notice_text();
        check(text.rfind("Saved tailgate-", 0) == 0 && text.find(".png") == text.size() - 4, "names the file");
        std::this_thread::sleep_for(2200ms);
        check(!overlay_notice_active(SDL_GetTicks()), "gone after two seconds");
        tap(SDLK_q);
    });
    EXPECT_EQ(saved.status, 0) << saved.errors;
    std::vector<fs::path> pictures;
    for (const auto& entry : fs::directory_iterator(saved.dir / "pictures")) {
        pictures.push_back(entry.path());
    }
    ASSERT_EQ(pictures.size(), 1u);
    std::vector<uint8_t> rgb;
    int w = 0;
    int h = 0;
    ASSERT_TRUE(plat_read_png(pictures[0].c_str(), &rgb, &w, &h));
    EXPECT_EQ(w, 640);
    EXPECT_NE(std::count(rgb.begin(), rgb.end(), 0), static_cast<long>(rgb.size())) << "the title, not black";

    // The pictures folder is a file: the notice gives the reason.
    const fs::path not_a_folder = run.dir / "pictures";
    test_support::write_text(not_a_folder, "not a folder");
    Session refused = play(
        run, {"--window", "--data", data},
        [] {
            check(wait_for([] { return game_running_past(5); }), "the game runs");
            tap(SDLK_F12);
            check(overlay_notice_text().rfind("No screenshot: ", 0) == 0 && overlay_notice_text().size() > 16,
                  "the reason");
            tap(SDLK_q);
        },
        30s, not_a_folder.string());
    EXPECT_EQ(refused.status, 0) << refused.errors;
}

// The picture in the window as the player sees it - the game's picture with
// whatever the window draws over it - once two looks 150 ms apart agree:
// 640 x 480 RGB (the dummy driver keeps the window's pixels in memory).
std::vector<uint8_t> window_picture()
{
    SDL_Window* window = SDL_GetWindowFromID(1);
    check(window != nullptr, "a window");
    std::vector<uint8_t> last;
    for (int look = 0; look < 40; ++look) {
        SDL_Surface* surface = SDL_GetWindowSurface(window);
        check(surface != nullptr && surface->w == test_support::kPictureW && surface->h == test_support::kPictureH,
              "a window of 640 x 480 pixels");
        std::vector<uint8_t> rgb(static_cast<size_t>(surface->w) * surface->h * 3);
        SDL_ConvertPixels(surface->w, surface->h, surface->format->format, surface->pixels, surface->pitch,
                          SDL_PIXELFORMAT_RGB24, rgb.data(), surface->w * 3);
        if (rgb == last) {
            return rgb;
        }
        last = std::move(rgb);
        std::this_thread::sleep_for(150ms);
    }
    check(false, "the picture in the window stands still");
    return last;
}

// The overlays the window draws over the game's picture, on the title: the
// pause, the Esc menu and its pages, and F12's notice (a refused save, whose
// words do not hang on the clock). Each picture is the whole window, so the
// order the overlays are drawn in, the dimming under them and their text
// are all in its hash.
TEST(Pictures, TheOverlaysLookAsTheyDid)
{
    const test_support::GameRun run;
    const std::string data = run.data.string();
    const fs::path table = run.dir / "overlays.txt";
    Session session = play(
        run, {"--window", "--data", data},
        [&table] {
            std::string lines;
            const auto look = [&lines](const char* screen) {
                const std::vector<uint8_t> rgb = window_picture();
                test_support::keep_picture(screen, rgb);
                lines += test_support::picture_hash(rgb) + " | " + screen + "\n";
            };
            pause_and_check([] { tap(SDLK_p); });
            look("pause");
            resume_and_check([] { tap(SDLK_p); });
            pause_and_check([] { tap(SDLK_ESCAPE); });
            look("Esc menu");
            tap(SDLK_DOWN);
            tap(SDLK_RETURN);
            look("Esc menu options");
            tap(SDLK_ESCAPE);
            tap(SDLK_DOWN);
            tap(SDLK_RETURN);
            look("Esc menu controls");
            tap(SDLK_ESCAPE);
            tap(SDLK_DOWN);
            tap(SDLK_RETURN);
            look("Esc menu quit question");
            tap(SDLK_n);
            tap(SDLK_ESCAPE);
            check(wait_for([] { return !plat_paused(); }), "Esc closes the menu");
            tap(SDLK_F12);
            look("F12 notice");
            test_support::write_text(table, lines);
            tap(SDLK_q);
        },
        30s, "/dev/null/pictures");
    ASSERT_EQ(session.status, 0) << session.errors;
    const std::string lines = test_support::read_text(table);
    test_support::keep_hashes(lines);
    std::map<std::string, std::string> expected = test_support::golden_hashes();
    for (const std::string& line : test_support::lines_of(lines)) {
        const std::string screen = line.substr(19);
        EXPECT_EQ(line.substr(0, 16), expected[screen])
            << "the picture of \"" << screen << "\" changed (scripts/pictures.sh shows it beside the old one)";
    }
    EXPECT_EQ(test_support::lines_of(lines).size(), 6u);
}

}  // namespace
