// One line of text onto a surface, through its device context.
#include <cstring>

#include "display/display.h"

char text_buffer[TEXT_BUFFER_SIZE];

int gfx_draw_text(const char* text, int x, int y, ColorRef colour, PlatSurface* surface)
{
    PlatDC* dc = plat_get_dc(surface);
    if (!dc) {
        return 0;
    }
    plat_set_text_color(dc, colour);
    plat_set_bk_transparent(dc);
    if (text) {
        plat_text_out(dc, x, y, text, static_cast<int>(strlen(text)));
    }
    plat_release_dc(surface, dc);
    return 1;
}
