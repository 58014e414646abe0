// Surfaces, clippers, blits, palettes and the display, all in memory. The
// window (window.cpp) only ever shows the display's visible surface.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/display_internal.h"
#include "platform/platform.h"

struct PlatClipper {
    int count;
    PlatRect rects[PLAT_CLIP_RECTS];
    PlatRect bound;
};

struct PlatDisplay {
    PlatSurface* primary;
    PlatSurface* back;
    PlatPalette* palette;
};

namespace {

constexpr int MAX_SIDE = 16384;

int pitch_padding;
PlatDisplay* the_display;

// The visible surface's back buffer is not a free-standing surface: it is
// released with its visible surface.
bool is_attached_back(const PlatSurface* surface)
{
    return the_display && surface && surface == the_display->back;
}

bool intersect(const PlatRect& a, const PlatRect& b, PlatRect* out)
{
    out->left = std::max(a.left, b.left);
    out->top = std::max(a.top, b.top);
    out->right = std::min(a.right, b.right);
    out->bottom = std::min(a.bottom, b.bottom);
    return out->left < out->right && out->top < out->bottom;
}

// The rectangles a drawing on `dest` may touch: its clip list cut to the
// surface, or the whole surface.
int clip_areas(const PlatSurface* dest, PlatRect* out)
{
    const PlatRect whole = {0, 0, dest->width, dest->height};
    if (!dest->clipper) {
        out[0] = whole;
        return 1;
    }
    int n = 0;
    for (int i = 0; i < dest->clipper->count; i++) {
        if (intersect(dest->clipper->rects[i], whole, &out[n])) {
            n++;
        }
    }
    return n;
}

// Sixteen pixels of a keyed copy at once, without a branch: where the
// source holds the key the destination keeps its own pixel.
#if defined(__SSE2__)
inline void keyed_16(uint8_t* to, const uint8_t* from, __m128i key)
{
    const __m128i source = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const __m128i dest = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to));
    const __m128i keep = _mm_cmpeq_epi8(source, key);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                     _mm_or_si128(_mm_and_si128(keep, dest), _mm_andnot_si128(keep, source)));
}
#endif

// One row of a keyed 1:1 copy. Rows of one surface copied onto itself may
// overlap; they go pixel by pixel, as each pixel must see the ones before.
void keyed_row(uint8_t* to, const uint8_t* from, int w, uint8_t key, bool same_surface)
{
    int i = 0;
#if defined(__SSE2__)
    if (!same_surface) {
        const __m128i keys = _mm_set1_epi8(static_cast<char>(key));
        for (; i + 16 <= w; i += 16) {
            keyed_16(to + i, from + i, keys);
        }
    }
#else
    (void)same_surface;
#endif
    for (; i < w; i++) {
        const uint8_t p = from[i];
        to[i] = p == key ? to[i] : p;
    }
}

// 1:1 copy of the part of `source` under `area` (destination coordinates).
void copy_area(PlatSurface* dest, const PlatRect& area, const PlatSurface* source, int source_left, int source_top,
               const PlatRect& dest_rect, int key)
{
    const int w = area.right - area.left;
    const int sx = source_left + (area.left - dest_rect.left);
    for (int y = area.top; y < area.bottom; y++) {
        const int sy = source_top + (y - dest_rect.top);
        const uint8_t* from = source->pixels + static_cast<size_t>(sy) * source->pitch + sx;
        uint8_t* to = dest->pixels + static_cast<size_t>(y) * dest->pitch + area.left;
        if (key < 0) {
            memmove(to, from, static_cast<size_t>(w));
        } else {
            keyed_row(to, from, w, static_cast<uint8_t>(key), source == dest);
        }
    }
}

// Scaled copy: destination pixel (x, y) of the block takes source pixel
// (left + (x - dest.left) * sw / dw, top + (y - dest.top) * sh / dh).
void scale_area(PlatSurface* dest, const PlatRect& area, const PlatSurface* source, const PlatRect& source_rect,
                const PlatRect& dest_rect, int key)
{
    static int columns[MAX_SIDE];
    const int64_t sw = source_rect.right - source_rect.left;
    const int64_t sh = source_rect.bottom - source_rect.top;
    const int64_t dw = static_cast<int64_t>(dest_rect.right) - dest_rect.left;
    const int64_t dh = static_cast<int64_t>(dest_rect.bottom) - dest_rect.top;
    const int w = area.right - area.left;
    for (int i = 0; i < w; i++) {
        columns[i] = source_rect.left + static_cast<int>((area.left + i - dest_rect.left) * sw / dw);
    }
    for (int y = area.top; y < area.bottom; y++) {
        const int sy = source_rect.top + static_cast<int>((y - dest_rect.top) * sh / dh);
        const uint8_t* from = source->pixels + static_cast<size_t>(sy) * source->pitch;
        uint8_t* to = dest->pixels + static_cast<size_t>(y) * dest->pitch + area.left;
        if (key < 0) {
            for (int i = 0; i < w; i++) {
                to[i] = from[columns[i]];
            }
            continue;
        }
        int i = 0;
#if defined(__SSE2__)
        if (source != dest) {
            // The row's pixels are picked out sixteen at a time, then laid
            // down as in a 1:1 copy.
            const __m128i keys = _mm_set1_epi8(static_cast<char>(key));
            alignas(16) uint8_t picked[16];
            for (; i + 16 <= w; i += 16) {
                for (int k = 0; k < 16; k++) {
                    picked[k] = from[columns[i + k]];
                }
                keyed_16(to + i, picked, keys);
            }
        }
#endif
        for (; i < w; i++) {
            const uint8_t p = from[columns[i]];
            to[i] = p == key ? to[i] : p;
        }
    }
}

void fill_area(PlatSurface* dest, const PlatRect& area, uint8_t index)
{
    const size_t w = static_cast<size_t>(area.right - area.left);
    for (int y = area.top; y < area.bottom; y++) {
        memset(dest->pixels + static_cast<size_t>(y) * dest->pitch + area.left, index, w);
    }
}

// The window shows the visible surface, while there is one.
void show_soon()
{
    window_show_soon();
}

void show_if_visible(const PlatSurface* surface)
{
    if (surface && surface == display_visible_surface()) {
        show_soon();
    }
}

// Nearest-colour answers, remembered until the display palette changes.
struct NearestCache {
    uint32_t key[256];
    int index[256];
    bool valid[256];
};
NearestCache nearest_cache;
const PlatPalette* nearest_cache_palette;

void forget_nearest()
{
    memset(nearest_cache.valid, 0, sizeof nearest_cache.valid);
}

}  // namespace

// ---------------------------------------------------------------------------
// Surfaces

PlatSurface* plat_create_surface(int width, int height)
{
    if (width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE) {
        return nullptr;
    }
    PlatSurface* surface = static_cast<PlatSurface*>(calloc(1, sizeof(PlatSurface)));
    if (!surface) {
        return nullptr;
    }
    surface->width = width;
    surface->height = height;
    surface->pitch = width + pitch_padding;
    surface->pixels = static_cast<uint8_t*>(calloc(static_cast<size_t>(surface->pitch) * height, 1));
    if (!surface->pixels) {
        free(surface);
        return nullptr;
    }
    surface->colour_key = -1;
    return surface;
}

void plat_release_surface(PlatSurface* surface)
{
    if (!surface) {
        return;
    }
    if (the_display && surface == the_display->primary) {
        PlatSurface* back = the_display->back;
        the_display->primary = nullptr;
        the_display->back = nullptr;
        plat_release_surface(back);
    } else if (is_attached_back(surface)) {
        // Only goes with its visible surface.
        return;
    }
    free(surface->pixels);
    free(surface);
}

void plat_set_pitch_padding(int bytes)
{
    pitch_padding = std::clamp(bytes, 0, 4096);
}

void plat_set_colour_key(PlatSurface* surface, int index)
{
    if (surface) {
        surface->colour_key = index < 0 ? -1 : (index & 0xFF);
    }
}

uint8_t* plat_lock(PlatSurface* surface, int* pitch)
{
    if (!surface || surface->locked) {
        return nullptr;
    }
    surface->locked = 1;
    if (pitch) {
        *pitch = surface->pitch;
    }
    return surface->pixels;
}

int plat_unlock(PlatSurface* surface)
{
    if (!surface || !surface->locked) {
        return 0;
    }
    surface->locked = 0;
    show_if_visible(surface);
    return 1;
}

// ---------------------------------------------------------------------------
// Clippers

PlatClipper* plat_create_clipper()
{
    PlatClipper* clipper = static_cast<PlatClipper*>(calloc(1, sizeof(PlatClipper)));
    if (clipper) {
        clipper->bound = {64000, 64000, -64000, -64000};
    }
    return clipper;
}

int plat_set_clip_list(PlatClipper* clipper, int count, const PlatRect* rects)
{
    if (!clipper || count < 0 || count > PLAT_CLIP_RECTS || (count > 0 && !rects)) {
        return 0;
    }
    PlatRect bound = {64000, 64000, -64000, -64000};
    for (int i = 0; i < count; i++) {
        const PlatRect& r = rects[i];
        if (r.left < bound.left)
            bound.left = r.left;
        if (r.right > bound.right)
            bound.right = r.right;
        if (r.top < bound.top)
            bound.top = r.top;
        if (r.bottom > bound.bottom)
            bound.bottom = r.bottom;
        clipper->rects[i] = r;
    }
    clipper->count = count;
    clipper->bound = bound;
    return 1;
}

bool plat_get_clip_bound(const PlatClipper* clipper, PlatRect* bound)
{
    if (!clipper || !bound) {
        return false;
    }
    *bound = clipper->bound;
    return true;
}

int plat_set_clipper(PlatSurface* surface, PlatClipper* clipper)
{
    if (!surface) {
        return 0;
    }
    surface->clipper = clipper;
    return 1;
}

void plat_release_clipper(PlatClipper* clipper)
{
    free(clipper);
}

// ---------------------------------------------------------------------------
// Blits

int plat_blit(PlatSurface* dest, const PlatRect* dest_rect, PlatSurface* source, const PlatRect* source_rect,
              bool keyed)
{
    if (!dest || !source || !dest_rect || !source_rect) {
        return 0;
    }
    const PlatRect& s = *source_rect;
    if (s.left < 0 || s.top < 0 || s.right > source->width || s.bottom > source->height || s.left >= s.right ||
        s.top >= s.bottom) {
        return 0;
    }
    // Sizes in 64 bits: a rectangle from the caller may be anywhere.
    const int64_t dw = static_cast<int64_t>(dest_rect->right) - dest_rect->left;
    const int64_t dh = static_cast<int64_t>(dest_rect->bottom) - dest_rect->top;
    if (dw <= 0 || dh <= 0 || dw > MAX_SIDE || dh > MAX_SIDE) {
        return 0;
    }
    const int key = keyed ? source->colour_key : -1;
    const bool scaled = dw != s.right - s.left || dh != s.bottom - s.top;
    PlatRect areas[PLAT_CLIP_RECTS];
    const int n = clip_areas(dest, areas);
    for (int i = 0; i < n; i++) {
        PlatRect area;
        if (!intersect(areas[i], *dest_rect, &area)) {
            continue;
        }
        if (scaled) {
            scale_area(dest, area, source, s, *dest_rect, key);
        } else {
            copy_area(dest, area, source, s.left, s.top, *dest_rect, key);
        }
    }
    show_if_visible(dest);
    return 1;
}

int plat_fill(PlatSurface* dest, const PlatRect* rect, int index)
{
    if (!dest) {
        return 0;
    }
    const PlatRect whole = {0, 0, dest->width, dest->height};
    if (!rect) {
        fill_area(dest, whole, static_cast<uint8_t>(index));
    } else {
        PlatRect areas[PLAT_CLIP_RECTS];
        const int n = clip_areas(dest, areas);
        for (int i = 0; i < n; i++) {
            PlatRect area;
            if (intersect(areas[i], *rect, &area)) {
                fill_area(dest, area, static_cast<uint8_t>(index));
            }
        }
    }
    show_if_visible(dest);
    return 1;
}

// ---------------------------------------------------------------------------
// Palettes

PlatPalette* plat_create_palette(const PlatPaletteEntry entries[256])
{
    PlatPalette* palette = static_cast<PlatPalette*>(calloc(1, sizeof(PlatPalette)));
    if (palette && entries) {
        memcpy(palette->entries, entries, sizeof palette->entries);
    }
    return palette;
}

int plat_set_palette_entries(PlatPalette* palette, int first, int count, const PlatPaletteEntry* entries)
{
    if (!palette || !entries || first < 0 || count < 0 || first + count > 256) {
        return 0;
    }
    memcpy(palette->entries + first, entries, sizeof(PlatPaletteEntry) * count);
    if (palette == display_attached_palette()) {
        forget_nearest();
        show_soon();
    }
    return 1;
}

int plat_get_palette_entries(const PlatPalette* palette, int first, int count, PlatPaletteEntry* out)
{
    if (!palette || !out || first < 0 || count < 0 || first + count > 256) {
        return 0;
    }
    memcpy(out, palette->entries + first, sizeof(PlatPaletteEntry) * count);
    return 1;
}

void plat_release_palette(PlatPalette* palette)
{
    if (!palette) {
        return;
    }
    if (the_display && the_display->palette == palette) {
        the_display->palette = nullptr;
        forget_nearest();
    }
    free(palette);
}

// ---------------------------------------------------------------------------
// The display

PlatDisplay* plat_display_open()
{
    if (the_display) {
        return nullptr;  // one display at a time, as one screen
    }
    the_display = static_cast<PlatDisplay*>(calloc(1, sizeof(PlatDisplay)));
    return the_display;
}

PlatSurface* plat_display_create_primary(PlatDisplay* display, PlatSurface** back_buffer)
{
    if (!display || display != the_display || display->primary || !back_buffer) {
        return nullptr;
    }
    PlatSurface* primary = plat_create_surface(PLAT_SCREEN_W, PLAT_SCREEN_H);
    PlatSurface* back = plat_create_surface(PLAT_SCREEN_W, PLAT_SCREEN_H);
    if (!primary || !back) {
        plat_release_surface(primary);
        plat_release_surface(back);
        return nullptr;
    }
    display->primary = primary;
    display->back = back;
    *back_buffer = back;
    return primary;
}

int plat_display_set_palette(PlatSurface* primary, PlatPalette* palette)
{
    if (!the_display || !primary || primary != the_display->primary) {
        return 0;
    }
    the_display->palette = palette;
    forget_nearest();
    show_soon();
    return 1;
}

int plat_flip(PlatSurface* primary)
{
    if (!the_display || !primary || primary != the_display->primary || !the_display->back) {
        return 0;
    }
    std::swap(primary->pixels, the_display->back->pixels);
    window_show_flip();
    return 1;
}

void plat_display_close(PlatDisplay* display)
{
    if (!display || display != the_display) {
        return;
    }
    // Surfaces and palettes made on it stay the caller's to give back; the
    // visible surface is no longer shown.
    the_display = nullptr;
    forget_nearest();
    free(display);
}

PlatSurface* display_visible_surface()
{
    return the_display ? the_display->primary : nullptr;
}

PlatPalette* display_attached_palette()
{
    return the_display ? the_display->palette : nullptr;
}

int display_nearest_index(ColorRef colour)
{
    const int r = colour & 0xFF;
    const int g = (colour >> 8) & 0xFF;
    const int b = (colour >> 16) & 0xFF;
    const PlatPalette* palette = display_attached_palette();
    if (!palette) {
        return (r * 30 + g * 59 + b * 11) / 100;
    }
    if (palette != nearest_cache_palette) {
        forget_nearest();
        nearest_cache_palette = palette;
    }
    const uint32_t key = colour & 0xFFFFFF;
    // A multiplicative hash: the plain primaries and their mixes, which a
    // frame asks for one after the other, land in different slots.
    const int slot = static_cast<int>((key * 2654435761u) >> 24);
    if (nearest_cache.valid[slot] && nearest_cache.key[slot] == key) {
        return nearest_cache.index[slot];
    }
    int best = 0;
    int best_distance = 0x7FFFFFFF;
    for (int i = 0; i < 256; i++) {
        const PlatPaletteEntry& e = palette->entries[i];
        const int dr = e.red - r;
        const int dg = e.green - g;
        const int db = e.blue - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < best_distance) {
            best_distance = d;
            best = i;
        }
    }
    nearest_cache.key[slot] = key;
    nearest_cache.index[slot] = best;
    nearest_cache.valid[slot] = true;
    return best;
}

int plat_nearest_index(ColorRef colour)
{
    return display_nearest_index(colour);
}

bool display_convert_visible(uint32_t* argb, int pitch_words)
{
    const PlatSurface* visible = display_visible_surface();
    if (!visible) {
        return false;
    }
    uint32_t lut[256];
    const PlatPalette* palette = display_attached_palette();
    for (int i = 0; i < 256; i++) {
        if (palette) {
            const PlatPaletteEntry& e = palette->entries[i];
            lut[i] = 0xFF000000u | (uint32_t(e.red) << 16) | (uint32_t(e.green) << 8) | e.blue;
        } else {
            lut[i] = 0xFF000000u | (uint32_t(i) << 16) | (uint32_t(i) << 8) | uint32_t(i);
        }
    }
    for (int y = 0; y < visible->height; y++) {
        const uint8_t* from = visible->pixels + static_cast<size_t>(y) * visible->pitch;
        uint32_t* to = argb + static_cast<size_t>(y) * pitch_words;
        for (int x = 0; x < visible->width; x++) {
            to[x] = lut[from[x]];
        }
    }
    return true;
}

bool plat_read_screen(uint8_t* rgb)
{
    const PlatSurface* visible = display_visible_surface();
    if (!visible || !rgb) {
        return false;
    }
    const PlatPalette* palette = display_attached_palette();
    for (int y = 0; y < PLAT_SCREEN_H; y++) {
        const uint8_t* from = visible->pixels + static_cast<size_t>(y) * visible->pitch;
        uint8_t* to = rgb + static_cast<size_t>(y) * PLAT_SCREEN_W * 3;
        for (int x = 0; x < PLAT_SCREEN_W; x++) {
            const int i = from[x];
            if (palette) {
                to[3 * x] = palette->entries[i].red;
                to[3 * x + 1] = palette->entries[i].green;
                to[3 * x + 2] = palette->entries[i].blue;
            } else {
                to[3 * x] = to[3 * x + 1] = to[3 * x + 2] = static_cast<uint8_t>(i);
            }
        }
    }
    return true;
}
