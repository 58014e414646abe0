// The window and everything that comes through it: presentation of the
// display, the keyboard, the close button and signals, our message queue and
// the clock. In headless mode there is no window and SDL video never starts.
#include <SDL2/SDL.h>

#include <csignal>
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
    window_present();
}

// Takes the window's events: close button, Alt+Enter, repaints. The keyboard
// state that plat_key_down reads is brought up to date on the way.
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
            if (event.key.keysym.sym == SDLK_RETURN && (event.key.keysym.mod & KMOD_ALT) &&
                !event.key.repeat) {
                toggle_full_screen();
            }
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                window_present();
            }
            break;
        default:
            break;
        }
    }
}

SDL_Scancode scancode_of(int vk)
{
    switch (vk) {
    case VK_SPACE: return SDL_SCANCODE_SPACE;
    case VK_LEFT: return SDL_SCANCODE_LEFT;
    case VK_UP: return SDL_SCANCODE_UP;
    case VK_RIGHT: return SDL_SCANCODE_RIGHT;
    case VK_DOWN: return SDL_SCANCODE_DOWN;
    default: break;
    }
    if (vk >= 'A' && vk <= 'Z') {
        return static_cast<SDL_Scancode>(SDL_SCANCODE_A + (vk - 'A'));
    }
    if (vk >= '1' && vk <= '9') {
        return static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (vk - '1'));
    }
    if (vk == '0') {
        return SDL_SCANCODE_0;
    }
    return SDL_SCANCODE_UNKNOWN;
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

bool window_is_headless()
{
    return headless_window || plat_is_headless();
}

void window_present()
{
    if (!texture) {
        return;
    }
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture, nullptr, &pixels, &pitch) != 0) {
        return;
    }
    const bool shown = display_convert_visible(static_cast<uint32_t*>(pixels), pitch / 4);
    if (!shown) {
        for (int y = 0; y < 480; y++) {
            memset(static_cast<uint8_t*>(pixels) + y * pitch, 0, 640 * 4);
        }
    }
    SDL_UnlockTexture(texture);
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
        return 0;
    }
    video_started = true;
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
        renderer = SDL_CreateRenderer(window, -1, 0);
        if (!renderer) {
            renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
        }
    }
    if (renderer) {
        // The 640 x 480 picture keeps its 4:3 shape, with black bars as needed.
        SDL_RenderSetLogicalSize(renderer, 640, 480);
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, 640, 480);
    }
    if (!texture) {
        close_window();
        return 0;
    }
    SDL_ShowCursor(SDL_DISABLE);
    window_present();
    return 1;
}

void plat_window_destroy()
{
    close_window();
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
    if (!video_started) {
        return false;
    }
    const SDL_Scancode code = scancode_of(vk);
    if (code == SDL_SCANCODE_UNKNOWN) {
        return false;
    }
    const Uint8* state = SDL_GetKeyboardState(nullptr);
    return state && state[code];
}

void plat_wait_step()
{
    if (window_is_headless()) {
        headless_wait_step();
        return;
    }
    pump_events();
    // Waits for a key's release poll this; no need to spin a core at full speed.
    SDL_Delay(1);
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
