// The desktop icon, made at build time from the game's own art: the first
// frame of the player's truck (truck.bmp) on a transparent square, enlarged
// by a whole number so the pixels stay crisp.
// usage: make_icon TRUCK.BMP SCALE OUT.PNG
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "display/display.h"
#include "platform/host.h"

namespace {

// The first cell of the sheet: the grid line round every cell is one pixel.
constexpr int CELL_X = 1;
constexpr int CELL_Y = 1;
constexpr int CELL_W = 64;
constexpr int CELL_H = 96;

}  // namespace

int main(int argc, char** argv)
{
    int scale = argc == 4 ? std::atoi(argv[2]) : 0;
    if (scale < 1 || scale > 8) {
        std::fprintf(stderr, "usage: make_icon TRUCK.BMP SCALE(1-8) OUT.PNG\n");
        return 2;
    }
    BitmapImage truck{};
    if (!gfx_load_bitmap(&truck, argv[1]) || truck.info_header.biBitCount != 8 ||
        truck.info_header.biWidth < CELL_X + CELL_W || std::abs(truck.info_header.biHeight) < CELL_Y + CELL_H) {
        std::fprintf(stderr, "make_icon: %s is not the truck sprite sheet\n", argv[1]);
        gfx_unload_bitmap(&truck);
        return 1;
    }
    const size_t row_bytes = static_cast<size_t>(truck.info_header.biWidth);  // the loader packs the rows
    const int side = CELL_H * scale;
    const int left = (side - CELL_W * scale) / 2;
    std::vector<uint8_t> rgba(static_cast<size_t>(side) * side * 4, 0);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < CELL_W * scale; ++x) {
            // Index 0 is the sprites' colour key: left transparent.
            uint8_t index = truck.pixels[static_cast<size_t>(CELL_Y + y / scale) * row_bytes + CELL_X + x / scale];
            if (index == 0) {
                continue;
            }
            const PlatPaletteEntry& colour = truck.palette[index];
            uint8_t* out = &rgba[(static_cast<size_t>(y) * side + left + x) * 4];
            out[0] = colour.red;
            out[1] = colour.green;
            out[2] = colour.blue;
            out[3] = 255;
        }
    }
    gfx_unload_bitmap(&truck);
    if (!plat_write_png_rgba(argv[3], rgba.data(), side, side)) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
