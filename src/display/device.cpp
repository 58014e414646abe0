// The display device: the screen with its back buffer, the palette, the
// clipper, off-screen surfaces, fill and flip.
#include "core/random.h"
#include "display/display.h"

PlatDisplay* display_device;
PlatSurface* primary_surface;
PlatSurface* back_buffer;
PlatPalette* display_palette;
PlatClipper* back_clipper;
PlatPaletteEntry start_palette[256];

int gfx_display_setup()
{
    display_device = plat_display_open();
    if (!display_device) {
        return 0;
    }
    primary_surface = plat_display_create_primary(display_device, &back_buffer);
    if (!primary_surface) {
        return 0;
    }
    // Never seen: the first image load replaces every entry before anything
    // is drawn. Drawn before the generator is seeded.
    start_palette[0] = {0, 0, 0, PC_NOCOLLAPSE};
    for (int i = 1; i < 255; i++) {
        const int red = game_rand() % 256;
        const int green = game_rand() % 256;
        const int blue = game_rand() % 256;
        start_palette[i] = {static_cast<uint8_t>(red), static_cast<uint8_t>(green), static_cast<uint8_t>(blue),
                            PC_NOCOLLAPSE};
    }
    start_palette[255] = {255, 255, 255, PC_NOCOLLAPSE};
    display_palette = plat_create_palette(start_palette);
    if (!display_palette) {
        return 0;
    }
    if (!plat_display_set_palette(primary_surface, display_palette)) {
        return 0;
    }
    const PlatRect screen = {0, 0, SCREEN_WIDTH, SCREEN_HEIGHT};
    back_clipper = gfx_attach_clipper(back_buffer, 1, &screen);
    return 1;
}

PlatClipper* gfx_attach_clipper(PlatSurface* surface, int count, const PlatRect* rects)
{
    if (!surface) {
        return nullptr;
    }
    PlatClipper* clipper = plat_create_clipper();
    if (!clipper) {
        return nullptr;
    }
    if (!plat_set_clip_list(clipper, count, rects) || !plat_set_clipper(surface, clipper)) {
        plat_release_clipper(clipper);
        return nullptr;
    }
    return clipper;
}

int gfx_fill_surface(PlatSurface* surface, int index)
{
    plat_fill(surface, nullptr, index);
    return 1;
}

PlatSurface* gfx_create_surface(int width, int height, int extra_caps, int colour_key)
{
    (void)extra_caps;  // placement hints mean nothing for surfaces in memory
    PlatSurface* surface = plat_create_surface(width, height);
    if (surface && colour_key >= 0) {
        plat_set_colour_key(surface, 0);
    }
    return surface;
}

void gfx_flip()
{
    // An in-memory flip cannot be lost, so there is nothing to retry.
    plat_flip(primary_surface);
}

void gfx_release_all()
{
    PlatSurface** full_screen[] = {&background_surface, &title_surface, &menu_surface,   &credits_surface,
                                   &controls_surface,   &story_surface, &hiscore_surface};
    for (PlatSurface** s : full_screen) {
        plat_release_surface(*s);
        *s = nullptr;
    }
    for (PlatSurface*& s : truck_frames) {
        plat_release_surface(s);
        s = nullptr;
    }
    for (PlatSurface*& s : car_frames) {
        plat_release_surface(s);
        s = nullptr;
    }
    for (PlatSurface*& s : monster_frames) {
        plat_release_surface(s);
        s = nullptr;
    }
    // The back buffer lives only as long as its visible surface.
    if (primary_surface && back_buffer) {
        plat_set_clipper(back_buffer, nullptr);
    }
    plat_release_clipper(back_clipper);
    back_clipper = nullptr;
    plat_release_palette(display_palette);
    display_palette = nullptr;
    plat_release_surface(primary_surface);  // the back buffer goes with it
    primary_surface = nullptr;
    back_buffer = nullptr;
    plat_display_close(display_device);
    display_device = nullptr;
    gfx_unload_bitmap(&scratch_bitmap);
}
