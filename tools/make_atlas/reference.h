// The game's text face through SDL2_ttf, set up as the game's text was before
// it had an atlas: the face fontconfig names for the pattern below, at 13
// points, with monochrome hinting and no kerning, lines rendered solid from
// Latin-1. make_atlas draws the atlas with it and the tests hold the atlas's
// lines against it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace reference {

// A narrow bold sans at this size reads like the old system font: 16 px a
// line, about 8 px a capital. The screens are laid out for exactly this face.
constexpr int FONT_POINTS = 13;
constexpr const char* FONT_PATTERN = "DejaVu Sans Condensed:weight=bold:slant=0";

// What the rasteriser measures of one character's glyph.
struct Metrics {
    int min_x;
    int max_x;
    int min_y;
    int max_y;
    int advance;
};

class Face {
public:
    // Opens the face; check ok() (why() says what failed).
    Face();
    ~Face();
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;

    bool ok() const { return font_ != nullptr; }
    const std::string& why() const { return why_; }
    const std::string& file() const { return file_; }

    int height() const;
    int ascent() const;
    // The glyph of the Latin-1 character `c`; false when the face cannot say.
    bool metrics(uint8_t c, Metrics* m) const;
    // The first `length` bytes of `text` (Latin-1, up to a zero byte, at most
    // 1023) rendered as one line: a mask, 1 where a letter is. False when the
    // rasteriser draws nothing (a line of no width).
    bool render(const char* text, int length, std::vector<uint8_t>* bits, int* width, int* height) const;

private:
    void* font_ = nullptr;  // TTF_Font, kept out of this header
    std::string file_;
    std::string why_;
};

}  // namespace reference
