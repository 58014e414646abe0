// make_atlas OUT.cpp: draws the game's glyph atlas from its text face through
// SDL2_ttf and writes it as a C++ source file of constant tables for the
// game's platform library. Every character of the bytes 1 to 255 (Latin-1)
// gets its pen advance and box, as the rasteriser measures them, and the
// pixels it draws. Before writing, the atlas is held against the rasteriser:
// every character alone, every pair and a few thousand random lines must
// compose pixel for pixel as SDL2_ttf renders them, or nothing is written.
//
// One character needs care: the soft hyphen (0xAD) is a default-ignorable
// character, which the shaper shows as the space glyph with no advance: no
// pixels, though the face has a visible glyph for it. Any character whose measured
// advance differs from its glyph's is taken for such a hidden one, and the
// checks confirm it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "platform/glyph_atlas.h"
#include "reference.h"

namespace {

struct Atlas {
    int height = 0;
    std::vector<AtlasGlyph> glyphs = std::vector<AtlasGlyph>(256, AtlasGlyph{});
    std::vector<uint32_t> rows;

    GlyphAtlas view() const { return GlyphAtlas{height, glyphs.data(), rows.data()}; }
};

// One line as a mask, 1 where a letter is; not drawn when it has no width.
struct Line {
    bool drawn = false;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bits;
};

Line reference_line(const reference::Face& face, const std::string& text)
{
    Line line;
    line.drawn = face.render(text.data(), static_cast<int>(text.size()), &line.bits, &line.width, &line.height);
    return line;
}

Line atlas_line(const Atlas& atlas, const std::string& text)
{
    Line line;
    line.drawn =
        atlas_compose(atlas.view(), text.data(), static_cast<int>(text.size()), &line.bits, &line.width, &line.height);
    return line;
}

bool same(const Line& a, const Line& b)
{
    return a.drawn == b.drawn && (!a.drawn || (a.width == b.width && a.height == b.height && a.bits == b.bits));
}

std::string describe(const std::string& text)
{
    std::string out;
    for (const char ch : text) {
        char hex[8];
        snprintf(hex, sizeof hex, "%s%02X", out.empty() ? "" : " ", static_cast<unsigned>(static_cast<uint8_t>(ch)));
        out += hex;
    }
    return out;
}

// The box of character `c` from its glyph's metrics, relative to the pen and
// the line's top; its advance left to the caller.
AtlasGlyph box_of(const reference::Metrics& m, int ascent)
{
    AtlasGlyph g{};
    g.box_left = static_cast<int16_t>(m.min_x);
    g.box_width = static_cast<int16_t>(m.max_x - m.min_x);
    g.box_top = static_cast<int16_t>(ascent - m.max_y);
    g.box_rows = static_cast<int16_t>(m.max_y - m.min_y);
    return g;
}

// The line's left edge and top row as the rasteriser lays `text` out: the
// lowest box edges, and 0 (the first pen, the face's top).
void line_origin(const Atlas& atlas, const std::string& text, int64_t* min_x, int* min_y)
{
    int64_t pen = 0;
    *min_x = 0;
    *min_y = 0;
    for (const char ch : text) {
        const AtlasGlyph& g = atlas.glyphs[static_cast<uint8_t>(ch)];
        *min_x = std::min<int64_t>(*min_x, pen + g.box_left);
        *min_y = std::min<int>(*min_y, g.box_top);
        pen += g.advance;
    }
}

// Every glyph's box and advance, from the rasteriser's metrics, checked by
// measuring the character between two spaces.
bool measure_glyphs(const reference::Face& face, Atlas* atlas)
{
    atlas->height = face.height();
    const int ascent = face.ascent();
    reference::Metrics space_metrics{};
    if (!face.metrics(' ', &space_metrics)) {
        fprintf(stderr, "make_atlas: the face has no space\n");
        return false;
    }
    const int space = space_metrics.advance;
    for (int c = 1; c < 256; c++) {
        reference::Metrics m{};
        if (!face.metrics(static_cast<uint8_t>(c), &m)) {
            fprintf(stderr, "make_atlas: no metrics for character 0x%02X\n", c);
            return false;
        }
        AtlasGlyph g = box_of(m, ascent);
        g.advance = static_cast<int16_t>(m.advance);
        // The width of " c ": the spaces' advances and the character's,
        // unless its box reaches past them.
        const Line between = reference_line(face, " " + std::string(1, static_cast<char>(c)) + " ");
        const int64_t left = std::min<int64_t>(0, space + g.box_left);
        const int64_t right = std::max<int64_t>(space + g.box_left + g.box_width, 2 * space + g.advance);
        if (!between.drawn) {
            fprintf(stderr, "make_atlas: character 0x%02X between spaces draws nothing\n", c);
            return false;
        }
        if (between.width != right - left) {
            if (between.width != 2 * space) {
                fprintf(stderr, "make_atlas: character 0x%02X measures %d px between spaces, not %lld\n", c,
                        between.width, static_cast<long long>(right - left));
                return false;
            }
            // Hidden by the shaper: the space glyph, with no advance.
            g = box_of(space_metrics, ascent);
            g.advance = 0;
        }
        atlas->glyphs[c] = g;
    }
    return true;
}

// Every glyph's pixels, cut out of the character rendered between spaces
// (room for pixels outside its box).
bool cut_glyphs(const reference::Face& face, Atlas* atlas)
{
    const std::string pad(3, ' ');
    for (int c = 1; c < 256; c++) {
        AtlasGlyph& g = atlas->glyphs[c];
        std::string text = pad;
        text += static_cast<char>(c);
        text += pad;
        const Line line = reference_line(face, text);
        const Line layout = atlas_line(*atlas, text);  // no pixels yet: only the extent
        if (!line.drawn || !layout.drawn || line.width != layout.width || line.height != layout.height) {
            fprintf(stderr, "make_atlas: character 0x%02X between spaces is not laid out as its box says\n", c);
            return false;
        }
        int64_t min_x = 0;
        int min_y = 0;
        line_origin(*atlas, text, &min_x, &min_y);
        const int64_t pen_x = 3 * atlas->glyphs[' '].advance - min_x;  // the character's pen in the line
        const int top_y = -min_y;                                      // the face's top row in the line
        int ink_left = line.width;
        int ink_right = -1;
        int ink_top = line.height;
        int ink_bottom = -1;
        for (int y = 0; y < line.height; y++) {
            for (int x = 0; x < line.width; x++) {
                if (line.bits[static_cast<size_t>(y) * line.width + x]) {
                    ink_left = std::min(ink_left, x);
                    ink_right = std::max(ink_right, x);
                    ink_top = std::min(ink_top, y);
                    ink_bottom = std::max(ink_bottom, y);
                }
            }
        }
        if (ink_right < 0) {
            continue;  // no pixels (a space)
        }
        g.ink_left = static_cast<int16_t>(ink_left - pen_x);
        g.ink_top = static_cast<int16_t>(ink_top - top_y);
        g.ink_width = static_cast<int16_t>(ink_right - ink_left + 1);
        g.ink_rows = static_cast<int16_t>(ink_bottom - ink_top + 1);
        if (g.ink_width > 32) {
            fprintf(stderr, "make_atlas: character 0x%02X is %d px wide, more than a row holds\n", c, g.ink_width);
            return false;
        }
        std::vector<uint32_t> rows;
        for (int y = ink_top; y <= ink_bottom; y++) {
            uint32_t row = 0;
            for (int x = ink_left; x <= ink_right; x++) {
                if (line.bits[static_cast<size_t>(y) * line.width + x]) {
                    row |= 1U << (31 - (x - ink_left));
                }
            }
            rows.push_back(row);
        }
        // Rows already in the table are shared: the characters the face has
        // no glyph for all show its one empty box.
        const auto found = std::search(atlas->rows.begin(), atlas->rows.end(), rows.begin(), rows.end());
        g.first_row = static_cast<uint32_t>(found - atlas->rows.begin());
        if (found == atlas->rows.end()) {
            atlas->rows.insert(atlas->rows.end(), rows.begin(), rows.end());
        }
    }
    return true;
}

// Every character alone, every pair, and random lines, composed from the
// atlas and rendered by the rasteriser: all alike, or the first differing
// line named.
bool check_atlas(const reference::Face& face, const Atlas& atlas)
{
    std::vector<std::string> lines;
    for (int a = 1; a < 256; a++) {
        lines.emplace_back(1, static_cast<char>(a));
        for (int b = 1; b < 256; b++) {
            lines.push_back(std::string{static_cast<char>(a), static_cast<char>(b)});
        }
    }
    std::mt19937 random(20240613U);
    std::uniform_int_distribution<int> byte(1, 255);
    std::uniform_int_distribution<int> size(3, 48);
    for (int i = 0; i < 4000; i++) {
        std::string text(static_cast<size_t>(size(random)), ' ');
        for (char& ch : text) {
            ch = static_cast<char>(byte(random));
        }
        lines.push_back(text);
    }
    for (const std::string& text : lines) {
        if (!same(reference_line(face, text), atlas_line(atlas, text))) {
            fprintf(stderr, "make_atlas: the atlas composes the line [%s] unlike the rasteriser\n",
                    describe(text).c_str());
            return false;
        }
    }
    return true;
}

bool write_atlas(const Atlas& atlas, const std::string& path)
{
    const std::string temporary = path + ".part";
    FILE* out = fopen(temporary.c_str(), "wb");
    if (!out) {
        fprintf(stderr, "make_atlas: cannot write %s\n", temporary.c_str());
        return false;
    }
    fprintf(out,
            "// The game's glyph atlas, written by tools/make_atlas from the face\n"
            "// \"%s\" at %d points. Do not edit: the build writes it again.\n"
            "#include \"platform/glyph_atlas.h\"\n\n"
            "namespace {\n\n"
            "// advance, box left, top, width, rows, ink left, top, width, rows, first row\n"
            "constexpr AtlasGlyph glyphs[256] = {\n",
            reference::FONT_PATTERN, reference::FONT_POINTS);
    for (int c = 0; c < 256; c++) {
        const AtlasGlyph& g = atlas.glyphs[c];
        fprintf(out, "    {%d, %d, %d, %d, %d, %d, %d, %d, %d, %u},  // 0x%02X\n", g.advance, g.box_left, g.box_top,
                g.box_width, g.box_rows, g.ink_left, g.ink_top, g.ink_width, g.ink_rows, g.first_row, c);
    }
    fprintf(out, "};\n\nconstexpr uint32_t rows[] = {\n");
    for (size_t i = 0; i < atlas.rows.size(); i++) {
        fprintf(out, "%s0x%08X,%s", i % 8 == 0 ? "    " : " ", atlas.rows[i],
                i % 8 == 7 || i + 1 == atlas.rows.size() ? "\n" : "");
    }
    fprintf(out, "};\n\n}  // namespace\n\nconst GlyphAtlas text_atlas = {%d, glyphs, rows};\n", atlas.height);
    const bool ok = !ferror(out);
    if (fclose(out) != 0 || !ok || rename(temporary.c_str(), path.c_str()) != 0) {
        fprintf(stderr, "make_atlas: cannot write %s\n", path.c_str());
        remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_atlas OUT.cpp\n");
        return 2;
    }
    const reference::Face face;
    if (!face.ok()) {
        fprintf(stderr, "make_atlas: %s\n", face.why().c_str());
        return 1;
    }
    Atlas atlas;
    if (!measure_glyphs(face, &atlas) || !cut_glyphs(face, &atlas) || !check_atlas(face, atlas) ||
        !write_atlas(atlas, argv[1])) {
        return 1;
    }
    printf("make_atlas: %s, %zu pixel rows, checked\n", face.file().c_str(), atlas.rows.size());
    return 0;
}
