// The desktop icon, made at build time from the game's own art (the icon
// the window shows), enlarged by a whole number so the pixels stay crisp.
// usage: make_icon TRUCK.BMP SCALE OUT.PNG
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "display/display.h"
#include "platform/host.h"

int main(int argc, char** argv)
{
    int scale = argc == 4 ? std::atoi(argv[2]) : 0;
    if (scale < 1 || scale > 8) {
        std::fprintf(stderr, "usage: make_icon TRUCK.BMP SCALE(1-8) OUT.PNG\n");
        return 2;
    }
    BitmapImage truck{};
    std::vector<uint8_t> rgba;
    int side = 0;
    const bool made = gfx_load_bitmap(&truck, argv[1]) && gfx_make_icon(&truck, scale, &rgba, &side);
    gfx_unload_bitmap(&truck);
    if (!made) {
        std::fprintf(stderr, "make_icon: %s is not the truck sprite sheet\n", argv[1]);
        return 1;
    }
    if (!plat_write_png_rgba(argv[3], rgba.data(), side, side)) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
