// The window backend and everything that comes through the window:
// presentation of the display, the keyboard and pads, the close button,
// pause, screenshots and the real clock. Two tables: the player's keys on
// the real clock, and a session recorded or played back, whose keys and clock
// are the virtual seams' (the player's keys feed them).
#include <SDL2/SDL.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/backend.h"
#include "platform/display_internal.h"
#include "platform/headless.h"
#include "platform/host.h"
#include "platform/overlay_menu.h"
#include "platform/platform.h"
#include "platform/settings.h"

namespace {

constexpr const char* WINDOW_TITLE = "Tailgate";
// The window's class, as the desktop entry's StartupWMClass names it, so
// that docks show the game's icon and group the window with its entry.
constexpr const char* WINDOW_CLASS = "tailgate";
// Wayland matches a window to its desktop entry by the entry's name.
constexpr const char* WAYLAND_APP_ID = "io.github.tailgate.tailgate";

// What the settings asked of the window: a whole multiple of the picture
// at most (window_scale), or a size the player gave it (window_size), and
// whether the player chose that scale (a reduced one is then reported).
int window_scale = 2;
bool scale_chosen;
int asked_width;
int asked_height;
bool integer_scaling;
bool vsync_wanted = true;
bool gamepad_wanted = true;
// The settings as they stand now, for the Esc menu to start from.
PlatSettings current_settings;

// The settings file that remembers the window's size and the full-screen
// choice the player made; empty: nothing is remembered.
std::string remember_path;
bool fullscreen_at_start;
int shown_width;  // the window's size as the player left it (not full screen)
int shown_height;
bool size_changed;

// The game's icon, as RGBA, square.
std::vector<uint8_t> icon_rgba;
int icon_side;

// A replay being watched: the game's keys are the recording's; Q and Esc
// stop watching.
bool watching;

// The title's demo: the player's keys and buttons end it instead of
// playing. The real time of the player's last key or button, for the title
// to know when nobody plays.
bool demo_on;
bool demo_interrupted;
uint32_t last_input_ms;

// The room for a window's frame and title bar, which the desktop's usable
// area must hold too.
constexpr int FRAME_ROOM = 48;

// Keyboard keys (SDL keycodes) and what each does: a game key code, or one
// of the platform's own actions below.
constexpr int CODE_PAUSE = -1;
constexpr int CODE_SCREENSHOT = -2;
struct KeyBinding {
    SDL_Keycode key;
    int code;
};
KeyBinding bindings[ACTION_COUNT];
int binding_count;
bool configured;

// The game keys, for the recorder: everything the game is ever given.
constexpr int GAME_KEYS[] = {VK_SPACE, VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_Q, VK_S, VK_C, VK_R, VK_H};

SDL_Window* window;
SDL_Renderer* renderer;
SDL_Texture* texture;
bool video_started;

// The keyboard as the game sees it, by virtual-key code: held now, pressed
// since the key was last asked about (a tap between two polls still counts
// once), and held since before plat_forget_held_keys (ignored until let go).
constexpr int KEY_CODES = 256;
bool key_held[KEY_CODES];
bool key_latched[KEY_CODES];
bool key_stale[KEY_CODES];
// The code each physical key went down as, so that its release finds it
// even if the layout changed in between.
int key_code_of_scancode[SDL_NUM_SCANCODES];

// Game controllers, opened as they are plugged in. Each game key is held by
// a set of the pad's inputs (bit per button, one more for the stick).
constexpr int MAX_PADS = 8;
SDL_GameController* pads[MAX_PADS];
bool pads_started;
uint32_t pad_held[KEY_CODES];
constexpr uint32_t STICK_BIT = 1u << 31;
constexpr int STICK_ON = 16000;   // push this far to hold the arrow...
constexpr int STICK_OFF = 10000;  // ...and back inside this to let it go

// Pause: the game's clock stands still from pause_started on; the time
// spent paused is taken off every tick count after.
bool paused;
uint32_t pause_started;
uint32_t paused_total;

bool present_pending;
bool repaint_needed = true;  // the window's picture was lost (made, exposed, resized)
const char* window_error = "";

void window_present();

// The desktop's area for windows (without panels and docks), less the room
// of a window's frame.
bool usable_area(int display, int* width, int* height)
{
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, &usable) != 0 || usable.w <= 0 || usable.h <= 0) {
        return false;
    }
    *width = usable.w;
    *height = usable.h > FRAME_ROOM * 2 ? usable.h - FRAME_ROOM : usable.h;
    return true;
}

// The window's size: the one the player gave it, else the largest whole
// multiple of the picture up to window_scale, either way no larger than the
// desktop can show. `report`: say so in one line when it had to be made
// smaller than the player asked.
void window_size(int display, bool report, int* width, int* height)
{
    int room_w = 0;
    int room_h = 0;
    const bool known = usable_area(display, &room_w, &room_h);
    if (asked_width > 0 && asked_height > 0) {
        *width = asked_width;
        *height = asked_height;
        if (known && (asked_width > room_w || asked_height > room_h)) {
            // Kept at the shape the player gave it.
            const double shrink =
                std::min(static_cast<double>(room_w) / asked_width, static_cast<double>(room_h) / asked_height);
            *width = std::max(PLAT_SCREEN_W / 2, static_cast<int>(asked_width * shrink));
            *height = std::max(PLAT_SCREEN_H / 2, static_cast<int>(asked_height * shrink));
            if (report) {
                fprintf(stderr, "tailgate: a %d x %d window does not fit the desktop; it is %d x %d\n", asked_width,
                        asked_height, *width, *height);
            }
        }
        return;
    }
    int scale = window_scale;
    while (known && scale > 1 && (PLAT_SCREEN_W * scale > room_w || PLAT_SCREEN_H * scale > room_h)) {
        --scale;
    }
    if (report && scale_chosen && scale < window_scale) {
        fprintf(stderr, "tailgate: a window %d times 640 x 480 does not fit the desktop; it is %d times\n",
                window_scale, scale);
    }
    *width = PLAT_SCREEN_W * scale;
    *height = PLAT_SCREEN_H * scale;
}

// The size the window was last given by the game; a size event with
// another one is the player's doing.
int set_width;
int set_height;

void set_window_size(int w, int h)
{
    set_width = w;
    set_height = h;
    SDL_SetWindowSize(window, w, h);
}

bool is_full_screen()
{
    return window && (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
}

// The window as a window again: resizable, wholly on the desktop.
void become_window()
{
    SDL_SetWindowFullscreen(window, 0);
    SDL_SetWindowResizable(window, SDL_TRUE);
    SDL_SetWindowMinimumSize(window, PLAT_SCREEN_W / 2, PLAT_SCREEN_H / 2);
    int w = shown_width;
    int h = shown_height;
    if (w <= 0 || h <= 0) {
        window_size(SDL_GetWindowDisplayIndex(window), false, &w, &h);
    }
    set_window_size(w, h);
    SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

void window_resized(int w, int h)
{
    if (is_full_screen() || (w == set_width && h == set_height) || w <= 0 || h <= 0) {
        return;
    }
    shown_width = w;
    shown_height = h;
    size_changed = true;
}

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

void toggle_full_screen(bool remember_it = true)
{
    if (!window) {
        return;
    }
    const bool full = is_full_screen();
    if (full) {
        become_window();
    } else {
        SDL_DisplayMode desktop;
        if (SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(window), &desktop) == 0) {
            SDL_SetWindowPosition(window, 0, 0);
            set_window_size(desktop.w, desktop.h);
        }
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    if (remember_it) {
        remember_full_screen(!full);
    }
    repaint_needed = true;
    window_present();
}

// What a key does, by the key its label names (Q quits on any layout;
// keys with no label of their own, such as the arrows, stay where they
// are). 0 for keys the game never asks about.
int code_of(const SDL_Keysym& key)
{
    for (int b = 0; b < binding_count; ++b) {
        if (bindings[b].key == key.sym) {
            return bindings[b].code;
        }
    }
    return 0;
}

void set_paused(bool on);
void save_screenshot();
void open_menu();
void menu_result(MenuResult result);
bool menu_key(const SDL_Keysym& key, int code);

void key_event(const SDL_KeyboardEvent& event)
{
    const int scancode = event.keysym.scancode;
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) {
        return;
    }
    if (event.type == SDL_KEYDOWN) {
        if (event.repeat) {
            return;
        }
        last_input_ms = SDL_GetTicks();
        if (demo_on) {
            demo_interrupted = true;  // any key ends the demo, and only that,
            set_paused(false);        // also one paused by a focus lost
            key_code_of_scancode[scancode] = 0;
            return;
        }
        const int code = code_of(event.keysym);
        if (watching && (code == VK_Q || event.keysym.sym == SDLK_ESCAPE)) {
            plat_request_close();  // a watched replay: stop watching
            return;
        }
        if (overlay_menu_is_open() && menu_key(event.keysym, code)) {
            return;
        }
        if (event.keysym.sym == SDLK_ESCAPE) {
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
        if (paused && code == VK_Q) {
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

void open_pad(int device)
{
    if (!SDL_IsGameController(device)) {
        return;
    }
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(device);
    for (SDL_GameController* pad : pads) {
        if (pad && SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad)) == id) {
            return;  // already open (added at start-up and announced again)
        }
    }
    for (SDL_GameController*& pad : pads) {
        if (!pad) {
            pad = SDL_GameControllerOpen(device);
            return;
        }
    }
}

void close_pad(SDL_JoystickID id)
{
    for (SDL_GameController*& pad : pads) {
        if (pad && SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad)) == id) {
            SDL_GameControllerClose(pad);
            pad = nullptr;
        }
    }
    // Whatever that pad held is let go (another pad may hold it again at
    // its next move).
    memset(pad_held, 0, sizeof pad_held);
}

int code_of_button(int button)
{
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        return VK_UP;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        return VK_DOWN;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        return VK_LEFT;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        return VK_RIGHT;
    case SDL_CONTROLLER_BUTTON_A:
        return VK_SPACE;
    case SDL_CONTROLLER_BUTTON_B:
        return VK_H;
    case SDL_CONTROLLER_BUTTON_X:
    case SDL_CONTROLLER_BUTTON_Y:
        return VK_S;
    case SDL_CONTROLLER_BUTTON_START:
        return CODE_PAUSE;
    default:
        return 0;
    }
}

void pad_menu_button(int button)
{
    const bool asking = overlay_menu_page() == PAGE_QUIT;
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        menu_result(overlay_menu_command(MENU_UP));
        break;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        menu_result(overlay_menu_command(MENU_DOWN));
        break;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        menu_result(overlay_menu_command(MENU_LEFT));
        break;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        menu_result(overlay_menu_command(MENU_RIGHT));
        break;
    case SDL_CONTROLLER_BUTTON_A:
        menu_result(overlay_menu_command(asking ? MENU_YES : MENU_CHOOSE));
        break;
    case SDL_CONTROLLER_BUTTON_B:
    case SDL_CONTROLLER_BUTTON_BACK:
        menu_result(overlay_menu_command(MENU_BACK));
        break;
    case SDL_CONTROLLER_BUTTON_START:
        overlay_menu_close();
        menu_result(MENU_RESUME);
        break;
    default:
        break;
    }
}

void pad_hold(int code, uint32_t bit, bool down)
{
    if (down) {
        if (!pad_held[code]) {
            key_latched[code] = true;
        }
        pad_held[code] |= bit;
    } else {
        pad_held[code] &= ~bit;
    }
}

void pad_button(const SDL_ControllerButtonEvent& event)
{
    if (event.type == SDL_CONTROLLERBUTTONDOWN) {
        last_input_ms = SDL_GetTicks();
    }
    if (event.type == SDL_CONTROLLERBUTTONDOWN && demo_on) {
        demo_interrupted = true;
        set_paused(false);
        return;
    }
    if (event.type == SDL_CONTROLLERBUTTONDOWN && !watching) {
        if (overlay_menu_is_open()) {
            pad_menu_button(event.button);
            return;
        }
        if (event.button == SDL_CONTROLLER_BUTTON_BACK) {
            open_menu();
            return;
        }
    }
    const int code = code_of_button(event.button);
    if (code == CODE_PAUSE) {
        if (event.type == SDL_CONTROLLERBUTTONDOWN) {
            set_paused(!paused);
        }
    } else if (code > 0) {
        pad_hold(code, 1u << event.button, event.type == SDL_CONTROLLERBUTTONDOWN);
    }
}

void pad_axis(const SDL_ControllerAxisEvent& event)
{
    int low = 0;
    int high = 0;
    if (event.axis == SDL_CONTROLLER_AXIS_LEFTX) {
        low = VK_LEFT;
        high = VK_RIGHT;
    } else if (event.axis == SDL_CONTROLLER_AXIS_LEFTY) {
        low = VK_UP;  // the stick's y grows downwards
        high = VK_DOWN;
    } else {
        return;
    }
    const int value = event.value;
    for (int side = 0; side < 2; ++side) {
        const int code = side == 0 ? low : high;
        const int push = side == 0 ? -value : value;
        const bool held = (pad_held[code] & STICK_BIT) != 0;
        if (!held && push > STICK_ON) {
            pad_hold(code, STICK_BIT, true);
        } else if (held && push < STICK_OFF) {
            pad_hold(code, STICK_BIT, false);
        }
    }
}

void start_pads()
{
    if (!gamepad_wanted || pads_started) {
        return;
    }
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        fprintf(stderr, "tailgate: no game controllers (%s)\n", SDL_GetError());
        return;
    }
    pads_started = true;
    for (int device = 0; device < SDL_NumJoysticks(); ++device) {
        open_pad(device);
    }
}

void stop_pads()
{
    for (SDL_GameController*& pad : pads) {
        if (pad) {
            SDL_GameControllerClose(pad);
            pad = nullptr;
        }
    }
    memset(pad_held, 0, sizeof pad_held);
    if (pads_started) {
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        pads_started = false;
    }
}

bool pads_open()
{
    for (SDL_GameController* pad : pads) {
        if (pad) {
            return true;
        }
    }
    return false;
}

void release_all_keys()
{
    memset(key_held, 0, sizeof key_held);
    memset(pad_held, 0, sizeof pad_held);
    memset(key_stale, 0, sizeof key_stale);
    memset(key_code_of_scancode, 0, sizeof key_code_of_scancode);
}

// Takes the window's events: close button, keys, Alt+Enter, repaints; and
// shows a picture that changed outside a flip.
void pump_events()
{
    plat_take_signals();
    if (!video_started) {
        return;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            plat_request_close();
            break;
        case SDL_KEYDOWN:
            if (event.key.keysym.sym == SDLK_RETURN && (event.key.keysym.mod & KMOD_ALT)) {
                if (!event.key.repeat) {
                    toggle_full_screen();
                }
                break;
            }
            key_event(event.key);
            break;
        case SDL_KEYUP:
            key_event(event.key);
            break;
        case SDL_CONTROLLERDEVICEADDED:
            open_pad(event.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            close_pad(event.cdevice.which);
            break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            pad_button(event.cbutton);
            break;
        case SDL_CONTROLLERAXISMOTION:
            pad_axis(event.caxis);
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                present_pending = true;
                repaint_needed = true;
                if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                    window_resized(event.window.data1, event.window.data2);
                }
            } else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                release_all_keys();  // their releases go to another window
                set_paused(true);    // and the player is looking elsewhere
            }
            break;
        default:
            break;
        }
    }
    // A notice that has had its time goes away even on a still picture.
    static bool notice_shown;
    const bool notice_now = overlay_notice_active(SDL_GetTicks());
    if (notice_shown != notice_now) {
        notice_shown = notice_now;
        present_pending = texture != nullptr;
    }
    if (present_pending) {
        window_present();
    }
}

// The first accelerated renderer, in step with the display. Measured under
// Xvfb, even OpenGL drawn on the CPU by Mesa cost less than SDL's software
// renderer (25 % of a core on the menu against 40 %), so it is kept too.
SDL_Renderer* make_renderer()
{
    const Uint32 vsync = vsync_wanted ? SDL_RENDERER_PRESENTVSYNC : 0;
    SDL_Renderer* made = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | vsync);
    if (!made) {
        made = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE | vsync);
    }
    if (!made) {
        made = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    }
    return made;
}

void close_window()
{
    if (window) {
        remember_size();
    }
    display_set_presenter(nullptr, nullptr);
    present_pending = false;
    stop_pads();
    if (texture)
        SDL_DestroyTexture(texture);
    if (renderer)
        SDL_DestroyRenderer(renderer);
    if (window)
        SDL_DestroyWindow(window);
    texture = nullptr;
    renderer = nullptr;
    window = nullptr;
    if (video_started) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        video_started = false;
    }
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
            return SDL_GetKeyName(bindings[b].key);
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
    const std::string quit_key = key_label(VK_Q);
    std::string hint = pause_key.empty() ? "Start" : pause_key;
    hint = "Press " + hint + (pads_open() ? " (or Start)" : "") + " to go on";
    if (!quit_key.empty()) {
        hint += ", " + quit_key + " to quit";
    }
    draw_overlay_text(frame, hint, 1, TOP + 3 * plat_text_height() + 16, 0xFFFFFF);
}

void show_notice(const std::string& text)
{
    overlay_notice_show(text, SDL_GetTicks());
    repaint_needed = true;
    present_pending = true;
}

void set_paused(bool on)
{
    if (on == paused || !window) {
        return;
    }
    paused = on;
    if (on) {
        pause_started = SDL_GetTicks();
    } else {
        paused_total += SDL_GetTicks() - pause_started;
        // Presses made while paused were not meant for the game.
        memset(key_latched, 0, sizeof key_latched);
    }
    plat_audio_pause(on);
    repaint_needed = true;
    present_pending = true;
}

void save_screenshot()
{
    static uint8_t rgb[640 * 480 * 3];
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
    char stamp[32];
    const time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &local);
    std::string path = dir + "/tailgate-" + stamp + ".png";
    for (int n = 2; plat_file_exists(path.c_str()) && n < 100; ++n) {
        path = dir + "/tailgate-" + stamp + "-" + std::to_string(n) + ".png";
    }
    errno = 0;
    if (plat_write_png(path.c_str(), rgb, 640, 480)) {
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

void set_bindings(const PlatSettings& settings)
{
    binding_count = 0;
    for (int a = 0; a < ACTION_COUNT; ++a) {
        const auto action = static_cast<PlatAction>(a);
        int code = plat_action_game_key(action);
        if (action == ACTION_PAUSE) {
            code = CODE_PAUSE;
        } else if (action == ACTION_SCREENSHOT) {
            code = CODE_SCREENSHOT;
        }
        const int key = plat_key_from_name(settings.keys[a].c_str());
        if (key != 0) {
            bindings[binding_count++] = KeyBinding{static_cast<SDL_Keycode>(key), code};
        }
    }
}

void open_menu()
{
    if (!window || watching) {
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
    if (s.integer_scaling != integer_scaling && renderer) {
        SDL_RenderSetIntegerScale(renderer, s.integer_scaling ? SDL_TRUE : SDL_FALSE);
    }
    if (s.vsync != vsync_wanted && renderer) {
        SDL_RenderSetVSync(renderer, s.vsync ? 1 : 0);
    }
    integer_scaling = s.integer_scaling;
    vsync_wanted = s.vsync;
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
bool menu_key(const SDL_Keysym& key, int code)
{
    if (overlay_menu_waiting_for_key()) {
        if (key.sym == SDLK_ESCAPE) {
            menu_result(overlay_menu_command(MENU_BACK));
        } else {
            menu_result(overlay_menu_key_pressed(SDL_GetKeyName(key.sym)));
        }
        return true;
    }
    if (code == VK_Q) {
        overlay_menu_close();
        return false;  // the pause lets it through, as with P
    }
    if (code == CODE_SCREENSHOT) {
        return false;
    }
    MenuCommand command;
    if (key.sym == SDLK_UP || code == VK_UP) {
        command = MENU_UP;
    } else if (key.sym == SDLK_DOWN || code == VK_DOWN) {
        command = MENU_DOWN;
    } else if (key.sym == SDLK_LEFT || code == VK_LEFT) {
        command = MENU_LEFT;
    } else if (key.sym == SDLK_RIGHT || code == VK_RIGHT) {
        command = MENU_RIGHT;
    } else if (key.sym == SDLK_RETURN || key.sym == SDLK_KP_ENTER || key.sym == SDLK_SPACE || code == VK_SPACE) {
        command = MENU_CHOOSE;
    } else if (key.sym == SDLK_ESCAPE || key.sym == SDLK_BACKSPACE) {
        command = MENU_BACK;
    } else if (key.sym == SDLK_y) {
        command = MENU_YES;
    } else if (key.sym == SDLK_n) {
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
    const bool down = key_held[vk] || pad_held[vk] != 0 || key_latched[vk];
    key_latched[vk] = false;
    return down;
}

// After a played-back script (or from the start when recording), the
// player's keys feed the seams: at a pass's start every change at once, at
// a wait inside a pass one change per wait, as a replay applies them.
void feed_live_keys(bool in_wait)
{
    for (int vk : GAME_KEYS) {
        const bool down = live_key(vk);
        if (down != headless_key_down(vk)) {
            headless_set_key(vk, down, in_wait);
            if (in_wait) {
                return;
            }
        }
    }
}

void window_present_soon()
{
    present_pending = texture != nullptr;
}

void window_present()
{
    present_pending = false;
    if (!texture) {
        return;
    }
    // Screens that stand still (the title, the menu, the initials entry
    // between keys) flip the same picture again and again; only a changed
    // picture, or a window that needs repainting, is sent to the display.
    static uint32_t frame[640 * 480];
    static uint32_t shown_frame[640 * 480];
    static bool have_shown;
    if (!display_convert_visible(frame, 640)) {
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
    overlay_notice_draw(frame, SDL_GetTicks());
    if (have_shown && !repaint_needed && memcmp(frame, shown_frame, sizeof frame) == 0) {
        return;
    }
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture, nullptr, &pixels, &pitch) != 0) {
        return;
    }
    for (int y = 0; y < 480; y++) {
        memcpy(static_cast<uint8_t*>(pixels) + static_cast<size_t>(y) * pitch, frame + y * 640, 640 * 4);
    }
    SDL_UnlockTexture(texture);
    memcpy(shown_frame, frame, sizeof frame);
    have_shown = true;
    repaint_needed = false;
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
}

void set_icon()
{
    if (!window || icon_side <= 0) {
        return;
    }
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(icon_rgba.data(), icon_side, icon_side, 32, icon_side * 4,
                                                           SDL_PIXELFORMAT_ABGR8888);
    if (icon) {
        SDL_SetWindowIcon(window, icon);
        SDL_FreeSurface(icon);
    }
}

int open_window(bool windowed)
{
    if (window) {
        return 1;
    }
    if (!configured) {
        plat_window_configure(plat_default_settings());
    }
    // Our own SIGINT/SIGTERM handlers turn signals into WM_CLOSE.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint("SDL_VIDEO_X11_WMCLASS", WINDOW_CLASS);
    SDL_SetHint("SDL_VIDEO_WAYLAND_WMCLASS", WAYLAND_APP_ID);
    SDL_SetHint(SDL_HINT_APP_NAME, WINDOW_TITLE);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        window_error = SDL_GetError();
        return 0;
    }
    video_started = true;
    // With no display SDL falls back to drivers that show nothing; a game
    // nobody can see is no game, unless someone asked for one of them.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = getenv("SDL_VIDEODRIVER");
    if (driver && (!asked || !asked[0]) && (!strcmp(driver, "offscreen") || !strcmp(driver, "dummy"))) {
        window_error = "no display (neither DISPLAY nor WAYLAND_DISPLAY is usable)";
        close_window();
        return 0;
    }
    fullscreen_at_start = !windowed;
    int w = 0;
    int h = 0;
    window_size(0, windowed, &w, &h);
    set_width = w;
    set_height = h;
    if (windowed) {
        window =
            SDL_CreateWindow(WINDOW_TITLE, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h, SDL_WINDOW_RESIZABLE);
    } else {
        // Made at the desktop's size: without a window manager a full-screen
        // window keeps the size it was made with. Resizable, for the window
        // Alt+Enter makes of it.
        SDL_DisplayMode desktop;
        if (SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w > 0 && desktop.h > 0) {
            w = desktop.w;
            h = desktop.h;
        }
        set_width = w;
        set_height = h;
        window = SDL_CreateWindow(WINDOW_TITLE, 0, 0, w, h, SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_RESIZABLE);
    }
    if (window) {
        SDL_SetWindowMinimumSize(window, PLAT_SCREEN_W / 2, PLAT_SCREEN_H / 2);
        set_icon();
    }
    if (window) {
        renderer = make_renderer();
    }
    if (renderer) {
        // The 640 x 480 picture keeps its 4:3 shape, with black bars as needed.
        SDL_RenderSetLogicalSize(renderer, 640, 480);
        SDL_RenderSetIntegerScale(renderer, integer_scaling ? SDL_TRUE : SDL_FALSE);
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, 640, 480);
    }
    if (!texture) {
        window_error = SDL_GetError();
        close_window();
        return 0;
    }
    release_all_keys();
    memset(key_latched, 0, sizeof key_latched);
    paused = false;
    paused_total = 0;
    last_input_ms = SDL_GetTicks();
    start_pads();
    repaint_needed = true;
    SDL_ShowCursor(SDL_DISABLE);
    // From now on every flip, and every change to the visible picture, is
    // shown here.
    display_set_presenter(window_present, window_present_soon);
    window_present();
    return 1;
}

// While paused the picture stands and nothing of the game runs: the window
// waits for its events (a key, the close button, the focus) instead of
// spinning, and looks at the signals at least ten times a second.
void hold_while_paused()
{
    while (paused && window && !plat_close_requested()) {
        SDL_WaitEventTimeout(nullptr, 100);
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
    const uint32_t now = SDL_GetTicks();
    const uint32_t since = now - last_step;
    SDL_Delay(since < STEP_MS ? STEP_MS - since : 1);
    last_step = SDL_GetTicks();
    pump_events();
    hold_while_paused();
}

// ---------------------------------------------------------------------------
// The player's keys on the real clock.

bool player_key(int vk)
{
    pump_events();
    return video_started && live_key(vk);
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
    return (paused ? pause_started : SDL_GetTicks()) - paused_total;
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

}  // namespace

const PlatBackend PLAT_WINDOW_BACKEND = {
    open_window,
    close_window,
    pump_events,
    player_key,
    forget_held_keys,
    wait_a_frame,
    live_pass_begins,
    live_pass_ends,
    real_tick_count,
    hold_while_paused,
    is_paused,
    /*real_time=*/true,
    /*sound_device=*/true,
    /*sound_pass_time=*/false,
};

const PlatBackend PLAT_WINDOW_REPLAY_BACKEND = {
    open_window,
    close_window,
    pump_events,
    replay_key,
    keep_held_keys,
    replay_wait_step,
    replay_pass_begins,
    headless_end_pass,
    headless_tick_count,
    hold_while_paused,
    is_paused,
    /*real_time=*/true,
    /*sound_device=*/true,
    /*sound_pass_time=*/true,
};

void plat_window_configure(const PlatSettings& settings)
{
    window_scale = settings.window_scale >= 1 && settings.window_scale <= PLAT_SCALE_MAX ? settings.window_scale : 2;
    integer_scaling = settings.integer_scaling;
    vsync_wanted = settings.vsync;
    gamepad_wanted = settings.gamepad;
    configured = true;
    scale_chosen = settings.window_scale != plat_default_settings().window_scale;
    asked_width = settings.window_width;
    asked_height = settings.window_height;
    current_settings = settings;
    set_bindings(settings);
}

const char* plat_window_error()
{
    return window_error;
}

void plat_window_choices(bool scale_given, const char* remember_in)
{
    scale_chosen = scale_chosen || scale_given;
    remember_path = remember_in ? remember_in : "";
}

void plat_window_set_icon(const uint8_t* rgba, int side)
{
    icon_side = rgba && side > 0 ? side : 0;
    icon_rgba.assign(rgba, rgba + static_cast<size_t>(icon_side) * icon_side * 4);
    set_icon();
}

void plat_window_watch(bool on)
{
    watching = on;
}

uint32_t plat_window_idle_ms()
{
    if (!window || paused || overlay_menu_is_open()) {
        return 0;
    }
    return SDL_GetTicks() - last_input_ms;
}

bool plat_window_attract_wanted()
{
    return window && current_settings.attract_mode;
}

void plat_window_demo(bool on)
{
    demo_on = on;
    demo_interrupted = false;
    release_all_keys();
    memset(key_latched, 0, sizeof key_latched);
    last_input_ms = SDL_GetTicks();
    repaint_needed = true;
    present_pending = texture != nullptr;
}

bool plat_window_demo_interrupted()
{
    return demo_interrupted;
}

void plat_linger_until_closed()
{
    while (window && !plat_close_requested()) {
        SDL_WaitEventTimeout(nullptr, 100);
        pump_events();
    }
}

bool plat_window_state(int* width, int* height, bool* full_screen)
{
    if (!window) {
        return false;
    }
    SDL_GetWindowSize(window, width, height);
    *full_screen = is_full_screen();
    return true;
}
