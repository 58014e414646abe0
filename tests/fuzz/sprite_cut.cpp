// Fuzz target: any bytes as all three sprite sheets (truck.bmp, cars2.bmp,
// monster.bmp in the working directory), cut into the 107 frames exactly as
// the start-up cuts them. Nothing may read or write outside a buffer; every
// frame a successful cut made holds its cell of the sheet.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "display/display.h"
#include "platform/platform.h"

#include "fuzz_files.h"

namespace {

void release(PlatSurface** frames, int count)
{
    for (int i = 0; i < count; i++) {
        plat_release_surface(frames[i]);
        frames[i] = nullptr;
    }
}

bool set_up_done;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!set_up_done) {
        plat_use_backend(PLAT_HEADLESS, 1000);
        plat_window_create(false);
        if (!gfx_display_setup()) {
            abort();
        }
        set_up_done = true;
    }
    for (const char* name : {"truck.bmp", "cars2.bmp", "monster.bmp"}) {
        if (!write_file(name, data, size)) {
            return 0;
        }
    }
    if (gfx_cut_truck()) {
        // Frame 2 holds cell (2, 0): its first pixel is the sheet's (131, 1).
        BitmapImage sheet{};
        const PlatSurface* frame = truck_frames[2];
        if (!gfx_load_bitmap(&sheet, "truck.bmp") || !frame ||
            frame->pixels[0] != sheet.pixels[1 * sheet.info_header.biWidth + 131]) {
            abort();
        }
        gfx_unload_bitmap(&sheet);
    }
    gfx_cut_cars();
    gfx_cut_monsters();
    if (scratch_bitmap.pixels) {
        abort();  // every cut, made or failed, gives its sheet back
    }
    release(truck_frames, TRUCK_FRAME_COUNT);
    release(car_frames, CAR_FRAME_COUNT);
    release(monster_frames, MONSTER_FRAME_COUNT);
    return 0;
}
