// GDI-style drawing on a surface: device contexts, text, pens and lines,
// single pixels. Text is composed from the glyph atlas of the game's face
// (solid, unsmoothed glyphs) straight into the 8-bit pixels.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/display_internal.h"
#include "platform/glyph_atlas.h"
#include "platform/platform.h"

struct PlatPen {
    int width;
    ColorRef colour;
};

struct PlatDC {
    PlatSurface* surface;  // null while the slot is free
    ColorRef text_colour;
    bool transparent;
    PlatPen* pen;       // as selected (returned by the next select)
    PlatPen pen_value;  // its values, so a pen deleted while selected is harmless
    int x;
    int y;
};

namespace {

constexpr int DC_COUNT = 4;
PlatDC dcs[DC_COUNT];
PlatPen stock_pen = {1, 0};  // black, one pixel: what a new context holds

// Rendered lines of text as masks (1 where a letter is), the most recently
// used kept: a frame draws the same few strings again and again.
constexpr int CACHE_SIZE = 64;
constexpr int CACHE_TEXT = 128;
struct TextMask {
    char text[CACHE_TEXT];
    int length;
    int width;
    int height;
    uint8_t* bits;
    unsigned last_use;
};
TextMask cache[CACHE_SIZE];
unsigned use_clock;

// Composes `text` (Latin-1) into a freshly allocated mask; false when there
// is nothing to draw.
bool render_mask(const char* text, int length, uint8_t** bits, int* width, int* height)
{
    std::vector<uint8_t> line;
    if (!atlas_compose(text_atlas, text, length, &line, width, height)) {
        return false;
    }
    *bits = static_cast<uint8_t*>(malloc(line.size()));
    if (!*bits) {
        return false;
    }
    memcpy(*bits, line.data(), line.size());
    return true;
}

// The mask of `text`, from the cache when it is there. The pointer stays
// valid until the next call.
const TextMask* text_mask(const char* text, int length)
{
    static TextMask uncached;
    use_clock++;
    if (length < CACHE_TEXT) {
        int victim = 0;
        for (int i = 0; i < CACHE_SIZE; i++) {
            TextMask& m = cache[i];
            if (m.bits && m.length == length && memcmp(m.text, text, static_cast<size_t>(length)) == 0) {
                m.last_use = use_clock;
                return &m;
            }
            if (!m.bits || (cache[victim].bits && m.last_use < cache[victim].last_use)) {
                victim = i;
            }
        }
        TextMask& m = cache[victim];
        free(m.bits);
        m.bits = nullptr;
        if (!render_mask(text, length, &m.bits, &m.width, &m.height)) {
            return nullptr;
        }
        memcpy(m.text, text, static_cast<size_t>(length));
        m.length = length;
        m.last_use = use_clock;
        return &m;
    }
    free(uncached.bits);
    uncached.bits = nullptr;
    if (!render_mask(text, length, &uncached.bits, &uncached.width, &uncached.height)) {
        return nullptr;
    }
    return &uncached;
}

bool dc_valid(const PlatDC* dc)
{
    return dc && dc >= dcs && dc < dcs + DC_COUNT && dc->surface;
}

void put_pixel(PlatSurface* s, int x, int y, uint8_t index)
{
    if (x >= 0 && y >= 0 && x < s->width && y < s->height) {
        s->pixels[static_cast<size_t>(y) * s->pitch + x] = index;
    }
}

// A wide pen's stroke is the union of round dots of the pen's width centred
// on the line's pixels: the pixels (dx, dy) from a centre with
// (2dx)^2 + (2dy)^2 <= width^2. On each row a dot covers one run of pixels,
// and so does the whole stroke, since the centres of neighbouring dots are
// at most a pixel apart. So the stroke is gathered as the run of every row
// it touches and each run is filled at once.
class Stroke {
public:
    Stroke(PlatSurface* s, int width, int y0, int y1) : s_(s), r_(width / 2)
    {
        if (width <= 1) {
            first_ = 0;
            last_ = -1;
            return;  // a thin line is drawn pixel by pixel
        }
        for (int dy = -r_; dy <= r_; dy++) {
            int h = r_;
            while (4 * (h * h + dy * dy) > width * width) {
                h--;
            }
            half_[dy + r_] = h;
        }
        first_ = static_cast<int>(std::max<int64_t>(0, static_cast<int64_t>(std::min(y0, y1)) - r_));
        last_ = static_cast<int>(std::min<int64_t>(s->height - 1, static_cast<int64_t>(std::max(y0, y1)) + r_));
        if (static_cast<int>(left_.size()) < s->height) {
            left_.resize(static_cast<size_t>(s->height));
            right_.resize(static_cast<size_t>(s->height));
        }
        for (int y = first_; y <= last_; y++) {
            left_[y] = s->width;
            right_[y] = -1;
        }
    }

    // Adds the dot centred on (x, y), cut to the surface.
    void dot(int x, int y)
    {
        const int64_t top = std::max<int64_t>(static_cast<int64_t>(y) - r_, first_);
        const int64_t bottom = std::min<int64_t>(static_cast<int64_t>(y) + r_, last_);
        for (int64_t row = top; row <= bottom; row++) {
            const int h = half_[row - y + r_];
            const int from = static_cast<int>(std::max<int64_t>(0, static_cast<int64_t>(x) - h));
            const int to = static_cast<int>(std::min<int64_t>(s_->width - 1, static_cast<int64_t>(x) + h));
            left_[row] = std::min(left_[row], from);
            right_[row] = std::max(right_[row], to);
        }
    }

    void fill(uint8_t index) const
    {
        for (int y = first_; y <= last_; y++) {
            if (left_[y] <= right_[y]) {
                memset(s_->pixels + static_cast<size_t>(y) * s_->pitch + left_[y], index,
                       static_cast<size_t>(right_[y] - left_[y]) + 1);
            }
        }
    }

private:
    PlatSurface* s_;
    int r_;
    int half_[65];  // half the dot's run on each of its rows, from the top
    int first_;     // the rows of the surface the stroke may touch
    int last_;
    static std::vector<int> left_;  // each row's run so far (empty: left > right)
    static std::vector<int> right_;
};
std::vector<int> Stroke::left_;
std::vector<int> Stroke::right_;

// Cuts the segment to the surface grown by the pen's width (Liang-Barsky);
// false when none of it is near the surface.
bool clip_segment(const PlatSurface* s, int width, int* x0, int* y0, int* x1, int* y1)
{
    const double margin = width + 1.0;
    const double ax = *x0;
    const double ay = *y0;
    const double dx = static_cast<double>(*x1) - ax;
    const double dy = static_cast<double>(*y1) - ay;
    double t0 = 0.0;
    double t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax + margin, s->width - 1 + margin - ax, ay + margin, s->height - 1 + margin - ay};
    for (int i = 0; i < 4; i++) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) {
                return false;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
    }
    if (t0 > t1) {
        return false;
    }
    *x0 = static_cast<int>(std::lround(ax + t0 * dx));
    *y0 = static_cast<int>(std::lround(ay + t0 * dy));
    *x1 = static_cast<int>(std::lround(ax + t1 * dx));
    *y1 = static_cast<int>(std::lround(ay + t1 * dy));
    return true;
}

}  // namespace

PlatDC* plat_get_dc(PlatSurface* surface)
{
    if (!surface || surface->locked) {
        return nullptr;
    }
    for (PlatDC& dc : dcs) {
        if (!dc.surface) {
            dc = PlatDC{};
            dc.surface = surface;
            dc.text_colour = 0;
            dc.transparent = false;
            dc.pen = &stock_pen;
            dc.pen_value = stock_pen;
            surface->locked = 1;
            return &dc;
        }
    }
    return nullptr;
}

void plat_release_dc(PlatSurface* surface, PlatDC* dc)
{
    if (!dc_valid(dc) || dc->surface != surface) {
        return;
    }
    dc->surface = nullptr;
    plat_unlock(surface);
}

void plat_set_text_color(PlatDC* dc, ColorRef colour)
{
    if (dc_valid(dc)) {
        dc->text_colour = colour;
    }
}

void plat_set_bk_transparent(PlatDC* dc)
{
    if (dc_valid(dc)) {
        dc->transparent = true;
    }
}

void plat_text_out(PlatDC* dc, int x, int y, const char* text, int length)
{
    if (!dc_valid(dc) || !text || length <= 0) {
        return;
    }
    const TextMask* m = text_mask(text, length);
    if (!m) {
        return;
    }
    PlatSurface* s = dc->surface;
    const uint8_t ink = static_cast<uint8_t>(display_nearest_index(dc->text_colour));
    // An opaque background is white, as a new device context has it.
    const int paper = dc->transparent ? -1 : display_nearest_index(plat_rgb(255, 255, 255));
    // The part of the mask that lands on the surface, worked out in 64 bits
    // so that no position, however far off, overflows or points outside.
    const int64_t x0 = std::max<int64_t>(0, -static_cast<int64_t>(x));
    const int64_t y0 = std::max<int64_t>(0, -static_cast<int64_t>(y));
    const int64_t x1 = std::min<int64_t>(m->width, static_cast<int64_t>(s->width) - x);
    const int64_t y1 = std::min<int64_t>(m->height, static_cast<int64_t>(s->height) - y);
    for (int64_t my = y0; my < y1; my++) {
        const uint8_t* bits = m->bits + my * m->width;
        uint8_t* row = s->pixels + (y + my) * s->pitch;
        if (paper < 0) {
            // Ink where the letters are, the surface's own pixel elsewhere:
            // a select, without a branch per pixel.
            for (int64_t mx = x0; mx < x1; mx++) {
                row[x + mx] = bits[mx] ? ink : row[x + mx];
            }
            continue;
        }
        for (int64_t mx = x0; mx < x1; mx++) {
            row[x + mx] = bits[mx] ? ink : static_cast<uint8_t>(paper);
        }
    }
}

void plat_set_pixel(PlatDC* dc, int x, int y, ColorRef colour)
{
    if (dc_valid(dc)) {
        put_pixel(dc->surface, x, y, static_cast<uint8_t>(display_nearest_index(colour)));
    }
}

PlatPen* plat_create_pen(int width, ColorRef colour)
{
    PlatPen* pen = static_cast<PlatPen*>(malloc(sizeof(PlatPen)));
    if (pen) {
        pen->width = std::clamp(width, 1, 64);
        pen->colour = colour;
    }
    return pen;
}

PlatPen* plat_select_pen(PlatDC* dc, PlatPen* pen)
{
    if (!dc_valid(dc) || !pen) {
        return nullptr;
    }
    PlatPen* previous = dc->pen;
    dc->pen = pen;
    dc->pen_value = *pen;
    return previous;
}

void plat_delete_pen(PlatPen* pen)
{
    if (pen != &stock_pen) {
        free(pen);
    }
}

void plat_move_to(PlatDC* dc, int x, int y)
{
    if (dc_valid(dc)) {
        dc->x = x;
        dc->y = y;
    }
}

void plat_line_to(PlatDC* dc, int x, int y)
{
    if (!dc_valid(dc)) {
        return;
    }
    int x0 = dc->x;
    int y0 = dc->y;
    dc->x = x;
    dc->y = y;
    if (x0 == x && y0 == y) {
        return;
    }
    PlatSurface* s = dc->surface;
    const int width = dc->pen_value.width;
    const uint8_t index = static_cast<uint8_t>(display_nearest_index(dc->pen_value.colour));
    // Far-away ends are first brought near the surface, so that Bresenham
    // below never walks millions of pixels off it.
    const int64_t span = std::max(std::abs(static_cast<int64_t>(x) - x0), std::abs(static_cast<int64_t>(y) - y0));
    if (span > 4 * 16384 && !clip_segment(s, width, &x0, &y0, &x, &y)) {
        return;
    }
    const int dx = std::abs(x - x0);
    const int dy = -std::abs(y - y0);
    const int sx = x0 < x ? 1 : -1;
    const int sy = y0 < y ? 1 : -1;
    int err = dx + dy;
    if (width <= 1 && x0 == x) {
        // A thin upright line, as the lane markings are: one column.
        const int from = static_cast<int>(std::max<int64_t>(0, std::min<int64_t>(y0, int64_t{y} + 1)));
        const int to = static_cast<int>(std::min<int64_t>(s->height - 1, std::max<int64_t>(y0, int64_t{y} - 1)));
        if (x0 >= 0 && x0 < s->width) {
            for (int row = from; row <= to; row++) {
                s->pixels[static_cast<size_t>(row) * s->pitch + x0] = index;
            }
        }
        return;
    }
    Stroke stroke(s, width, y0, y);
    for (;;) {
        const bool last = x0 == x && y0 == y;
        if (width <= 1) {
            if (last) {
                break;  // a thin line leaves its end point out
            }
            put_pixel(s, x0, y0, index);
        } else {
            stroke.dot(x0, y0);
        }
        if (last) {
            break;
        }
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
    if (width > 1) {
        stroke.fill(index);
    }
}

int plat_text_height()
{
    return text_atlas.height;
}

bool display_text_mask(const char* text, std::vector<uint8_t>* bits, int* width, int* height)
{
    return text && atlas_compose(text_atlas, text, static_cast<int>(strlen(text)), bits, width, height);
}

int plat_text_width(const char* text, int length)
{
    const TextMask* m = text && length > 0 ? text_mask(text, length) : nullptr;
    return m ? m->width : 0;
}
