// The browser's window onto the game: a canvas on the page, fed with the
// core's frames and scaled by the page at 4:3; keys, focus, pads and the
// page's size come in through the module's script (web/module.js), which
// queues them as our own events. Waiting gives the page control back
// (emscripten_sleep, under Asyncify), so the page stays alive while the game
// paces its passes.
#include <emscripten.h>

#include <algorithm>
#include <cstdint>

#include "platform/backend.h"
#include "platform/platform.h"

namespace {

// What the script's queue holds for one event, in this order.
enum EventField {
    F_TYPE,
    F_KEY,
    F_SCANCODE,
    F_REPEAT,
    F_ALT,
    F_PAD,
    F_BUTTON,
    F_AXIS,
    F_VALUE,
    F_COUNT
};

bool window_open = false;

}  // namespace

// clang-format off
EM_JS(int, web_open_window, (int full_screen, int integer_scaling), {
    return Module.tg.openWindow(full_screen != 0, integer_scaling != 0);
});
EM_JS(void, web_close_window, (), { Module.tg.closeWindow(); });
EM_JS(void, web_set_icon, (const uint8_t* rgba, int side), { Module.tg.setIcon(rgba, side); });
EM_JS(int, web_window_state, (int* out), { return Module.tg.windowState(out); });
EM_JS(void, web_set_full_screen, (int on), { Module.tg.setFullScreen(on != 0); });
EM_JS(void, web_present, (const uint32_t* frame, int width, int height), {
    Module.tg.present(frame, width, height);
});
EM_JS(int, web_next_event, (int* out), { return Module.tg.nextEvent(out); });
EM_JS(int, web_events_waiting, (), { return Module.tg.eventsWaiting(); });
EM_JS(int, web_start_pads, (), { return Module.tg.startPads(); });
EM_JS(void, web_stop_pads, (), { Module.tg.stopPads(); });
// clang-format on

namespace {

bool open_window(const PlatWindowRequest& request)
{
    if (window_open) {
        return true;
    }
    window_open = web_open_window(request.windowed ? 0 : 1, request.integer_scaling ? 1 : 0) != 0;
    if (window_open && request.icon_rgba) {
        web_set_icon(request.icon_rgba, request.icon_side);
    }
    return window_open;
}

void close_window()
{
    if (window_open) {
        web_stop_pads();
        web_close_window();
        window_open = false;
    }
}

const char* window_error()
{
    return window_open ? "" : "the page has no canvas for the game";
}

void set_icon(const uint8_t* rgba, int side)
{
    if (rgba && side > 0) {
        web_set_icon(rgba, side);
    }
}

bool window_state(int* width, int* height, bool* full_screen)
{
    if (!window_open) {
        return false;
    }
    int state[3] = {0, 0, 0};
    web_window_state(state);
    *width = state[0];
    *height = state[1];
    *full_screen = state[2] != 0;
    return true;
}

void set_full_screen(bool on)
{
    if (window_open) {
        web_set_full_screen(on ? 1 : 0);
    }
}

EM_JS(void, web_set_scaling, (int integer_scaling), { Module.tg.setScaling(integer_scaling != 0); });

// The page scales the canvas itself, and the browser shows it in step with
// the display whatever vsync says.
void set_presentation(bool integer_scaling, bool)
{
    if (window_open) {
        web_set_scaling(integer_scaling ? 1 : 0);
    }
}

void present(const uint32_t* frame)
{
    if (window_open) {
        web_present(frame, PLAT_SCREEN_W, PLAT_SCREEN_H);
    }
}

bool next_event(PlatEvent* out)
{
    int fields[F_COUNT] = {};
    if (!web_next_event(fields)) {
        return false;
    }
    *out = PlatEvent{};
    out->type = static_cast<PlatEventType>(fields[F_TYPE]);
    out->key = fields[F_KEY];
    out->scancode = std::clamp(fields[F_SCANCODE], 0, PLAT_SCANCODE_LIMIT - 1);
    out->repeat = fields[F_REPEAT] != 0;
    out->alt = fields[F_ALT] != 0;
    out->pad = fields[F_PAD];
    out->button = fields[F_BUTTON];
    out->axis = fields[F_AXIS];
    out->value = fields[F_VALUE];
    if (out->type == PLAT_EVENT_RESIZED) {
        out->width = fields[F_BUTTON];
        out->height = fields[F_AXIS];
    }
    return true;
}

uint32_t ticks()
{
    return static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now()));
}

void sleep_ms(uint32_t ms)
{
    emscripten_sleep(ms);
}

void wait_for_event(int timeout_ms)
{
    // In slices, so that an event ends the wait soon after it came.
    const uint32_t start = ticks();
    while (!web_events_waiting()) {
        const int left = timeout_ms - static_cast<int>(ticks() - start);
        if (left <= 0) {
            break;
        }
        emscripten_sleep(static_cast<unsigned>(std::min(left, 10)));
    }
}

bool start_pads()
{
    return web_start_pads() != 0;
}

void stop_pads()
{
    web_stop_pads();
}

}  // namespace

const PlatBackend PLAT_SYSTEM_BACKEND = {
    .name = "web",
    .open_window = open_window,
    .close_window = close_window,
    .window_error = window_error,
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
