// Cost of one blit-heavy frame as play draws it: the road, 100 keyed 64 x 64
// sprites, four lines of text, 40 lines, then the flip.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "display/display.h"

namespace {

struct Scene {
    PlatSurface* road;
    PlatSurface* sprite;
};

Scene make_scene()
{
    plat_use_backend(PLAT_HEADLESS, 1000);
    plat_window_create(false);
    gfx_display_setup();
    PlatPaletteEntry entries[256];
    for (int i = 0; i < 256; i++) {
        entries[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2),
                      PC_NOCOLLAPSE};
    }
    plat_set_palette_entries(display_palette, 0, 256, entries);
    Scene scene;
    scene.road = gfx_create_surface(640, 480, 0, -1);
    scene.sprite = gfx_create_surface(64, 64, 0, 0);
    for (int y = 0; y < 480; y++) {
        for (int x = 0; x < 640; x++) {
            scene.road->pixels[y * scene.road->pitch + x] = static_cast<uint8_t>(x ^ y);
        }
    }
    for (int y = 0; y < 64; y++) {
        for (int x = 0; x < 64; x++) {
            // A round car: index 0 around it.
            const int dx = x - 32;
            const int dy = y - 32;
            scene.sprite->pixels[y * scene.sprite->pitch + x] =
                dx * dx + dy * dy < 900 ? static_cast<uint8_t>(1 + x) : 0;
        }
    }
    return scene;
}

void draw_frame(const Scene& scene, int frame)
{
    gfx_blit(scene.road, 0, 0, 640, 480, back_buffer, 0);
    for (int i = 0; i < 100; i++) {
        const int x = (i * 37 + frame) % 700 - 30;
        const int y = (i * 53 + frame * 3) % 540 - 30;
        gfx_blit_scaled(scene.sprite, x, y, 64, 64, 64, 64, back_buffer, 1);
    }
    PlatDC* dc = plat_get_dc(back_buffer);
    PlatPen* thin = plat_create_pen(1, plat_rgb(255, 255, 0));
    PlatPen* wide = plat_create_pen(5, plat_rgb(0, 255, 0));
    PlatPen* old = plat_select_pen(dc, thin);
    for (int i = 0; i < 38; i++) {
        plat_move_to(dc, 150 + 12 * i, (frame * 5 + i * 40) % 480);
        plat_line_to(dc, 150 + 12 * i, (frame * 5 + i * 40) % 480 + 35);
    }
    plat_select_pen(dc, wide);
    plat_move_to(dc, 10, 272);
    plat_line_to(dc, 119, 272);
    plat_move_to(dc, 10, 220);
    plat_line_to(dc, 120, 220);
    plat_select_pen(dc, old);
    plat_delete_pen(thin);
    plat_delete_pen(wide);
    plat_release_dc(back_buffer, dc);
    snprintf(text_buffer, sizeof text_buffer, "%d%d.%d FM", 10, 3, 5);
    gfx_draw_text(text_buffer, 43, 110, TEXT_COLOUR, back_buffer);
    snprintf(text_buffer, sizeof text_buffer, "%d", 1000 + frame / 10);
    gfx_draw_text(text_buffer, 43, 163, TEXT_COLOUR, back_buffer);
    snprintf(text_buffer, sizeof text_buffer, "%d", 100 - frame / 300);
    gfx_draw_text(text_buffer, 56, 334, TEXT_COLOUR, back_buffer);
    snprintf(text_buffer, sizeof text_buffer, "%d hours, %d min", frame / 6000, (frame / 100) % 60);
    gfx_draw_text(text_buffer, 15, 385, TEXT_COLOUR, back_buffer);
    gfx_flip();
}

void BM_PlayFrame(benchmark::State& state)
{
    static Scene scene = make_scene();
    int frame = 0;
    for (auto _ : state) {
        draw_frame(scene, frame++);
    }
    benchmark::DoNotOptimize(primary_surface->pixels[0]);
}
BENCHMARK(BM_PlayFrame)->Unit(benchmark::kMicrosecond);

// The same frame when every text is new (nothing from the text cache).
void BM_TextUncached(benchmark::State& state)
{
    static Scene scene = make_scene();
    int n = 0;
    for (auto _ : state) {
        snprintf(text_buffer, sizeof text_buffer, "%d hours, %d min", n / 60, n % 60 + 1000);
        gfx_draw_text(text_buffer, 15, 385, TEXT_COLOUR, back_buffer);
        n++;
    }
    (void)scene;
}
BENCHMARK(BM_TextUncached)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
