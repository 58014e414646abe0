// background.bmp: the instrument panel on the left and the night highway.
// The game draws the lane dashes, gauges and readouts over it, so the panel
// keeps dark recesses exactly where those go and the dash columns stay plain.
#include "make_data.h"

#include <algorithm>
#include <cmath>

namespace {

// Fine-grained textures only: the picture stands still while the dashes scroll,
// so anything large would give the motion away.
uint8_t asphalt_pixel(int x, int y)
{
    float n = fbm_noise((float)x * 0.35f, (float)y * 0.35f, 11, 3);
    float s = 3.0f + (n - 0.5f) * 2.6f;
    // Darker oil band down the middle of each lane, lighter worn wheel tracks.
    int lane_pos = (x - 130) % 64;
    if (x >= 130 && x < 578) {
        float centre = std::fabs((float)lane_pos - 32.0f);
        if (centre < 7)
            s -= 0.6f * (1.0f - centre / 7.0f);
        if (std::fabs(centre - 14.0f) < 4.0f)
            s += 0.35f;
    }
    float speck = hash_noise(x, y, 77);
    if (speck > 0.985f)
        s += 3.0f;
    else if (speck < 0.02f)
        s -= 1.2f;
    s += dither(x, y) * 0.8f;
    return ramp_index(RAMP_ASPHALT, (int)std::lround(s));
}

void draw_road(Canvas& c)
{
    for (int y = 0; y < 480; ++y)
        for (int x = 124; x < 640; ++x)
            canvas_put(c, x, y, asphalt_pixel(x, y));
    // Tar-sealed cracks running along the road, kept away from the dash columns.
    for (int k = 0; k < 6; ++k) {
        float x = 160.0f + (float)k * 71.0f;
        for (int y = 0; y < 480; ++y) {
            x += (value_noise((float)y * 0.05f, (float)k, 303) - 0.5f) * 0.9f;
            int xi = (int)x;
            if ((xi - 192) % 64 == 0 || (xi - 192) % 64 == 63 || (xi - 192) % 64 == 1)
                continue;
            if (xi > 136 && xi < 574 && value_noise((float)y * 0.03f, (float)k * 7.0f, 404) > 0.45f)
                canvas_put(c, xi, y, ramp_index(RAMP_ASPHALT, 1));
        }
    }
    // Left edge: solid yellow line by the median.
    for (int y = 0; y < 480; ++y)
        for (int x = 128; x < 131; ++x) {
            float wear = hash_noise(x, y, 5);
            canvas_put(c, x, y, wear > 0.08f ? ramp_index(RAMP_YELLOW, x == 129 ? 11 : 9) : asphalt_pixel(x, y));
        }
    // Right edge: solid white line, then the gravel shoulder and the grass verge.
    for (int y = 0; y < 480; ++y) {
        for (int x = 580; x < 583; ++x) {
            float wear = hash_noise(x, y, 6);
            canvas_put(c, x, y, wear > 0.08f ? ramp_index(RAMP_GREY, x == 581 ? 14 : 12) : asphalt_pixel(x, y));
        }
        float verge = 612.0f + (fbm_noise(0.5f, (float)y * 0.08f, 21, 3) - 0.5f) * 10.0f;
        for (int x = 583; x < 640; ++x) {
            float fx = (float)x;
            if (fx < verge) {
                // Gravel: speckled sand and grey stones.
                float n = hash_noise(x, y, 31);
                float m = fbm_noise((float)x * 0.3f, (float)y * 0.3f, 32, 2);
                int ramp = n > 0.55f ? RAMP_SAND : RAMP_GREY;
                float s = ramp == RAMP_SAND ? 3.0f + m * 4.0f : 3.0f + m * 5.0f;
                if (hash_noise(x, y, 33) > 0.93f)
                    s += 3;
                s += dither(x, y);
                canvas_put(c, x, y, ramp_index(ramp, (int)std::lround(s)));
            } else {
                float n = fbm_noise((float)x * 0.4f, (float)y * 0.25f, 41, 3);
                float s = 2.0f + n * 4.5f - (fx - verge < 2 ? 1.0f : 0.0f);
                if (hash_noise(x, y, 42) > 0.9f)
                    s += 2.0f;  // blades catching the headlights
                s += dither(x, y);
                canvas_put(c, x, y, ramp_index(RAMP_GRASS, (int)std::lround(s)));
            }
        }
    }
}

// A recessed dark window with a bevel: light on the bottom-right lip, shadow top-left.
void recess(Canvas& c, int x, int y, int w, int h)
{
    canvas_fill_rect(c, x, y, w, h, ramp_index(RAMP_GREY, 1));
    for (int i = x; i < x + w; ++i) {
        canvas_put(c, i, y, 0 ? 0 : ramp_index(RAMP_STEEL, 1));
        canvas_put(c, i, y + h - 1, ramp_index(RAMP_STEEL, 10));
    }
    for (int j = y; j < y + h; ++j) {
        canvas_put(c, x, j, ramp_index(RAMP_STEEL, 1));
        canvas_put(c, x + w - 1, j, ramp_index(RAMP_STEEL, 10));
    }
    // Faint glass glare in the top corner.
    for (int i = 2; i < std::min(w - 2, 14); ++i)
        canvas_put(c, x + i, y + 2, ramp_index(RAMP_GREY, 3));
}

void rivet(Canvas& c, int x, int y)
{
    paint_sdf(
        c, x - 3, y - 3, x + 4, y + 4,
        [=](float px, float py) { return sdf_circle(px, py, (float)x + 0.5f, (float)y + 0.5f, 2.4f); }, RAMP_STEEL, 8,
        2.0f, 5.0f);
}

void label(Canvas& c, int x, int y, const char* text)
{
    TextStyle st;
    st.font = FONT_CONDENSED_BOLD;
    st.size = 11;
    st.ramp = RAMP_SAND;
    st.top_shade = 14;
    st.bottom_shade = 10;
    st.shadow = ramp_index(RAMP_GREY, 1);
    st.shadow_dx = 1;
    st.shadow_dy = 1;
    draw_text(c, x, y, text, st);
}

// Groove for a gauge line drawn by the game (5 px thick, centred on y).
void gauge_groove(Canvas& c, int y, const char* name, int ticks)
{
    label(c, 8, y - 20, name);
    recess(c, 6, y - 5, 118, 11);
    if (ticks) {
        for (int k = 0; k <= 6; ++k) {
            int tx = 10 + k * 110 / 6;
            canvas_put(c, tx, y + 7, ramp_index(RAMP_SAND, 11));
            canvas_put(c, tx, y + 8, ramp_index(RAMP_SAND, 9));
            if (k % 2 == 0)
                canvas_put(c, tx, y + 9, ramp_index(RAMP_SAND, 8));
        }
    }
}

void draw_panel(Canvas& c)
{
    // Brushed steel plate.
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 124; ++x) {
            float streak = value_noise((float)x * 0.08f, (float)y * 1.3f, 55);
            float s = 4.2f + (streak - 0.5f) * 1.6f - (float)y / 480.0f * 0.8f + dither(x, y) * 0.9f;
            canvas_put(c, x, y, ramp_index(RAMP_STEEL, (int)std::lround(s)));
        }
    // Raised rim along the road side.
    for (int y = 0; y < 480; ++y) {
        canvas_put(c, 120, y, ramp_index(RAMP_STEEL, 9));
        canvas_put(c, 121, y, ramp_index(RAMP_STEEL, 11));
        canvas_put(c, 122, y, ramp_index(RAMP_STEEL, 6));
        canvas_put(c, 123, y, ramp_index(RAMP_STEEL, 2));
    }
    // Spare trucks and help calls sit in a recess at the top left.
    recess(c, 0, 0, 60, 50);
    for (int i = 0; i < 60; ++i)
        canvas_put(c, i, 24, ramp_index(RAMP_STEEL, 3));
    label(c, 64, 5, "SPARES");
    label(c, 64, 30, "HELP");
    rivet(c, 112, 10);
    rivet(c, 112, 40);

    gauge_groove(c, 80, "ALIEN", 0);
    label(c, 8, 96, "RADIO");
    recess(c, 38, 106, 82, 22);
    label(c, 8, 148, "SCORE");
    recess(c, 38, 159, 82, 22);
    gauge_groove(c, 220, "CONDITION", 1);
    gauge_groove(c, 272, "SPEED", 1);
    {
        TextStyle st;
        st.font = FONT_CONDENSED_BOLD;
        st.size = 8;
        st.ramp = RAMP_SAND;
        st.top_shade = 11;
        st.bottom_shade = 9;
        draw_text(c, 7, 283, "0", st);
        draw_text(c, 40, 283, "50", st);
        draw_text(c, 75, 283, "100", st);
        draw_text(c, 107, 283, "150", st);
    }
    label(c, 8, 316, "MILES LEFT");
    recess(c, 50, 330, 70, 22);
    label(c, 8, 366, "TIME");
    recess(c, 10, 381, 112, 22);

    // CB speaker grille and maker's plate at the bottom.
    recess(c, 10, 416, 104, 36);
    canvas_fill_rect(c, 11, 417, 102, 34, ramp_index(RAMP_STEEL, 3));
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 14; ++i)
            fill_sdf(
                c, 14 + i * 7, 420 + j * 8, 20 + i * 7, 426 + j * 8,
                [=](float px, float py) {
                    return sdf_circle(px, py, 17.5f + (float)(i * 7), 423.5f + (float)(j * 8), 2.3f);
                },
                ramp_index(RAMP_GREY, 1));
    TextStyle st;
    st.font = FONT_SANS_BOLD;
    st.size = 12;
    st.ramp = RAMP_ORANGE;
    st.top_shade = 14;
    st.bottom_shade = 7;
    st.italic = 1;
    st.shadow = ramp_index(RAMP_GREY, 1);
    st.shadow_dx = 1;
    st.shadow_dy = 1;
    draw_text_centered(c, 62, 457, "CB-2000", st);
    rivet(c, 5, 470);
    rivet(c, 112, 470);
    rivet(c, 5, 300);
    rivet(c, 112, 300);
}

}  // namespace

int make_background(const std::string& dir)
{
    Canvas c = canvas_make(640, 480, 0);
    draw_road(c);
    draw_panel(c);
    return write_bmp(dir + "/" + DATA_BACKGROUND, c);
}
