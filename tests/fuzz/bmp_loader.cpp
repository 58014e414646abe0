// Fuzz target: any bytes as a BMP file (in the working directory). The loader
// must never read or write outside a buffer; what it accepts must hold every
// row it claims, and cutting cells or a full-screen picture from it must stay
// inside too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "display/display.h"
#include "fuzz_files.h"

namespace {

PlatSurface* cell;

void set_up_once()
{
    if (cell) {
        return;
    }
    plat_use_backend(PLAT_HEADLESS, 1000);
    plat_window_create(false);
    if (!gfx_display_setup()) {
        abort();
    }
    cell = gfx_create_surface(64, 64, 0, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    set_up_once();
    if (!write_file("fuzz.bmp", data, size)) {
        return 0;
    }
    if (gfx_load_bitmap(&scratch_bitmap, "fuzz.bmp")) {
        const BitmapInfoHeader& info = scratch_bitmap.info_header;
        const int64_t rows = info.biHeight < 0 ? -static_cast<int64_t>(info.biHeight) : info.biHeight;
        const int64_t bytes = static_cast<int64_t>(info.biWidth) * (info.biBitCount / 8) * rows;
        if (!scratch_bitmap.pixels || bytes <= 0 || bytes > info.biSizeImage) {
            abort();
        }
        volatile uint8_t sum = 0;
        for (int64_t i = 0; i < bytes; i++) {
            sum = sum + scratch_bitmap.pixels[i];
        }
        gfx_copy_cell(&scratch_bitmap, cell, 0, 0);
        gfx_copy_cell(&scratch_bitmap, cell, 1, 2);
    }
    gfx_unload_bitmap(&scratch_bitmap);

    PlatSurface* picture = nullptr;
    load_screen_image("fuzz.bmp", &picture);
    plat_release_surface(picture);
    return 0;
}
