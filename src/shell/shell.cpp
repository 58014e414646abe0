// The program: start-up, the window procedure, the frame loop, shutdown.
#include "shell/shell.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio.h"
#include "display/display.h"
#include "frontend/frontend.h"
#include "hiscore/hiscore.h"
#include "platform/audio.h"
#include "platform/files.h"
#include "platform/headless.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "platform/settings.h"
#include "shell/cmdline.h"
#include "shell/game_state.h"
#include "shell/harness.h"
#include "shell/harness_script.h"

uintptr_t main_window;

namespace {

using SteadyClock = std::chrono::steady_clock;

// The real-time start of the pass being paced, finer than the tick count,
// so that a pass never ends before its full 33 ms.
SteadyClock::time_point pass_real_start;

// The busy wait covers the last stretch of every pass; sleeping is only
// precise to a fraction of a millisecond.
constexpr int64_t SPIN_US = 1500;

// The harness options live for the whole run.
ShellOptions shell_options;

// The script ran out while the game waited inside `pass`: the outputs are
// written as they stand, the game is left where it stopped, and the run ends
// with status 3.
int end_with_script_run_out(int pass)
{
    harness_write_dump(pass);
    harness_close_record(pass + 1);
    const bool written = harness_close();
    fflush(stdout);
    return written ? 3 : 1;  // an output lost outweighs the script's end
}

bool make_absolute(char* path, char* error, size_t error_size)
{
    if (!path[0]) {
        return true;
    }
    char absolute[CMDLINE_PATH_SIZE];
    if (!plat_absolute_path(path, absolute, sizeof absolute)) {
        snprintf(error, error_size, "path too long: %.60s", path);
        return false;
    }
    snprintf(path, CMDLINE_PATH_SIZE, "%s", absolute);
    return true;
}

// A tick count to start a recorded session at: the wall clock's
// milliseconds, so that no two sessions start alike.
uint32_t wall_clock_tick()
{
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

// The player's settings, with the command line over them, handed to the
// window and the mix. Headless runs never read them: a harness run is the
// same on every machine.
void apply_settings(ShellOptions* options)
{
    PlatSettings settings = plat_default_settings();
    const std::string path = options->config_path[0] ? std::string(options->config_path) : plat_settings_path();
    if (!path.empty()) {
        std::vector<std::string> warnings;
        bool created = false;
        plat_load_settings(path, &settings, &warnings, &created);
        for (const std::string& warning : warnings) {
            fprintf(stderr, "tailgate: %s\n", warning.c_str());
        }
        if (created) {
            printf("tailgate: the settings are in %s\n", plat_printable(path).c_str());
        }
    }
    if (options->windowed) {
        settings.fullscreen = false;
    } else if (options->fullscreen) {
        settings.fullscreen = true;
    }
    if (options->scale > 0) {
        settings.window_scale = options->scale;
    }
    options->windowed = settings.fullscreen ? 0 : 1;
    plat_window_configure(settings);
    plat_window_choices(options->scale > 0, path.empty() ? nullptr : path.c_str());
    plat_audio_configure(settings);
}

// The window's icon: the first frame of the player's truck, as the
// desktop's icon shows it.
void show_icon()
{
    BitmapImage truck{};
    std::vector<uint8_t> rgba;
    int side = 0;
    if (gfx_load_bitmap(&truck, "truck.bmp") && gfx_make_icon(&truck, 1, &rgba, &side)) {
        plat_window_set_icon(rgba.data(), side);
    }
    gfx_unload_bitmap(&truck);
}

// The high-score table as the game will find it at start-up, for a
// recording.
HarnessTable table_at_start()
{
    std::vector<char> bytes;
    const int result = plat_read_regular(hiscore_path(), HISCORE_MAX_FILE_BYTES, &bytes);
    if (result == PLAT_FILE_OK) {
        return HarnessTable{HARNESS_TABLE_TEXT, std::string(bytes.begin(), bytes.end())};
    }
    return HarnessTable{result == PLAT_FILE_MISSING ? HARNESS_TABLE_NONE : HARNESS_TABLE_UNUSABLE, {}};
}

// A replay keeps the table its recording began with in a directory of its
// own, so the player's table is never read or written by it.
bool set_up_replay_table(char* dir, size_t size, char* error, size_t error_size)
{
    const HarnessTable& table = harness_script_table();
    if (!plat_make_private_dir(dir, size) || !hiscore_set_dir(dir)) {
        snprintf(error, error_size, "cannot make a directory for the replay's high-score table in %s",
                 getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp");
        return false;
    }
    bool made = true;
    if (table.kind == HARNESS_TABLE_TEXT) {
        made = plat_replace_file(hiscore_path(), table.text.data(), table.text.size());
    } else if (table.kind == HARNESS_TABLE_UNUSABLE) {
        made = plat_make_directory(hiscore_path());  // as unreadable as a table gets
    }
    if (!made) {
        snprintf(error, error_size, "cannot write the replay's high-score table in %s", dir);
    }
    return made;
}

// ---------------------------------------------------------------------------
// The title's demos (attract mode): after a while on the title without a
// key, one of the recordings installed with the data plays exactly as
// --replay plays it, and any key brings the title back as it was.

constexpr uint32_t ATTRACT_IDLE_MS = 30000;
constexpr int DEMO_MAX_PASSES = 2700;  // a minute and a half at most
constexpr const char* DEMO_DIR = "demos";

bool attract_on;
GameState start_up_state;  // the game as game_show_title left it
std::vector<std::string> demos;
size_t next_demo;

void attract_begin(const ShellOptions* options)
{
    attract_on = !options->headless && !options->input_path[0] && !options->record_path[0] &&
                 !options->replay_path[0] && options->passes < 0 && !options->dump_path[0] && !options->trace_path[0] &&
                 !options->audio_log_path[0] && options->shot_count == 0 && options->dump_at_count == 0;
    if (!attract_on) {
        return;
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(DEMO_DIR, error)) {
        if (entry.path().extension() == ".demo" && entry.is_regular_file(error)) {
            demos.push_back(entry.path().string());
        }
    }
    std::sort(demos.begin(), demos.end());
    game_state_save(&start_up_state);
}

// Every sound and piece stopped, the sounds back at their start, as at
// start-up.
void silence()
{
    plat_music_stop_all();
    for (int id = 0; id < SOUND_FILE_COUNT; ++id) {
        snd_stop(id);
        snd_rewind(id);
    }
}

// Runs the demo's passes until it ends, a key or button comes, or the player
// closes the game (whose close request is then left for the frame loop).
void run_demo(int passes)
{
    for (int pass = 0; pass < passes; ++pass) {
        plat_hold_while_paused();
        plat_pass_begins(pass);
        pass_real_start = SteadyClock::now();
        const uint32_t frame_start = plat_get_tick_count();
        PlatMessage message;
        if (plat_peek_message(&message)) {
            // The recording's own Q ends the demo; the player's close request
            // ends the game, after the title is back.
            if (!quit_requested) {
                plat_post_message(message.message, message.wparam, message.lparam);
            }
            return;
        }
        if (plat_window_demo_interrupted() || quit_requested) {
            return;
        }
        try {
            if (!game_main()) {
                return;
            }
        } catch (const PlatScriptRanOut&) {
            return;
        }
        shell_pace(frame_start);
        plat_audio_end_pass();
    }
}

void play_demo()
{
    const std::string path = demos[next_demo % demos.size()];
    char error[512];
    uint32_t start_tick = 0;
    int passes = 0;
    if (!harness_load_script(path.c_str(), error, sizeof error) || !harness_script_start_tick(&start_tick) ||
        !harness_script_passes(&passes) || harness_script_table().kind == HARNESS_TABLE_UNSAID) {
        fprintf(stderr, "tailgate: the demo %s cannot be played; it is left out\n", plat_printable(path).c_str());
        demos.erase(demos.begin() + static_cast<std::ptrdiff_t>(next_demo % demos.size()));
        harness_parse_script("", 0, error, sizeof error);
        return;
    }
    ++next_demo;
    GameState title;
    game_state_save(&title);
    // The player's table stays where it is: the demo's is its own.
    std::string player_dir = hiscore_path();
    const size_t slash = player_dir.rfind('/');
    player_dir = slash == std::string::npos ? std::string() : player_dir.substr(0, slash);
    char demo_dir[CMDLINE_PATH_SIZE] = "";
    if (set_up_replay_table(demo_dir, sizeof demo_dir, error, sizeof error)) {
        silence();
        plat_use_backend(PLAT_WINDOW_REPLAY, start_tick);
        plat_audio_keep_pass_time(true);
        plat_window_demo(true);
        game_state_restore(&start_up_state);
        game_start_as_at_start_up();
        run_demo(std::min(passes, DEMO_MAX_PASSES));
        plat_window_demo(false);
        silence();
        plat_audio_keep_pass_time(false);
        plat_use_backend(PLAT_WINDOW, 0);
    } else {
        fprintf(stderr, "tailgate: %s\n", plat_printable(error).c_str());
    }
    harness_parse_script("", 0, error, sizeof error);
    hiscore_set_dir(player_dir.c_str());
    plat_remove_private_dir(demo_dir);
    // The title as it was: its picture, its music, the whole game's state.
    gfx_show_loading_message("PRESS SPACEBAR TO BEGIN", 230);
    mus_play(music_tracks[7]);
    game_state_restore(&title);
    plat_forget_held_keys();
}

void after_pass(int pass)
{
    harness_after_pass(pass);
    if (attract_on && !demos.empty() && game_mode == MODE_TITLE && !plat_close_requested() &&
        plat_window_attract_wanted() && plat_window_idle_ms() >= ATTRACT_IDLE_MS) {
        play_demo();
    }
}

int run_game(const ShellOptions* options)
{
    // The window (none when headless), with the cursor hidden.
    if (!plat_window_create(options->windowed != 0)) {
        fprintf(stderr, "tailgate: cannot open the game window: %s\n", plat_window_error());
        harness_close();
        return 1;
    }
    main_window = 1;

    // Display, artwork, sound, high scores.
    if (!game_init()) {
        const char* reason = game_init_error();
        fprintf(stderr, "tailgate: start-up failed: %s\n", reason && reason[0] ? reason : "unknown step");
        game_shutdown();
        plat_window_destroy();
        main_window = 0;
        harness_close();
        return 1;
    }

    show_icon();
    game_show_title();
    attract_begin(options);

    int last_pass = -1;
    bool script_ran_out = false;
    int status = shell_frame_loop(game_main, options->passes, after_pass, &last_pass, &script_ran_out);
    if (script_ran_out) {
        return end_with_script_run_out(last_pass + 1);
    }
    // A watched recording that has played to its end stays on its last
    // picture until the player closes the window.
    if (options->replay_path[0] && last_pass + 1 == options->passes) {
        plat_linger_until_closed();
    }

    harness_write_dump(last_pass);
    game_shutdown();
    // The window goes last: the display objects are released while it lives.
    plat_window_destroy();
    main_window = 0;
    bool recorded = harness_close_record(last_pass + 1);
    if (!recorded) {
        fprintf(stderr, "tailgate: cannot write the whole recording %s: %s\n",
                plat_printable(options->record_path).c_str(), strerror(errno));
    }
    if (!harness_close() || !recorded) {
        return 1;
    }
    return status;
}

}  // namespace

intptr_t wnd_proc(uintptr_t window, int message, uintptr_t, intptr_t)
{
    switch (message) {
    case PLAT_WM_DESTROY:
        plat_post_message(PLAT_WM_QUIT, 0, 0);
        return 0;
    case PLAT_WM_CLOSE:
        // Destroying the window sends it PLAT_WM_DESTROY. A second close request
        // (the close button after Q, say) finds no window and does nothing.
        if (window != 0 && window == main_window) {
            main_window = 0;
            wnd_proc(window, PLAT_WM_DESTROY, 0, 0);
        }
        return 0;
    default:
        return 0;
    }
}

int64_t shell_pace_sleep_us(int64_t elapsed_us)
{
    int64_t left = static_cast<int64_t>(FRAME_MS) * 1000 - elapsed_us;
    return left > SPIN_US ? left - SPIN_US : 0;
}

void shell_pace(uint32_t frame_start)
{
    // A virtual clock moves a whole pass at once; headless, that is all.
    plat_pass_ends(frame_start);
    if (!plat_real_time()) {
        return;
    }
    // In a window the pass takes 33 ms, on the game's clock (which a virtual
    // one already shows) and in real time. A pause that began during the
    // pass holds it here, with the window looking at its events, and the
    // game's clock goes on from where it stopped.
    const auto target = pass_real_start + std::chrono::milliseconds(FRAME_MS);
    for (;;) {
        plat_hold_while_paused();
        auto now = SteadyClock::now();
        uint32_t ticks = plat_get_tick_count() - frame_start;  // unsigned: wrap-safe
        if (now >= target && ticks >= static_cast<uint32_t>(FRAME_MS)) {
            return;
        }
        int64_t elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - pass_real_start).count();
        int64_t sleep_us = shell_pace_sleep_us(elapsed);
        if (ticks < static_cast<uint32_t>(FRAME_MS)) {
            // The game's clock may lag the real one after a pause.
            const int64_t ticks_left_us = (static_cast<int64_t>(FRAME_MS) - ticks) * 1000 - SPIN_US;
            sleep_us = std::max(sleep_us, ticks_left_us);
        }
        if (sleep_us > 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(sleep_us));
        }
    }
}

int shell_frame_loop(int (*frame)(), int max_passes, void (*after_pass)(int pass), int* last_pass, bool* script_ran_out)
{
    *last_pass = -1;
    *script_ran_out = false;
    for (int pass = 0; max_passes < 0 || pass < max_passes; ++pass) {
        plat_hold_while_paused();
        plat_pass_begins(pass);
        pass_real_start = SteadyClock::now();
        uint32_t frame_start = plat_get_tick_count();

        // The close button, SIGINT and SIGTERM reach us as PLAT_WM_CLOSE, posted
        // by the platform layer.
        PlatMessage message;
        if (plat_peek_message(&message)) {
            if (message.message == PLAT_WM_QUIT) {
                return static_cast<int>(message.wparam);
            }
            wnd_proc(main_window, message.message, message.wparam, message.lparam);
        }

        try {
            frame();
        } catch (const PlatScriptRanOut&) {
            // The game waited inside this pass for a key the script does not
            // give: the run is over where it stands.
            *script_ran_out = true;
            return 0;
        }
        shell_pace(frame_start);
        plat_audio_end_pass();  // headless sounds keep time by passes
        *last_pass = pass;
        if (after_pass) {
            after_pass(pass);
        }
    }
    return 0;
}

namespace {

void release_surface(PlatSurface** surface)
{
    if (*surface) {
        plat_release_surface(*surface);
        *surface = nullptr;
    }
}

}  // namespace

int game_shutdown()
{
    if (display_palette) {
        plat_release_palette(display_palette);
        display_palette = nullptr;
    }
    release_surface(&menu_surface);
    release_surface(&credits_surface);
    release_surface(&controls_surface);
    if (primary_surface) {
        if (back_buffer) {
            plat_set_clipper(back_buffer, nullptr);
        }
        plat_release_surface(primary_surface);  // takes the back buffer with it
        primary_surface = nullptr;
        back_buffer = nullptr;
    }
    if (display_device) {
        plat_display_close(display_device);
        display_device = nullptr;
    }
    mus_unload_all();
    mus_shutdown();
    snd_shutdown();
    // What remains of the artwork (the other surfaces, the sprite frames,
    // the clipper) is given back too, so a run ends with nothing held.
    gfx_release_all();
    return 1;
}

int tailgate_main(int argc, char** argv)
{
    ShellOptions* options = &shell_options;
    char error[512];
    if (!cmdline_parse(argc, argv, options, error, sizeof error)) {
        fprintf(stderr, "tailgate: %s\n", plat_printable(error).c_str());
        return 2;
    }
    if (options->show_help) {
        fputs(cmdline_usage(), stdout);
        return 0;
    }
    if (options->show_version) {
        printf("tailgate %s\n", TAILGATE_VERSION);
        return 0;
    }

    // Paths named on the command line are relative to where the program was
    // started, not to the data directory it moves into.
    bool paths_ok = make_absolute(options->input_path, error, sizeof error) &&
                    make_absolute(options->replay_path, error, sizeof error) &&
                    make_absolute(options->record_path, error, sizeof error) &&
                    make_absolute(options->config_path, error, sizeof error) &&
                    make_absolute(options->dump_path, error, sizeof error) &&
                    make_absolute(options->trace_path, error, sizeof error) &&
                    make_absolute(options->audio_log_path, error, sizeof error);
    for (int i = 0; paths_ok && i < options->shot_count; ++i) {
        paths_ok = make_absolute(options->shots[i].path, error, sizeof error);
    }
    for (int i = 0; paths_ok && i < options->dump_at_count; ++i) {
        paths_ok = make_absolute(options->dumps_at[i].path, error, sizeof error);
    }
    if (!paths_ok) {
        fprintf(stderr, "tailgate: %s\n", plat_printable(error).c_str());
        return 2;
    }

    if (options->input_path[0] && !harness_load_script(options->input_path, error, sizeof error)) {
        fprintf(stderr, "tailgate: %s\n", plat_printable(error).c_str());
        return 2;
    }
    const bool replay = options->replay_path[0] != '\0';
    if (replay) {
        if (!harness_load_script(options->replay_path, error, sizeof error)) {
            fprintf(stderr, "tailgate: %s\n", plat_printable(error).c_str());
            return 2;
        }
        int passes = 0;
        if (harness_script_table().kind == HARNESS_TABLE_UNSAID || !harness_script_start_tick(&options->start_tick) ||
            !harness_script_passes(&passes)) {
            fprintf(stderr,
                    "tailgate: %s is not a recording made with --record (it needs its '# start-tick', '# table' and "
                    "'# passes' lines); play an input script with --input\n",
                    plat_printable(options->replay_path).c_str());
            return 2;
        }
        if (options->passes < 0) {
            options->passes = passes;
        }
    }
    if (options->record_path[0]) {
        const char* problem = plat_output_problem(options->record_path);
        if (problem) {
            fprintf(stderr, "tailgate: cannot write --record %s: %s\n", plat_printable(options->record_path).c_str(),
                    problem);
            return 2;
        }
    }
    if (!options->headless) {
        apply_settings(options);
    }

    bool data_given = options->data_dir[0] != '\0';
    if (!data_given && !plat_default_data_dir(options->data_dir, sizeof options->data_dir)) {
        fprintf(stderr, "tailgate: cannot find the data directory beside the program; use --data DIR\n");
        return 1;
    }
    // The default data may be an installed, read-only folder shared by every
    // user, so without --data the high scores are the player's own. A table
    // that cannot be kept stops the start-up rather than a game being lost.
    if (!data_given && !replay) {
        char hiscore_dir[CMDLINE_PATH_SIZE];
        if (!plat_user_data_dir(hiscore_dir, sizeof hiscore_dir, error, sizeof error)) {
            fprintf(stderr, "tailgate: %s\n", error);
            return 1;
        }
        if (!hiscore_set_dir(hiscore_dir)) {
            fprintf(stderr, "tailgate: the high-score directory's path is too long; use --data DIR\n");
            return 1;
        }
        if (const char* problem = plat_replace_problem(hiscore_path())) {
            fprintf(stderr, "tailgate: cannot keep the high-score table %s: %s (use --data DIR)\n",
                    plat_printable(hiscore_path()).c_str(), problem);
            return 1;
        }
    }
    if (!plat_change_dir(options->data_dir)) {
        fprintf(stderr, "tailgate: cannot use data directory %s\n", plat_printable(options->data_dir).c_str());
        return data_given ? 2 : 1;
    }

    // A session recorded or played back in a window runs on the headless
    // seams' clock and keys, so a headless run of the recording is the same
    // game. A recording of the player starts its clock where the real one
    // would be, so every session is new.
    const bool virtual_window = !options->headless && (options->input_path[0] || options->record_path[0] || replay);
    uint32_t start_tick = options->start_tick;
    if (virtual_window && !replay && !options->start_tick_given && !harness_script_start_tick(&start_tick)) {
        start_tick = options->input_path[0] ? options->start_tick : wall_clock_tick();
    }
    plat_use_backend(options->headless ? PLAT_HEADLESS : virtual_window ? PLAT_WINDOW_REPLAY : PLAT_WINDOW, start_tick);
    plat_window_watch(replay && !options->headless);
    if (!harness_open(options, error, sizeof error)) {
        fprintf(stderr, "tailgate: %s\n", plat_printable(error).c_str());
        return 2;
    }
    if (options->record_path[0] && !harness_open_record(options->record_path, start_tick, table_at_start())) {
        fprintf(stderr, "tailgate: cannot write --record %s: %s\n", plat_printable(options->record_path).c_str(),
                strerror(errno));
        harness_close();
        return 2;
    }
    if (!replay) {
        return run_game(options);
    }
    char replay_dir[CMDLINE_PATH_SIZE] = "";
    if (!set_up_replay_table(replay_dir, sizeof replay_dir, error, sizeof error)) {
        fprintf(stderr, "tailgate: %s\n", plat_printable(error).c_str());
        plat_remove_private_dir(replay_dir);
        harness_close();
        return 1;
    }
    int status = run_game(options);
    plat_remove_private_dir(replay_dir);
    if (status == 0 && options->write_checks) {
        std::vector<char> text;
        if (plat_read_regular(options->replay_path, 16u << 20, &text) != PLAT_FILE_OK ||
            !harness_write_checks(options->replay_path, std::string(text.begin(), text.end()), error, sizeof error)) {
            fprintf(stderr, "tailgate: cannot rewrite %s\n", plat_printable(options->replay_path).c_str());
            return 1;
        }
    }
    // A replay that strayed from its recording still ran to its end, with
    // its outputs; its status says it.
    return status == 0 && harness_replay_strayed() ? 4 : status;
}
