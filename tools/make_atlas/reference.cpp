#include "reference.h"

#include <SDL2/SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstring>

namespace reference {

namespace {

// The file of the face, asked of fontconfig; empty when it has none.
std::string find_font_file()
{
    std::string file;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(FONT_PATTERN));
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, nullptr);
    FcFontSet* found = pattern && objects ? FcFontList(nullptr, pattern, objects) : nullptr;
    FcChar8* path = nullptr;
    if (found && found->nfont > 0 && FcPatternGetString(found->fonts[0], FC_FILE, 0, &path) == FcResultMatch) {
        file = reinterpret_cast<const char*>(path);
    }
    if (found) {
        FcFontSetDestroy(found);
    }
    if (objects) {
        FcObjectSetDestroy(objects);
    }
    if (pattern) {
        FcPatternDestroy(pattern);
    }
    return file;
}

TTF_Font* as_font(void* font)
{
    return static_cast<TTF_Font*>(font);
}

}  // namespace

Face::Face()
{
    if (!TTF_WasInit() && TTF_Init() != 0) {
        why_ = std::string("cannot start SDL2_ttf: ") + TTF_GetError();
        return;
    }
    file_ = find_font_file();
    if (file_.empty()) {
        why_ = std::string("fontconfig has no ") + FONT_PATTERN + " (install fonts-dejavu-extra)";
        return;
    }
    TTF_Font* font = TTF_OpenFont(file_.c_str(), FONT_POINTS);
    if (!font) {
        why_ = "cannot open the font " + file_ + ": " + TTF_GetError();
        return;
    }
    TTF_SetFontHinting(font, TTF_HINTING_MONO);
    TTF_SetFontKerning(font, 0);
    font_ = font;
}

Face::~Face()
{
    if (font_) {
        TTF_CloseFont(as_font(font_));
    }
}

int Face::height() const
{
    return TTF_FontHeight(as_font(font_));
}

int Face::ascent() const
{
    return TTF_FontAscent(as_font(font_));
}

bool Face::metrics(uint8_t c, Metrics* m) const
{
    return TTF_GlyphMetrics32(as_font(font_), c, &m->min_x, &m->max_x, &m->min_y, &m->max_y, &m->advance) == 0;
}

bool Face::render(const char* text, int length, std::vector<uint8_t>* bits, int* width, int* height) const
{
    if (!font_ || length <= 0) {
        return false;
    }
    char line[1024];
    const int n = std::min(length, static_cast<int>(sizeof line) - 1);
    memcpy(line, text, static_cast<size_t>(n));
    line[n] = '\0';
    if (line[0] == '\0') {
        return false;
    }
    SDL_Surface* s = TTF_RenderText_Solid(as_font(font_), line, SDL_Color{255, 255, 255, 255});
    if (!s) {
        return false;
    }
    bool ok = false;
    if (s->format->BytesPerPixel == 1 && s->w > 0 && s->h > 0 && SDL_LockSurface(s) == 0) {
        bits->assign(static_cast<size_t>(s->w) * s->h, 0);
        for (int y = 0; y < s->h; y++) {
            const uint8_t* row = static_cast<const uint8_t*>(s->pixels) + y * s->pitch;
            for (int x = 0; x < s->w; x++) {
                (*bits)[static_cast<size_t>(y) * s->w + x] = row[x] != 0;
            }
        }
        *width = s->w;
        *height = s->h;
        ok = true;
        SDL_UnlockSurface(s);
    }
    SDL_FreeSurface(s);
    return ok;
}

}  // namespace reference
