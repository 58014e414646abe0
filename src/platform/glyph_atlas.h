// The game's text face as a glyph atlas: every character a line of text can
// hold (the bytes 1 to 255, read as Latin-1) with its pen advance, its box and
// its pixels, drawn at build time by tools/make_atlas from the face the
// screens are laid out for. A line is composed from it glyph by glyph, the
// way the rasteriser the atlas was made with lays a line out, so the game
// needs no font at run time.
#pragma once

#include <cstdint>
#include <vector>

struct AtlasGlyph {
    int16_t advance;  // pen advance, pixels
    // The glyph's box as the rasteriser measures a line by: from the pen
    // (left) and from the line's top (top, negative above it).
    int16_t box_left;
    int16_t box_top;
    int16_t box_width;
    int16_t box_rows;
    // Its pixels: `ink_rows` rows of `ink_width` bits (the leftmost pixel in
    // the highest bit) in the atlas's rows from `first_row`, placed like the box.
    int16_t ink_left;
    int16_t ink_top;
    int16_t ink_width;
    int16_t ink_rows;
    uint32_t first_row;
};

struct GlyphAtlas {
    int height;                // the face's line height, pixels
    const AtlasGlyph* glyphs;  // 256, by byte; byte 0 ends a line
    const uint32_t* rows;      // the glyphs' pixel rows
};

// The atlas compiled into the game (text_atlas.cpp, written by make_atlas).
extern const GlyphAtlas text_atlas;

// The longest line a text call draws; the rest of a longer string is cut.
constexpr int ATLAS_LINE_MAX = 1023;

// Composes the first `length` bytes of `text` (up to the first zero byte and
// at most ATLAS_LINE_MAX) as one line: a mask, 1 where a letter is, `width` x
// `height`. False, with nothing written, when the line has no width.
bool atlas_compose(const GlyphAtlas& atlas, const char* text, int length, std::vector<uint8_t>* bits, int* width,
                   int* height);
