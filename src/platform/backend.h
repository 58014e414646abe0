// A system's window onto the game: one table of functions with named fields,
// one table per system (src/platform/sdl/ for the desktops, web/ for the
// browser, win32/ for Windows), the one the build picked linked in as
// PLAT_SYSTEM_BACKEND.
//
// The backend is thin on purpose. What the game shows and how keys become the
// game's keys is decided by the portable core once for every system: the
// core composes each picture (the game's 8-bit screen through its palette,
// dimmed under "PAUSED" and its hint line while paused) into a 640 x 480
// frame of 0x00RRGGBB words and hands the backend only frames that changed
// (or when the backend asked for a repaint); it binds keys to actions from
// the settings, latches quick taps, forgets held keys, holds the clock while
// paused, feeds recordings and replays, and remembers the window's size and
// full-screen choice in the settings file. The backend makes the window,
// scales frames into it, and reports what happened as PlatEvents in our own
// codes (platform/keys.h).
//
// Headless runs use no backend at all: no window, no events, no real clock.
//
// Every field must be set (no null pointers); a backend that has no pads
// returns false from start_pads and never reports a pad event.
#pragma once

#include <cstdint>

#include "platform/keys.h"

// What the settings and the command line ask of the window.
struct PlatWindowRequest {
    bool windowed = true;          // false: full screen at the desktop's size
    int scale = 2;                 // a whole multiple of the picture, at most (shrunk to fit the desktop)
    bool scale_chosen = false;     // the player chose `scale`: say so in one line when it had to shrink
    int width = 0;                 // a size the player gave, in pixels (0 x 0: by `scale`); kept at its shape
    int height = 0;                //   when the desktop is smaller, with one line on stderr
    bool integer_scaling = false;  // whole multiples of the picture only, instead of the largest 4:3 fit
    bool vsync = true;             // wait for the display's refresh when showing a frame, if it can
    const char* title = "Tailgate";
    // The game's icon: side x side RGBA bytes, top row first (null: none).
    const uint8_t* icon_rgba = nullptr;
    int icon_side = 0;
};

// What the backend reports, in the order it happened.
enum PlatEventType {
    PLAT_EVENT_NONE,
    PLAT_EVENT_CLOSE,            // the window's close button (or the system asked the game to end)
    PLAT_EVENT_KEY_DOWN,         // key, scancode, repeat, alt
    PLAT_EVENT_KEY_UP,           // key, scancode
    PLAT_EVENT_FOCUS_LOST,       // the window lost the keyboard (the core pauses)
    PLAT_EVENT_REPAINT,          // the window's picture was lost (exposed, resized, made): present the next frame
                                 //   even when it did not change
    PLAT_EVENT_RESIZED,          // the player gave the window a new size (width, height), not full screen; sizes
                                 //   the game set itself are not reported
    PLAT_EVENT_PAD_ADDED,        // a game controller was plugged in and opened (pad)
    PLAT_EVENT_PAD_REMOVED,      // ...and unplugged (pad): whatever it held is let go
    PLAT_EVENT_PAD_BUTTON_DOWN,  // pad, button (PlatPadButton)
    PLAT_EVENT_PAD_BUTTON_UP,    // pad, button
    PLAT_EVENT_PAD_AXIS,         // pad, axis (PlatPadAxis), value (-32768 .. 32767)
};

struct PlatEvent {
    PlatEventType type = PLAT_EVENT_NONE;
    int key = 0;          // PlatKey: what the key's label says on the current layout (0: a key we have no code for)
    int scancode = 0;     // the physical key, any stable number below PLAT_SCANCODE_LIMIT, so that a key's release
                          //   finds its press even when the layout changed in between
    bool repeat = false;  // the system's auto-repeat of a held key
    bool alt = false;     // an Alt key was held (Alt+Return switches full screen)
    int pad = 0;          // the controller's own id while it is plugged in
    int button = 0;
    int axis = 0;
    int value = 0;
    int width = 0;
    int height = 0;
};

constexpr int PLAT_SCANCODE_LIMIT = 512;

struct PlatBackend {
    // The system's name, for messages ("sdl", "web", "win32").
    const char* name;

    // -- The window -------------------------------------------------------
    // Makes the window, shown, ready for frames, the mouse cursor hidden over
    // it. False when there is none to be had (no display, say), with the
    // reason in window_error(); nothing is then left open. Opening an open
    // window does nothing and returns true.
    bool (*open_window)(const PlatWindowRequest& request);
    // Gives the window and the pads back; nothing happens without one.
    void (*close_window)();
    // Why open_window failed ("no display ..."); "" before any failure.
    const char* (*window_error)();
    // The icon of the open window, and of windows made later (side x side RGBA).
    void (*set_icon)(const uint8_t* rgba, int side);
    // The window's size in pixels and whether it fills the screen; false
    // without a window.
    bool (*window_state)(int* width, int* height, bool* full_screen);
    // Full screen (at the desktop's size) or back to a resizable window of
    // the size it had (the player's last size, else as the request asked),
    // centred on the desktop. Reports a PLAT_EVENT_REPAINT.
    void (*set_full_screen)(bool on);
    // Whole multiples only (or the largest 4:3 fit), and whether frames wait
    // for the display's refresh, from the next frame on (the Esc menu's
    // options).
    void (*set_presentation)(bool integer_scaling, bool vsync);

    // -- Presentation -----------------------------------------------------
    // Shows one frame: PLAT_SCREEN_W x PLAT_SCREEN_H words 0x00RRGGBB, top
    // row first, PLAT_SCREEN_W words a row. Scaled by nearest neighbour to
    // the largest 4:3 fit of the window, or to the largest whole multiple
    // when the request asked for integer scaling (never smaller than 1:
    // a window smaller than the picture shows it fitted), centred, with black
    // bars around it. The frame is read before the call returns. The core
    // calls it only when the picture changed or after a PLAT_EVENT_REPAINT.
    void (*present)(const uint32_t* frame);

    // -- Events -----------------------------------------------------------
    // Takes the oldest event that came in; false when there is none now.
    // Never waits.
    bool (*next_event)(PlatEvent* out);
    // Waits until an event comes in or `timeout_ms` went by, whichever is
    // first (the pause and the end of a watched replay wait here instead of
    // spinning). A browser gives control back to the page meanwhile.
    void (*wait_for_event)(int timeout_ms);

    // -- Game controllers -------------------------------------------------
    // Starts looking for pads: those plugged in now are reported as
    // PLAT_EVENT_PAD_ADDED at the next next_event, later ones as they come.
    // False (with one line on stderr) when the system has no pads to offer.
    bool (*start_pads)();
    // Closes every pad and stops looking.
    void (*stop_pads)();

    // -- The real clock ---------------------------------------------------
    // Milliseconds since some start, unsigned 32-bit, wrapping; it moves on
    // by itself (the core takes the time spent paused off it).
    uint32_t (*ticks)();
    // Sleeps at least `ms` milliseconds (0: gives the processor up once).
    void (*sleep)(uint32_t ms);
};

// The backend of the system the build picked (TAILGATE_SYSTEM).
extern const PlatBackend PLAT_SYSTEM_BACKEND;
