// Lines of text composed from the glyph atlas. The layout is the
// rasteriser's: glyphs stand on a pen that moves by whole pixels, the line is
// as wide as the boxes and the final pen reach and as tall as the face's line
// or any box that reaches past it, and the glyphs' pixels are laid over one
// another (a pixel is set when any glyph sets it).
#include "platform/glyph_atlas.h"

#include <algorithm>
#include <cstddef>

bool atlas_compose(const GlyphAtlas& atlas, const char* text, int length, std::vector<uint8_t>* bits, int* width,
                   int* height)
{
    if (!text || length <= 0) {
        return false;
    }
    const int n = std::min(length, ATLAS_LINE_MAX);
    const auto glyph = [&](int i) -> const AtlasGlyph& { return atlas.glyphs[static_cast<uint8_t>(text[i])]; };
    // The extent: the pen starts at 0, the line's top row is 0.
    int64_t pen = 0;
    int64_t min_x = 0;
    int64_t max_x = 0;
    int min_y = 0;
    int max_y = atlas.height;
    int count = 0;
    for (; count < n && text[count] != '\0'; count++) {
        const AtlasGlyph& g = glyph(count);
        min_x = std::min(min_x, pen + g.box_left);
        max_x = std::max(max_x, pen + g.box_left + g.box_width);
        min_y = std::min(min_y, static_cast<int>(g.box_top));
        max_y = std::max(max_y, g.box_top + g.box_rows);
        pen += g.advance;
    }
    max_x = std::max(max_x, pen);
    if (count == 0 || max_x == min_x) {
        return false;
    }
    const int w = static_cast<int>(max_x - min_x);
    const int h = max_y - min_y;
    bits->assign(static_cast<size_t>(w) * h, 0);
    pen = -min_x;
    for (int i = 0; i < count; i++) {
        const AtlasGlyph& g = glyph(i);
        const int64_t left = pen + g.ink_left;
        const int top = g.ink_top - min_y;
        pen += g.advance;
        for (int r = 0; r < g.ink_rows; r++) {
            const int y = top + r;
            if (y < 0 || y >= h) {
                continue;
            }
            const uint32_t row = atlas.rows[g.first_row + static_cast<uint32_t>(r)];
            uint8_t* out = bits->data() + static_cast<size_t>(y) * w;
            for (int c = 0; c < g.ink_width; c++) {
                const int64_t x = left + c;
                if (x >= 0 && x < w && ((row >> (31 - c)) & 1U) != 0) {
                    out[x] = 1;
                }
            }
        }
    }
    *width = w;
    *height = h;
    return true;
}
