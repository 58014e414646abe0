// The window as the game sees it, the same on every system: what the picture
// shows (the game's screen, dimmed under "PAUSED" and its hint while paused)
// and when it is shown, what the keys and pads do, the pause and its clock,
// screenshots, the window's size and full-screen choice remembered in the
// settings. The system's backend (platform/backend.h) only makes the window,
// shows frames and reports events.
//
// Two run tables: the player's keys on the real clock, and a session recorded
// or played back, whose keys and clock are the virtual seams' (the player's
// keys feed them).
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/backend.h"
#include "platform/display_internal.h"
#include "platform/headless.h"
#include "platform/host.h"
#include "platform/keys.h"
#include "platform/overlay_menu.h"
#include "platform/pads.h"
#include "platform/platform.h"
#include "platform/run_mode.h"
#include "platform/settings.h"
#include "platform/system.h"

namespace {

const PlatBackend& sys = PLAT_SYSTEM_BACKEND;

// What the settings and the command line ask of the window.
PlatWindowRequest request;
bool gamepad_wanted = true;
// The settings as they stand now, for the Esc menu to start from.
PlatSettings current_settings;
bool configured;
bool window_open;

// The settings file that remembers the window's size and the full-screen
// choice the player made; empty: nothing is remembered.
std::string remember_path;
int shown_width;  // the window's size as the player left it (not full screen)
int shown_height;
bool size_changed;

// The game's icon, as RGBA, square.
std::vector<uint8_t> icon_rgba;

// A replay being watched: the game's keys are the recording's; Q and Esc
// stop watching.
bool watching;

// The title's demo: the player's keys and buttons end it instead of
// playing. The real time of the player's last key or button, for the title
// to know when nobody plays.
bool demo_on;
bool demo_interrupted;
uint32_t last_input_ms;

// Keyboard keys (our key codes) and what each does: a game key code, or one
// of the platform's own actions below.
constexpr int CODE_PAUSE = -1;
constexpr int CODE_SCREENSHOT = -2;
struct KeyBinding {
    int key;
    int code;
};
KeyBinding bindings[ACTION_COUNT];
int binding_count;

// The keyboard as the game sees it, by game key code: held now, pressed
// since the key was last asked about (a tap between two polls still counts
// once), and held since before plat_forget_held_keys (ignored until let go).
constexpr int KEY_CODES = PLAT_GAME_KEY_LIMIT;
bool key_held[KEY_CODES];
bool key_latched[KEY_CODES];
bool key_stale[KEY_CODES];
// The code each physical key went down as, so that its release finds it
// even if the layout changed in between.
int key_code_of_scancode[PLAT_SCANCODE_LIMIT];

// Game controllers the backend opened, and the game keys they hold.
constexpr int MAX_PADS = 8;
int pad_ids[MAX_PADS];
bool pad_in_use[MAX_PADS];
bool pads_started;
PlatPadHold pad_hold;

// Pause: the game's clock stands still from pause_started on; the time
// spent paused is taken off every tick count after.
bool paused;
uint32_t pause_started;
uint32_t paused_total;

bool present_pending;
bool repaint_needed = true;  // the window's picture was lost (made, exposed, resized)

void window_present();

// Writes what the player chose into the settings file, leaving every other
// line of it as it was.
void remember(const std::vector<PlatSettingChange>& changes)
{
    if (remember_path.empty() || changes.empty()) {
        return;
    }
    std::string error;
    if (!plat_settings_update(remember_path, changes, &error)) {
        fprintf(stderr, "tailgate: cannot keep the window's settings: %s\n", error.c_str());
    }
}

void remember_full_screen(bool full)
{
    remember({{"display", "fullscreen", full ? "yes" : "no"}});
}

void remember_size()
{
    if (size_changed) {
        size_changed = false;
        remember({{"display", "window_size", std::to_string(shown_width) + "x" + std::to_string(shown_height)}});
    }
}

bool is_full_screen()
{
    int w = 0;
    int h = 0;
    bool full = false;
    return window_open && sys.window_state(&w, &h, &full) && full;
}

void toggle_full_screen(bool remember_it = true)
{
    int w = 0;
    int h = 0;
    bool full = false;
    if (!window_open || !sys.window_state(&w, &h, &full)) {
        return;
    }
    sys.set_full_screen(!full);
    if (remember_it) {
        remember_full_screen(!full);
    }
    repaint_needed = true;
    window_present();
}

// What a key does, by the key its label names (Q quits on any layout;
// keys with no label of their own, such as the arrows, stay where they
// are). 0 for keys the game never asks about.
int code_of(int key)
{
    for (int b = 0; b < binding_count; ++b) {
        if (bindings[b].key == key) {
            return bindings[b].code;
        }
    }
    return 0;
}

void set_paused(bool on);
void save_screenshot();
void open_menu();
void menu_result(MenuResult result);
bool menu_key(int key, int code);

void key_event(const PlatEvent& event)
{
    const int scancode = event.scancode;
    if (scancode < 0 || scancode >= PLAT_SCANCODE_LIMIT) {
        return;
    }
    if (event.type == PLAT_EVENT_KEY_DOWN) {
        if (event.repeat) {
            return;
        }
        last_input_ms = sys.ticks();
        if (demo_on) {
            demo_interrupted = true;  // any key ends the demo, and only that,
            set_paused(false);        // also one paused by a focus lost
            key_code_of_scancode[scancode] = 0;
            return;
        }
        const int code = code_of(event.key);
        if (watching && (code == gk::Q || event.key == PLAT_KEY_ESCAPE)) {
            plat_request_close();  // a watched replay: stop watching
            return;
        }
        if (overlay_menu_is_open() && menu_key(event.key, code)) {
            return;
        }
        if (event.key == PLAT_KEY_ESCAPE) {
            open_menu();
            return;
        }
        if (code == CODE_PAUSE) {
            set_paused(!paused);
            return;
        }
        if (code == CODE_SCREENSHOT) {
            save_screenshot();
            return;
        }
        if (paused && code == gk::Q) {
            set_paused(false);  // Q quits from the pause as from anywhere
        }
        key_code_of_scancode[scancode] = code;
        if (code > 0) {
            key_held[code] = true;
            key_latched[code] = true;
        }
        return;
    }
    const int code = key_code_of_scancode[scancode];
    key_code_of_scancode[scancode] = 0;
    if (code > 0) {
        key_held[code] = false;
        key_stale[code] = false;
    }
}

// ---------------------------------------------------------------------------
// Game controllers

bool pads_open()
{
    return std::any_of(std::begin(pad_in_use), std::end(pad_in_use), [](bool used) { return used; });
}

void pad_added(int id)
{
    for (int p = 0; p < MAX_PADS; ++p) {
        if (pad_in_use[p] && pad_ids[p] == id) {
            return;
        }
    }
    for (int p = 0; p < MAX_PADS; ++p) {
        if (!pad_in_use[p]) {
            pad_in_use[p] = true;
            pad_ids[p] = id;
            return;
        }
    }
}

void pad_removed(int id)
{
    for (int p = 0; p < MAX_PADS; ++p) {
        if (pad_in_use[p] && pad_ids[p] == id) {
            pad_in_use[p] = false;
        }
    }
    // Whatever that pad held is let go (another pad may hold it again at
    // its next move).
    plat_pad_release_all(&pad_hold);
}

// What a pad's button or stick did to the game's keys: a newly held key
// counts even if it is let go before the game looks.
void pad_move(const PlatEvent& event)
{
    const PlatPadEffect effect = plat_pad_apply(&pad_hold, event);
    if (effect.pressed > 0) {
        key_latched[effect.pressed] = true;
    }
    if (effect.pause) {
        set_paused(!paused);
    }
    if (effect.menu && !watching) {
        open_menu();
    }
}

void pad_menu_button(int button)
{
    const bool asking = overlay_menu_page() == PAGE_QUIT;
    switch (button) {
    case PLAT_PAD_DPAD_UP:
        menu_result(overlay_menu_command(MENU_UP));
        break;
    case PLAT_PAD_DPAD_DOWN:
        menu_result(overlay_menu_command(MENU_DOWN));
        break;
    case PLAT_PAD_DPAD_LEFT:
        menu_result(overlay_menu_command(MENU_LEFT));
        break;
    case PLAT_PAD_DPAD_RIGHT:
        menu_result(overlay_menu_command(MENU_RIGHT));
        break;
    case PLAT_PAD_A:
        menu_result(overlay_menu_command(asking ? MENU_YES : MENU_CHOOSE));
        break;
    case PLAT_PAD_B:
    case PLAT_PAD_BACK:
        menu_result(overlay_menu_command(MENU_BACK));
        break;
    case PLAT_PAD_START:
        overlay_menu_close();
        menu_result(MENU_RESUME);
        break;
    default:
        break;
    }
}

void pad_button(const PlatEvent& event)
{
    const bool down = event.type == PLAT_EVENT_PAD_BUTTON_DOWN;
    if (down) {
        last_input_ms = sys.ticks();
        if (demo_on) {
            demo_interrupted = true;
            set_paused(false);
            return;
        }
        if (!watching && overlay_menu_is_open()) {
            pad_menu_button(event.button);
            return;
        }
    }
    pad_move(event);
}

void start_pads()
{
    if (!gamepad_wanted || pads_started) {
        return;
    }
    pads_started = sys.start_pads();
}

void stop_pads()
{
    sys.stop_pads();
    memset(pad_in_use, 0, sizeof pad_in_use);
    plat_pad_release_all(&pad_hold);
    pads_started = false;
}

void release_all_keys()
{
    memset(key_held, 0, sizeof key_held);
    plat_pad_release_all(&pad_hold);
    memset(key_stale, 0, sizeof key_stale);
    memset(key_code_of_scancode, 0, sizeof key_code_of_scancode);
}

// Takes the window's events: close button, keys, Alt+Enter, repaints; and
// shows a picture that changed outside a flip.
void pump_events()
{
    plat_take_signals();
    if (!window_open) {
        return;
    }
    PlatEvent event;
    while (sys.next_event(&event)) {
        switch (event.type) {
        case PLAT_EVENT_CLOSE:
            plat_request_close();
            break;
        case PLAT_EVENT_KEY_DOWN:
            if (event.key == PLAT_KEY_RETURN && event.alt) {
                if (!event.repeat) {
                    toggle_full_screen();
                }
                break;
            }
            key_event(event);
            break;
        case PLAT_EVENT_KEY_UP:
            key_event(event);
            break;
        case PLAT_EVENT_PAD_ADDED:
            pad_added(event.pad);
            break;
        case PLAT_EVENT_PAD_REMOVED:
            pad_removed(event.pad);
            break;
        case PLAT_EVENT_PAD_BUTTON_DOWN:
        case PLAT_EVENT_PAD_BUTTON_UP:
            pad_button(event);
            break;
        case PLAT_EVENT_PAD_AXIS:
            pad_move(event);
            break;
        case PLAT_EVENT_REPAINT:
            present_pending = true;
            repaint_needed = true;
            break;
        case PLAT_EVENT_RESIZED:
            shown_width = event.width;
            shown_height = event.height;
            size_changed = true;
            break;
        case PLAT_EVENT_FOCUS_LOST:
            release_all_keys();  // their releases go to another window
            set_paused(true);    // and the player is looking elsewhere
            break;
        default:
            break;
        }
    }
    // A notice that has had its time goes away even on a still picture.
    static bool notice_shown;
    const bool notice_now = overlay_notice_active(sys.ticks());
    if (notice_shown != notice_now) {
        notice_shown = notice_now;
        present_pending = true;
    }
    if (present_pending) {
        window_present();
    }
}

void close_window()
{
    if (window_open) {
        remember_size();
    }
    present_pending = false;
    stop_pads();
    sys.close_window();
    window_open = false;
}

// A line of text in the game's face over the frame, `zoom` times its size,
// centred, with a shadow.
void draw_overlay_text(uint32_t* frame, const std::string& text, int zoom, int top, uint32_t colour)
{
    std::vector<uint8_t> bits;
    int w = 0;
    int h = 0;
    if (!display_text_mask(text.c_str(), &bits, &w, &h)) {
        return;
    }
    const int left = (PLAT_SCREEN_W - w * zoom) / 2;
    for (int shadow = 1; shadow >= 0; --shadow) {
        const uint32_t ink = shadow ? 0x000000 : colour;
        for (int y = 0; y < h * zoom; ++y) {
            for (int x = 0; x < w * zoom; ++x) {
                const int px = left + x + shadow * zoom;
                const int py = top + y + shadow * zoom;
                if (bits[(y / zoom) * w + x / zoom] && px >= 0 && px < PLAT_SCREEN_W && py >= 0 && py < PLAT_SCREEN_H) {
                    frame[py * PLAT_SCREEN_W + px] = ink;
                }
            }
        }
    }
}

// The key bound to an action, by its name on the keyboard.
std::string key_label(int code)
{
    for (int b = 0; b < binding_count; ++b) {
        if (bindings[b].code == code) {
            return plat_key_name(bindings[b].key);
        }
    }
    return "";
}

// "PAUSED" over the picture as it stood, dimmed, and how to go on: drawn on
// the way to the screen only, so the game's own surfaces never hold it.
void draw_pause_overlay(uint32_t* frame)
{
    constexpr int ZOOM = 3;
    constexpr int TOP = 180;
    // Half as bright, and a quarter behind the words so they read over any
    // picture.
    const int band_top = TOP - 16;
    const int band_bottom = TOP + 4 * plat_text_height() + 32;
    for (int y = 0; y < PLAT_SCREEN_H; ++y) {
        const bool band = y >= band_top && y < band_bottom;
        for (int x = 0; x < PLAT_SCREEN_W; ++x) {
            uint32_t& pixel = frame[y * PLAT_SCREEN_W + x];
            pixel = band ? (pixel >> 2) & 0x3F3F3F : (pixel >> 1) & 0x7F7F7F;
        }
    }
    draw_overlay_text(frame, "PAUSED", ZOOM, TOP, 0xFFD040);
    const std::string pause_key = key_label(CODE_PAUSE);
    const std::string quit_key = key_label(gk::Q);
    std::string hint = pause_key.empty() ? "Start" : pause_key;
    hint = "Press " + hint + (pads_open() ? " (or Start)" : "") + " to go on";
    if (!quit_key.empty()) {
        hint += ", " + quit_key + " to quit";
    }
    draw_overlay_text(frame, hint, 1, TOP + 3 * plat_text_height() + 16, 0xFFFFFF);
}

void show_notice(const std::string& text)
{
    overlay_notice_show(text, sys.ticks());
    repaint_needed = true;
    present_pending = true;
}

void set_paused(bool on)
{
    if (on == paused || !window_open) {
        return;
    }
    paused = on;
    if (on) {
        pause_started = sys.ticks();
    } else {
        paused_total += sys.ticks() - pause_started;
        // Presses made while paused were not meant for the game.
        memset(key_latched, 0, sizeof key_latched);
    }
    plat_audio_pause(on);
    repaint_needed = true;
    present_pending = true;
}

void save_screenshot()
{
    static uint8_t rgb[PLAT_SCREEN_W * PLAT_SCREEN_H * 3];
    if (!plat_read_screen(rgb)) {
        show_notice("No screenshot: there is no picture yet");
        return;
    }
    char error[512];
    const std::string dir = plat_pictures_dir(error, sizeof error);
    if (dir.empty()) {
        fprintf(stderr, "tailgate: no screenshot: %s\n", error);
        show_notice(std::string("No screenshot: ") + error);
        return;
    }
    const std::string base = dir + "/tailgate-" + plat_sys_local_time_stamp();
    std::string path = base + ".png";
    for (int n = 2; plat_file_exists(path.c_str()) && n < 100; ++n) {
        path = base;
        path += "-";
        path += std::to_string(n);
        path += ".png";
    }
    errno = 0;
    if (plat_write_png(path.c_str(), rgb, PLAT_SCREEN_W, PLAT_SCREEN_H)) {
        printf("tailgate: screenshot saved as %s\n", plat_printable(path).c_str());
        fflush(stdout);
        show_notice("Saved " + path.substr(path.rfind('/') + 1));
    } else {
        const std::string why = errno != 0 ? strerror(errno) : "cannot write it";
        fprintf(stderr, "tailgate: cannot write the screenshot %s\n", plat_printable(path).c_str());
        show_notice("No screenshot: " + why);
    }
}

// ---------------------------------------------------------------------------
// The Esc menu: the game is paused under it exactly as with P.

void set_bindings(const PlatSettings& settings);
void start_pads();
void stop_pads();

void open_menu()
{
    if (!window_open || watching) {
        return;
    }
    current_settings.fullscreen = is_full_screen();
    overlay_menu_open(current_settings, remember_path);
    set_paused(true);
    repaint_needed = true;
    present_pending = true;
}

// What the menu changed, applied at once (the menu has written it).
void apply_settings(const PlatSettings& s)
{
    plat_audio_set_volumes(s.music_volume, s.effects_volume);
    if (s.fullscreen != is_full_screen()) {
        toggle_full_screen(false);
    }
    if (s.integer_scaling != request.integer_scaling || s.vsync != request.vsync) {
        request.integer_scaling = s.integer_scaling;
        request.vsync = s.vsync;
        sys.set_presentation(s.integer_scaling, s.vsync);
    }
    if (s.gamepad != gamepad_wanted) {
        gamepad_wanted = s.gamepad;
        if (gamepad_wanted) {
            start_pads();
        } else {
            stop_pads();
        }
    }
    set_bindings(s);
    current_settings = s;
    repaint_needed = true;
}

void menu_result(MenuResult result)
{
    switch (result) {
    case MENU_RESUME:
        overlay_menu_close();
        set_paused(false);
        break;
    case MENU_QUIT:
        overlay_menu_close();
        set_paused(false);
        plat_request_close();
        break;
    case MENU_CHANGED:
        apply_settings(overlay_menu_settings());
        break;
    default:
        break;
    }
    repaint_needed = true;
    present_pending = true;
}

// A key while the menu is up; false for the keys that do what they do
// anywhere (Q quits at once, F12 takes the picture).
bool menu_key(int key, int code)
{
    if (overlay_menu_waiting_for_key()) {
        if (key == PLAT_KEY_ESCAPE) {
            menu_result(overlay_menu_command(MENU_BACK));
        } else {
            menu_result(overlay_menu_key_pressed(plat_key_name(key)));
        }
        return true;
    }
    if (code == gk::Q) {
        overlay_menu_close();
        return false;  // the pause lets it through, as with P
    }
    if (code == CODE_SCREENSHOT) {
        return false;
    }
    MenuCommand command;
    if (key == PLAT_KEY_UP || code == gk::UP) {
        command = MENU_UP;
    } else if (key == PLAT_KEY_DOWN || code == gk::DOWN) {
        command = MENU_DOWN;
    } else if (key == PLAT_KEY_LEFT || code == gk::LEFT) {
        command = MENU_LEFT;
    } else if (key == PLAT_KEY_RIGHT || code == gk::RIGHT) {
        command = MENU_RIGHT;
    } else if (key == PLAT_KEY_RETURN || key == PLAT_KEY_KP_ENTER || key == PLAT_KEY_SPACE || code == gk::SPACE) {
        command = MENU_CHOOSE;
    } else if (key == PLAT_KEY_ESCAPE || key == PLAT_KEY_BACKSPACE) {
        command = MENU_BACK;
    } else if (key == 'y') {
        command = MENU_YES;
    } else if (key == 'n') {
        command = MENU_NO;
    } else if (code == CODE_PAUSE) {
        overlay_menu_close();
        menu_result(MENU_RESUME);
        return true;
    } else {
        return true;  // the game's other keys wait under the menu
    }
    menu_result(overlay_menu_command(command));
    return true;
}

// The live keyboard and pads as the game would see them: held, or tapped
// since last asked.
bool live_key(int vk)
{
    if (vk <= 0 || vk >= KEY_CODES || key_stale[vk]) {
        return false;
    }
    const bool down = key_held[vk] || plat_pad_holds(pad_hold, vk) || key_latched[vk];
    key_latched[vk] = false;
    return down;
}

// After a played-back script (or from the start when recording), the
// player's keys feed the seams: at a pass's start every change at once, at
// a wait inside a pass one change per wait, as a replay applies them.
void feed_live_keys(bool in_wait)
{
    for (int vk : PLAT_GAME_KEYS) {
        const bool down = live_key(vk);
        if (down != headless_key_down(vk)) {
            headless_set_key(vk, down, in_wait);
            if (in_wait) {
                return;
            }
        }
    }
}

// Screens that stand still (the title, the menu, the initials entry between
// keys) flip the same picture again and again; only a changed picture, or a
// window that needs repainting, goes to the backend.
void window_present()
{
    present_pending = false;
    if (!window_open) {
        return;
    }
    static uint32_t frame[PLAT_SCREEN_W * PLAT_SCREEN_H];
    static uint32_t shown_frame[PLAT_SCREEN_W * PLAT_SCREEN_H];
    static bool have_shown;
    if (!display_convert_visible(frame, PLAT_SCREEN_W)) {
        memset(frame, 0, sizeof frame);
    }
    if (overlay_menu_is_open()) {
        overlay_menu_draw(frame, pads_open());
    } else if (paused) {
        draw_pause_overlay(frame);
    }
    if (demo_on && !overlay_menu_is_open()) {
        overlay_demo_draw(frame);
    }
    overlay_notice_draw(frame, sys.ticks());
    if (have_shown && !repaint_needed && memcmp(frame, shown_frame, sizeof frame) == 0) {
        return;
    }
    sys.present(frame);
    memcpy(shown_frame, frame, sizeof frame);
    have_shown = true;
    repaint_needed = false;
}

int open_window(bool windowed)
{
    if (window_open) {
        return 1;
    }
    if (!configured) {
        plat_window_configure(plat_default_settings());
    }
    request.windowed = windowed;
    request.icon_rgba = icon_rgba.empty() ? nullptr : icon_rgba.data();
    if (!sys.open_window(request)) {
        return 0;
    }
    window_open = true;
    release_all_keys();
    memset(key_latched, 0, sizeof key_latched);
    paused = false;
    paused_total = 0;
    last_input_ms = sys.ticks();
    start_pads();
    repaint_needed = true;
    window_present();
    return 1;
}

// While paused the picture stands and nothing of the game runs: the window
// waits for its events (a key, the close button, the focus) instead of
// spinning, and looks at the signals at least ten times a second.
void hold_while_paused()
{
    while (paused && window_open && !plat_close_requested()) {
        sys.wait_for_event(100);
        pump_events();
    }
    if (paused) {
        set_paused(false);  // closing: the game goes on to its end
    }
}

bool is_paused()
{
    return paused;
}

// A wait inside a pass polls about once a display frame: quick enough for
// any key (presses are latched), and the core stays mostly idle.
void wait_a_frame()
{
    constexpr uint32_t STEP_MS = 16;
    static uint32_t last_step;
    const uint32_t now = sys.ticks();
    const uint32_t since = now - last_step;
    sys.sleep(since < STEP_MS ? STEP_MS - since : 1);
    last_step = sys.ticks();
    pump_events();
    hold_while_paused();
}

// ---------------------------------------------------------------------------
// The player's keys on the real clock.

bool player_key(int vk)
{
    pump_events();
    return window_open && live_key(vk);
}

void forget_held_keys()
{
    pump_events();
    for (int vk = 0; vk < KEY_CODES; ++vk) {
        key_stale[vk] = key_held[vk];
        key_latched[vk] = false;
    }
}

// The pass number still counts, for the audio log.
void live_pass_begins(int pass)
{
    headless_begin_pass(pass);
}

// The real clock moves by itself.
void live_pass_ends(uint32_t) {}

// Stands still while paused; the time spent paused never counts.
uint32_t real_tick_count()
{
    return (paused ? pause_started : sys.ticks()) - paused_total;
}

// ---------------------------------------------------------------------------
// A session recorded or played back: keys and clock from the seams.

bool replay_key(int vk)
{
    pump_events();
    return headless_key_down(vk);
}

// A script's held key is the player's deliberate input: nothing to forget.
void keep_held_keys() {}

void replay_wait_step()
{
    wait_a_frame();
    if (!headless_apply_next_event()) {
        feed_live_keys(true);
    }
}

void replay_pass_begins(int pass)
{
    headless_begin_pass(pass);
    if (headless_events_left() == 0) {
        pump_events();
        feed_live_keys(false);
    }
}

void set_bindings(const PlatSettings& settings)
{
    binding_count = 0;
    for (int a = 0; a < ACTION_COUNT; ++a) {
        const auto action = static_cast<PlatAction>(a);
        int code = PLAT_ACTIONS[a].game_key;
        if (action == ACTION_PAUSE) {
            code = CODE_PAUSE;
        } else if (action == ACTION_SCREENSHOT) {
            code = CODE_SCREENSHOT;
        }
        const int key = plat_key_from_name(settings.keys[a].c_str());
        if (key != 0) {
            bindings[binding_count++] = KeyBinding{key, code};
        }
    }
}

}  // namespace

// The display's changes reach the window here (nothing happens without one):
// a flip shows at once, a change outside a flip at the next look at events.
void window_show_flip()
{
    window_present();
}

void window_show_soon()
{
    present_pending = window_open;
}

const PlatRunMode PLAT_WINDOW_RUN = {
    .open_window = open_window,
    .close_window = close_window,
    .look_at_events = pump_events,
    .key_down = player_key,
    .forget_held_keys = forget_held_keys,
    .wait_step = wait_a_frame,
    .pass_begins = live_pass_begins,
    .pass_ends = live_pass_ends,
    .tick_count = real_tick_count,
    .hold_while_paused = hold_while_paused,
    .paused = is_paused,
    .real_time = true,
    .sound_device = true,
    .sound_pass_time = false,
};

const PlatRunMode PLAT_WINDOW_REPLAY_RUN = {
    .open_window = open_window,
    .close_window = close_window,
    .look_at_events = pump_events,
    .key_down = replay_key,
    .forget_held_keys = keep_held_keys,
    .wait_step = replay_wait_step,
    .pass_begins = replay_pass_begins,
    .pass_ends = headless_end_pass,
    .tick_count = headless_tick_count,
    .hold_while_paused = hold_while_paused,
    .paused = is_paused,
    .real_time = true,
    .sound_device = true,
    .sound_pass_time = true,
};

void plat_window_configure(const PlatSettings& settings)
{
    request.scale = settings.window_scale >= 1 && settings.window_scale <= PLAT_SCALE_MAX ? settings.window_scale : 2;
    request.integer_scaling = settings.integer_scaling;
    request.vsync = settings.vsync;
    gamepad_wanted = settings.gamepad;
    configured = true;
    request.scale_chosen = settings.window_scale != plat_default_settings().window_scale;
    request.width = settings.window_width;
    request.height = settings.window_height;
    current_settings = settings;
    set_bindings(settings);
}

const char* plat_window_error()
{
    return sys.window_error();
}

void plat_window_choices(bool scale_given, const char* remember_in)
{
    request.scale_chosen = request.scale_chosen || scale_given;
    remember_path = remember_in ? remember_in : "";
}

void plat_window_set_icon(const uint8_t* rgba, int side)
{
    const int kept = rgba && side > 0 ? side : 0;
    icon_rgba.assign(rgba, rgba + static_cast<size_t>(kept) * kept * 4);
    request.icon_side = kept;
    sys.set_icon(rgba, side);
}

void plat_window_watch(bool on)
{
    watching = on;
}

uint32_t plat_window_idle_ms()
{
    if (!window_open || paused || overlay_menu_is_open()) {
        return 0;
    }
    return sys.ticks() - last_input_ms;
}

bool plat_window_attract_wanted()
{
    return window_open && current_settings.attract_mode;
}

void plat_window_demo(bool on)
{
    demo_on = on;
    demo_interrupted = false;
    release_all_keys();
    memset(key_latched, 0, sizeof key_latched);
    last_input_ms = sys.ticks();
    repaint_needed = true;
    present_pending = window_open;
}

bool plat_window_demo_interrupted()
{
    return demo_interrupted;
}

void plat_linger_until_closed()
{
    while (window_open && !plat_close_requested()) {
        sys.wait_for_event(100);
        pump_events();
    }
}

bool plat_window_state(int* width, int* height, bool* full_screen)
{
    return window_open && sys.window_state(width, height, full_screen);
}
