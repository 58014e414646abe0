// Palette, canvas, shaded shapes, fire and the BMP / WAV writers.
#include "make_data.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>

// ---------------------------------------------------------------- random

void rng_seed(Rng& rng, uint32_t seed)
{
    rng.state = seed ? seed : 0x9E3779B9u;
    for (int i = 0; i < 4; ++i)
        rng_next(rng);
}

uint32_t rng_next(Rng& rng)
{
    uint32_t x = rng.state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    rng.state = x;
    return x;
}

int rng_int(Rng& rng, int n)
{
    if (n <= 1)
        return 0;
    return (int)(rng_next(rng) % (uint32_t)n);
}

float rng_float(Rng& rng)
{
    return (float)(rng_next(rng) >> 8) / 16777216.0f;
}

float hash_noise(int x, int y, uint32_t seed)
{
    uint32_t h = (uint32_t)x * 374761393u + (uint32_t)y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (float)(h & 0xFFFFFF) / 16777216.0f;
}

float value_noise(float x, float y, uint32_t seed)
{
    int xi = (int)std::floor(x);
    int yi = (int)std::floor(y);
    float fx = x - (float)xi;
    float fy = y - (float)yi;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    float a = hash_noise(xi, yi, seed);
    float b = hash_noise(xi + 1, yi, seed);
    float c = hash_noise(xi, yi + 1, seed);
    float d = hash_noise(xi + 1, yi + 1, seed);
    return a + (b - a) * fx + (c - a) * fy + (a - b - c + d) * fx * fy;
}

float fbm_noise(float x, float y, uint32_t seed, int octaves)
{
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * value_noise(x, y, seed + (uint32_t)o * 101u);
        norm += amp;
        x *= 2.03f;
        y *= 2.03f;
        amp *= 0.5f;
    }
    return sum / norm;
}

// ---------------------------------------------------------------- palette

namespace {

constexpr std::array<Rgb, RAMP_COUNT> ramp_hues = {{
    {128, 128, 128},  // grey (built separately)
    {215, 30, 25},    // red paint
    {255, 125, 20},   // orange
    {255, 215, 40},   // yellow
    {70, 145, 50},    // grass
    {70, 255, 90},    // alien glow
    {50, 195, 230},   // glass / cyan
    {45, 85, 225},    // blue paint
    {150, 60, 205},   // purple
    {150, 90, 48},    // rust / brown
    {212, 182, 132},  // sand / tan
    {92, 98, 110},    // asphalt
    {230, 60, 165},   // magenta
    {118, 128, 58},   // olive drab
    {140, 162, 190},  // steel
}};

constexpr std::array<Rgb, PAL_FIRE_COUNT> fire_colours = {{
    {255, 255, 225},
    {255, 243, 150},
    {255, 208, 80},
    {255, 165, 40},
    {250, 115, 20},
    {228, 72, 10},
    {188, 42, 6},
    {138, 26, 6},
    {88, 16, 6},
    {48, 12, 8},
}};

std::array<Rgb, 256> build_palette()
{
    std::array<Rgb, 256> p{};
    p[0] = {0, 0, 0};
    for (int k = 1; k < 16; ++k) {
        int v = std::min(255, 8 + k * 16 + (k == 15 ? 7 : 0));
        p[k] = {(uint8_t)v, (uint8_t)v, (uint8_t)v};
    }
    for (int r = 1; r < RAMP_COUNT; ++r) {
        Rgb hue = ramp_hues[r];
        for (int k = 0; k < 16; ++k) {
            float cr, cg, cb;
            if (k <= 11) {
                float f = 0.09f + 0.91f * (float)k / 11.0f;
                cr = hue.r * f;
                cg = hue.g * f;
                cb = hue.b * f;
            } else {
                float m = (float)(k - 11) / 5.0f;
                cr = hue.r + (255 - hue.r) * m;
                cg = hue.g + (255 - hue.g) * m;
                cb = hue.b + (255 - hue.b) * m;
            }
            p[r * 16 + k] = {(uint8_t)std::lround(cr), (uint8_t)std::lround(cg), (uint8_t)std::lround(cb)};
        }
    }
    p[PAL_TEXT_RED] = {240, 0, 0};
    p[PAL_RED] = {255, 0, 0};
    p[PAL_YELLOW] = {255, 255, 0};
    p[PAL_GREEN] = {0, 255, 0};
    p[PAL_BLUE] = {20, 20, 255};
    p[PAL_WHITE] = {255, 255, 255};
    for (int i = 0; i < PAL_FIRE_COUNT; ++i)
        p[PAL_FIRE0 + i] = fire_colours[i];
    return p;
}

const std::array<Rgb, 256> the_palette = build_palette();

}  // namespace

const Rgb* palette_colours()
{
    return the_palette.data();
}

uint8_t ramp_index(int ramp, int shade)
{
    shade = std::clamp(shade, ramp == RAMP_GREY ? 1 : 0, 15);
    return (uint8_t)(ramp * 16 + shade);
}

uint8_t fire_index(int heat)
{
    return (uint8_t)(PAL_FIRE0 + std::clamp(heat, 0, PAL_FIRE_COUNT - 1));
}

uint8_t nearest_index(int r, int g, int b)
{
    int best = 1, best_d = 1 << 30;
    for (int i = 1; i < 256; ++i) {
        int dr = the_palette[i].r - r, dg = the_palette[i].g - g, db = the_palette[i].b - b;
        int d = dr * dr + dg * dg + db * db;
        if (d < best_d) {
            best_d = d;
            best = i;
        }
    }
    return (uint8_t)best;
}

// ---------------------------------------------------------------- canvas

Canvas canvas_make(int w, int h, uint8_t fill)
{
    Canvas c;
    c.w = w;
    c.h = h;
    c.px.assign((size_t)w * (size_t)h, fill);
    return c;
}

void canvas_put(Canvas& c, int x, int y, uint8_t idx)
{
    if (x >= 0 && y >= 0 && x < c.w && y < c.h)
        c.px[(size_t)y * c.w + x] = idx;
}

uint8_t canvas_get(const Canvas& c, int x, int y)
{
    if (x >= 0 && y >= 0 && x < c.w && y < c.h)
        return c.px[(size_t)y * c.w + x];
    return 0;
}

void canvas_fill_rect(Canvas& c, int x, int y, int w, int h, uint8_t idx)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            canvas_put(c, i, j, idx);
}

void canvas_blit(Canvas& dst, const Canvas& src, int x, int y, int keyed)
{
    for (int j = 0; j < src.h; ++j)
        for (int i = 0; i < src.w; ++i) {
            uint8_t v = src.px[(size_t)j * src.w + i];
            if (!keyed || v != 0)
                canvas_put(dst, x + i, y + j, v);
        }
}

void canvas_line(Canvas& c, float x0, float y0, float x1, float y1, float width, uint8_t idx)
{
    float r = width * 0.5f;
    int xa = (int)std::floor(std::min(x0, x1) - r - 1), xb = (int)std::ceil(std::max(x0, x1) + r + 1);
    int ya = (int)std::floor(std::min(y0, y1) - r - 1), yb = (int)std::ceil(std::max(y0, y1) + r + 1);
    float dx = x1 - x0, dy = y1 - y0;
    float len2 = dx * dx + dy * dy;
    for (int y = ya; y <= yb; ++y)
        for (int x = xa; x <= xb; ++x) {
            float px = (float)x + 0.5f, py = (float)y + 0.5f;
            float t = len2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / len2 : 0.0f;
            t = std::clamp(t, 0.0f, 1.0f);
            float qx = x0 + t * dx - px, qy = y0 + t * dy - py;
            if (qx * qx + qy * qy <= r * r)
                canvas_put(c, x, y, idx);
        }
}

float dither(int x, int y)
{
    static constexpr int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return ((float)bayer[y & 3][x & 3] + 0.5f) / 16.0f - 0.5f;
}

float sdf_box(float px, float py, float cx, float cy, float hw, float hh, float radius)
{
    float qx = std::fabs(px - cx) - (hw - radius);
    float qy = std::fabs(py - cy) - (hh - radius);
    float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

float sdf_circle(float px, float py, float cx, float cy, float r)
{
    float dx = px - cx, dy = py - cy;
    return std::sqrt(dx * dx + dy * dy) - r;
}

float sdf_ellipse(float px, float py, float cx, float cy, float rx, float ry)
{
    // Scaled-circle approximation; good enough for shading small sprites.
    float dx = (px - cx) / rx, dy = (py - cy) / ry;
    float k = std::sqrt(dx * dx + dy * dy);
    return (k - 1.0f) * std::min(rx, ry);
}

void paint_sdf(Canvas& c, int x0, int y0, int x1, int y1, const Sdf& sdf, int ramp, float base, float bevel,
               float strength, uint32_t grain_seed, float grain)
{
    const float lx = -0.55f, ly = -0.835f;  // towards the light, top-left
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            float px = (float)x + 0.5f, py = (float)y + 0.5f;
            float d = sdf(px, py);
            if (d > 0)
                continue;
            float gx = sdf(px + 0.5f, py) - sdf(px - 0.5f, py);
            float gy = sdf(px, py + 0.5f) - sdf(px, py - 0.5f);
            float gl = std::sqrt(gx * gx + gy * gy);
            float light = 0;
            if (gl > 1e-4f && bevel > 0) {
                float e = std::clamp(1.0f + d / bevel, 0.0f, 1.0f);
                light = (gx * lx + gy * ly) / gl * e * strength;
            }
            float s = base + light + dither(x, y) * 0.9f;
            if (grain > 0)
                s += (hash_noise(x, y, grain_seed) - 0.5f) * grain;
            canvas_put(c, x, y, ramp_index(ramp, (int)std::lround(s)));
        }
}

void fill_sdf(Canvas& c, int x0, int y0, int x1, int y1, const Sdf& sdf, uint8_t idx)
{
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (sdf((float)x + 0.5f, (float)y + 0.5f) <= 0)
                canvas_put(c, x, y, idx);
}

void paint_fire(Canvas& c, float cx, float cy, float r, uint32_t seed, float raggedness)
{
    int x0 = (int)(cx - r * 1.6f), x1 = (int)(cx + r * 1.6f) + 1;
    int y0 = (int)(cy - r * 1.9f), y1 = (int)(cy + r * 1.4f) + 1;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            float dx = ((float)x + 0.5f - cx) / r, dy = ((float)y + 0.5f - cy) / r;
            // Flames lick upwards: stretch the upper half.
            if (dy < 0)
                dy *= 0.72f;
            float dist = std::sqrt(dx * dx + dy * dy);
            float n = fbm_noise((float)x * 0.21f, (float)y * 0.16f + (float)seed * 0.37f, seed, 3);
            float edge = 1.0f - raggedness * (n - 0.3f);
            if (dist > edge)
                continue;
            float heat = dist / edge;  // 0 centre .. 1 edge
            float h = heat * 8.6f + (n - 0.5f) * 3.0f + dither(x, y) * 0.8f;
            canvas_put(c, x, y, fire_index((int)std::lround(h)));
        }
}

void paint_smoke(Canvas& c, float cx, float cy, float r, uint32_t seed)
{
    int x0 = (int)(cx - r - 1), x1 = (int)(cx + r + 2);
    int y0 = (int)(cy - r - 1), y1 = (int)(cy + r + 2);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            float dx = ((float)x + 0.5f - cx) / r, dy = ((float)y + 0.5f - cy) / r;
            float dist = std::sqrt(dx * dx + dy * dy);
            float n = fbm_noise((float)x * 0.25f, (float)y * 0.25f, seed, 3);
            if (dist > 0.75f + 0.5f * n)
                continue;
            float s = 2.5f + 4.0f * n - dx * 1.5f - dy * 1.5f + dither(x, y);
            canvas_put(c, x, y, ramp_index(RAMP_GREY, (int)std::lround(s)));
        }
}

// ---------------------------------------------------------------- files

namespace {

void put16(std::vector<uint8_t>& v, uint32_t x)
{
    v.push_back((uint8_t)(x & 0xFF));
    v.push_back((uint8_t)((x >> 8) & 0xFF));
}

void put32(std::vector<uint8_t>& v, uint32_t x)
{
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

}  // namespace

int write_file(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "make_data: cannot write %s\n", path.c_str());
        return 0;
    }
    size_t n = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), f);
    int ok = std::fclose(f) == 0 && n == bytes.size();
    if (!ok)
        std::fprintf(stderr, "make_data: short write on %s\n", path.c_str());
    return ok;
}

int write_bmp(const std::string& path, const Canvas& c)
{
    // The game reads rows without padding, so widths must be multiples of 4.
    if (c.w % 4 != 0) {
        std::fprintf(stderr, "make_data: %s width %d is not a multiple of 4\n", path.c_str(), c.w);
        return 0;
    }
    const uint32_t image_size = (uint32_t)c.w * (uint32_t)c.h;
    const uint32_t offset = 14 + 40 + 1024;
    std::vector<uint8_t> b;
    b.reserve(offset + image_size);
    b.push_back('B');
    b.push_back('M');
    put32(b, offset + image_size);
    put16(b, 0);
    put16(b, 0);
    put32(b, offset);
    put32(b, 40);
    put32(b, (uint32_t)c.w);
    put32(b, (uint32_t)c.h);
    put16(b, 1);
    put16(b, 8);
    put32(b, 0);
    put32(b, image_size);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, 256);
    put32(b, 256);
    const Rgb* pal = palette_colours();
    for (int i = 0; i < 256; ++i) {
        b.push_back(pal[i].b);
        b.push_back(pal[i].g);
        b.push_back(pal[i].r);
        b.push_back(0);
    }
    for (int y = c.h - 1; y >= 0; --y)
        b.insert(b.end(), c.px.begin() + (std::ptrdiff_t)y * c.w, c.px.begin() + (std::ptrdiff_t)(y + 1) * c.w);
    return write_file(path, b);
}

int write_wav(const std::string& path, const std::vector<uint8_t>& samples)
{
    std::vector<uint8_t> b;
    uint32_t n = (uint32_t)samples.size();
    uint32_t pad = n & 1;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put32(b, 4 + 8 + 16 + 8 + n + pad);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(b, 16);
    put16(b, 1);  // PCM
    put16(b, 1);  // mono
    put32(b, 11025);
    put32(b, 11025);
    put16(b, 1);
    put16(b, 8);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32(b, n);
    b.insert(b.end(), samples.begin(), samples.end());
    if (pad)
        b.push_back(128);
    return write_file(path, b);
}
