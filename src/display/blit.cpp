// Blits between surfaces, sprite-sheet cells, and the full-screen images.
#include <cstdio>
#include <cstring>

#include "core/data_files.h"
#include "display/display.h"

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

int gfx_blit(PlatSurface* source, int x, int y, int width, int height, PlatSurface* dest, int keyed)
{
    const PlatRect dest_rect = {x, y, x + width, y + height};
    if (!source) {
        // A picture that could not be loaded leaves a blank (index 0) where
        // it would have been, never a crash or a stale frame.
        plat_fill(dest, &dest_rect, 0);
        return 0;
    }
    const PlatRect source_rect = {0, 0, width, height};
    return plat_blit(dest, &dest_rect, source, &source_rect, keyed != 0);
}

int gfx_blit_scaled(PlatSurface* source, int x, int y, int source_width, int source_height, int dest_width,
                    int dest_height, PlatSurface* dest, int keyed)
{
    const PlatRect source_rect = {0, 0, source_width, source_height};
    const PlatRect dest_rect = {x, y, x + dest_width, y + dest_height};
    return plat_blit(dest, &dest_rect, source, &source_rect, keyed != 0);
}

int gfx_copy_cell(BitmapImage* image, PlatSurface* surface, int column, int row)
{
    if (!image || !image->pixels || !surface || column < 0 || row < 0 || image->info_header.biBitCount != 8) {
        return 0;
    }
    const int64_t sheet_width = image->info_header.biWidth;
    const int64_t sheet_height = image->info_header.biHeight < 0 ? -static_cast<int64_t>(image->info_header.biHeight)
                                                                 : image->info_header.biHeight;
    const int w = surface->width;
    const int h = surface->height;
    // The sheet must hold the whole cell, or the copy would read past it.
    if (sheet_width < (static_cast<int64_t>(column) + 1) * (w + 1) ||
        sheet_height < (static_cast<int64_t>(row) + 1) * (h + 1)) {
        return 0;
    }
    int pitch = 0;
    uint8_t* to = plat_lock(surface, &pitch);
    if (!to) {
        return 0;
    }
    const int64_t x0 = static_cast<int64_t>(column) * (w + 1) + 1;
    const int64_t y0 = static_cast<int64_t>(row) * (h + 1) + 1;
    for (int k = 0; k < h; k++) {
        memcpy(to + static_cast<size_t>(k) * pitch, image->pixels + (y0 + k) * sheet_width + x0,
               static_cast<size_t>(w));
    }
    plat_unlock(surface);
    return 1;
}

int load_screen_image(const char* file_name, PlatSurface** target)
{
    if (!target || !gfx_load_bitmap(&scratch_bitmap, file_name)) {
        return 0;
    }
    const BitmapInfoHeader& info = scratch_bitmap.info_header;
    // The copy below takes 480 rows of 640 palette indices.
    if (info.biBitCount != 8 || info.biWidth != SCREEN_WIDTH ||
        (info.biHeight != SCREEN_HEIGHT && info.biHeight != -SCREEN_HEIGHT)) {
        snprintf(gfx_load_reason, sizeof gfx_load_reason, "not an 8-bit %d x %d picture", SCREEN_WIDTH, SCREEN_HEIGHT);
        gfx_unload_bitmap(&scratch_bitmap);
        return 0;
    }
    if (!plat_set_palette_entries(display_palette, 0, 256, scratch_bitmap.palette)) {
        gfx_unload_bitmap(&scratch_bitmap);
        return 0;
    }
    gfx_fill_surface(primary_surface, 0);
    gfx_fill_surface(back_buffer, 0);
    plat_release_surface(*target);
    *target = gfx_create_surface(SCREEN_WIDTH, SCREEN_HEIGHT, 0, -1);
    int pitch = 0;
    uint8_t* to = plat_lock(*target, &pitch);
    if (!to) {
        gfx_unload_bitmap(&scratch_bitmap);
        return 0;
    }
    if (pitch == SCREEN_WIDTH) {
        memcpy(to, scratch_bitmap.pixels, static_cast<size_t>(SCREEN_WIDTH) * SCREEN_HEIGHT);
    } else {
        for (int r = 0; r < SCREEN_HEIGHT; r++) {
            memcpy(to + static_cast<size_t>(r) * pitch, scratch_bitmap.pixels + static_cast<size_t>(r) * SCREEN_WIDTH,
                   SCREEN_WIDTH);
        }
    }
    if (!plat_unlock(*target)) {
        return 0;
    }
    gfx_unload_bitmap(&scratch_bitmap);
    return 1;
}

int load_title_image()
{
    if (!load_screen_image(DATA_TITLE_SCREEN, &title_surface)) {
        return 0;
    }
    gfx_blit(title_surface, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, back_buffer, 0);
    gfx_flip();
    return 1;
}

int load_menu_image()
{
    return load_screen_image(DATA_MAIN_MENU, &menu_surface);
}

int load_credits_image()
{
    return load_screen_image(DATA_CREDITS, &credits_surface);
}

int load_controls_image()
{
    return load_screen_image(DATA_CONTROLS, &controls_surface);
}

int load_hiscore_image()
{
    return load_screen_image(DATA_HISCORE_SCREEN, &hiscore_surface);
}

int load_story_image()
{
    return load_screen_image(DATA_STORY_BACK, &story_surface);
}
