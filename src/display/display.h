// Display: BMP files, the display device and surfaces, blits and images,
// text, and the pictures' part of the start-up.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

// ---------------------------------------------------------------------------
// BMP files

#pragma pack(push, 1)
struct BitmapFileHeader {
    uint16_t bfType;
    uint32_t bfSize;
    uint16_t bfReserved1;
    uint16_t bfReserved2;
    uint32_t bfOffBits;
};
struct BitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BitmapFileHeader) == 14);
static_assert(sizeof(BitmapInfoHeader) == 40);

struct BitmapImage {
    BitmapFileHeader file_header;
    BitmapInfoHeader info_header;
    PlatPaletteEntry palette[256];
    uint8_t* pixels;  // top-down rows, owned; null when empty
};

extern BitmapImage scratch_bitmap;

// 1 on success. 0 for a file that is missing or not a regular file, not
// "BM", compressed, not 8, 16 or 24 bits, or whose sizes disagree with each
// other or with the file's length; the record is then exactly as it was. A
// biSizeImage of 0 is computed (and stored) from the width, height and bit
// count.
int gfx_load_bitmap(BitmapImage* image, const char* file_name);

// Why the last load failed, for a message ("" after a success), and whether
// there was no regular file to read at all (missing, a directory, a FIFO or
// a device), which an optional picture passes over without a word.
extern char gfx_load_reason[128];
extern int gfx_load_absent;
int gfx_unload_bitmap(BitmapImage* image);

// The game's icon: the first frame of the player's truck (the first cell of
// the truck sprite sheet) on a transparent square of 96 x `scale` pixels a
// side, as RGBA bytes, top row first. 0 when `truck` is not that sheet.
int gfx_make_icon(const BitmapImage* truck, int scale, std::vector<uint8_t>* rgba, int* side);
int gfx_reverse_rows(uint8_t* buffer, int row_bytes, int rows);

// ---------------------------------------------------------------------------
// Display device and surfaces

constexpr int SCREEN_WIDTH = PLAT_SCREEN_W;
constexpr int SCREEN_HEIGHT = PLAT_SCREEN_H;

// The display device (null until the display is set up).
extern PlatDisplay* display_device;
extern PlatSurface* primary_surface;
extern PlatSurface* back_buffer;
extern PlatPalette* display_palette;
extern PlatClipper* back_clipper;
extern PlatPaletteEntry start_palette[256];

PlatClipper* gfx_attach_clipper(PlatSurface* surface, int count, const PlatRect* rects);
int gfx_fill_surface(PlatSurface* surface, int index);
PlatSurface* gfx_create_surface(int width, int height, int extra_caps, int colour_key);
void gfx_flip();
// The display set-up of the start-up: device, screen with back buffer,
// start_palette drawn and attached, back_clipper. 0 when a step fails.
int gfx_display_setup();
// Gives back every object the display made (surfaces, frames, clipper,
// palette, the device) and nulls their globals; for a second start-up in one
// process, and after the shutdown's own releases.
void gfx_release_all();

// ---------------------------------------------------------------------------
// Blits and images

extern PlatSurface* background_surface;
extern PlatSurface* title_surface;
extern PlatSurface* menu_surface;
extern PlatSurface* credits_surface;
extern PlatSurface* controls_surface;
extern PlatSurface* story_surface;
extern PlatSurface* hiscore_surface;

constexpr int TRUCK_FRAME_COUNT = 3;
constexpr int CAR_FRAME_COUNT = 98;
constexpr int MONSTER_FRAME_COUNT = 6;
extern PlatSurface* truck_frames[TRUCK_FRAME_COUNT];      // 64 x 96
extern PlatSurface* car_frames[CAR_FRAME_COUNT];          // 64 x 64, column * 7 + row
extern PlatSurface* monster_frames[MONSTER_FRAME_COUNT];  // 144 x 112, column * 3 + row

// A null source (a picture that failed to load) fills the block with index 0
// and returns 0.
int gfx_blit(PlatSurface* source, int x, int y, int width, int height, PlatSurface* dest, int keyed);
int gfx_blit_scaled(PlatSurface* source, int x, int y, int source_width, int source_height, int dest_width,
                    int dest_height, PlatSurface* dest, int keyed);
// 0 (the surface untouched) when the sheet is not 8-bit or too small for the cell.
int gfx_copy_cell(BitmapImage* image, PlatSurface* surface, int column, int row);

// Refuses (0, before touching the screen) a file that is not an 8-bit 640 x 480 BMP.
int load_screen_image(const char* file_name, PlatSurface** target);
int load_title_image();
int load_menu_image();
int load_credits_image();
int load_controls_image();
int load_hiscore_image();
int load_story_image();

// ---------------------------------------------------------------------------
// Text

constexpr int TEXT_BUFFER_SIZE = 80;
extern char text_buffer[TEXT_BUFFER_SIZE];

// The colour of every text of the game: red 240.
constexpr ColorRef TEXT_COLOUR = 240;

int gfx_draw_text(const char* text, int x, int y, ColorRef colour, PlatSurface* surface);

// ---------------------------------------------------------------------------
// Start-up pieces, called by the game's start-up in its order. A failed step
// returns 0 with its reason, one line ("cannot load cars2.bmp"), in
// gfx_startup_error.

extern char gfx_startup_error[256];

// The road picture: its palette is the first the screen shows.
int gfx_load_background();
// The other full-screen pictures: a missing one leaves its screen blank, one
// that is there but refused is named on stderr with the reason.
void gfx_load_screens();
// The title with a progress message over it, shown at once.
void gfx_show_loading_message(const char* message, int x);
// The sprite sheets cut into truck_frames, car_frames and monster_frames.
int gfx_cut_truck();
int gfx_cut_cars();
int gfx_cut_monsters();
