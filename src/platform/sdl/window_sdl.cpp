// The desktops' window through SDL2: the window and its size, presentation
// of the core's frames, SDL's events in our own codes, the pads and the
// real clock (PLAT_SYSTEM_BACKEND, platform/backend.h).
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include "platform/backend.h"
#include "platform/keys.h"
#include "platform/platform.h"

namespace {

// The window's class, as the desktop entry's StartupWMClass names it, so
// that docks show the game's icon and group the window with its entry.
constexpr const char* WINDOW_CLASS = "tailgate";
// Wayland matches a window to its desktop entry by the entry's name.
constexpr const char* WAYLAND_APP_ID = "io.github.tailgate.tailgate";

// The room for a window's frame and title bar, which the desktop's usable
// area must hold too.
constexpr int FRAME_ROOM = 48;

PlatWindowRequest request;
SDL_Window* window;
// The picture goes to the window's own surface, scaled here; SDL's renderer
// (and its texture) only where the window has no surface to be had.
bool use_surface;
SDL_Renderer* renderer;
SDL_Texture* texture;
bool video_started;
const char* window_error = "";

// The game's icon, as RGBA, square.
std::vector<uint8_t> icon_rgba;
int icon_side;

// The size the window was last given by the game (a size event with another
// one is the player's doing), and the size the player left it at.
int set_width;
int set_height;
int shown_width;
int shown_height;

// Events made here besides SDL's (pads found at start-up, a resize after its
// repaint), handed out first.
std::deque<PlatEvent> pending;

constexpr int MAX_PADS = 8;
SDL_GameController* pads[MAX_PADS];
bool pads_started;

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
// multiple of the picture up to the asked scale, either way no larger than
// the desktop can show. `report`: say so in one line when it had to be made
// smaller than the player asked.
void window_size(int display, bool report, int* width, int* height)
{
    int room_w = 0;
    int room_h = 0;
    const bool known = usable_area(display, &room_w, &room_h);
    if (request.width > 0 && request.height > 0) {
        *width = request.width;
        *height = request.height;
        if (known && (request.width > room_w || request.height > room_h)) {
            // Kept at the shape the player gave it.
            const double shrink =
                std::min(static_cast<double>(room_w) / request.width, static_cast<double>(room_h) / request.height);
            *width = std::max(PLAT_SCREEN_W / 2, static_cast<int>(request.width * shrink));
            *height = std::max(PLAT_SCREEN_H / 2, static_cast<int>(request.height * shrink));
            if (report) {
                fprintf(stderr, "tailgate: a %d x %d window does not fit the desktop; it is %d x %d\n", request.width,
                        request.height, *width, *height);
            }
        }
        return;
    }
    int scale = request.scale;
    while (known && scale > 1 && (PLAT_SCREEN_W * scale > room_w || PLAT_SCREEN_H * scale > room_h)) {
        --scale;
    }
    if (report && request.scale_chosen && scale < request.scale) {
        fprintf(stderr, "tailgate: a window %d times 640 x 480 does not fit the desktop; it is %d times\n",
                request.scale, scale);
    }
    *width = PLAT_SCREEN_W * scale;
    *height = PLAT_SCREEN_H * scale;
}

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

void set_full_screen(bool on)
{
    if (!window || on == is_full_screen()) {
        return;
    }
    if (!on) {
        become_window();
    } else {
        SDL_DisplayMode desktop;
        if (SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(window), &desktop) == 0) {
            SDL_SetWindowPosition(window, 0, 0);
            set_window_size(desktop.w, desktop.h);
        }
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    PlatEvent repaint;
    repaint.type = PLAT_EVENT_REPAINT;
    pending.push_back(repaint);
}

// Our code of an SDL key: a character's key is its character, as SDL has it.
int key_of_sdl(SDL_Keycode sym)
{
    if (!(sym & SDLK_SCANCODE_MASK)) {
        return sym;
    }
    switch (sym) {
    case SDLK_UP:
        return PLAT_KEY_UP;
    case SDLK_DOWN:
        return PLAT_KEY_DOWN;
    case SDLK_LEFT:
        return PLAT_KEY_LEFT;
    case SDLK_RIGHT:
        return PLAT_KEY_RIGHT;
    case SDLK_INSERT:
        return PLAT_KEY_INSERT;
    case SDLK_HOME:
        return PLAT_KEY_HOME;
    case SDLK_END:
        return PLAT_KEY_END;
    case SDLK_PAGEUP:
        return PLAT_KEY_PAGE_UP;
    case SDLK_PAGEDOWN:
        return PLAT_KEY_PAGE_DOWN;
    case SDLK_KP_PERIOD:
        return PLAT_KEY_KP_PERIOD;
    case SDLK_KP_DIVIDE:
        return PLAT_KEY_KP_DIVIDE;
    case SDLK_KP_MULTIPLY:
        return PLAT_KEY_KP_MULTIPLY;
    case SDLK_KP_MINUS:
        return PLAT_KEY_KP_MINUS;
    case SDLK_KP_PLUS:
        return PLAT_KEY_KP_PLUS;
    case SDLK_KP_ENTER:
        return PLAT_KEY_KP_ENTER;
    case SDLK_KP_EQUALS:
        return PLAT_KEY_KP_EQUALS;
    case SDLK_LSHIFT:
        return PLAT_KEY_LEFT_SHIFT;
    case SDLK_RSHIFT:
        return PLAT_KEY_RIGHT_SHIFT;
    case SDLK_LCTRL:
        return PLAT_KEY_LEFT_CTRL;
    case SDLK_RCTRL:
        return PLAT_KEY_RIGHT_CTRL;
    case SDLK_LALT:
        return PLAT_KEY_LEFT_ALT;
    case SDLK_RALT:
        return PLAT_KEY_RIGHT_ALT;
    case SDLK_LGUI:
        return PLAT_KEY_LEFT_GUI;
    case SDLK_RGUI:
        return PLAT_KEY_RIGHT_GUI;
    case SDLK_CAPSLOCK:
        return PLAT_KEY_CAPS_LOCK;
    case SDLK_NUMLOCKCLEAR:
        return PLAT_KEY_NUM_LOCK;
    case SDLK_SCROLLLOCK:
        return PLAT_KEY_SCROLL_LOCK;
    case SDLK_PRINTSCREEN:
        return PLAT_KEY_PRINT_SCREEN;
    case SDLK_PAUSE:
        return PLAT_KEY_PAUSE;
    case SDLK_MENU:
        return PLAT_KEY_MENU;
    case SDLK_KP_0:
        return PLAT_KEY_KP_0;
    default:
        break;
    }
    if (sym >= SDLK_F1 && sym <= SDLK_F12) {
        return PLAT_KEY_F1 + (sym - SDLK_F1);
    }
    if (sym >= SDLK_F13 && sym <= SDLK_F24) {
        return PLAT_KEY_F1 + 12 + (sym - SDLK_F13);
    }
    if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) {
        return PLAT_KEY_KP_0 + 1 + (sym - SDLK_KP_1);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Game controllers

// Opens the pad at `device`; its id when it was newly opened, else -1.
int open_pad(int device)
{
    if (!SDL_IsGameController(device)) {
        return -1;
    }
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(device);
    for (SDL_GameController* pad : pads) {
        if (pad && SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad)) == id) {
            return -1;  // already open (added at start-up and announced again)
        }
    }
    for (SDL_GameController*& pad : pads) {
        if (!pad) {
            pad = SDL_GameControllerOpen(device);
            return pad ? id : -1;
        }
    }
    return -1;
}

void close_pad(SDL_JoystickID id)
{
    for (SDL_GameController*& pad : pads) {
        if (pad && SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad)) == id) {
            SDL_GameControllerClose(pad);
            pad = nullptr;
        }
    }
}

bool start_pads()
{
    if (pads_started) {
        return true;
    }
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        fprintf(stderr, "tailgate: no game controllers (%s)\n", SDL_GetError());
        return false;
    }
    pads_started = true;
    for (int device = 0; device < SDL_NumJoysticks(); ++device) {
        const int id = open_pad(device);
        if (id >= 0) {
            PlatEvent added;
            added.type = PLAT_EVENT_PAD_ADDED;
            added.pad = id;
            pending.push_back(added);
        }
    }
    return true;
}

void stop_pads()
{
    for (SDL_GameController*& pad : pads) {
        if (pad) {
            SDL_GameControllerClose(pad);
            pad = nullptr;
        }
    }
    if (pads_started) {
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        pads_started = false;
    }
}

// ---------------------------------------------------------------------------
// Events

// SDL's event as ours; false for events the core does not need.
bool translate(const SDL_Event& event, PlatEvent* out)
{
    *out = PlatEvent{};
    switch (event.type) {
    case SDL_QUIT:
        out->type = PLAT_EVENT_CLOSE;
        return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        out->type = event.type == SDL_KEYDOWN ? PLAT_EVENT_KEY_DOWN : PLAT_EVENT_KEY_UP;
        out->key = key_of_sdl(event.key.keysym.sym);
        out->scancode = event.key.keysym.scancode;
        out->repeat = event.key.repeat != 0;
        out->alt = (event.key.keysym.mod & KMOD_ALT) != 0;
        return out->scancode >= 0 && out->scancode < PLAT_SCANCODE_LIMIT;
    case SDL_CONTROLLERDEVICEADDED:
        out->type = PLAT_EVENT_PAD_ADDED;
        out->pad = open_pad(event.cdevice.which);
        return out->pad >= 0;
    case SDL_CONTROLLERDEVICEREMOVED:
        close_pad(event.cdevice.which);
        out->type = PLAT_EVENT_PAD_REMOVED;
        out->pad = event.cdevice.which;
        return true;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        // Our buttons are numbered as SDL's.
        out->type = event.type == SDL_CONTROLLERBUTTONDOWN ? PLAT_EVENT_PAD_BUTTON_DOWN : PLAT_EVENT_PAD_BUTTON_UP;
        out->pad = event.cbutton.which;
        out->button = event.cbutton.button;
        return out->button < PLAT_PAD_BUTTON_COUNT;
    case SDL_CONTROLLERAXISMOTION:
        out->type = PLAT_EVENT_PAD_AXIS;
        out->pad = event.caxis.which;
        out->axis = event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX   ? PLAT_PAD_AXIS_LEFT_X
                    : event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY ? PLAT_PAD_AXIS_LEFT_Y
                                                                    : PLAT_PAD_AXIS_OTHER;
        out->value = event.caxis.value;
        return out->axis != PLAT_PAD_AXIS_OTHER;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
            out->type = PLAT_EVENT_REPAINT;
            const int w = event.window.data1;
            const int h = event.window.data2;
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED && !is_full_screen() &&
                !(w == set_width && h == set_height) && w > 0 && h > 0) {
                shown_width = w;
                shown_height = h;
                PlatEvent resized;
                resized.type = PLAT_EVENT_RESIZED;
                resized.width = w;
                resized.height = h;
                pending.push_back(resized);
            }
            return true;
        }
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            out->type = PLAT_EVENT_FOCUS_LOST;
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool next_event(PlatEvent* out)
{
    if (!pending.empty()) {
        *out = pending.front();
        pending.pop_front();
        return true;
    }
    if (!video_started) {
        return false;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (translate(event, out)) {
            return true;
        }
    }
    return false;
}

void wait_for_event(int timeout_ms)
{
    if (pending.empty()) {
        SDL_WaitEventTimeout(nullptr, timeout_ms);
    }
}

// ---------------------------------------------------------------------------
// The window and its presentation

void set_icon_now()
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

void set_icon(const uint8_t* rgba, int side)
{
    icon_side = rgba && side > 0 ? side : 0;
    icon_rgba.assign(rgba, rgba + static_cast<size_t>(icon_side) * icon_side * 4);
    set_icon_now();
}

// The window's surface with our own scaling costs the least where there is
// no GPU. Measured under Xvfb in a 1280 x 960 window while driving, CPU a
// frame: OpenGL drawn by Mesa 7.9 ms, OpenGL ES 2 7.7 ms, SDL's software
// renderer 9.3 ms, the window's surface 2.2 ms (SDL's own framebuffer, not
// the one it draws through a renderer again). SDL's renderer is used when
// SDL_RENDER_DRIVER names one, or when the window has no surface.
bool presenter_is_renderer()
{
    const char* driver = getenv("SDL_RENDER_DRIVER");
    return driver && driver[0];
}

// The first accelerated renderer, in step with the display, else SDL's
// software one.
SDL_Renderer* make_renderer()
{
    const Uint32 vsync = request.vsync ? SDL_RENDERER_PRESENTVSYNC : 0;
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
    stop_pads();
    pending.clear();
    if (texture)
        SDL_DestroyTexture(texture);
    if (renderer)
        SDL_DestroyRenderer(renderer);
    if (window)
        SDL_DestroyWindow(window);
    texture = nullptr;
    renderer = nullptr;
    window = nullptr;
    use_surface = false;
    if (video_started) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        video_started = false;
    }
}

bool open_window(const PlatWindowRequest& asked)
{
    if (window) {
        return true;
    }
    request = asked;
    if (asked.icon_rgba && asked.icon_side > 0) {
        set_icon(asked.icon_rgba, asked.icon_side);
    }
    // The core catches SIGINT and SIGTERM itself.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint("SDL_VIDEO_X11_WMCLASS", WINDOW_CLASS);
    SDL_SetHint("SDL_VIDEO_WAYLAND_WMCLASS", WAYLAND_APP_ID);
    SDL_SetHint(SDL_HINT_APP_NAME, asked.title);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        window_error = SDL_GetError();
        return false;
    }
    video_started = true;
    // With no display SDL falls back to drivers that show nothing; a game
    // nobody can see is no game, unless someone asked for one of them.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* wanted = getenv("SDL_VIDEODRIVER");
    if (driver && (!wanted || !wanted[0]) && (!strcmp(driver, "offscreen") || !strcmp(driver, "dummy"))) {
        window_error = "no display (neither DISPLAY nor WAYLAND_DISPLAY is usable)";
        close_window();
        return false;
    }
    int w = 0;
    int h = 0;
    window_size(0, asked.windowed, &w, &h);
    set_width = w;
    set_height = h;
    if (asked.windowed) {
        window =
            SDL_CreateWindow(asked.title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h, SDL_WINDOW_RESIZABLE);
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
        window = SDL_CreateWindow(asked.title, 0, 0, w, h, SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_RESIZABLE);
    }
    if (window) {
        SDL_SetWindowMinimumSize(window, PLAT_SCREEN_W / 2, PLAT_SCREEN_H / 2);
        set_icon_now();
        // The system's own framebuffer (X11: shared memory), not one that SDL
        // draws through a renderer of its own again.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        use_surface = !presenter_is_renderer() && SDL_GetWindowSurface(window) != nullptr;
        if (!use_surface) {
            renderer = make_renderer();
        }
    }
    if (renderer) {
        // The picture keeps its 4:3 shape, with black bars as needed.
        SDL_RenderSetLogicalSize(renderer, PLAT_SCREEN_W, PLAT_SCREEN_H);
        SDL_RenderSetIntegerScale(renderer, asked.integer_scaling ? SDL_TRUE : SDL_FALSE);
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, PLAT_SCREEN_W,
                                    PLAT_SCREEN_H);
    }
    if (!use_surface && !texture) {
        window_error = SDL_GetError();
        close_window();
        return false;
    }
    SDL_ShowCursor(SDL_DISABLE);
    return true;
}

// Where the picture goes in a window of w x h: the largest 4:3 fit, or the
// largest whole multiple (at least 1), centred; as SDL's logical size puts it.
SDL_Rect picture_area(int w, int h)
{
    const float want_aspect = static_cast<float>(PLAT_SCREEN_W) / PLAT_SCREEN_H;
    const float real_aspect = static_cast<float>(w) / static_cast<float>(h);
    SDL_Rect area;
    if (request.integer_scaling) {
        int scale = want_aspect > real_aspect ? w / PLAT_SCREEN_W : h / PLAT_SCREEN_H;
        scale = std::max(scale, 1);
        area.w = PLAT_SCREEN_W * scale;
        area.h = PLAT_SCREEN_H * scale;
    } else if (want_aspect > real_aspect) {
        area.w = w;
        area.h = static_cast<int>(PLAT_SCREEN_H * (static_cast<float>(w) / PLAT_SCREEN_W));
    } else {
        area.h = h;
        area.w = static_cast<int>(PLAT_SCREEN_W * (static_cast<float>(h) / PLAT_SCREEN_H));
    }
    area.x = (w - area.w) / 2;
    area.y = (h - area.h) / 2;
    return area;
}

// The frame scaled by nearest neighbour into the window's surface, black
// around it. Rows that repeat a source row are copied from the one above.
void present_to_surface(const uint32_t* frame)
{
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (!surface || surface->w <= 0 || surface->h <= 0) {
        return;
    }
    const SDL_Rect area = picture_area(surface->w, surface->h);
    const SDL_PixelFormat* format = surface->format;
    const bool direct =
        format->BytesPerPixel == 4 && format->Rmask == 0xFF0000 && format->Gmask == 0xFF00 && format->Bmask == 0xFF;
    if (!direct) {
        // Some other pixel format: SDL converts and scales.
        SDL_Surface* source =
            SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(frame), PLAT_SCREEN_W, PLAT_SCREEN_H, 32,
                                               PLAT_SCREEN_W * 4, SDL_PIXELFORMAT_XRGB8888);
        if (source) {
            SDL_FillRect(surface, nullptr, SDL_MapRGB(format, 0, 0, 0));
            SDL_Rect target = area;
            SDL_BlitScaled(source, nullptr, surface, &target);
            SDL_FreeSurface(source);
        }
        SDL_UpdateWindowSurface(window);
        return;
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
        return;
    }
    // Each column's and row's source, sampled at the target pixel's centre.
    static std::vector<int> column_of;
    column_of.resize(static_cast<size_t>(std::max(area.w, 0)));
    for (int x = 0; x < area.w; ++x) {
        column_of[x] = static_cast<int>((static_cast<int64_t>(2 * x + 1) * PLAT_SCREEN_W) / (2 * area.w));
    }
    auto* pixels = static_cast<uint8_t*>(surface->pixels);
    const int pitch = surface->pitch;
    const int visible_top = std::max(area.y, 0);
    const int visible_bottom = std::min(area.y + area.h, surface->h);
    const int left = std::max(area.x, 0);
    const int right = std::min(area.x + area.w, surface->w);
    // The bars.
    for (int y = 0; y < surface->h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(pixels + static_cast<size_t>(y) * pitch);
        if (y < visible_top || y >= visible_bottom) {
            std::fill(row, row + surface->w, 0u);
        } else {
            std::fill(row, row + left, 0u);
            std::fill(row + right, row + surface->w, 0u);
        }
    }
    int last_source = -1;
    uint32_t* last_row = nullptr;
    for (int y = visible_top; y < visible_bottom; ++y) {
        const int source_y =
            static_cast<int>((static_cast<int64_t>(2 * (y - area.y) + 1) * PLAT_SCREEN_H) / (2 * area.h));
        auto* row = reinterpret_cast<uint32_t*>(pixels + static_cast<size_t>(y) * pitch);
        if (source_y == last_source) {
            memcpy(row + left, last_row + left, static_cast<size_t>(right - left) * 4);
            continue;
        }
        const uint32_t* source = frame + static_cast<size_t>(source_y) * PLAT_SCREEN_W;
        for (int x = left; x < right; ++x) {
            row[x] = source[column_of[x - area.x]];
        }
        last_source = source_y;
        last_row = row;
    }
    if (SDL_MUSTLOCK(surface)) {
        SDL_UnlockSurface(surface);
    }
    SDL_UpdateWindowSurface(window);
}

void present(const uint32_t* frame)
{
    if (use_surface) {
        present_to_surface(frame);
        return;
    }
    if (!texture) {
        return;
    }
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture, nullptr, &pixels, &pitch) != 0) {
        return;
    }
    for (int y = 0; y < PLAT_SCREEN_H; y++) {
        memcpy(static_cast<uint8_t*>(pixels) + static_cast<size_t>(y) * pitch, frame + y * PLAT_SCREEN_W,
               PLAT_SCREEN_W * 4);
    }
    SDL_UnlockTexture(texture);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
}

const char* get_window_error()
{
    return window_error;
}

bool window_state(int* width, int* height, bool* full_screen)
{
    if (!window) {
        return false;
    }
    SDL_GetWindowSize(window, width, height);
    *full_screen = is_full_screen();
    return true;
}

uint32_t ticks()
{
    return SDL_GetTicks();
}

void set_presentation(bool integer_scaling, bool vsync)
{
    request.integer_scaling = integer_scaling;
    request.vsync = vsync;
    if (renderer) {
        SDL_RenderSetIntegerScale(renderer, integer_scaling ? SDL_TRUE : SDL_FALSE);
        SDL_RenderSetVSync(renderer, vsync ? 1 : 0);
    }
}

void sleep_ms(uint32_t ms)
{
    SDL_Delay(ms);
}

}  // namespace

const PlatBackend PLAT_SYSTEM_BACKEND = {
    .name = "sdl",
    .open_window = open_window,
    .close_window = close_window,
    .window_error = get_window_error,
    .set_icon = set_icon,
    .window_state = window_state,
    .set_full_screen = set_full_screen,
    .set_presentation = set_presentation,
    .present = present,
    .next_event = next_event,
    .wait_for_event = wait_for_event,
    .start_pads = start_pads,
    .stop_pads = stop_pads,
    .ticks = ticks,
    .sleep = sleep_ms,
};
