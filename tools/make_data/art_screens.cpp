// The full-screen pictures: title, main menu, controls, credits, high scores
// and the story backdrop.  The game writes red text over several of them, so
// every place it writes stays dark and plain.
#include "make_data.h"

#include <algorithm>
#include <cmath>

namespace {

// Night sky: deep blue at the top fading to near black, with stars.
void night_sky(Canvas& c, int y0, int y1, uint32_t seed, float top_shade)
{
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < 640; ++x) {
            float t = (float)(y - y0) / (float)std::max(1, y1 - y0);
            float s = top_shade * (1.0f - t) + 0.6f + dither(x, y) * 1.1f;
            float n = fbm_noise((float)x * 0.01f, (float)y * 0.02f, seed, 3);
            s += (n - 0.5f) * 1.5f;
            canvas_put(c, x, y, s < 0.5f ? ramp_index(RAMP_GREY, 1) : ramp_index(RAMP_BLUE, (int)std::lround(s)));
        }
    Rng rng;
    rng_seed(rng, seed);
    for (int i = 0; i < 260; ++i) {
        int x = rng_int(rng, 640), y = y0 + rng_int(rng, std::max(1, y1 - y0));
        int b = rng_int(rng, 10);
        canvas_put(c, x, y, ramp_index(RAMP_GREY, 6 + b));
        if (b > 8) {
            canvas_put(c, x - 1, y, ramp_index(RAMP_GREY, 7));
            canvas_put(c, x + 1, y, ramp_index(RAMP_GREY, 7));
            canvas_put(c, x, y - 1, ramp_index(RAMP_GREY, 7));
            canvas_put(c, x, y + 1, ramp_index(RAMP_GREY, 7));
        }
    }
}

// Dark glass plate with a bevelled steel frame: where the game writes text.
void dark_panel(Canvas& c, int x, int y, int w, int h)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            canvas_put(c, i, j,
                       ((i + j) & 7) == 0 && hash_noise(i, j, 3) > 0.6f ? ramp_index(RAMP_GREY, 2)
                                                                        : ramp_index(RAMP_GREY, 1));
    for (int k = 0; k < 3; ++k) {
        uint8_t lite = ramp_index(RAMP_STEEL, 11 - k * 3), dark = ramp_index(RAMP_STEEL, 3 - k);
        for (int i = x - 3 + k; i < x + w + 3 - k; ++i) {
            canvas_put(c, i, y - 3 + k, lite);
            canvas_put(c, i, y + h + 2 - k, dark);
        }
        for (int j = y - 3 + k; j < y + h + 3 - k; ++j) {
            canvas_put(c, x - 3 + k, j, lite);
            canvas_put(c, x + w + 2 - k, j, dark);
        }
    }
}

TextStyle logo_style(int size)
{
    TextStyle st;
    st.font = FONT_SERIF_BOLD;
    st.size = size;
    st.ramp = RAMP_YELLOW;
    st.top_shade = 15;
    st.bottom_shade = 5;
    st.outline = ramp_index(RAMP_RED, 4);
    st.shadow = ramp_index(RAMP_GREY, 1);
    st.shadow_dx = size / 12;
    st.shadow_dy = size / 12;
    st.italic = 1;
    return st;
}

// The TAILGATE logo: flames licking up behind chrome-gold letters.
void logo(Canvas& c, int cx, int y, int size)
{
    TextStyle st = logo_style(size);
    int w = text_width("TAILGATE", st);
    Rng rng;
    rng_seed(rng, 4242);
    for (int i = 0; i < 22; ++i) {
        float fx = (float)(cx - w / 2) + rng_float(rng) * (float)w;
        float fy = (float)y + (float)size * 0.45f + rng_float(rng) * (float)size * 0.3f;
        paint_fire(c, fx, fy, (float)size * (0.16f + rng_float(rng) * 0.12f), 700u + (uint32_t)i, 0.9f);
    }
    draw_text_centered(c, cx, y, "TAILGATE", st);
}

TextStyle heading_style()
{
    TextStyle st;
    st.font = FONT_SANS_BOLD;
    st.size = 34;
    st.ramp = RAMP_YELLOW;
    st.top_shade = 15;
    st.bottom_shade = 6;
    st.outline = ramp_index(RAMP_RED, 3);
    st.shadow = ramp_index(RAMP_GREY, 1);
    st.shadow_dx = 3;
    st.shadow_dy = 3;
    return st;
}

TextStyle body_style(int ramp, int size)
{
    TextStyle st;
    st.font = FONT_CONDENSED_BOLD;
    st.size = size;
    st.ramp = ramp;
    st.top_shade = 14;
    st.bottom_shade = 8;
    st.shadow = ramp_index(RAMP_GREY, 1);
    st.shadow_dx = 1;
    st.shadow_dy = 1;
    return st;
}

// A keyboard key cap with its legend.
void key_cap(Canvas& c, int x, int y, int w, const char* legend)
{
    const int h = 26;
    paint_sdf(
        c, x, y, x + w, y + h,
        [=](float px, float py) {
            return sdf_box(px, py, (float)x + (float)w / 2, (float)y + 13, (float)w / 2 - 0.5f, 12.5f, 4);
        },
        RAMP_GREY, 9.0f, 4.0f, 4.0f);
    paint_sdf(
        c, x, y, x + w, y + h,
        [=](float px, float py) {
            return sdf_box(px, py, (float)x + (float)w / 2, (float)y + 11, (float)w / 2 - 4.5f, 8.0f, 3);
        },
        RAMP_GREY, 12.0f, 2.0f, -1.5f);
    TextStyle st;
    st.font = FONT_SANS_BOLD;
    st.size = 13;
    st.ramp = RAMP_GREY;
    st.top_shade = 3;
    st.bottom_shade = 2;
    int tw = text_width(legend, st);
    draw_text(c, x + (w - tw) / 2, y + 3, legend, st);
}

// Screen frame: a thin steel border with rivets in the corners.
void frame(Canvas& c)
{
    for (int k = 0; k < 6; ++k) {
        uint8_t v = ramp_index(RAMP_STEEL, k < 3 ? 9 - k * 2 : 2 + (k - 3));
        for (int i = k; i < 640 - k; ++i) {
            canvas_put(c, i, k, v);
            canvas_put(c, i, 479 - k, v);
        }
        for (int j = k; j < 480 - k; ++j) {
            canvas_put(c, k, j, v);
            canvas_put(c, 639 - k, j, v);
        }
    }
}

// Side view of a flying saucer with a tractor beam.
void saucer_side(Canvas& c, float cx, float cy, float r, float beam_len)
{
    if (beam_len > 0)
        for (int y = (int)cy; y < (int)(cy + beam_len); ++y) {
            float t = ((float)y - cy) / beam_len;
            float hw = r * (0.35f + t * 0.9f);
            for (int x = (int)(cx - hw); x <= (int)(cx + hw); ++x) {
                float edge = std::fabs((float)x - cx) / hw;
                float p = 0.45f - t * 0.25f - edge * 0.2f;
                if (hash_noise(x, y, 88) < p)
                    canvas_put(c, x, y, ramp_index(RAMP_ALIEN, 6 + (int)((1.0f - t) * 5)));
            }
        }
    paint_sdf(
        c, (int)(cx - r * 1.1f), (int)(cy - r), (int)(cx + r * 1.1f) + 1, (int)(cy + r * 0.5f),
        [=](float px, float py) { return sdf_ellipse(px, py, cx, cy - r * 0.3f, r * 0.42f, r * 0.38f); }, RAMP_ALIEN,
        7.0f, r * 0.3f, 6.0f);
    paint_sdf(
        c, (int)(cx - r * 1.1f), (int)(cy - r), (int)(cx + r * 1.1f) + 1, (int)(cy + r * 0.5f),
        [=](float px, float py) { return sdf_ellipse(px, py, cx, cy, r, r * 0.24f); }, RAMP_STEEL, 8.0f, r * 0.2f,
        6.0f);
    for (int i = 0; i < 9; ++i) {
        float lx = cx - r * 0.8f + (float)i * r * 0.2f;
        fill_sdf(
            c, (int)lx - 3, (int)cy - 3, (int)lx + 4, (int)cy + 4,
            [=](float px, float py) { return sdf_circle(px, py, lx, cy + 1, std::max(1.2f, r * 0.045f)); },
            i % 2 ? ramp_index(RAMP_ALIEN, 14) : ramp_index(RAMP_YELLOW, 14));
    }
}

// The truck seen from behind: tailgate, lights, big tyres.
void truck_rear(Canvas& c, int cx, int base_y, int w)
{
    float fw = (float)w, x0 = (float)cx - fw / 2;
    float h = fw * 0.62f;
    float y0 = (float)base_y - h;
    // Shadow on the road.
    fill_sdf(
        c, (int)x0 - 20, base_y - 20, (int)(x0 + fw) + 20, base_y + 12,
        [=](float px, float py) { return sdf_ellipse(px, py, (float)cx, (float)base_y + 2, fw * 0.62f, 9.0f); },
        ramp_index(RAMP_GREY, 1));
    // Tyres.
    for (int s = -1; s <= 1; s += 2) {
        float tx = (float)cx + (float)s * fw * 0.38f;
        paint_sdf(
            c, (int)(tx - fw * 0.14f), (int)(base_y - fw * 0.22f), (int)(tx + fw * 0.14f) + 1, base_y + 1,
            [=](float px, float py) {
                return sdf_box(px, py, tx, (float)base_y - fw * 0.1f, fw * 0.11f, fw * 0.1f, 4);
            },
            RAMP_GREY, 2.5f, 5.0f, 3.0f);
    }
    // Cab (behind) with rear window and a driver's head.
    float cab_w = fw * 0.7f, cab_y = y0 - fw * 0.22f;
    paint_sdf(
        c, (int)((float)cx - cab_w / 2) - 2, (int)cab_y - 2, (int)((float)cx + cab_w / 2) + 3, (int)y0 + 6,
        [=](float px, float py) {
            return sdf_box(px, py, (float)cx, cab_y + (y0 - cab_y) / 2 + 3, cab_w / 2, (y0 - cab_y) / 2 + 3, 8);
        },
        RAMP_OLIVE, 7.0f, 6.0f, 5.0f);
    paint_sdf(
        c, (int)((float)cx - cab_w / 2), (int)cab_y, (int)((float)cx + cab_w / 2) + 1, (int)y0 + 2,
        [=](float px, float py) {
            return sdf_box(px, py, (float)cx, cab_y + (y0 - cab_y) * 0.5f + 1, cab_w / 2 - 8, (y0 - cab_y) * 0.3f, 3);
        },
        RAMP_CYAN, 3.0f, 3.0f, -2.0f);
    paint_sdf(
        c, (int)((float)cx - 20), (int)cab_y, (int)((float)cx + 20), (int)y0 + 2,
        [=](float px, float py) {
            return std::min(sdf_circle(px, py, (float)cx - fw * 0.1f, cab_y + (y0 - cab_y) * 0.52f, fw * 0.045f),
                            sdf_box(px, py, (float)cx - fw * 0.1f, cab_y + (y0 - cab_y) * 0.52f - fw * 0.035f,
                                    fw * 0.06f, fw * 0.012f, 1));
        },
        RAMP_GREY, 1.5f, 1.0f, 1.0f);
    // Bed sides and the tailgate itself.
    paint_sdf(
        c, (int)x0 - 2, (int)y0 - 2, (int)(x0 + fw) + 3, base_y - (int)(fw * 0.08f) + 2,
        [=](float px, float py) {
            return sdf_box(px, py, (float)cx, (y0 + (float)base_y - fw * 0.1f) / 2, fw / 2,
                           ((float)base_y - fw * 0.1f - y0) / 2, 6);
        },
        RAMP_OLIVE, 6.0f, 8.0f, 5.0f, 61, 0.8f);
    float g0 = y0 + fw * 0.08f, g1 = (float)base_y - fw * 0.2f;
    paint_sdf(
        c, (int)x0, (int)g0, (int)(x0 + fw), (int)g1 + 1,
        [=](float px, float py) {
            return sdf_box(px, py, (float)cx, (g0 + g1) / 2, fw / 2 - fw * 0.12f, (g1 - g0) / 2, 3);
        },
        RAMP_OLIVE, 8.0f, 4.0f, -4.0f, 62, 0.6f);
    // Rivets along the tailgate.
    for (float x = x0 + fw * 0.15f; x < x0 + fw * 0.86f; x += fw * 0.07f) {
        canvas_put(c, (int)x, (int)g0 + 3, ramp_index(RAMP_STEEL, 13));
        canvas_put(c, (int)x, (int)g1 - 3, ramp_index(RAMP_STEEL, 13));
    }
    TextStyle st;
    st.font = FONT_SANS_BOLD;
    st.size = (int)(fw * 0.085f);
    st.ramp = RAMP_STEEL;
    st.top_shade = 14;
    st.bottom_shade = 7;
    st.shadow = ramp_index(RAMP_OLIVE, 2);
    st.shadow_dx = 1;
    st.shadow_dy = 1;
    draw_text_centered(c, cx, (int)((g0 + g1) / 2 - fw * 0.055f), "T A I L G A T E", st);
    // Tail lights glowing red.
    for (int s = -1; s <= 1; s += 2) {
        float lx = (float)cx + (float)s * (fw / 2 - fw * 0.06f);
        float ly = (g0 + g1) / 2;
        for (int y = (int)(ly - fw * 0.15f); y < (int)(ly + fw * 0.15f); ++y)
            for (int x = (int)(lx - fw * 0.12f); x < (int)(lx + fw * 0.12f); ++x) {
                float d = std::sqrt(std::pow(((float)x - lx) / (fw * 0.12f), 2.0f) +
                                    std::pow(((float)y - ly) / (fw * 0.15f), 2.0f));
                if (d < 1.0f && canvas_get(c, x, y) != 0 && hash_noise(x, y, 71) < 0.5f - d * 0.45f)
                    canvas_put(c, x, y, ramp_index(RAMP_RED, 8 + (int)((1 - d) * 4)));
            }
        paint_sdf(
            c, (int)(lx - fw * 0.05f), (int)(ly - fw * 0.1f), (int)(lx + fw * 0.05f) + 1, (int)(ly + fw * 0.1f) + 1,
            [=](float px, float py) { return sdf_box(px, py, lx, ly, fw * 0.035f, fw * 0.085f, 2); }, RAMP_RED, 12.0f,
            2.0f, 3.0f);
    }
    // Bumper with a hitch.
    float by0 = (float)base_y - fw * 0.12f;
    paint_sdf(
        c, (int)x0 - 4, (int)by0 - 2, (int)(x0 + fw) + 5, base_y - (int)(fw * 0.02f),
        [=](float px, float py) { return sdf_box(px, py, (float)cx, by0 + fw * 0.04f, fw / 2 + 2, fw * 0.045f, 2); },
        RAMP_STEEL, 9.0f, 3.0f, 5.0f);
    paint_sdf(
        c, cx - 8, (int)by0, cx + 8, base_y,
        [=](float px, float py) { return sdf_circle(px, py, (float)cx, by0 + fw * 0.1f, fw * 0.025f); }, RAMP_STEEL,
        10.0f, 2.0f, 4.0f);
}

// Perspective highway from the bottom of the screen to the horizon.
void perspective_road(Canvas& c, int horizon)
{
    const float vx = 320.0f;
    for (int y = horizon; y < 480; ++y) {
        float t = (float)(y - horizon) / (float)(480 - horizon);  // 0 far .. 1 near
        float hw = 12.0f + t * 420.0f;
        float z = 1.0f / (t + 0.02f);
        for (int x = 0; x < 640; ++x) {
            float dx = ((float)x - vx) / hw;  // -1 .. 1 across the road
            uint8_t v;
            if (std::fabs(dx) <= 1.0f) {
                float s = 2.4f + t * 1.2f + (hash_noise(x, y, 17) - 0.5f) * 1.4f + dither(x, y) * 0.8f;
                v = ramp_index(RAMP_ASPHALT, (int)std::lround(s));
                float stripe = std::fmod(z * 0.9f, 1.0f);
                if (std::fabs(std::fabs(dx) - 0.96f) < 0.012f + 0.004f / (t + 0.05f) * 0.05f)
                    v = ramp_index(RAMP_GREY, 11 + (int)(t * 3));
                if ((std::fabs(dx - 0.33f) < 0.012f || std::fabs(dx + 0.33f) < 0.012f) && stripe < 0.5f)
                    v = ramp_index(RAMP_YELLOW, 8 + (int)(t * 6));
            } else {
                float s = 1.0f + t * 3.0f + (fbm_noise((float)x * 0.05f, (float)y * 0.2f, 19, 2) - 0.5f) * 3.0f +
                          dither(x, y);
                v = ramp_index(RAMP_GRASS, (int)std::lround(s));
            }
            canvas_put(c, x, y, v);
        }
    }
}

void skyline(Canvas& c, int horizon, uint32_t seed)
{
    Rng rng;
    rng_seed(rng, seed);
    int x = 0;
    while (x < 640) {
        int w = 14 + rng_int(rng, 26), h = 8 + rng_int(rng, 44);
        if (x > 250 && x < 390)
            h = 4 + rng_int(rng, 8);  // keep the vanishing point open
        for (int j = horizon - h; j < horizon; ++j)
            for (int i = x; i < x + w; ++i)
                canvas_put(c, i, j, ramp_index(RAMP_BLUE, 1));
        for (int j = horizon - h + 3; j < horizon - 2; j += 4)
            for (int i = x + 2; i < x + w - 2; i += 3)
                if (rng_int(rng, 5) == 0)
                    canvas_put(c, i, j, ramp_index(RAMP_YELLOW, 9 + rng_int(rng, 4)));
        x += w + rng_int(rng, 4);
    }
}

int make_title(const std::string& dir)
{
    Canvas c = canvas_make(640, 480, 0);
    night_sky(c, 0, 250, 101, 4.0f);
    skyline(c, 250, 102);
    perspective_road(c, 250);
    saucer_side(c, 545, 185, 62, 90);
    saucer_side(c, 110, 190, 28, 0);
    logo(c, 320, 28, 92);
    TextStyle st = body_style(RAMP_ALIEN, 20);
    st.italic = 1;
    draw_text_centered(c, 320, 142, "THE HIGHWAY ALIEN SMASH-UP", st);
    // Loading messages appear at y 278 between x 230 and about 430.
    dark_panel(c, 212, 266, 236, 36);
    truck_rear(c, 320, 474, 200);
    return write_bmp(dir + "/" + DATA_TITLE_SCREEN, c);
}

int make_menu(const std::string& dir)
{
    Canvas c = canvas_make(640, 480, 0);
    night_sky(c, 0, 480, 201, 3.0f);
    logo(c, 320, 8, 64);
    // The flickering credit line is written at (268, 100).
    dark_panel(c, 228, 94, 200, 26);
    TextStyle small = body_style(RAMP_SAND, 12);
    draw_text(c, 236, 100, "by", small);
    dark_panel(c, 170, 146, 300, 276);
    struct Entry {
        const char* key;
        const char* text;
    };
    static constexpr Entry entries[5] = {
        {"S", "Start game"}, {"C", "Controls"}, {"R", "Credits"}, {"H", "High scores"}, {"Q", "Quit"},
    };
    for (int i = 0; i < 5; ++i) {
        int y = 164 + i * 52;
        key_cap(c, 200, y, 34, entries[i].key);
        TextStyle st = body_style(i == 0 ? RAMP_YELLOW : RAMP_ORANGE, 26);
        st.top_shade = 15;
        st.bottom_shade = 7;
        draw_text(c, 250, y - 2, entries[i].text, st);
    }
    // Our truck and an alien car facing off on either side, at double size.
    Canvas truck = canvas_make(64, 96, 0);
    paint_truck(truck, 0, 0, 0);
    Canvas car = canvas_make(64, 64, 0);
    paint_vehicle(car, 0, 0, 3);
    Canvas pod = canvas_make(64, 64, 0);
    paint_vehicle(pod, 0, 0, 5);
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 128; ++x) {
            uint8_t v = truck.px[(size_t)(y / 2) * 64 + x / 2];
            if (v)
                canvas_put(c, 20 + x, 220 + y, v);
        }
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            uint8_t v = car.px[(size_t)(y / 2) * 64 + x / 2];
            if (v)
                canvas_put(c, 490 + x, 150 + y, v);
            v = pod.px[(size_t)(y / 2) * 64 + x / 2];
            if (v)
                canvas_put(c, 490 + x, 300 + y, v);
        }
    TextStyle foot = body_style(RAMP_STEEL, 14);
    draw_text_centered(c, 320, 440, "Press a key to choose", foot);
    frame(c);
    return write_bmp(dir + "/" + DATA_MAIN_MENU, c);
}

void footer_return(Canvas& c)
{
    TextStyle st = body_style(RAMP_YELLOW, 20);
    st.top_shade = 15;
    draw_text_centered(c, 320, 436, "PRESS SPACE TO RETURN", st);
}

// One line of the controls screen: a key cap and what the key does.
struct Row {
    const char* key;
    int key_w;
    const char* text;
};

// Draws the rows one under another from (x, y); returns the y below them.
template <size_t N> int key_rows(Canvas& c, int x, int y, const Row (&rows)[N], const TextStyle& text, int step = 34)
{
    for (const Row& r : rows) {
        key_cap(c, x, y, r.key_w, r.key);
        draw_text(c, x + r.key_w + 12, y + 4, r.text, text);
        y += step;
    }
    return y;
}

// Every key the game answers, under the part of the game it works in; the
// keys that work anywhere along the bottom.
int make_controls(const std::string& dir)
{
    Canvas c = canvas_make(640, 480, 0);
    night_sky(c, 0, 480, 301, 2.5f);
    draw_text_centered(c, 320, 16, "CONTROLS", heading_style());
    static constexpr Row drive[] = {
        {"UP", 44, "Accelerate"},         {"DOWN", 56, "Brake"},
        {"LEFT", 56, "Steer left"},       {"RIGHT", 62, "Steer right"},
        {"H", 34, "Call the help truck"}, {"S", 34, "Change radio station"},
    };
    static constexpr Row battle[] = {
        {"ARROWS", 74, "Move the truck"},
        {"SPACE", 74, "Fire the cannon"},
    };
    static constexpr Row initials[] = {
        {"UP", 44, "Next letter"},
        {"DOWN", 56, "Previous letter"},
        {"SPACE", 74, "Accept the letter"},
    };
    static constexpr Row anytime_left[] = {
        {"P", 34, "Pause"},
        {"ESC", 50, "Menu and options"},
    };
    static constexpr Row anytime_middle[] = {
        {"F12", 44, "Screenshot"},
        {"ALT+ENTER", 104, "Full screen"},
    };
    static constexpr Row anytime_right[] = {
        {"Q", 34, "Quit"},
    };
    TextStyle head = body_style(RAMP_ALIEN, 20);
    TextStyle text = body_style(RAMP_SAND, 16);
    dark_panel(c, 24, 60, 290, 240);
    dark_panel(c, 330, 60, 286, 240);
    dark_panel(c, 24, 308, 592, 112);
    draw_text(c, 40, 66, "ON THE ROAD", head);
    key_rows(c, 40, 94, drive, text, 32);
    draw_text(c, 346, 66, "ALIEN BATTLE", head);
    key_rows(c, 346, 94, battle, text, 32);
    draw_text(c, 346, 164, "HIGH SCORE", head);
    key_rows(c, 346, 192, initials, text, 32);
    draw_text(c, 40, 314, "AT ANY TIME", head);
    key_rows(c, 40, 342, anytime_left, text, 34);
    key_rows(c, 272, 342, anytime_middle, text, 34);
    key_rows(c, 520, 342, anytime_right, text, 34);
    footer_return(c);
    frame(c);
    return write_bmp(dir + "/" + DATA_CONTROLS, c);
}

int make_credits(const std::string& dir)
{
    Canvas c = canvas_make(640, 480, 0);
    night_sky(c, 0, 480, 401, 2.5f);
    saucer_side(c, 560, 90, 40, 0);
    draw_text_centered(c, 320, 16, "CREDITS", heading_style());
    dark_panel(c, 90, 70, 460, 346);
    struct Line {
        const char* role;
        const char* who;
    };
    static constexpr Line lines[] = {
        {"Game design", "The Tailgate developers"},
        {"Programming", "The Tailgate developers"},
        {"Road and vehicle art", "Drawn by our own generator"},
        {"Music", "Nine radio stations, composed by code"},
        {"Voices", "eSpeak NG speech synthesis"},
        {"Sound effects", "Synthesised in the garage"},
        {"Testing", "Everybody who crashed a truck"},
    };
    TextStyle role = body_style(RAMP_ORANGE, 15);
    TextStyle who = body_style(RAMP_SAND, 18);
    int y = 78;
    for (const Line& l : lines) {
        draw_text_centered(c, 320, y, l.role, role);
        draw_text_centered(c, 320, y + 17, l.who, who);
        y += 44;
    }
    TextStyle thanks = body_style(RAMP_ALIEN, 18);
    thanks.italic = 1;
    draw_text_centered(c, 320, 390, "Thanks for driving!", thanks);
    footer_return(c);
    frame(c);
    return write_bmp(dir + "/" + DATA_CREDITS, c);
}

// A gold trophy cup.
void trophy(Canvas& c, float cx, float cy)
{
    paint_sdf(
        c, (int)cx - 40, (int)cy - 50, (int)cx + 41, (int)cy + 60,
        [=](float px, float py) {
            float cup = std::max(sdf_ellipse(px, py, cx, cy - 14, 26, 34), py - (cy + 4));
            cup = std::min(cup, sdf_box(px, py, cx, cy - 40, 26, 4, 2));
            float stem = sdf_box(px, py, cx, cy + 18, 5, 16, 2);
            float foot = sdf_box(px, py, cx, cy + 38, 20, 6, 3);
            float handles = std::min(std::fabs(sdf_circle(px, py, cx - 28, cy - 18, 11)) - 3,
                                     std::fabs(sdf_circle(px, py, cx + 28, cy - 18, 11)) - 3);
            return std::min(std::min(cup, stem), std::min(foot, handles));
        },
        RAMP_YELLOW, 8.0f, 9.0f, 6.0f);
    TextStyle st = body_style(RAMP_RED, 22);
    st.shadow = -1;
    draw_text_centered(c, (int)cx, (int)cy - 30, "#1", st);
}

int make_hiscore(const std::string& dir)
{
    Canvas c = canvas_make(640, 480, 0);
    night_sky(c, 0, 480, 501, 2.5f);
    draw_text_centered(c, 320, 20, "HIGH SCORES", heading_style());
    TextStyle sub = body_style(RAMP_ALIEN, 16);
    sub.italic = 1;
    draw_text_centered(c, 320, 70, "The finest drivers on the highway", sub);
    // The table (x 280 and 330, rows from y 150) and the initials entry
    // (x 200 to 510, y 200 to 266) are written by the game.
    dark_panel(c, 184, 132, 342, 284);
    TextStyle col = body_style(RAMP_ORANGE, 14);
    draw_text(c, 266, 110, "SCORE", col);
    draw_text(c, 326, 110, "NAME", col);
    trophy(c, 90, 250);
    trophy(c, 560, 250);
    // The same picture serves the table and the initials entry.
    TextStyle foot = body_style(RAMP_STEEL, 14);
    draw_text_centered(c, 320, 424, "A new high score: Up and Down change a letter, Space accepts it", foot);
    draw_text_centered(c, 320, 444, "The table: press Space to return", foot);
    frame(c);
    return write_bmp(dir + "/" + DATA_HISCORE_SCREEN, c);
}

int make_story(const std::string& dir)
{
    // Very dark on purpose: the story rolls over it in red.
    Canvas c = canvas_make(640, 480, 0);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            float dx = ((float)x - 320.0f) / 320.0f, dy = ((float)y - 240.0f) / 240.0f;
            float vign = 1.0f - 0.5f * (dx * dx + dy * dy);
            float n = fbm_noise((float)x * 0.006f, (float)y * 0.012f, 601, 4);
            float s = (n - 0.35f) * 4.0f * vign + dither(x, y) * 1.2f;
            canvas_put(c, x, y, s < 0.8f ? 0 : ramp_index(RAMP_BLUE, (int)std::lround(std::min(s, 2.0f))));
        }
    Rng rng;
    rng_seed(rng, 602);
    for (int i = 0; i < 180; ++i)
        canvas_put(c, rng_int(rng, 640), rng_int(rng, 480), ramp_index(RAMP_GREY, 3 + rng_int(rng, 4)));
    // In the left margin, where the rolling story never comes (its lines
    // begin at x 100).
    key_cap(c, 12, 428, 74, "SPACE");
    draw_text(c, 27, 458, "skips", body_style(RAMP_STEEL, 14));
    return write_bmp(dir + "/" + DATA_STORY_BACK, c);
}

}  // namespace

int make_screens(const std::string& dir)
{
    int ok = 1;
    ok &= make_title(dir);
    ok &= make_menu(dir);
    ok &= make_controls(dir);
    ok &= make_credits(dir);
    ok &= make_hiscore(dir);
    ok &= make_story(dir);
    return ok;
}
