// Placeholders until the display is written; removed piece by piece.
#include "display/display.h"

BitmapImage scratch_bitmap;
PlatSurface* primary_surface;
PlatSurface* back_buffer;
PlatPalette* display_palette;
PlatClipper* back_clipper;
PlatPaletteEntry start_palette[256];
PlatSurface* background_surface;
PlatSurface* title_surface;
PlatSurface* menu_surface;
PlatSurface* credits_surface;
PlatSurface* controls_surface;
PlatSurface* story_surface;
PlatSurface* hiscore_surface;
PlatSurface* truck_frames[TRUCK_FRAME_COUNT];
PlatSurface* car_frames[CAR_FRAME_COUNT];
PlatSurface* monster_frames[MONSTER_FRAME_COUNT];
char text_buffer[TEXT_BUFFER_SIZE];

int gfx_load_bitmap(BitmapImage*, const char*) { return 0; }
int gfx_unload_bitmap(BitmapImage*) { return 1; }
int gfx_reverse_rows(uint8_t*, int, int) { return 1; }
PlatClipper* gfx_attach_clipper(PlatSurface*, int, const PlatRect*) { return nullptr; }
int gfx_fill_surface(PlatSurface*, int) { return 1; }
PlatSurface* gfx_create_surface(int, int, int, int) { return nullptr; }
void gfx_flip() {}
int gfx_blit(PlatSurface*, int, int, int, int, PlatSurface*, int) { return 0; }
int gfx_blit_scaled(PlatSurface*, int, int, int, int, int, int, PlatSurface*, int) { return 0; }
int gfx_copy_cell(BitmapImage*, PlatSurface*, int, int) { return 1; }
int load_screen_image(const char*, PlatSurface**) { return 0; }
int load_title_image() { return 0; }
int load_menu_image() { return 0; }
int load_credits_image() { return 0; }
int load_controls_image() { return 0; }
int load_hiscore_image() { return 0; }
int load_story_image() { return 0; }
int gfx_draw_text(const char*, int, int, ColorRef, PlatSurface*) { return 1; }
int game_init() { return 0; }
