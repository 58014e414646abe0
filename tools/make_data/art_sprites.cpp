// Sprite sheets: truck.bmp (the player's armoured pickup), cars2.bmp (traffic
// with its burning stages) and monster.bmp (the three big aliens).
// All seen from above, nose up; index 0 is transparent.
#include "make_data.h"

#include <algorithm>
#include <cmath>

namespace {

float sdf_capsule(float px, float py, float ax, float ay, float bx, float by, float r)
{
    float pax = px - ax, pay = py - ay, bax = bx - ax, bay = by - ay;
    float t = std::clamp((pax * bax + pay * bay) / (bax * bax + bay * bay), 0.0f, 1.0f);
    float dx = pax - bax * t, dy = pay - bay * t;
    return std::sqrt(dx * dx + dy * dy) - r;
}

// Trapezoid centred on cx, top half-width wt at y0, bottom half-width wb at y1.
float sdf_trapezoid(float px, float py, float cx, float y0, float y1, float wt, float wb)
{
    float t = std::clamp((py - y0) / (y1 - y0), 0.0f, 1.0f);
    float hw = wt + (wb - wt) * t;
    float dx = std::fabs(px - cx) - hw;
    float dy = std::max(y0 - py, py - y1);
    return std::max(dx, dy);
}

// Soft drop shadow under a vehicle: darkens nothing, just a dark grey blob
// offset to the lower right, drawn first so the body covers most of it.
void shadow_box(Canvas& c, float cx, float cy, float hw, float hh, float r)
{
    fill_sdf(
        c, (int)(cx - hw), (int)(cy - hh), (int)(cx + hw + 4), (int)(cy + hh + 4),
        [=](float px, float py) { return sdf_box(px, py, cx + 1.5f, cy + 1.5f, hw, hh, r); }, ramp_index(RAMP_GREY, 1));
}

void wheel(Canvas& c, float cx, float cy, float hw, float hh)
{
    paint_sdf(
        c, (int)(cx - hw - 1), (int)(cy - hh - 1), (int)(cx + hw + 2), (int)(cy + hh + 2),
        [=](float px, float py) { return sdf_box(px, py, cx, cy, hw, hh, 1.5f); }, RAMP_GREY, 2.0f, 2.0f, 2.0f);
    // Tread lines.
    for (float y = cy - hh + 2; y < cy + hh - 1; y += 3)
        for (float x = cx - hw + 1; x < cx + hw; x += 1)
            canvas_put(c, (int)x, (int)y, ramp_index(RAMP_GREY, 1));
}

void glass(Canvas& c, const Sdf& sdf, int x0, int y0, int x1, int y1, float base)
{
    paint_sdf(c, x0, y0, x1, y1, sdf, RAMP_CYAN, base, 2.0f, -2.0f);
    // Diagonal glare streak across the glass.
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            float px = (float)x + 0.5f, py = (float)y + 0.5f;
            if (sdf(px, py) > -1.0f)
                continue;
            float d = std::fmod(std::fabs((px - (float)x0) + (py - (float)y0) * 1.3f), 14.0f);
            if (d < 1.6f)
                canvas_put(c, x, y, ramp_index(RAMP_CYAN, (int)base + 6));
        }
}

void light(Canvas& c, float cx, float cy, float r, int ramp, int shade)
{
    paint_sdf(
        c, (int)(cx - r - 1), (int)(cy - r - 1), (int)(cx + r + 2), (int)(cy + r + 2),
        [=](float px, float py) { return sdf_circle(px, py, cx, cy, r); }, ramp, (float)shade, r, 3.0f);
}

// ---------------------------------------------------------------- ordinary cars

struct CarLook {
    int ramp;
    float base;
    int pickup;   // open bed instead of boot and rear window
    int van;      // long roof, short bonnet
    int stripes;  // racing stripes
    int police;   // light bar and white doors
};

void paint_car(Canvas& c, int ox, int oy, const CarLook& k)
{
    const float cx = (float)ox + 32.0f, cy = (float)oy + 32.0f;
    const float hw = 18.0f, hh = 29.0f;
    shadow_box(c, cx, cy, hw, hh, 7);
    float wy0 = k.van ? cy - 19 : cy - 17, wy1 = cy + 18;
    wheel(c, cx - hw + 1, wy0, 3.5f, 6.0f);
    wheel(c, cx + hw - 1, wy0, 3.5f, 6.0f);
    wheel(c, cx - hw + 1, wy1, 3.5f, 6.0f);
    wheel(c, cx + hw - 1, wy1, 3.5f, 6.0f);
    Sdf body = [=](float px, float py) {
        // Slight waist: narrower at the nose and tail.
        float taper = std::fabs(py - cy) > hh - 8 ? 1.5f : 0.0f;
        return sdf_box(px, py, cx, cy, hw - 1 - taper * 0.5f, hh, k.van ? 5.0f : 8.0f);
    };
    int x0 = (int)(cx - hw - 1), x1 = (int)(cx + hw + 2), y0 = (int)(cy - hh - 1), y1 = (int)(cy + hh + 2);
    paint_sdf(c, x0, y0, x1, y1, body, k.ramp, k.base, 5.0f, 4.5f);
    if (k.police) {
        // White doors and roof over a black car.
        paint_sdf(
            c, x0, (int)(cy - 12), x1, (int)(cy + 12),
            [=](float px, float py) { return std::max(body(px, py), sdf_box(px, py, cx, cy, 30, 11, 0)); }, RAMP_GREY,
            13, 5.0f, 3.0f);
    }
    if (k.stripes)
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                float px = (float)x + 0.5f, py = (float)y + 0.5f;
                float ax = std::fabs(px - cx);
                if (body(px, py) < -1.0f && ax > 2.0f && ax < 5.0f)
                    canvas_put(c, x, y, ramp_index(RAMP_GREY, 14 - (int)((py - (float)y0) / 20.0f)));
            }
    // Bonnet crease.
    if (!k.van)
        for (float y = cy - hh + 4; y < cy - 15; y += 1) {
            canvas_put(c, (int)cx - 4, (int)y, ramp_index(k.ramp, (int)k.base - 2));
            canvas_put(c, (int)cx + 4, (int)y, ramp_index(k.ramp, (int)k.base + 2));
        }
    // Windscreen, roof, rear window.
    float ws0 = k.van ? cy - 24 : cy - 15, ws1 = ws0 + (k.van ? 7 : 9);
    glass(
        c, [=](float px, float py) { return sdf_trapezoid(px, py, cx, ws0, ws1, hw - 6, hw - 3); }, x0, (int)ws0 - 1,
        x1, (int)ws1 + 2, 4);
    float roof0 = ws1, roof1 = k.van ? cy + 26 : (k.pickup ? cy + 4 : cy + 9);
    paint_sdf(
        c, x0, (int)roof0, x1, (int)roof1 + 1,
        [=](float px, float py) { return sdf_box(px, py, cx, (roof0 + roof1) / 2, hw - 3.5f, (roof1 - roof0) / 2, 3); },
        k.police ? RAMP_GREY : k.ramp, k.police ? 14.0f : k.base + 1.5f, 3.0f, 3.0f);
    // Side windows as dark slivers along the roof.
    for (float y = roof0 + 1; y < roof1 - 2; y += 1) {
        canvas_put(c, (int)(cx - hw + 2), (int)y, ramp_index(RAMP_CYAN, 2));
        canvas_put(c, (int)(cx + hw - 3), (int)y, ramp_index(RAMP_CYAN, 3));
    }
    if (k.pickup) {
        glass(
            c, [=](float px, float py) { return sdf_box(px, py, cx, roof1 + 2, hw - 5, 1.6f, 1); }, x0, (int)roof1, x1,
            (int)roof1 + 5, 3);
        // Open bed with ribs.
        float b0 = roof1 + 5, b1 = cy + hh - 3;
        paint_sdf(
            c, x0, (int)b0, x1, (int)b1 + 1,
            [=](float px, float py) { return sdf_box(px, py, cx, (b0 + b1) / 2, hw - 3.5f, (b1 - b0) / 2, 1.5f); },
            k.ramp, 3.0f, 2.0f, -3.0f);
        for (float x = cx - 9; x <= cx + 9; x += 6)
            for (float y = b0 + 1; y < b1 - 1; y += 1)
                canvas_put(c, (int)x, (int)y, ramp_index(k.ramp, 5));
    } else if (!k.van) {
        float r0 = roof1, r1 = r0 + 6;
        glass(
            c, [=](float px, float py) { return sdf_trapezoid(px, py, cx, r0, r1, hw - 4, hw - 6); }, x0, (int)r0 - 1,
            x1, (int)r1 + 2, 3);
    }
    if (k.police) {
        float ly = cy - 2;
        light(c, cx - 5, ly, 2.6f, RAMP_RED, 12);
        light(c, cx + 5, ly, 2.6f, RAMP_BLUE, 12);
        canvas_fill_rect(c, (int)cx - 1, (int)ly - 1, 2, 3, ramp_index(RAMP_GREY, 9));
    }
    // Mirrors.
    canvas_fill_rect(c, (int)(cx - hw - 1), (int)ws0 + 2, 2, 3, ramp_index(k.ramp, (int)k.base));
    canvas_fill_rect(c, (int)(cx + hw - 1), (int)ws0 + 2, 2, 3, ramp_index(k.ramp, (int)k.base - 2));
    // Headlights and tail lights.
    light(c, cx - hw + 5, cy - hh + 3, 2.2f, RAMP_YELLOW, 14);
    light(c, cx + hw - 6, cy - hh + 3, 2.2f, RAMP_YELLOW, 14);
    canvas_fill_rect(c, (int)(cx - hw + 3), (int)(cy + hh - 2), 5, 2, PAL_RED);
    canvas_fill_rect(c, (int)(cx + hw - 8), (int)(cy + hh - 2), 5, 2, PAL_RED);
}

// ---------------------------------------------------------------- alien cars

// Kind 3: a glowing green saucer on the road, stretched to car size.
void paint_saucer(Canvas& c, int ox, int oy)
{
    const float cx = (float)ox + 32.0f, cy = (float)oy + 32.0f;
    // Halo of green glow (the underglow lighting the road).
    for (int y = oy + 1; y < oy + 63; ++y)
        for (int x = ox + 1; x < ox + 63; ++x) {
            float dx = ((float)x + 0.5f - cx) / 21.0f, dy = ((float)y + 0.5f - cy) / 31.0f;
            float d = std::sqrt(dx * dx + dy * dy);
            if (d <= 1.0f && d > 0.82f)
                canvas_put(c, x, y,
                           ramp_index(RAMP_ALIEN, (int)std::lround(2.0f + (1.0f - d) * 22.0f + dither(x, y) * 1.5f)));
        }
    Sdf disc = [=](float px, float py) { return sdf_ellipse(px, py, cx, cy, 18.5f, 28.5f); };
    paint_sdf(c, ox, oy, ox + 64, oy + 64, disc, RAMP_STEEL, 8.0f, 8.0f, 5.0f);
    // Glowing rim band.
    for (int y = oy; y < oy + 64; ++y)
        for (int x = ox; x < ox + 64; ++x) {
            float d = disc((float)x + 0.5f, (float)y + 0.5f);
            if (d <= 0 && d > -3.2f)
                canvas_put(c, x, y, ramp_index(RAMP_ALIEN, 10 + (int)std::lround(-d + dither(x, y))));
        }
    // Running lights around the rim.
    for (int i = 0; i < 12; ++i) {
        float a = (float)i * 6.2831853f / 12.0f;
        float lx = cx + std::cos(a) * 13.5f, ly = cy + std::sin(a) * 22.5f;
        light(c, lx, ly, 1.7f, i % 3 == 0 ? RAMP_MAGENTA : RAMP_YELLOW, 14);
    }
    // Inner hull ring and the glass dome with its pilot.
    paint_sdf(
        c, ox, oy, ox + 64, oy + 64, [=](float px, float py) { return sdf_ellipse(px, py, cx, cy, 11.5f, 17.0f); },
        RAMP_STEEL, 5.0f, 3.0f, -3.0f);
    paint_sdf(
        c, ox, oy, ox + 64, oy + 64, [=](float px, float py) { return sdf_ellipse(px, py, cx, cy - 1, 9.0f, 13.0f); },
        RAMP_ALIEN, 7.0f, 8.0f, 5.0f);
    paint_sdf(
        c, ox, oy, ox + 64, oy + 64, [=](float px, float py) { return sdf_ellipse(px, py, cx, cy - 3, 4.5f, 5.5f); },
        RAMP_GRASS, 4.0f, 4.0f, 3.0f);
    canvas_put(c, (int)cx - 2, (int)cy - 4, PAL_RED);
    canvas_put(c, (int)cx + 1, (int)cy - 4, PAL_RED);
    for (int i = 0; i < 4; ++i)
        canvas_put(c, (int)cx - 5 + i, (int)cy - 10 + i / 2, ramp_index(RAMP_ALIEN, 15));
}

// Kind 5: an alien hover pod, purple hull with green plasma engines and fins.
void paint_pod(Canvas& c, int ox, int oy)
{
    const float cx = (float)ox + 32.0f, cy = (float)oy + 32.0f;
    // Glow under the engines.
    for (int s = -1; s <= 1; s += 2)
        for (int y = oy + 30; y < oy + 63; ++y)
            for (int x = ox + 2; x < ox + 62; ++x) {
                float dx = ((float)x + 0.5f - (cx + (float)s * 13.0f)) / 7.0f,
                      dy = ((float)y + 0.5f - (cy + 20.0f)) / 10.0f;
                float d = dx * dx + dy * dy;
                if (d < 1.0f)
                    canvas_put(
                        c, x, y,
                        ramp_index(RAMP_ALIEN, (int)std::lround(3.0f + (1.0f - d) * 9.0f + dither(x, y) * 1.5f)));
            }
    // Swept fins.
    for (int s = -1; s <= 1; s += 2) {
        float fs = (float)s;
        paint_sdf(
            c, ox, oy, ox + 64, oy + 64,
            [=](float px, float py) { return sdf_capsule(px, py, cx + fs * 6, cy - 6, cx + fs * 17, cy + 20, 2.5f); },
            RAMP_PURPLE, 6.0f, 2.5f, 4.0f);
    }
    // Engine nacelles.
    for (int s = -1; s <= 1; s += 2) {
        float ex = cx + (float)s * 13.0f;
        paint_sdf(
            c, ox, oy, ox + 64, oy + 64,
            [=](float px, float py) { return sdf_capsule(px, py, ex, cy + 4, ex, cy + 22, 4.0f); }, RAMP_STEEL, 7.0f,
            4.0f, 4.0f);
        light(c, ex, cy + 25, 3.0f, RAMP_ALIEN, 13);
        for (float y = cy + 6; y < cy + 21; y += 4)
            canvas_put(c, (int)ex, (int)y, ramp_index(RAMP_ALIEN, 12));
    }
    // Teardrop hull.
    Sdf hull = [=](float px, float py) {
        float a = sdf_ellipse(px, py, cx, cy - 4, 10.5f, 25.0f);
        float b = sdf_ellipse(px, py, cx, cy + 8, 13.0f, 17.0f);
        return std::min(a, b);
    };
    paint_sdf(c, ox, oy, ox + 64, oy + 64, hull, RAMP_PURPLE, 7.5f, 6.0f, 5.0f, 3, 1.2f);
    // Green plasma seam down the spine and glowing eyes of the cockpit.
    for (float y = cy - 25; y < cy + 22; y += 1)
        canvas_put(c, (int)cx, (int)y, ramp_index(RAMP_ALIEN, 11 + ((int)y & 1) * 2));
    paint_sdf(
        c, ox, oy, ox + 64, oy + 64, [=](float px, float py) { return sdf_ellipse(px, py, cx, cy - 12, 6.5f, 9.0f); },
        RAMP_ALIEN, 6.0f, 5.0f, 5.0f);
    light(c, cx - 3, cy - 14, 1.5f, RAMP_YELLOW, 15);
    light(c, cx + 3, cy - 14, 1.5f, RAMP_YELLOW, 15);
    // Antenna stubs at the nose.
    canvas_line(c, cx - 4, cy - 27, cx - 7, cy - 30, 1.2f, ramp_index(RAMP_ALIEN, 13));
    canvas_line(c, cx + 4, cy - 27, cx + 7, cy - 30, 1.2f, ramp_index(RAMP_ALIEN, 13));
}

constexpr CarLook car_looks[7] = {
    {RAMP_RED, 8.0f, 0, 0, 0, 0},     // red sedan
    {RAMP_BLUE, 8.0f, 1, 0, 0, 0},    // blue pickup
    {RAMP_GREY, 12.0f, 0, 1, 0, 0},   // white delivery van
    {RAMP_ALIEN, 0, 0, 0, 0, 0},      // alien saucer (own painter)
    {RAMP_YELLOW, 8.0f, 0, 0, 1, 0},  // yellow sports car
    {RAMP_PURPLE, 0, 0, 0, 0, 0},     // alien pod (own painter)
    {RAMP_GREY, 2.0f, 0, 0, 0, 1},    // police cruiser
};

// ---------------------------------------------------------------- burning

// Turns opaque pixels of a cell towards char: blackened paint, soot, embers.
void char_cell(Canvas& c, int ox, int oy, int w, int h, float amount, uint32_t seed)
{
    for (int y = oy; y < oy + h; ++y)
        for (int x = ox; x < ox + w; ++x) {
            uint8_t v = canvas_get(c, x, y);
            if (v == 0)
                continue;
            float n = fbm_noise((float)x * 0.18f, (float)y * 0.18f, seed, 3);
            if (n < amount * 1.15f - 0.2f) {
                const Rgb& col = palette_colours()[v];
                int lum = (col.r * 3 + col.g * 6 + col.b) / 10;
                float s = 1.0f + (float)lum / 255.0f * 3.0f + dither(x, y);
                if (hash_noise(x, y, seed + 1) > 0.97f && amount > 0.3f)
                    canvas_put(c, x, y, fire_index(5 + (int)(hash_noise(x, y, seed + 2) * 3)));
                else
                    canvas_put(c, x, y, ramp_index(n < 0.4f ? RAMP_GREY : RAMP_RUST, (int)std::lround(s)));
            }
        }
}

// Column 1..13 of a vehicle row: flames grow and the body chars; from column
// 8 on a fireball goes up (the same cells serve as explosions).
void paint_burning(Canvas& c, int ox, int oy, int kind, int col)
{
    uint32_t seed = 1000u + (uint32_t)kind * 37u + (uint32_t)col * 5u;
    const float cx = (float)ox + 32.0f, cy = (float)oy + 32.0f;
    paint_vehicle(c, ox, oy, kind);
    float t = (float)col / 13.0f;
    char_cell(c, ox, oy, 64, 64, std::min(1.0f, t * 1.6f), seed);
    Rng rng;
    rng_seed(rng, seed);
    if (col <= 7) {
        // Flames break out of the bonnet first, then spread along the body.
        int flames = 1 + col;
        for (int i = 0; i < flames; ++i) {
            float fy = cy - 18 + (float)i * 36.0f / 8.0f + (rng_float(rng) - 0.5f) * 6.0f;
            float fx = cx + (rng_float(rng) - 0.5f) * 22.0f;
            float r = 3.5f + (float)col * 0.9f + rng_float(rng) * 2.0f;
            paint_fire(c, fx, fy, r, seed + (uint32_t)i, 0.8f);
        }
        if (col >= 4)
            paint_smoke(c, cx + 6, cy - 22, 4.0f + (float)(col - 4) * 1.5f, seed + 50);
        return;
    }
    // Fireball stages: flash, full ball, ball with soot, breaking up, embers.
    static constexpr float ball_r[6] = {21.0f, 25.0f, 27.0f, 24.0f, 17.0f, 9.0f};
    static constexpr float ragged[6] = {0.5f, 0.7f, 0.9f, 1.2f, 1.3f, 1.4f};
    int s = col - 8;
    if (s >= 2) {
        // Soot clouds around the ball.
        for (int i = 0; i < 3 + s; ++i) {
            float a = rng_float(rng) * 6.2831853f;
            float d = 14.0f + rng_float(rng) * 8.0f;
            paint_smoke(c, cx + std::cos(a) * d, cy + std::sin(a) * d * 0.9f - 4, 5.0f + (float)s * 1.3f,
                        seed + 70u + (uint32_t)i);
        }
    }
    paint_fire(c, cx, cy + 2, ball_r[s], seed + 90, ragged[s]);
    if (s <= 1) {
        // Sparks thrown out of the blast.
        for (int i = 0; i < 14; ++i) {
            float a = rng_float(rng) * 6.2831853f;
            float d = ball_r[s] + 2.0f + rng_float(rng) * 5.0f;
            float px = cx + std::cos(a) * d, py = cy + 2 + std::sin(a) * d;
            if (px > ox + 1 && px < ox + 62 && py > oy + 1 && py < oy + 62)
                canvas_line(c, px, py, px + std::cos(a) * 2.0f, py + std::sin(a) * 2.0f, 1.3f, fire_index(1 + i % 3));
        }
    }
}

}  // namespace

void paint_vehicle(Canvas& c, int ox, int oy, int kind)
{
    if (kind == 3)
        paint_saucer(c, ox, oy);
    else if (kind == 5)
        paint_pod(c, ox, oy);
    else
        paint_car(c, ox, oy, car_looks[kind]);
}

// ---------------------------------------------------------------- the truck

void paint_truck(Canvas& c, int ox, int oy, int variant)
{
    const float cx = (float)ox + 32.0f, top = (float)oy + 3.0f;
    const float hw = 21.0f;
    const int body_ramp = variant == 2 ? RAMP_GREY : RAMP_OLIVE;
    const float body_base = variant == 2 ? 12.0f : 7.0f;
    shadow_box(c, cx, top + 45, hw, 44, 6);
    // Big off-road tyres.
    for (int s = -1; s <= 1; s += 2) {
        wheel(c, cx + (float)s * (hw - 0.5f), top + 20, 5.0f, 9.0f);
        wheel(c, cx + (float)s * (hw - 0.5f), top + 72, 5.0f, 9.0f);
    }
    // Ram bumper / grille guard across the nose.
    paint_sdf(
        c, ox, oy, ox + 64, oy + 14,
        [=](float px, float py) { return sdf_box(px, py, cx, top + 2.5f, hw - 1, 2.8f, 1.5f); }, RAMP_STEEL, 10.0f,
        2.0f, 4.0f);
    // Hazard stripes on the ram plate.
    for (int y = (int)top; y < (int)top + 5; ++y)
        for (int x = (int)(cx - hw + 3); x < (int)(cx + hw - 3); ++x)
            if (((x + y) / 3) % 2 == 0)
                canvas_put(c, x, y, ramp_index(RAMP_YELLOW, y == (int)top ? 13 : 10));
            else
                canvas_put(c, x, y, ramp_index(RAMP_GREY, 2));
    // Main body with armour plate.
    Sdf body = [=](float px, float py) { return sdf_box(px, py, cx, top + 46, hw - 2, 41, 5); };
    paint_sdf(c, ox, oy, ox + 64, oy + 96, body, body_ramp, body_base, 5.0f, 5.0f, 77, 0.8f);
    // Bonnet with raised plate, scoop and rivets.
    paint_sdf(
        c, ox, oy, ox + 64, oy + 30, [=](float px, float py) { return sdf_box(px, py, cx, top + 15, hw - 6, 9, 2); },
        body_ramp, body_base + 1.0f, 2.5f, 4.0f);
    paint_sdf(
        c, ox, oy, ox + 64, oy + 30, [=](float px, float py) { return sdf_box(px, py, cx, top + 15, 3, 3.5f, 1); },
        RAMP_GREY, 2.0f, 1.5f, -3.0f);
    for (int i = -1; i <= 1; i += 2)
        for (int j = 0; j < 3; ++j)
            canvas_put(c, (int)(cx + (float)i * (hw - 8)), (int)(top + 8 + (float)j * 7), ramp_index(RAMP_STEEL, 13));
    // Headlights behind cages, orange roof lights.
    for (int s = -1; s <= 1; s += 2) {
        light(c, cx + (float)s * (hw - 5), top + 6, 2.3f, RAMP_YELLOW, 15);
        canvas_put(c, (int)(cx + (float)s * (hw - 5)), (int)(top + 6), ramp_index(RAMP_GREY, 6));
    }
    // Armoured windscreen: two slits.
    for (int s = -1; s <= 1; s += 2) {
        float sx = cx + (float)s * 7.0f;
        glass(
            c, [=](float px, float py) { return sdf_box(px, py, sx, top + 29, 5.5f, 2.5f, 1); }, ox, oy + 20, ox + 64,
            oy + 40, 4);
    }
    // Cab roof with a light bar.
    paint_sdf(
        c, ox, oy, ox + 64, oy + 60, [=](float px, float py) { return sdf_box(px, py, cx, top + 41, hw - 4, 8.5f, 3); },
        body_ramp, body_base + 2.0f, 3.5f, 4.0f);
    for (int s = -1; s <= 1; s += 2) {
        light(c, cx + (float)s * 9.0f, top + 36, 2.0f, variant == 2 ? RAMP_ORANGE : RAMP_ORANGE, 13);
        canvas_put(c, (int)cx + s * 3, (int)top + 36, ramp_index(RAMP_GREY, 12));
    }
    glass(
        c, [=](float px, float py) { return sdf_box(px, py, cx, top + 51, hw - 7, 1.6f, 1); }, ox, oy + 45, ox + 64,
        oy + 60, 3);
    // Cargo bed with the cannon turret.
    float b0 = top + 55, b1 = top + 87;
    paint_sdf(
        c, ox, oy, ox + 64, oy + 96,
        [=](float px, float py) { return sdf_box(px, py, cx, (b0 + b1) / 2, hw - 5, (b1 - b0) / 2, 2); }, body_ramp,
        3.0f, 2.0f, -3.0f);
    for (float y = b0 + 3; y < b1; y += 5)
        for (float x = cx - hw + 6; x < cx + hw - 5; x += 1)
            canvas_put(c, (int)x, (int)y, ramp_index(body_ramp, 2));
    if (variant == 2) {
        // The help truck carries a crane boom and a toolbox instead of the gun.
        paint_sdf(
            c, ox, oy, ox + 64, oy + 96,
            [=](float px, float py) { return sdf_capsule(px, py, cx, b0 + 6, cx, b1 + 3, 2.5f); }, RAMP_YELLOW, 9.0f,
            2.5f, 4.0f);
        paint_sdf(
            c, ox, oy, ox + 64, oy + 96, [=](float px, float py) { return sdf_box(px, py, cx - 9, b0 + 10, 4, 6, 1); },
            RAMP_RED, 8.0f, 2.0f, 4.0f);
    } else {
        paint_sdf(
            c, ox, oy, ox + 64, oy + 96,
            [=](float px, float py) { return sdf_capsule(px, py, cx, b0 + 2, cx, b0 + 16, 2.0f); }, RAMP_STEEL, 8.0f,
            2.0f, 4.0f);
        paint_sdf(
            c, ox, oy, ox + 64, oy + 96, [=](float px, float py) { return sdf_circle(px, py, cx, b0 + 17, 7.0f); },
            RAMP_STEEL, 6.0f, 5.0f, 5.0f);
        canvas_put(c, (int)cx, (int)b0, ramp_index(RAMP_GREY, 1));
        // Ammo boxes.
        for (int s = -1; s <= 1; s += 2)
            paint_sdf(
                c, ox, oy, ox + 64, oy + 96,
                [=](float px, float py) { return sdf_box(px, py, cx + (float)s * 10, b1 - 6, 3.5f, 4.5f, 1); },
                RAMP_OLIVE, 4.0f, 1.5f, 4.0f);
    }
    // Tail lights and armour rivets along the flanks.
    canvas_fill_rect(c, (int)(cx - hw + 3), (int)(top + 88), 5, 2, PAL_RED);
    canvas_fill_rect(c, (int)(cx + hw - 8), (int)(top + 88), 5, 2, PAL_RED);
    for (float y = top + 10; y < top + 86; y += 8)
        for (int s = -1; s <= 1; s += 2)
            canvas_put(c, (int)(cx + (float)s * (hw - 3.5f)), (int)y, ramp_index(RAMP_STEEL, 12));
    if (variant == 1) {
        // Battle-worn: scorch marks and dents.
        char_cell(c, ox, oy, 64, 96, 0.35f, 515);
        for (int i = 0; i < 5; ++i)
            paint_fire(c, cx - 10 + (float)(i * 5), top + 60 + (float)(i % 2) * 10, 2.5f, 600u + (uint32_t)i, 0.6f);
    }
}

// ---------------------------------------------------------------- monsters

namespace {

// Draws a claw arm from the shoulder to the pincer tip.
void claw(Canvas& c, int ox, int oy, float sx, float sy, float ex, float ey, float r, int ramp, float base)
{
    paint_sdf(
        c, ox, oy, ox + 144, oy + 112, [=](float px, float py) { return sdf_capsule(px, py, sx, sy, ex, ey, r); }, ramp,
        base, r, 4.0f, 21, 1.0f);
    float dx = ex - sx, dy = ey - sy, l = std::sqrt(dx * dx + dy * dy);
    dx /= l;
    dy /= l;
    for (int s = -1; s <= 1; s += 2) {
        float fs = (float)s;
        float tx = ex + dx * 12 + (-dy) * fs * 6, ty = ey + dy * 12 + dx * fs * 6;
        paint_sdf(
            c, ox, oy, ox + 144, oy + 112,
            [=](float px, float py) { return sdf_capsule(px, py, ex, ey, tx, ty, r * 0.55f); }, ramp, base + 1,
            r * 0.5f, 4.0f);
    }
}

void eye(Canvas& c, float x, float y, float r, int hurt, int ramp)
{
    if (hurt) {
        // Squeezed shut in pain: an X.
        canvas_line(c, x - r, y - r * 0.6f, x + r, y + r * 0.6f, 1.6f, PAL_WHITE);
        canvas_line(c, x - r, y + r * 0.6f, x + r, y - r * 0.6f, 1.6f, PAL_WHITE);
        return;
    }
    paint_sdf(
        c, (int)(x - r - 2), (int)(y - r - 2), (int)(x + r + 3), (int)(y + r + 3),
        [=](float px, float py) { return sdf_circle(px, py, x, y, r); }, ramp, 11.0f, r, 4.0f);
    fill_sdf(
        c, (int)(x - r), (int)(y - r), (int)(x + r + 1), (int)(y + r + 1),
        [=](float px, float py) { return sdf_ellipse(px, py, x, y + r * 0.15f, r * 0.3f, r * 0.75f); },
        ramp_index(RAMP_GREY, 1));
    canvas_put(c, (int)(x - r * 0.4f), (int)(y - r * 0.45f), PAL_WHITE);
}

void splats(Canvas& c, int ox, int oy, uint32_t seed)
{
    Rng rng;
    rng_seed(rng, seed);
    for (int i = 0; i < 6; ++i) {
        float x = (float)ox + 30 + rng_float(rng) * 84, y = (float)oy + 20 + rng_float(rng) * 70;
        float r = 1.5f + rng_float(rng) * 2.5f;
        fill_sdf(
            c, (int)(x - r - 1), (int)(y - r - 1), (int)(x + r + 2), (int)(y + r + 2),
            [=](float px, float py) { return sdf_circle(px, py, x, y, r); }, ramp_index(RAMP_ALIEN, 12));
        for (int k = 0; k < 3; ++k) {
            float a = rng_float(rng) * 6.28f;
            canvas_line(c, x, y, x + std::cos(a) * r * 2.2f, y + std::sin(a) * r * 2.2f, 1.2f,
                        ramp_index(RAMP_ALIEN, 10));
        }
    }
}

// Hurt frames flash: the creature glows red-hot where it was struck.
void flash_cell(Canvas& c, int ox, int oy)
{
    for (int y = oy; y < oy + 112; ++y)
        for (int x = ox; x < ox + 144; ++x) {
            uint8_t v = canvas_get(c, x, y);
            if (v == 0 || v >= 240)
                continue;
            const Rgb& col = palette_colours()[v];
            int lum = (col.r * 3 + col.g * 6 + col.b) / 10;
            float s = 3.0f + (float)lum / 255.0f * 11.0f + dither(x, y);
            canvas_put(c, x, y, ramp_index(RAMP_RED, (int)std::lround(s)));
        }
}

// Level 0: the Greenie warlord, a giant armoured crab-beast.
void paint_crab(Canvas& c, int ox, int oy, int hurt)
{
    const float cx = (float)ox + 72.0f, cy = (float)oy + 50.0f;
    // Legs.
    for (int s = -1; s <= 1; s += 2)
        for (int i = 0; i < 3; ++i) {
            float fs = (float)s;
            float kx = cx + fs * (36 + (float)i * 4), ky = cy - 6 + (float)i * 14;
            float fx = cx + fs * (58 + (float)i * 2), fy = cy + 8 + (float)i * 16;
            paint_sdf(
                c, ox, oy, ox + 144, oy + 112,
                [=](float px, float py) { return sdf_capsule(px, py, cx + fs * 18, cy + (float)i * 8, kx, ky, 3.5f); },
                RAMP_GRASS, 6, 3.5f, 4, 5, 1.0f);
            paint_sdf(
                c, ox, oy, ox + 144, oy + 112,
                [=](float px, float py) { return sdf_capsule(px, py, kx, ky, fx, fy, 2.6f); }, RAMP_GRASS, 5, 2.6f, 4,
                6, 1.0f);
        }
    // Pincers reaching down at the truck.
    claw(c, ox, oy, cx - 22, cy + 14, cx - 34, cy + 42, 6.0f, RAMP_ALIEN, 6);
    claw(c, ox, oy, cx + 22, cy + 14, cx + 34, cy + 42, 6.0f, RAMP_ALIEN, 6);
    // Carapace with ridges and spikes.
    Sdf shell = [=](float px, float py) { return sdf_ellipse(px, py, cx, cy, 33.0f, 27.0f); };
    paint_sdf(c, ox, oy, ox + 144, oy + 112, shell, RAMP_ALIEN, 5.5f, 14.0f, 5.0f, 31, 1.5f);
    for (int i = 0; i < 4; ++i) {
        float ry = cy - 18 + (float)i * 9;
        for (float x = cx - 26; x < cx + 26; x += 1) {
            float yy = ry + std::pow((x - cx) / 26.0f, 2.0f) * 5.0f;
            if (shell(x, yy) < -3)
                canvas_put(c, (int)x, (int)yy, ramp_index(RAMP_ALIEN, 3));
        }
    }
    for (int i = -2; i <= 2; ++i)
        paint_sdf(
            c, ox, oy, ox + 144, oy + 112,
            [=](float px, float py) {
                return sdf_capsule(px, py, cx + (float)i * 12, cy - 20 + std::fabs((float)i) * 3, cx + (float)i * 16,
                                   cy - 32 + std::fabs((float)i) * 4, 2.2f);
            },
            RAMP_SAND, 11, 2.0f, 4);
    // Face: three glaring eyes and mandibles.
    eye(c, cx - 11, cy + 10, 4.5f, hurt, RAMP_RED);
    eye(c, cx + 11, cy + 10, 4.5f, hurt, RAMP_RED);
    eye(c, cx, cy + 3, 3.5f, hurt, RAMP_YELLOW);
    for (int s = -1; s <= 1; s += 2)
        paint_sdf(
            c, ox, oy, ox + 144, oy + 112,
            [=](float px, float py) {
                return sdf_capsule(px, py, cx + (float)s * 6, cy + 20, cx + (float)s * 2, cy + 30, 2.0f);
            },
            RAMP_SAND, 10, 2.0f, 4);
    // A wide maw full of teeth.
    float mh = hurt ? 6.0f : 4.0f;
    fill_sdf(
        c, ox, oy, ox + 144, oy + 112, [=](float px, float py) { return sdf_ellipse(px, py, cx, cy + 22, 9.0f, mh); },
        ramp_index(RAMP_RED, 2));
    for (int i = -3; i <= 3; ++i) {
        float tx = cx + (float)i * 2.4f;
        canvas_line(c, tx, cy + 22 - mh + 0.5f, tx, cy + 22 - mh + 2.5f, 1.0f, ramp_index(RAMP_SAND, 14));
        canvas_line(c, tx + 1.2f, cy + 22 + mh - 0.5f, tx + 1.2f, cy + 22 + mh - 2.5f, 1.0f, ramp_index(RAMP_SAND, 13));
    }
    // Dark warts on the shell.
    Rng rng;
    rng_seed(rng, 77 + (uint32_t)hurt);
    for (int i = 0; i < 14; ++i) {
        float wx = cx + (rng_float(rng) - 0.5f) * 50.0f, wy = cy + (rng_float(rng) - 0.5f) * 36.0f - 4.0f;
        if (shell(wx, wy) < -4 && std::fabs(wy - (cy + 8)) > 7)
            fill_sdf(
                c, (int)wx - 2, (int)wy - 2, (int)wx + 3, (int)wy + 3,
                [=](float px, float py) { return sdf_circle(px, py, wx, wy, 1.3f); }, ramp_index(RAMP_ALIEN, 2));
    }
}

// Level 1: Daia-Aoakeas, a floating brain-squid with lashing tentacles.
void paint_squid(Canvas& c, int ox, int oy, int hurt)
{
    const float cx = (float)ox + 72.0f, cy = (float)oy + 40.0f;
    // Tentacles wave down toward the road.
    for (int i = 0; i < 8; ++i) {
        float base_x = cx - 28 + (float)i * 8;
        float px0 = base_x, py0 = cy + 16;
        float phase = (float)i * 1.3f + (hurt ? 1.5f : 0.0f);
        for (int seg = 0; seg < 10; ++seg) {
            float t = (float)(seg + 1) / 10.0f;
            float spread = (base_x - cx) * 1.2f * t;
            float nx = base_x + spread + std::sin(phase + t * 5.0f) * 6.0f * t;
            float ny = cy + 16 + t * (48 + (float)((i * 7) % 5) * 3);
            float r = 4.5f * (1.0f - t * 0.75f);
            float ax = px0, ay = py0;
            paint_sdf(
                c, ox, oy, ox + 144, oy + 112,
                [=](float px, float py) { return sdf_capsule(px, py, ax, ay, nx, ny, r); }, RAMP_PURPLE, 6.0f, r, 3.0f,
                41, 1.0f);
            if (seg % 2 == 1 && r > 1.5f)
                canvas_put(c, (int)nx, (int)ny, ramp_index(RAMP_MAGENTA, 13));
            px0 = nx;
            py0 = ny;
        }
    }
    // Mantle: a veined dome.
    Sdf mantle = [=](float px, float py) {
        return std::min(sdf_ellipse(px, py, cx, cy - 6, 34.0f, 30.0f), sdf_ellipse(px, py, cx, cy + 10, 28.0f, 12.0f));
    };
    paint_sdf(c, ox, oy, ox + 144, oy + 112, mantle, RAMP_MAGENTA, 5.5f, 16.0f, 5.0f, 43, 1.2f);
    // Brain folds.
    for (int y = oy; y < oy + 112; ++y)
        for (int x = ox; x < ox + 144; ++x) {
            float px = (float)x + 0.5f, py = (float)y + 0.5f;
            if (mantle(px, py) > -4 || py > cy + 2)
                continue;
            float n = fbm_noise(px * 0.22f, py * 0.22f, 47, 2);
            if (std::fabs(n - 0.5f) < 0.025f)
                canvas_put(c, x, y, ramp_index(RAMP_MAGENTA, 2));
        }
    // Spikes on the crown.
    for (int i = -3; i <= 3; ++i) {
        float a = (float)i * 0.38f;
        float bx = cx + std::sin(a) * 30, by = cy - 6 - std::cos(a) * 26;
        float tx = cx + std::sin(a) * 42, ty = cy - 6 - std::cos(a) * 38;
        paint_sdf(
            c, ox, oy, ox + 144, oy + 112,
            [=](float px, float py) { return sdf_capsule(px, py, bx, by, tx, ty, 2.0f); }, RAMP_SAND, 12, 2.0f, 4);
    }
    // Four eyes in a row, glowing green, and a beak.
    for (int i = 0; i < 4; ++i)
        eye(c, cx - 18 + (float)i * 12, cy + 6 - (i == 1 || i == 2 ? 2.0f : 0.0f), 4.2f, hurt, RAMP_ALIEN);
    fill_sdf(
        c, ox, oy, ox + 144, oy + 112,
        [=](float px, float py) { return sdf_trapezoid(px, py, cx, cy + 13, cy + 22, 5.0f, 0.5f); },
        ramp_index(RAMP_SAND, 6));
    // Curved fangs either side of the beak.
    for (int s = -1; s <= 1; s += 2) {
        float fs = (float)s;
        canvas_line(c, cx + fs * 7, cy + 13, cx + fs * 8, cy + 19, 1.6f, ramp_index(RAMP_SAND, 14));
        canvas_line(c, cx + fs * 8, cy + 19, cx + fs * 6, cy + 23, 1.2f, ramp_index(RAMP_SAND, 12));
    }
}

// Level 2: the Queen, a winged insect empress with a crown crest.
void paint_queen(Canvas& c, int ox, int oy, int hurt)
{
    const float cx = (float)ox + 72.0f, cy = (float)oy + 48.0f;
    // Translucent-looking veined wings spread wide.
    for (int s = -1; s <= 1; s += 2) {
        float fs = (float)s;
        Sdf wing = [=](float px, float py) {
            float dx = (px - (cx + fs * 38)), dy = (py - (cy - 14));
            float rx = dx * 0.94f + dy * 0.34f * fs, ry = -dx * 0.34f * fs + dy * 0.94f;
            return sdf_ellipse(rx, ry, 0, 0, 33.0f, 15.0f);
        };
        paint_sdf(c, ox, oy, ox + 144, oy + 112, wing, RAMP_CYAN, 4.0f, 6.0f, 3.0f, 51, 1.0f);
        for (int k = 0; k < 5; ++k) {
            float ex = cx + fs * (22 + (float)k * 11), ey = cy - 30 + (float)k * 5;
            canvas_line(c, cx + fs * 8, cy - 10, ex, ey, 1.0f, ramp_index(RAMP_CYAN, 9));
        }
    }
    // Barbed legs.
    for (int s = -1; s <= 1; s += 2)
        for (int i = 0; i < 3; ++i) {
            float fs = (float)s;
            float ax = cx + fs * 12, ay = cy + (float)i * 8;
            float kx = cx + fs * (30 + (float)i * 3), ky = cy + 10 + (float)i * 10;
            float fx = cx + fs * (26 + (float)i * 8), fy = cy + 30 + (float)i * 10;
            paint_sdf(
                c, ox, oy, ox + 144, oy + 112,
                [=](float px, float py) { return sdf_capsule(px, py, ax, ay, kx, ky, 2.8f); }, RAMP_PURPLE, 3, 2.5f, 4);
            paint_sdf(
                c, ox, oy, ox + 144, oy + 112,
                [=](float px, float py) { return sdf_capsule(px, py, kx, ky, fx, fy, 2.0f); }, RAMP_PURPLE, 3, 2.0f, 4);
        }
    // Abdomen (egg sack, behind) and thorax.
    paint_sdf(
        c, ox, oy, ox + 144, oy + 112,
        [=](float px, float py) { return sdf_ellipse(px, py, cx, cy - 24, 19.0f, 22.0f); }, RAMP_RED, 5.0f, 12.0f, 5.0f,
        53, 1.2f);
    for (int k = 0; k < 4; ++k) {
        float yy = cy - 38 + (float)k * 8;
        canvas_line(c, cx - 15 + (float)(k == 0 ? 4 : 0), yy, cx + 15 - (float)(k == 0 ? 4 : 0), yy, 1.0f,
                    ramp_index(RAMP_RED, 2));
    }
    paint_sdf(
        c, ox, oy, ox + 144, oy + 112,
        [=](float px, float py) { return sdf_ellipse(px, py, cx, cy + 4, 16.0f, 14.0f); }, RAMP_PURPLE, 4.0f, 9.0f,
        5.0f, 55, 1.0f);
    // Head with crown crest, mandibles and a cluster of eyes.
    for (int i = -2; i <= 2; ++i) {
        float tx = cx + (float)i * 9, ty = cy + 10 - (float)(2 - std::abs(i)) * 3;
        paint_sdf(
            c, ox, oy, ox + 144, oy + 112,
            [=](float px, float py) { return sdf_capsule(px, py, cx + (float)i * 4, cy + 18, tx, ty, 2.2f); },
            RAMP_YELLOW, 11, 2.0f, 4);
    }
    paint_sdf(
        c, ox, oy, ox + 144, oy + 112,
        [=](float px, float py) { return sdf_ellipse(px, py, cx, cy + 24, 13.0f, 11.0f); }, RAMP_PURPLE, 6.0f, 8.0f,
        5.0f);
    for (int s = -1; s <= 1; s += 2) {
        float fs = (float)s;
        paint_sdf(
            c, ox, oy, ox + 144, oy + 112,
            [=](float px, float py) {
                return sdf_capsule(px, py, cx + fs * 8, cy + 30, cx + fs * 3, cy + 44 + (hurt ? 2.0f : 0.0f), 2.6f);
            },
            RAMP_SAND, 8, 2.4f, 4);
    }
    eye(c, cx - 6, cy + 22, 3.8f, hurt, RAMP_RED);
    eye(c, cx + 6, cy + 22, 3.8f, hurt, RAMP_RED);
    eye(c, cx - 10, cy + 16, 2.2f, hurt, RAMP_RED);
    eye(c, cx + 10, cy + 16, 2.2f, hurt, RAMP_RED);
}

}  // namespace

void paint_monster(Canvas& c, int ox, int oy, int level, int hurt)
{
    if (level == 0)
        paint_crab(c, ox, oy, hurt);
    else if (level == 1)
        paint_squid(c, ox, oy, hurt);
    else
        paint_queen(c, ox, oy, hurt);
    if (hurt) {
        flash_cell(c, ox, oy);
        splats(c, ox, oy, 900u + (uint32_t)level);
    }
    // Keep a clear frame so nothing bleeds into the neighbouring cells.
    for (int x = ox; x < ox + 144; ++x) {
        canvas_put(c, x, oy, 0);
        canvas_put(c, x, oy + 111, 0);
    }
    for (int y = oy; y < oy + 112; ++y) {
        canvas_put(c, ox, y, 0);
        canvas_put(c, ox + 143, y, 0);
    }
}

Canvas sheet_make(int sheet_w, int sheet_h, int cols, int rows, int cell_w, int cell_h)
{
    Canvas c = canvas_make(sheet_w, sheet_h, PAL_GRID);
    for (int r = 0; r < rows; ++r)
        for (int col = 0; col < cols; ++col)
            canvas_fill_rect(c, col * (cell_w + 1) + 1, r * (cell_h + 1) + 1, cell_w, cell_h, 0);
    return c;
}

namespace {

// Painters may spill past a cell; copy each into its place through a scratch cell.
template <typename Fn> void paint_cell(Canvas& sheet, int col, int row, int cw, int ch, Fn fn)
{
    Canvas cell = canvas_make(cw, ch, 0);
    fn(cell);
    // A transparent frame round every cell, so scaled sprites never show an edge.
    for (int x = 0; x < cw; ++x) {
        cell.px[(size_t)x] = 0;
        cell.px[(size_t)(ch - 1) * cw + x] = 0;
    }
    for (int y = 0; y < ch; ++y) {
        cell.px[(size_t)y * cw] = 0;
        cell.px[(size_t)y * cw + cw - 1] = 0;
    }
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x)
            canvas_put(sheet, col * (cw + 1) + 1 + x, row * (ch + 1) + 1 + y, cell.px[(size_t)y * cw + x]);
}

}  // namespace

int make_sprites(const std::string& dir)
{
    int ok = 1;
    Canvas truck = sheet_make(196, 97, 3, 1, 64, 96);
    for (int i = 0; i < 3; ++i)
        paint_cell(truck, i, 0, 64, 96, [&](Canvas& cell) { paint_truck(cell, 0, 0, i); });
    ok &= write_bmp(dir + "/" + DATA_TRUCK, truck);

    Canvas cars = sheet_make(912, 455, 14, 7, 64, 64);
    for (int r = 0; r < 7; ++r)
        for (int col = 0; col < 14; ++col)
            paint_cell(cars, col, r, 64, 64, [&](Canvas& cell) {
                if (col == 0)
                    paint_vehicle(cell, 0, 0, r);
                else
                    paint_burning(cell, 0, 0, r, col);
            });
    ok &= write_bmp(dir + "/" + DATA_CARS, cars);

    Canvas mon = sheet_make(292, 339, 2, 3, 144, 112);
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 2; ++col)
            paint_cell(mon, col, r, 144, 112, [&](Canvas& cell) { paint_monster(cell, 0, 0, r, col); });
    ok &= write_bmp(dir + "/" + DATA_MONSTER, mon);
    return ok;
}
