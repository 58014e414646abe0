// Lettering for the pictures: DejaVu glyphs rasterised unsmoothed, then
// filled with a palette gradient, outlined and given a drop shadow.
#include "make_data.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>

#ifndef MAKE_DATA_FONT_DIR
#define MAKE_DATA_FONT_DIR "/usr/share/fonts/truetype/dejavu"
#endif

namespace {

std::map<std::pair<int, int>, TTF_Font*> open_fonts;

const char* font_file(int font)
{
    switch (font) {
    case FONT_SANS:
        return "DejaVuSans.ttf";
    case FONT_SERIF_BOLD:
        return "DejaVuSerif-Bold.ttf";
    case FONT_CONDENSED_BOLD:
        return "DejaVuSansCondensed-Bold.ttf";
    case FONT_MONO_BOLD:
        return "DejaVuSansMono-Bold.ttf";
    default:
        return "DejaVuSans-Bold.ttf";
    }
}

TTF_Font* get_font(int font, int size)
{
    auto key = std::make_pair(font, size);
    auto it = open_fonts.find(key);
    if (it != open_fonts.end())
        return it->second;
    std::string path = std::string(MAKE_DATA_FONT_DIR) + "/" + font_file(font);
    TTF_Font* f = TTF_OpenFont(path.c_str(), size);
    if (!f) {
        // Pictures without their lettering are no data at all.
        std::fprintf(stderr, "make_data: cannot open font %s\n", path.c_str());
        std::exit(1);
    }
    TTF_SetFontHinting(f, TTF_HINTING_NORMAL);
    open_fonts[key] = f;
    return f;
}

// Glyph coverage mask of one line: 1 where a glyph pixel is.
Canvas text_mask(const std::string& text, const TextStyle& style)
{
    Canvas m;
    TTF_Font* f = get_font(style.font, style.size);
    if (!f || text.empty())
        return m;
    TTF_SetFontStyle(f, style.italic ? TTF_STYLE_ITALIC : TTF_STYLE_NORMAL);
    SDL_Color white = {255, 255, 255, 255};
    SDL_Surface* s = TTF_RenderUTF8_Solid(f, text.c_str(), white);
    if (!s)
        return m;
    m = canvas_make(s->w, s->h, 0);
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y) {
        const uint8_t* row = (const uint8_t*)s->pixels + (std::ptrdiff_t)y * s->pitch;
        for (int x = 0; x < s->w; ++x)
            m.px[(size_t)y * m.w + x] = row[x] ? 1 : 0;
    }
    SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
    return m;
}

}  // namespace

int text_init()
{
    return TTF_Init() == 0;
}

void text_shutdown()
{
    for (auto& kv : open_fonts)
        if (kv.second)
            TTF_CloseFont(kv.second);
    open_fonts.clear();
    TTF_Quit();
}

int text_width(const std::string& text, const TextStyle& style)
{
    TTF_Font* f = get_font(style.font, style.size);
    int w = 0, h = 0;
    if (!f)
        return 0;
    TTF_SetFontStyle(f, style.italic ? TTF_STYLE_ITALIC : TTF_STYLE_NORMAL);
    TTF_SizeUTF8(f, text.c_str(), &w, &h);
    return w;
}

int draw_text(Canvas& c, int x, int y, const std::string& text, const TextStyle& style)
{
    Canvas m = text_mask(text, style);
    if (m.w == 0)
        return 0;
    // Glyph rows actually used, so the gradient spans the letters and not the line box.
    int top = m.h, bottom = 0;
    for (int j = 0; j < m.h; ++j)
        for (int i = 0; i < m.w; ++i)
            if (m.px[(size_t)j * m.w + i]) {
                top = std::min(top, j);
                bottom = std::max(bottom, j);
            }
    if (top > bottom)
        return m.w;
    auto on = [&](int i, int j) { return i >= 0 && j >= 0 && i < m.w && j < m.h && m.px[(size_t)j * m.w + i]; };
    if (style.shadow >= 0)
        for (int j = 0; j < m.h; ++j)
            for (int i = 0; i < m.w; ++i)
                if (on(i, j)) {
                    for (int k = 1; k <= std::max(style.shadow_dx, style.shadow_dy); ++k)
                        canvas_put(c, x + i + std::min(k, style.shadow_dx), y + j + std::min(k, style.shadow_dy),
                                   (uint8_t)style.shadow);
                }
    if (style.outline >= 0)
        for (int j = -1; j <= m.h; ++j)
            for (int i = -1; i <= m.w; ++i)
                if (!on(i, j) && (on(i - 1, j) || on(i + 1, j) || on(i, j - 1) || on(i, j + 1) || on(i - 1, j - 1) ||
                                  on(i + 1, j + 1) || on(i - 1, j + 1) || on(i + 1, j - 1)))
                    canvas_put(c, x + i, y + j, (uint8_t)style.outline);
    float span = (float)std::max(1, bottom - top);
    for (int j = 0; j < m.h; ++j)
        for (int i = 0; i < m.w; ++i)
            if (on(i, j)) {
                float t = (float)(j - top) / span;
                float s = (float)style.top_shade + ((float)style.bottom_shade - (float)style.top_shade) * t;
                s += dither(x + i, y + j) * 0.9f;
                canvas_put(c, x + i, y + j, ramp_index(style.ramp, (int)std::lround(s)));
            }
    return m.w;
}

int draw_text_centered(Canvas& c, int cx, int y, const std::string& text, const TextStyle& style)
{
    int w = text_width(text, style);
    return draw_text(c, cx - w / 2, y, text, style);
}
