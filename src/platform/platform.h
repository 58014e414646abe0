// The game's window onto the machine: display surfaces, palette, clipping,
// blits, GDI-style text and lines, keyboard, clock, window messages.
// Nothing outside src/platform includes a library header; the game calls
// these functions instead. Audio has its own header, platform/audio.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/keys.h"

// ---------------------------------------------------------------------------
// Basic types

// Rectangle with exclusive right and bottom edges.
struct PlatRect {
    int left;
    int top;
    int right;
    int bottom;
};

// One palette entry: red, green, blue, flags (as the display palette takes it).
struct PlatPaletteEntry {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t flags;
};

constexpr uint8_t PC_NOCOLLAPSE = 4;

// A colour for text and lines: red in the lowest byte, then green, then blue.
using ColorRef = uint32_t;
constexpr ColorRef plat_rgb(int r, int g, int b)
{
    return static_cast<ColorRef>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// An 8-bit palettised pixel surface. Pixel (x, y) is pixels[y * pitch + x].
// The pitch may be wider than the width.
struct PlatClipper;
struct PlatSurface {
    int width;
    int height;
    int pitch;
    uint8_t* pixels;
    int colour_key;        // source colour key index, or -1 for none
    PlatClipper* clipper;  // destination clip list, or null
    int locked;
};

// The size of the game's picture.
constexpr int PLAT_SCREEN_W = 640;
constexpr int PLAT_SCREEN_H = 480;

// One pass of the frame loop, in milliseconds of the game's clock (and of
// real time in a window).
constexpr int PLAT_FRAME_MS = 33;

struct PlatPalette;
struct PlatDC;
struct PlatPen;
struct PlatDisplay;

// ---------------------------------------------------------------------------
// Surfaces: 8-bit pixels in memory.

// A width x height surface, every pixel 0, no colour key, no clipper. Null
// when a side is not positive or beyond 16384, or memory is short.
PlatSurface* plat_create_surface(int width, int height);
// Gives a surface back; a display's visible surface takes its back buffer
// with it. Null is ignored.
void plat_release_surface(PlatSurface* surface);
// Rows of surfaces made from now on are this many bytes wider than needed
// (0 by default). Lets tests run the copy paths that honour the pitch.
void plat_set_pitch_padding(int bytes);
// Source colour key: blits that ask for it skip source pixels of this index.
// -1 removes the key.
void plat_set_colour_key(PlatSurface* surface, int index);
// Direct access to the pixels; null when the surface is null or already
// locked (also while a device context of it is out).
uint8_t* plat_lock(PlatSurface* surface, int* pitch);
int plat_unlock(PlatSurface* surface);  // 0 when it was not locked

// ---------------------------------------------------------------------------
// Clippers: a list of rectangles a blit onto the surface is cut to.
constexpr int PLAT_CLIP_RECTS = 16;
PlatClipper* plat_create_clipper();
// 0 when count is negative or above PLAT_CLIP_RECTS (the list is then unchanged).
int plat_set_clip_list(PlatClipper* clipper, int count, const PlatRect* rects);
// The bounding rectangle of the list: starts at left = top = 64000,
// right = bottom = -64000 and grows with each rectangle.
bool plat_get_clip_bound(const PlatClipper* clipper, PlatRect* bound);
int plat_set_clipper(PlatSurface* surface, PlatClipper* clipper);
void plat_release_clipper(PlatClipper* clipper);  // detach it first

// ---------------------------------------------------------------------------
// Blits. Destination rectangles are cut to the destination's clip list (or
// to the surface without one); a source rectangle must lie inside the source.
// When the two rectangles differ in size the block is scaled (nearest
// neighbour). Keyed blits skip source pixels of the source's colour key.
// 1 on success, 0 on failure (bad rectangle, null surface).
int plat_blit(PlatSurface* dest, const PlatRect* dest_rect, PlatSurface* source, const PlatRect* source_rect,
              bool keyed);
// Colour fill of a rectangle (null: the whole surface), cut like a blit.
int plat_fill(PlatSurface* dest, const PlatRect* rect, int index);

// ---------------------------------------------------------------------------
// Palettes: 256 entries.
PlatPalette* plat_create_palette(const PlatPaletteEntry entries[256]);
// Replaces entries first .. first + count - 1; in effect at once on the
// screen when it is the display's palette. 0 for a range outside 0..255.
int plat_set_palette_entries(PlatPalette* palette, int first, int count, const PlatPaletteEntry* entries);
int plat_get_palette_entries(const PlatPalette* palette, int first, int count, PlatPaletteEntry* out);
void plat_release_palette(PlatPalette* palette);

// ---------------------------------------------------------------------------
// The display: one 640 x 480 8-bit screen, a visible surface with one back
// buffer, the palette attached to the visible surface. It lives in memory;
// the window (when there is one) shows the visible surface.
PlatDisplay* plat_display_open();
// The visible surface with its back buffer (both 640 x 480); null on failure.
PlatSurface* plat_display_create_primary(PlatDisplay* display, PlatSurface** back_buffer);
int plat_display_set_palette(PlatSurface* primary, PlatPalette* palette);
// Exchanges the pictures of the visible surface and its back buffer and shows
// the new one. 0 when `primary` is not the display's visible surface.
int plat_flip(PlatSurface* primary);
void plat_display_close(PlatDisplay* display);

// ---------------------------------------------------------------------------
// Keyboard: the game key codes the game polls (gk::UP, ...: platform/keys.h).

// True while the key is down (level, not edge), and also once for a key
// that went down and up again since it was last asked about, so that a
// quick tap between two frames is not lost. Pumps the window's event queue
// first, so a loop waiting for a key's release sees it go up.
bool plat_key_down(int vk);
// Keys held now count as up until they have been let go once (a screen that
// opens under a held key does not take it). Scripted keys in headless mode
// are left as they are.
void plat_forget_held_keys();

// Called at the start of every iteration of a loop that waits inside one
// frame (each frame of the initials entry, each poll of a wait for a key's
// release). In headless mode the next scripted key event takes effect here;
// when the script has none left the wait throws PlatScriptRanOut
// (platform/headless.h), which ends the run.
void plat_wait_step();

// The start of frame-loop pass `pass`: the scripted key events due by then
// take effect (and, when a window plays a session back or records one, the
// player's keys once the script has run out).
void plat_pass_begins(int pass);
// The end of the work of a pass that began at tick `frame_start`: a virtual
// clock moves to exactly frame_start + 33.
void plat_pass_ends(uint32_t frame_start);
// True when a pass is also to last 33 ms of real time (there is a window).
bool plat_real_time();

// Pause, in a window only: P (or the pad's Start) pauses and goes on, and
// losing the window's focus pauses. While paused the game's tick count
// stands still and the sound is held. Holds the caller for as long as the
// game is paused (showing "PAUSED" over the picture), until it goes on or
// the player asks to close.
void plat_hold_while_paused();
bool plat_paused();

// True once the player asked to close the window (close button, SIGINT,
// SIGTERM). Loops that wait inside a frame use it to stop waiting.
bool plat_close_requested();
// Asks to close as the window's close button does.
void plat_request_close();

// ---------------------------------------------------------------------------
// Clock: milliseconds, unsigned 32-bit, wraps. Virtual in headless mode.
uint32_t plat_get_tick_count();

// ---------------------------------------------------------------------------
// Window messages: a small queue of our own.
constexpr int PLAT_WM_DESTROY = 0x0002;
constexpr int PLAT_WM_CLOSE = 0x0010;
constexpr int PLAT_WM_QUIT = 0x0012;

struct PlatMessage {
    int message;
    uintptr_t wparam;
    intptr_t lparam;
};

void plat_post_message(int message, uintptr_t wparam, intptr_t lparam);
// Takes the oldest message off the queue; false when there is none.
bool plat_peek_message(PlatMessage* out);

// ---------------------------------------------------------------------------
// GDI-style drawing on a surface through a device context.
PlatDC* plat_get_dc(PlatSurface* surface);  // null when it cannot be had
void plat_release_dc(PlatSurface* surface, PlatDC* dc);
void plat_set_text_color(PlatDC* dc, ColorRef colour);
void plat_set_bk_transparent(PlatDC* dc);
// Draws one line of text with its top-left corner at (x, y); pixels between
// the letters are left unchanged.
void plat_text_out(PlatDC* dc, int x, int y, const char* text, int length);
void plat_set_pixel(PlatDC* dc, int x, int y, ColorRef colour);

PlatPen* plat_create_pen(int width, ColorRef colour);  // solid pen
PlatPen* plat_select_pen(PlatDC* dc, PlatPen* pen);    // returns the previous pen
void plat_delete_pen(PlatPen* pen);
void plat_move_to(PlatDC* dc, int x, int y);
// Draws from the current position to (x, y), which becomes the current
// position. A pen of width 1 leaves the end point out; wider pens have round
// ends. A line of no length draws nothing.
void plat_line_to(PlatDC* dc, int x, int y);

// The nearest entry of the display palette to a colour (a grey ramp stands in
// before the display has a palette).
int plat_nearest_index(ColorRef colour);
// The height of a line of text, and the width of a string, in pixels.
int plat_text_height();
int plat_text_width(const char* text, int length);

// ---------------------------------------------------------------------------
// The backend, chosen once at start-up, before the window is made: what
// shows the game, where its keys come from and what its clock is.
enum PlatBackendKind {
    PLAT_WINDOW,         // the window, the player's keyboard and pads, the real clock (the default)
    PLAT_WINDOW_REPLAY,  // the window, keys and clock from the virtual seams: a session played back or recorded
    PLAT_HEADLESS,       // no window, no sound device, the virtual clock and the listed key events
};
// Also sets the virtual clock to start_tick, every key of the seams up and
// the pass to -1; the key events not yet applied are kept.
void plat_use_backend(PlatBackendKind kind, uint32_t start_tick);

// ---------------------------------------------------------------------------
// Window and presentation (the real window, or none in headless mode).

// Opens the game window (full screen, or a 1280 x 960 window), hides the
// cursor and installs the SIGINT/SIGTERM handlers. The headless backend
// makes no window. 1 on success, 0 on failure.
int plat_window_create(bool windowed);
void plat_window_destroy();
// Why the last plat_window_create failed, for the player.
const char* plat_window_error();

// Before the window is made: whether the player named the window's scale
// (on the command line or in the settings; a scale larger than the desktop
// is then reported as it is reduced), and the settings file where the
// window's size and the full-screen choice the player makes are kept (null:
// nowhere).
void plat_window_choices(bool scale_given, const char* remember_in);
// The window's icon: `side` x `side` RGBA bytes, top row first.
void plat_window_set_icon(const uint8_t* rgba, int side);
// A recording watched in the window: its keys are the game's, and the
// player's Q or Esc stop watching.
void plat_window_watch(bool on);
// The title's demo (attract mode): how long, in real milliseconds, the
// player has pressed no key or button (0 while paused, in the menu or
// without a window); whether the player's settings want demos; a demo
// playing (the player's keys and buttons then end it, and the window says
// so over the picture); and whether a key or button has come since it began.
uint32_t plat_window_idle_ms();
bool plat_window_attract_wanted();
void plat_window_demo(bool on);
bool plat_window_demo_interrupted();
// The window's size and whether it is full screen; false without one.
bool plat_window_state(int* width, int* height, bool* full_screen);
// Keeps the window and its last picture up until the player closes it
// (the close button, Q or Esc while watching, SIGINT, SIGTERM). Returns at
// once without a window.
void plat_linger_until_closed();

// The picture now on the screen (the visible surface through the display
// palette) as 640 x 480 RGB bytes, top row first. False before the display
// exists.
bool plat_read_screen(uint8_t* rgb);
