// Windows' window: a Win32 window that shows the core's frames with
// StretchDIBits, letterboxed at 4:3 (fitted, or whole multiples), full
// screen as a borderless window over the monitor (Alt+Enter), keys from
// WM_KEYDOWN/WM_KEYUP in our own codes, XInput pads and the real clock
// (PLAT_SYSTEM_BACKEND, platform/backend.h).
//
// Our headers come before <windows.h>: platform.h's key and message names
// are the system's macros too (with the same values).
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/keys.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "platform/win32/xinput_pad.h"

#include <windows.h>

#include <mmsystem.h>
#include <xinput.h>

namespace {

constexpr const wchar_t* WINDOW_CLASS = L"Tailgate";
constexpr DWORD WINDOWED_STYLE = WS_OVERLAPPEDWINDOW;
constexpr DWORD FULL_SCREEN_STYLE = WS_POPUP;

PlatWindowRequest request;
HWND window = nullptr;
bool class_made = false;
const char* window_error = "";
std::string window_error_text;
bool full_screen = false;
bool clock_fine = false;

// The last frame, kept to repaint the window by itself.
std::vector<uint32_t> frame_copy;
BITMAPINFO frame_info;

std::vector<uint8_t> icon_rgba;
int icon_side = 0;
HICON icon_big = nullptr;
HICON icon_small = nullptr;

// The client size the game last gave the window (another one is the
// player's doing) and the one the player left it at.
int set_width = 0;
int set_height = 0;
int shown_width = 0;
int shown_height = 0;

std::deque<PlatEvent> pending;

void push(const PlatEvent& event)
{
    pending.push_back(event);
}

void push_type(PlatEventType type)
{
    PlatEvent event;
    event.type = type;
    push(event);
}

// ---------------------------------------------------------------------------
// Sizes

// The desktop's work area (without the task bar), less a title bar's room.
bool usable_area(int* width, int* height)
{
    RECT area;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0) || area.right <= area.left) {
        return false;
    }
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, WINDOWED_STYLE, FALSE, 0);
    *width = (area.right - area.left) - (frame.right - frame.left);
    *height = (area.bottom - area.top) - (frame.bottom - frame.top);
    return *width > 0 && *height > 0;
}

// The window's client size: the player's, else the largest whole multiple
// of the picture up to the asked scale, no larger than the desktop.
void window_size(bool report, int* width, int* height)
{
    int room_w = 0;
    int room_h = 0;
    const bool known = usable_area(&room_w, &room_h);
    if (request.width > 0 && request.height > 0) {
        *width = request.width;
        *height = request.height;
        if (known && (request.width > room_w || request.height > room_h)) {
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
    int scale = std::max(1, request.scale);
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

// Gives the window a client area of w x h, centred on the work area.
void place_window(int w, int h)
{
    RECT rect = {0, 0, w, h};
    AdjustWindowRectEx(&rect, WINDOWED_STYLE, FALSE, 0);
    const int outer_w = rect.right - rect.left;
    const int outer_h = rect.bottom - rect.top;
    RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int x = static_cast<int>(area.left) + std::max(0, static_cast<int>((area.right - area.left) - outer_w) / 2);
    const int y = static_cast<int>(area.top) + std::max(0, static_cast<int>((area.bottom - area.top) - outer_h) / 2);
    set_width = w;
    set_height = h;
    SetWindowPos(window, HWND_NOTOPMOST, x, y, outer_w, outer_h, SWP_FRAMECHANGED | SWP_NOACTIVATE);
}

RECT monitor_rect()
{
    MONITORINFO info;
    info.cbSize = sizeof info;
    if (window && GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info)) {
        return info.rcMonitor;
    }
    RECT whole = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return whole;
}

// GDI stretches each frame itself, with the request as it stands.
void set_presentation(bool integer_scaling, bool vsync)
{
    request.integer_scaling = integer_scaling;
    request.vsync = vsync;
    if (window) {
        InvalidateRect(window, nullptr, FALSE);
    }
}

void set_full_screen(bool on)
{
    if (!window || on == full_screen) {
        return;
    }
    full_screen = on;
    if (on) {
        const RECT whole = monitor_rect();
        SetWindowLongPtrW(window, GWL_STYLE, FULL_SCREEN_STYLE | WS_VISIBLE);
        set_width = whole.right - whole.left;
        set_height = whole.bottom - whole.top;
        SetWindowPos(window, HWND_TOP, whole.left, whole.top, set_width, set_height, SWP_FRAMECHANGED);
    } else {
        SetWindowLongPtrW(window, GWL_STYLE, WINDOWED_STYLE | WS_VISIBLE);
        int w = shown_width;
        int h = shown_height;
        if (w <= 0 || h <= 0) {
            window_size(false, &w, &h);
        }
        place_window(w, h);
    }
    InvalidateRect(window, nullptr, FALSE);
    push_type(PLAT_EVENT_REPAINT);
}

// ---------------------------------------------------------------------------
// Presentation

// Where the picture goes in a client area of w x h.
RECT picture_rect(int w, int h)
{
    int pw = w;
    int ph = h;
    int scale = std::min(w / PLAT_SCREEN_W, h / PLAT_SCREEN_H);
    if (request.integer_scaling && scale >= 1) {
        pw = PLAT_SCREEN_W * scale;
        ph = PLAT_SCREEN_H * scale;
    } else if (static_cast<long long>(w) * PLAT_SCREEN_H > static_cast<long long>(h) * PLAT_SCREEN_W) {
        pw = static_cast<int>(static_cast<long long>(h) * PLAT_SCREEN_W / PLAT_SCREEN_H);
    } else {
        ph = static_cast<int>(static_cast<long long>(w) * PLAT_SCREEN_H / PLAT_SCREEN_W);
    }
    RECT rect;
    rect.left = (w - pw) / 2;
    rect.top = (h - ph) / 2;
    rect.right = rect.left + pw;
    rect.bottom = rect.top + ph;
    return rect;
}

void draw(HDC dc)
{
    RECT client;
    GetClientRect(window, &client);
    const int w = client.right;
    const int h = client.bottom;
    if (w <= 0 || h <= 0) {
        return;
    }
    const RECT picture = picture_rect(w, h);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    const RECT bars[4] = {{0, 0, w, picture.top},
                          {0, picture.bottom, w, h},
                          {0, picture.top, picture.left, picture.bottom},
                          {picture.right, picture.top, w, picture.bottom}};
    for (const RECT& bar : bars) {
        if (bar.right > bar.left && bar.bottom > bar.top) {
            FillRect(dc, &bar, black);
        }
    }
    if (frame_copy.empty()) {
        FillRect(dc, &picture, black);
        return;
    }
    SetStretchBltMode(dc, COLORONCOLOR);  // nearest neighbour
    StretchDIBits(dc, picture.left, picture.top, picture.right - picture.left, picture.bottom - picture.top, 0, 0,
                  PLAT_SCREEN_W, PLAT_SCREEN_H, frame_copy.data(), &frame_info, DIB_RGB_COLORS, SRCCOPY);
}

void present(const uint32_t* frame)
{
    if (!window) {
        return;
    }
    // 0x00RRGGBB words are a 32-bit DIB's blue, green, red, unused bytes.
    frame_copy.assign(frame, frame + static_cast<size_t>(PLAT_SCREEN_W) * PLAT_SCREEN_H);
    HDC dc = GetDC(window);
    if (dc) {
        draw(dc);
        ReleaseDC(window, dc);
    }
    if (request.vsync) {
        GdiFlush();
    }
}

// ---------------------------------------------------------------------------
// The icon

HICON make_icon(int size)
{
    if (icon_side <= 0) {
        return nullptr;
    }
    BITMAPV5HEADER header = {};
    header.bV5Size = sizeof header;
    header.bV5Width = size;
    header.bV5Height = -size;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP colour =
        CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!colour) {
        return nullptr;
    }
    uint8_t* out = static_cast<uint8_t*>(bits);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int sx = x * icon_side / size;
            const int sy = y * icon_side / size;
            const uint8_t* in = &icon_rgba[(static_cast<size_t>(sy) * icon_side + sx) * 4];
            uint8_t* px = out + (static_cast<size_t>(y) * size + x) * 4;
            px[0] = in[2];
            px[1] = in[1];
            px[2] = in[0];
            px[3] = in[3];
        }
    }
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    ICONINFO info = {};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = colour;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(mask);
    return icon;
}

void set_icon_now()
{
    if (!window || icon_side <= 0) {
        return;
    }
    HICON big = make_icon(GetSystemMetrics(SM_CXICON));
    HICON small = make_icon(GetSystemMetrics(SM_CXSMICON));
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    if (icon_big) {
        DestroyIcon(icon_big);
    }
    if (icon_small) {
        DestroyIcon(icon_small);
    }
    icon_big = big;
    icon_small = small;
}

void set_icon(const uint8_t* rgba, int side)
{
    icon_side = rgba && side > 0 ? side : 0;
    icon_rgba.assign(rgba, rgba + static_cast<size_t>(icon_side) * icon_side * 4);
    set_icon_now();
}

// ---------------------------------------------------------------------------
// Keys

// Our code of a virtual key; `extended`: the key's scan code has the E0
// prefix (the right Ctrl and Alt, the keypad's Enter, the arrow block).
int key_of_vk(WPARAM vk, int scan, bool extended)
{
    if (vk >= 'A' && vk <= 'Z') {
        return static_cast<int>(vk - 'A' + 'a');  // letters follow the layout's virtual keys
    }
    if (vk >= '0' && vk <= '9') {
        return static_cast<int>(vk);
    }
    if (vk >= VK_F1 && vk <= VK_F24) {
        return PLAT_KEY_F1 + static_cast<int>(vk - VK_F1);
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) {
        return PLAT_KEY_KP_0 + static_cast<int>(vk - VK_NUMPAD0);
    }
    switch (vk) {
    case VK_BACK:
        return PLAT_KEY_BACKSPACE;
    case VK_TAB:
        return PLAT_KEY_TAB;
    case VK_RETURN:
        return extended ? PLAT_KEY_KP_ENTER : PLAT_KEY_RETURN;
    case VK_ESCAPE:
        return PLAT_KEY_ESCAPE;
    case VK_SPACE:
        return PLAT_KEY_SPACE;
    case VK_DELETE:
        return PLAT_KEY_DELETE;
    case VK_UP:
        return PLAT_KEY_UP;
    case VK_DOWN:
        return PLAT_KEY_DOWN;
    case VK_LEFT:
        return PLAT_KEY_LEFT;
    case VK_RIGHT:
        return PLAT_KEY_RIGHT;
    case VK_INSERT:
        return PLAT_KEY_INSERT;
    case VK_HOME:
        return PLAT_KEY_HOME;
    case VK_END:
        return PLAT_KEY_END;
    case VK_PRIOR:
        return PLAT_KEY_PAGE_UP;
    case VK_NEXT:
        return PLAT_KEY_PAGE_DOWN;
    case VK_DECIMAL:
        return PLAT_KEY_KP_PERIOD;
    case VK_DIVIDE:
        return PLAT_KEY_KP_DIVIDE;
    case VK_MULTIPLY:
        return PLAT_KEY_KP_MULTIPLY;
    case VK_SUBTRACT:
        return PLAT_KEY_KP_MINUS;
    case VK_ADD:
        return PLAT_KEY_KP_PLUS;
    case VK_SHIFT:
        return MapVirtualKeyW(static_cast<UINT>(scan), MAPVK_VSC_TO_VK_EX) == VK_RSHIFT ? PLAT_KEY_RIGHT_SHIFT
                                                                                        : PLAT_KEY_LEFT_SHIFT;
    case VK_CONTROL:
        return extended ? PLAT_KEY_RIGHT_CTRL : PLAT_KEY_LEFT_CTRL;
    case VK_MENU:
        return extended ? PLAT_KEY_RIGHT_ALT : PLAT_KEY_LEFT_ALT;
    case VK_LWIN:
        return PLAT_KEY_LEFT_GUI;
    case VK_RWIN:
        return PLAT_KEY_RIGHT_GUI;
    case VK_CAPITAL:
        return PLAT_KEY_CAPS_LOCK;
    case VK_NUMLOCK:
        return PLAT_KEY_NUM_LOCK;
    case VK_SCROLL:
        return PLAT_KEY_SCROLL_LOCK;
    case VK_SNAPSHOT:
        return PLAT_KEY_PRINT_SCREEN;
    case VK_PAUSE:
        return PLAT_KEY_PAUSE;
    case VK_APPS:
        return PLAT_KEY_MENU;
    default:
        break;
    }
    // Punctuation: the character the key types on this layout, unshifted.
    const UINT ch = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_CHAR) & 0x7FFFFFFF;
    if (ch > 0x20 && ch != 0x7F) {
        wchar_t text[2] = {static_cast<wchar_t>(ch), 0};
        CharLowerW(text);
        return text[0];
    }
    return 0;
}

void key_event(bool down, WPARAM vk, LPARAM lp)
{
    const int scan = static_cast<int>((lp >> 16) & 0xFF);
    const bool extended = (lp & (1 << 24)) != 0;
    PlatEvent event;
    event.type = down ? PLAT_EVENT_KEY_DOWN : PLAT_EVENT_KEY_UP;
    event.key = key_of_vk(vk, scan, extended);
    event.scancode = scan | (extended ? 0x100 : 0);
    if (event.scancode == 0) {
        event.scancode = 0x200 - 1 - static_cast<int>(vk & 0xFF) % 0x100;  // a key without a scan code (injected)
    }
    event.repeat = down && (lp & (1 << 30)) != 0;
    event.alt = (lp & (1 << 29)) != 0 || GetKeyState(VK_MENU) < 0;
    push(event);
}

// ---------------------------------------------------------------------------
// Game controllers through XInput (loaded when pads are asked for)

using XInputGetStateFn = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);
HMODULE xinput = nullptr;
XInputGetStateFn xinput_get_state = nullptr;
bool pads_started = false;
bool pad_connected[XUSER_MAX_COUNT];
XInputPad pad_last[XUSER_MAX_COUNT];
DWORD last_poll = 0;
DWORD last_search = 0;

// Our copy of the pad's state is XInput's own.
static_assert(sizeof(XInputPad) == sizeof(XINPUT_GAMEPAD));
static_assert(offsetof(XInputPad, left_x) == offsetof(XINPUT_GAMEPAD, sThumbLX));
static_assert(offsetof(XInputPad, left_y) == offsetof(XINPUT_GAMEPAD, sThumbLY));
static_assert(XINPUT_BIT_A == XINPUT_GAMEPAD_A && XINPUT_BIT_B == XINPUT_GAMEPAD_B &&
              XINPUT_BIT_X == XINPUT_GAMEPAD_X && XINPUT_BIT_Y == XINPUT_GAMEPAD_Y &&
              XINPUT_BIT_START == XINPUT_GAMEPAD_START && XINPUT_BIT_BACK == XINPUT_GAMEPAD_BACK &&
              XINPUT_BIT_DPAD_UP == XINPUT_GAMEPAD_DPAD_UP && XINPUT_BIT_DPAD_DOWN == XINPUT_GAMEPAD_DPAD_DOWN &&
              XINPUT_BIT_DPAD_LEFT == XINPUT_GAMEPAD_DPAD_LEFT && XINPUT_BIT_DPAD_RIGHT == XINPUT_GAMEPAD_DPAD_RIGHT &&
              XINPUT_BIT_LEFT_THUMB == XINPUT_GAMEPAD_LEFT_THUMB &&
              XINPUT_BIT_RIGHT_THUMB == XINPUT_GAMEPAD_RIGHT_THUMB &&
              XINPUT_BIT_LEFT_SHOULDER == XINPUT_GAMEPAD_LEFT_SHOULDER &&
              XINPUT_BIT_RIGHT_SHOULDER == XINPUT_GAMEPAD_RIGHT_SHOULDER);

// Pads plugged in are polled every few milliseconds; the empty slots only
// now and then, since asking XInput about a pad that is not there is slow.
constexpr DWORD POLL_MS = 8;
constexpr DWORD SEARCH_MS = 1000;

void poll_pads()
{
    if (!pads_started || !xinput_get_state) {
        return;
    }
    const DWORD now = GetTickCount();
    if (now - last_poll < POLL_MS) {
        return;
    }
    last_poll = now;
    const bool search = now - last_search >= SEARCH_MS;
    if (search) {
        last_search = now;
    }
    std::vector<PlatEvent> changes;
    for (DWORD pad = 0; pad < XUSER_MAX_COUNT; ++pad) {
        if (!pad_connected[pad] && !search) {
            continue;
        }
        XINPUT_STATE state = {};
        const bool connected = xinput_get_state(pad, &state) == ERROR_SUCCESS;
        if (connected != pad_connected[pad]) {
            pad_connected[pad] = connected;
            PlatEvent event;
            event.pad = static_cast<int>(pad);
            event.type = connected ? PLAT_EVENT_PAD_ADDED : PLAT_EVENT_PAD_REMOVED;
            push(event);
            pad_last[pad] = XInputPad{};
        }
        if (!connected) {
            continue;
        }
        XInputPad now_pad;
        std::memcpy(&now_pad, &state.Gamepad, sizeof now_pad);
        changes.clear();
        xinput_pad_changes(static_cast<int>(pad), pad_last[pad], now_pad, &changes);
        for (const PlatEvent& change : changes) {
            push(change);
        }
        pad_last[pad] = now_pad;
    }
}

bool start_pads()
{
    if (pads_started) {
        return true;
    }
    for (const wchar_t* name : {L"xinput1_4.dll", L"xinput1_3.dll", L"xinput9_1_0.dll"}) {
        if (xinput) {
            break;
        }
        xinput = LoadLibraryW(name);
    }
    if (xinput) {
        xinput_get_state =
            reinterpret_cast<XInputGetStateFn>(reinterpret_cast<void*>(GetProcAddress(xinput, "XInputGetState")));
    }
    if (!xinput_get_state) {
        if (xinput) {
            FreeLibrary(xinput);
            xinput = nullptr;
        }
        fprintf(stderr, "tailgate: no game controllers (XInput is not available)\n");
        return false;
    }
    pads_started = true;
    last_poll = GetTickCount() - SEARCH_MS;
    last_search = last_poll;
    poll_pads();
    return true;
}

// XInput stays loaded once it was: it watches for devices on a thread of
// its own, which may still be running when the library is let go.
void stop_pads()
{
    pads_started = false;
    for (bool& connected : pad_connected) {
        connected = false;
    }
    xinput_get_state = nullptr;
}

// ---------------------------------------------------------------------------
// The window's messages

LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp)
{
    switch (message) {
    case WM_CLOSE:
        push_type(PLAT_EVENT_CLOSE);  // the game decides; the window stays until it is closed
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (message == WM_SYSKEYDOWN && wp == VK_F4) {
            break;  // Alt+F4: the system's close, which arrives as WM_CLOSE
        }
        key_event(true, wp, lp);
        return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        key_event(false, wp, lp);
        return 0;
    case WM_SYSCHAR:
    case WM_CHAR:
        return 0;  // no menu to open with Alt, no beep
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_KEYMENU) {
            return 0;
        }
        break;
    case WM_KILLFOCUS:
        push_type(PLAT_EVENT_FOCUS_LOST);
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT) {
            SetCursor(nullptr);
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        if (window) {
            draw(dc);
        }
        EndPaint(hwnd, &paint);
        push_type(PLAT_EVENT_REPAINT);
        return 0;
    }
    case WM_SIZE: {
        const int w = LOWORD(lp);
        const int h = HIWORD(lp);
        if (window && wp != SIZE_MINIMIZED && w > 0 && h > 0) {
            push_type(PLAT_EVENT_REPAINT);
            if (!full_screen && !(w == set_width && h == set_height)) {
                shown_width = w;
                shown_height = h;
                set_width = w;
                set_height = h;
                PlatEvent resized;
                resized.type = PLAT_EVENT_RESIZED;
                resized.width = w;
                resized.height = h;
                push(resized);
            }
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    }
    case WM_GETMINMAXINFO: {
        RECT rect = {0, 0, PLAT_SCREEN_W / 2, PLAT_SCREEN_H / 2};
        AdjustWindowRectEx(&rect, WINDOWED_STYLE, FALSE, 0);
        MINMAXINFO* info =
            reinterpret_cast<MINMAXINFO*>(lp);  // NOLINT(performance-no-int-to-ptr): the message's pointer
        info->ptMinTrackSize.x = rect.right - rect.left;
        info->ptMinTrackSize.y = rect.bottom - rect.top;
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wp, lp);
}

void pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            push_type(PLAT_EVENT_CLOSE);
            continue;
        }
        DispatchMessageW(&msg);
    }
}

bool next_event(PlatEvent* out)
{
    if (pending.empty()) {
        pump();
        poll_pads();
    }
    if (pending.empty()) {
        return false;
    }
    *out = pending.front();
    pending.pop_front();
    return true;
}

void wait_for_event(int timeout_ms)
{
    if (!pending.empty()) {
        return;
    }
    // Pads are polled: wake up often enough to see them.
    const DWORD wait = pads_started ? static_cast<DWORD>(std::min(timeout_ms, 16)) : static_cast<DWORD>(timeout_ms);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
}

// ---------------------------------------------------------------------------
// The window

void close_window()
{
    stop_pads();
    pending.clear();
    if (window) {
        HWND closing = window;
        window = nullptr;
        DestroyWindow(closing);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
    }
    full_screen = false;
    frame_copy.clear();
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
    SetProcessDPIAware();  // pixels are pixels: the system does not stretch the window
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!class_made) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
        wc.lpfnWndProc = window_proc;
        wc.hInstance = instance;
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        wc.hCursor = nullptr;
        wc.hbrBackground = nullptr;
        wc.lpszClassName = WINDOW_CLASS;
        if (!RegisterClassExW(&wc)) {
            window_error_text = "cannot make a window (" + win32_error_text(GetLastError()) + ")";
            window_error = window_error_text.c_str();
            return false;
        }
        class_made = true;
    }
    std::memset(&frame_info, 0, sizeof frame_info);
    frame_info.bmiHeader.biSize = sizeof frame_info.bmiHeader;
    frame_info.bmiHeader.biWidth = PLAT_SCREEN_W;
    frame_info.bmiHeader.biHeight = -PLAT_SCREEN_H;  // top row first
    frame_info.bmiHeader.biPlanes = 1;
    frame_info.bmiHeader.biBitCount = 32;
    frame_info.bmiHeader.biCompression = BI_RGB;
    int w = 0;
    int h = 0;
    window_size(asked.windowed, &w, &h);
    const std::wstring title = win32_wide(asked.title ? asked.title : "Tailgate");
    window = CreateWindowExW(0, WINDOW_CLASS, title.c_str(), WINDOWED_STYLE, CW_USEDEFAULT, CW_USEDEFAULT, w, h,
                             nullptr, nullptr, instance, nullptr);
    if (!window) {
        window_error_text = "cannot make a window (" + win32_error_text(GetLastError()) + ")";
        window_error = window_error_text.c_str();
        return false;
    }
    set_icon_now();
    if (asked.windowed) {
        place_window(w, h);
    } else {
        full_screen = false;
        set_full_screen(true);
    }
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    UpdateWindow(window);
    return true;
}

const char* get_window_error()
{
    return window_error;
}

bool window_state(int* width, int* height, bool* full)
{
    if (!window) {
        return false;
    }
    RECT client;
    GetClientRect(window, &client);
    *width = client.right;
    *height = client.bottom;
    *full = full_screen;
    return true;
}

// ---------------------------------------------------------------------------
// The real clock, at a millisecond's grain

void fine_clock()
{
    if (!clock_fine) {
        timeBeginPeriod(1);
        clock_fine = true;
    }
}

uint32_t ticks()
{
    fine_clock();
    return timeGetTime();
}

void sleep_ms(uint32_t ms)
{
    fine_clock();
    Sleep(ms);
}

}  // namespace

const PlatBackend PLAT_SYSTEM_BACKEND = {
    .name = "win32",
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
