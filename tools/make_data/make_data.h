// Tailgate default data generator: shared declarations.
// Everything here is deterministic: no clock, no unseeded randomness.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "data_files.h"

// ---------------------------------------------------------------- random

// Small seeded generator of our own (xorshift32), so the output never
// depends on the C library.
struct Rng {
    uint32_t state;
};
void rng_seed(Rng& rng, uint32_t seed);
uint32_t rng_next(Rng& rng);
int rng_int(Rng& rng, int n);  // 0 .. n-1
float rng_float(Rng& rng);     // 0 .. 1

// Hash noise in 0..1 for a lattice point, and smooth value noise / fbm.
float hash_noise(int x, int y, uint32_t seed);
float value_noise(float x, float y, uint32_t seed);
float fbm_noise(float x, float y, uint32_t seed, int octaves);

// ---------------------------------------------------------------- palette

// Palette layout: index 0 black (transparent for sprites), 1..15 grey ramp,
// then 14 colour ramps of 16 shades (dark to highlight), then a hot fire ramp
// and the exact colours the game draws with.
enum Ramp {
    RAMP_GREY = 0,
    RAMP_RED = 1,
    RAMP_ORANGE = 2,
    RAMP_YELLOW = 3,
    RAMP_GRASS = 4,
    RAMP_ALIEN = 5,
    RAMP_CYAN = 6,
    RAMP_BLUE = 7,
    RAMP_PURPLE = 8,
    RAMP_RUST = 9,
    RAMP_SAND = 10,
    RAMP_ASPHALT = 11,
    RAMP_MAGENTA = 12,
    RAMP_OLIVE = 13,
    RAMP_STEEL = 14,
};
constexpr int RAMP_COUNT = 15;

constexpr uint8_t PAL_TEXT_RED = 240;  // 240,0,0
constexpr uint8_t PAL_RED = 241;       // 255,0,0
constexpr uint8_t PAL_YELLOW = 242;    // 255,255,0
constexpr uint8_t PAL_GREEN = 243;     // 0,255,0
constexpr uint8_t PAL_BLUE = 244;      // 20,20,255
constexpr uint8_t PAL_WHITE = 245;     // 255,255,255
constexpr uint8_t PAL_FIRE0 = 246;     // fire ramp 246 (white hot) .. 255 (deep ember)
constexpr int PAL_FIRE_COUNT = 10;

struct Rgb {
    uint8_t r, g, b;
};
const Rgb* palette_colours();             // 256 entries
uint8_t ramp_index(int ramp, int shade);  // shade clamped to 1..15 for grey, 0..15 otherwise
uint8_t fire_index(int heat);             // heat 0 (white hot) .. 9 (ember)
uint8_t nearest_index(int r, int g, int b);

// ---------------------------------------------------------------- canvas

struct Canvas {
    int w = 0;
    int h = 0;
    std::vector<uint8_t> px;
};
Canvas canvas_make(int w, int h, uint8_t fill);
void canvas_put(Canvas& c, int x, int y, uint8_t idx);
uint8_t canvas_get(const Canvas& c, int x, int y);
void canvas_fill_rect(Canvas& c, int x, int y, int w, int h, uint8_t idx);
void canvas_blit(Canvas& dst, const Canvas& src, int x, int y, int keyed);
// Thick line with round ends.
void canvas_line(Canvas& c, float x0, float y0, float x1, float y1, float width, uint8_t idx);

// Ordered dither threshold -0.5 .. 0.5 for a pixel.
float dither(int x, int y);

// Shaded solid: sdf(x, y) < 0 inside.  Pixels get ramp shades from `base`,
// lit from the top-left across a bevel of `bevel` pixels.
using Sdf = std::function<float(float, float)>;
void paint_sdf(Canvas& c, int x0, int y0, int x1, int y1, const Sdf& sdf, int ramp, float base, float bevel,
               float strength, uint32_t grain_seed = 0, float grain = 0.0f);
// Flat fill of an sdf with one index (anti-alias free).
void fill_sdf(Canvas& c, int x0, int y0, int x1, int y1, const Sdf& sdf, uint8_t idx);

float sdf_box(float px, float py, float cx, float cy, float hw, float hh, float radius);
float sdf_circle(float px, float py, float cx, float cy, float r);
float sdf_ellipse(float px, float py, float cx, float cy, float rx, float ry);

// Paint a fireball of radius r (hot core, orange, dark red edge, ragged).
void paint_fire(Canvas& c, float cx, float cy, float r, uint32_t seed, float raggedness);
// Soft dark smoke puff (greys), leaves transparent pixels alone when keep_holes.
void paint_smoke(Canvas& c, float cx, float cy, float r, uint32_t seed);

// ---------------------------------------------------------------- text

enum Font {
    FONT_SANS_BOLD,
    FONT_SANS,
    FONT_SERIF_BOLD,
    FONT_CONDENSED_BOLD,
    FONT_MONO_BOLD,
};
struct TextStyle {
    int font = FONT_SANS_BOLD;
    int size = 16;
    int ramp = RAMP_YELLOW;  // vertical gradient over this ramp
    int top_shade = 14;
    int bottom_shade = 7;
    int outline = -1;  // palette index of a 1 px outline, -1 none
    int shadow = -1;   // palette index of a drop shadow, -1 none
    int shadow_dx = 2;
    int shadow_dy = 2;
    int italic = 0;
};
int text_init();
void text_shutdown();
// Draws and returns the width in pixels; x is the left edge, y the top.
int draw_text(Canvas& c, int x, int y, const std::string& text, const TextStyle& style);
int text_width(const std::string& text, const TextStyle& style);
int draw_text_centered(Canvas& c, int cx, int y, const std::string& text, const TextStyle& style);

// ---------------------------------------------------------------- files

int write_bmp(const std::string& path, const Canvas& c);
int write_wav(const std::string& path, const std::vector<uint8_t>& samples);
int write_file(const std::string& path, const std::vector<uint8_t>& bytes);

// ---------------------------------------------------------------- generators

int make_background(const std::string& dir);
int make_screens(const std::string& dir);
int make_sprites(const std::string& dir);
int make_sounds(const std::string& dir);
int make_music(const std::string& dir);

// Shared with the screens: vehicle and truck painters (top view, nose up).
void paint_truck(Canvas& c, int ox, int oy, int variant);
void paint_vehicle(Canvas& c, int ox, int oy, int kind);
void paint_monster(Canvas& c, int ox, int oy, int level, int hurt);
// Lays out a sprite sheet: grid lines, cells at c*(w+1)+1, r*(h+1)+1.
Canvas sheet_make(int sheet_w, int sheet_h, int cols, int rows, int cell_w, int cell_h);
constexpr uint8_t PAL_GRID = 12 * 16 + 11;  // bright magenta grid lines
