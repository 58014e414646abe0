// The window and everything that comes through it: presentation of the
// display, the keyboard, the close button and signals, our message queue and
// the clock. In headless mode there is no window and SDL video never starts.
#include <SDL2/SDL.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/display_internal.h"
#include "platform/headless.h"
#include "platform/platform.h"

namespace {

constexpr const char* WINDOW_TITLE = "DirectDraw 8-Bit Blitting Demo";
constexpr int WINDOW_WIDTH = 1280;
constexpr int WINDOW_HEIGHT = 960;

bool headless_window;
SDL_Window* window;
SDL_Renderer* renderer;
SDL_Texture* texture;
bool video_started;

volatile sig_atomic_t signal_close;
bool close_seen;
bool close_posted;

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

bool present_pending;
bool repaint_needed = true;  // the window's picture was lost (made, exposed, resized)
const char* window_error = "";

constexpr int QUEUE_SIZE = 64;
PlatMessage queue[QUEUE_SIZE];
int queue_head;
int queue_count;

void on_signal(int)
{
    signal_close = 1;
}

void install_signal_handlers()
{
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// The player asked to close: once, as a WM_CLOSE in our queue.
void request_close()
{
    close_seen = true;
    if (!close_posted) {
        close_posted = true;
        plat_post_message(WM_CLOSE, 0, 0);
    }
}

void toggle_full_screen()
{
    if (!window) {
        return;
    }
    const bool full = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    if (full) {
        SDL_SetWindowFullscreen(window, 0);
        SDL_SetWindowSize(window, WINDOW_WIDTH, WINDOW_HEIGHT);
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    } else {
        SDL_DisplayMode desktop;
        if (SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(window), &desktop) == 0) {
            SDL_SetWindowPosition(window, 0, 0);
            SDL_SetWindowSize(window, desktop.w, desktop.h);
        }
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    repaint_needed = true;
    window_present();
}

// The game's code for a key: letters and digits as the layout labels them
// (Q quits on any keyboard), arrows and Space by where they sit. 0 for keys
// the game never asks about.
int game_code_of(const SDL_Keysym& key)
{
    switch (key.scancode) {
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    default: break;
    }
    if (key.sym >= SDLK_a && key.sym <= SDLK_z) {
        return 'A' + (key.sym - SDLK_a);
    }
    if (key.sym >= SDLK_0 && key.sym <= SDLK_9) {
        return '0' + (key.sym - SDLK_0);
    }
    return 0;
}

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
        const int code = game_code_of(event.keysym);
        key_code_of_scancode[scancode] = code;
        if (code != 0) {
            key_held[code] = true;
            key_latched[code] = true;
        }
        return;
    }
    const int code = key_code_of_scancode[scancode];
    key_code_of_scancode[scancode] = 0;
    if (code != 0) {
        key_held[code] = false;
        key_stale[code] = false;
    }
}

void release_all_keys()
{
    memset(key_held, 0, sizeof key_held);
    memset(key_stale, 0, sizeof key_stale);
    memset(key_code_of_scancode, 0, sizeof key_code_of_scancode);
}

// Takes the window's events: close button, keys, Alt+Enter, repaints; and
// shows a picture that changed outside a flip.
void pump_events()
{
    if (signal_close) {
        request_close();
    }
    if (!video_started) {
        return;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            request_close();
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
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                present_pending = true;
                repaint_needed = true;
            } else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                release_all_keys();  // their releases go to another window
            }
            break;
        default:
            break;
        }
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
    SDL_Renderer* made = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!made) {
        made = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_PRESENTVSYNC);
    }
    if (!made) {
        made = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    }
    return made;
}

void close_window()
{
    if (texture) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
    texture = nullptr;
    renderer = nullptr;
    window = nullptr;
    if (video_started) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        video_started = false;
    }
}

}  // namespace

void window_present_soon()
{
    present_pending = texture != nullptr;
}

bool window_is_headless()
{
    return headless_window || plat_is_headless();
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

int plat_window_create(bool headless, bool windowed)
{
    install_signal_handlers();
    if (headless) {
        headless_window = true;
        return 1;
    }
    headless_window = false;
    if (window) {
        return 1;
    }
    // Our own SIGINT/SIGTERM handlers turn signals into WM_CLOSE.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
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
    if (windowed) {
        window = SDL_CreateWindow(WINDOW_TITLE, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, WINDOW_WIDTH,
                                  WINDOW_HEIGHT, SDL_WINDOW_RESIZABLE);
    } else {
        // Made at the desktop's size: without a window manager a full-screen
        // window keeps the size it was made with.
        SDL_DisplayMode desktop;
        int w = WINDOW_WIDTH;
        int h = WINDOW_HEIGHT;
        if (SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w > 0 && desktop.h > 0) {
            w = desktop.w;
            h = desktop.h;
        }
        window = SDL_CreateWindow(WINDOW_TITLE, 0, 0, w, h, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    if (window) {
        renderer = make_renderer();
    }
    if (renderer) {
        // The 640 x 480 picture keeps its 4:3 shape, with black bars as needed.
        SDL_RenderSetLogicalSize(renderer, 640, 480);
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, 640, 480);
    }
    if (!texture) {
        window_error = SDL_GetError();
        close_window();
        return 0;
    }
    release_all_keys();
    memset(key_latched, 0, sizeof key_latched);
    repaint_needed = true;
    SDL_ShowCursor(SDL_DISABLE);
    window_present();
    return 1;
}

void plat_window_destroy()
{
    close_window();
}

const char* plat_window_error()
{
    return window_error;
}

bool plat_key_down(int vk)
{
    if (window_is_headless()) {
        if (signal_close) {
            request_close();
        }
        return headless_key_down(vk);
    }
    pump_events();
    if (!video_started || vk <= 0 || vk >= KEY_CODES || key_stale[vk]) {
        return false;
    }
    const bool down = key_held[vk] || key_latched[vk];
    key_latched[vk] = false;
    return down;
}

void plat_forget_held_keys()
{
    if (window_is_headless()) {
        return;  // a script's held key is the player's deliberate input
    }
    pump_events();
    for (int vk = 0; vk < KEY_CODES; ++vk) {
        key_stale[vk] = key_held[vk];
        key_latched[vk] = false;
    }
}

void plat_request_close()
{
    request_close();
}

void plat_wait_step()
{
    if (window_is_headless()) {
        headless_wait_step();
        return;
    }
    // Waits inside a pass poll about once a display frame: quick enough for
    // any key (presses are latched), and the core stays mostly idle.
    constexpr uint32_t STEP_MS = 16;
    static uint32_t last_step;
    const uint32_t now = SDL_GetTicks();
    const uint32_t since = now - last_step;
    SDL_Delay(since < STEP_MS ? STEP_MS - since : 1);
    last_step = SDL_GetTicks();
    pump_events();
}

bool plat_close_requested()
{
    return close_seen || signal_close;
}

uint32_t plat_get_tick_count()
{
    if (window_is_headless()) {
        return headless_tick_count();
    }
    return SDL_GetTicks();
}

void plat_post_message(int message, uintptr_t wparam, intptr_t lparam)
{
    if (queue_count == QUEUE_SIZE) {
        return;  // full: the message is lost, as a full queue refuses a post
    }
    queue[(queue_head + queue_count) % QUEUE_SIZE] = PlatMessage{message, wparam, lparam};
    queue_count++;
}

bool plat_peek_message(PlatMessage* out)
{
    if (window_is_headless()) {
        if (signal_close) {
            request_close();
        }
    } else {
        pump_events();
    }
    if (queue_count == 0) {
        return false;
    }
    if (out) {
        *out = queue[queue_head];
    }
    queue_head = (queue_head + 1) % QUEUE_SIZE;
    queue_count--;
    return true;
}
