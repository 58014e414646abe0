// The game's icon, drawn from its own art: the window shows it, and the
// build draws the desktop's icons with it.
#include <cstdlib>

#include "display/display.h"

namespace {

// The first cell of the sheet: the grid line round every cell is one pixel.
constexpr int CELL_X = 1;
constexpr int CELL_Y = 1;
constexpr int CELL_W = 64;
constexpr int CELL_H = 96;

}  // namespace

int gfx_make_icon(const BitmapImage* truck, int scale, std::vector<uint8_t>* rgba, int* side)
{
    if (scale < 1 || scale > 8 || !truck->pixels || truck->info_header.biBitCount != 8 ||
        truck->info_header.biWidth < CELL_X + CELL_W || std::abs(truck->info_header.biHeight) < CELL_Y + CELL_H) {
        return 0;
    }
    const size_t row_bytes = static_cast<size_t>(truck->info_header.biWidth);  // the loader packs the rows
    *side = CELL_H * scale;
    const int left = (*side - CELL_W * scale) / 2;
    rgba->assign(static_cast<size_t>(*side) * *side * 4, 0);
    for (int y = 0; y < *side; ++y) {
        for (int x = 0; x < CELL_W * scale; ++x) {
            // Index 0 is the sprites' colour key: left transparent.
            const uint8_t index =
                truck->pixels[static_cast<size_t>(CELL_Y + y / scale) * row_bytes + CELL_X + x / scale];
            if (index == 0) {
                continue;
            }
            const PlatPaletteEntry& colour = truck->palette[index];
            uint8_t* out = &(*rgba)[(static_cast<size_t>(y) * *side + left + x) * 4];
            out[0] = colour.red;
            out[1] = colour.green;
            out[2] = colour.blue;
            out[3] = 255;
        }
    }
    return 1;
}
