// game_init: the display, every picture, and the start-up of every other
// subsystem, in one fixed order, with progress messages over the title.
#include <cstdio>

#include "audio/audio.h"
#include "display/display.h"
#include "frontend/frontend.h"
#include "hiscore/hiscore.h"
#include "play/play.h"
#include "core/random.h"

namespace {

char init_error[256];

int fail(const char* reason)
{
    snprintf(init_error, sizeof init_error, "%s", reason);
    return 0;
}

int fail_file(const char* what, const char* file_name)
{
    snprintf(init_error, sizeof init_error, what, file_name);
    return 0;
}

void show_loading_message(const char* message, int x)
{
    gfx_blit(title_surface, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, back_buffer, 0);
    snprintf(text_buffer, sizeof text_buffer, "%s", message);
    gfx_draw_text(text_buffer, x, 278, TEXT_COLOUR, back_buffer);
    gfx_flip();
}

// Cuts `count` cells of the loaded sheet into frame surfaces; frame i holds
// cell (columns[i], rows[i]). A failed cut gives the sheet back.
int cut_frames(const char* file_name, PlatSurface** frames, int count, int width, int height, const int* columns,
               const int* rows)
{
    for (int i = 0; i < count; i++) {
        frames[i] = gfx_create_surface(width, height, 0, 0);
        if (!frames[i]) {
            gfx_unload_bitmap(&scratch_bitmap);
            return fail_file("cannot make the sprite frames of %s", file_name);
        }
        if (!gfx_copy_cell(&scratch_bitmap, frames[i], columns[i], rows[i])) {
            gfx_unload_bitmap(&scratch_bitmap);
            return fail_file("%s is not an 8-bit sprite sheet large enough for its frames", file_name);
        }
    }
    return 1;
}

// The reason the last picture was refused goes with its name.
int fail_load(const char* file_name)
{
    snprintf(init_error, sizeof init_error, "cannot load %s: %s", file_name,
             gfx_load_reason[0] ? gfx_load_reason : "cannot be used");
    return 0;
}

int load_sheet(const char* file_name)
{
    if (!gfx_load_bitmap(&scratch_bitmap, file_name)) {
        return fail_load(file_name);
    }
    return 1;
}

// A full-screen picture the game can do without: one that is not there is
// passed over quietly, one that is there but refused is named with the
// reason, so a wrongly saved picture is not just a black screen.
void load_optional(int (*loader)(), const char* file_name)
{
    if (!loader() && !gfx_load_absent) {
        fprintf(stderr, "tailgate: %s: %s\n", file_name, gfx_load_reason);
    }
}

// The truck: cells (0, 0), (1, 0), (2, 0).
int cut_truck()
{
    const int columns[TRUCK_FRAME_COUNT] = {0, 1, 2};
    const int rows[TRUCK_FRAME_COUNT] = {0, 0, 0};
    return load_sheet("truck.bmp") &&
           cut_frames("truck.bmp", truck_frames, TRUCK_FRAME_COUNT, 64, 96, columns, rows);
}

// The cars: element c * 7 + r holds cell (c, r).
int cut_cars()
{
    if (!load_sheet("cars2.bmp")) {
        return 0;
    }
    int columns[CAR_FRAME_COUNT];
    int rows[CAR_FRAME_COUNT];
    for (int c = 0; c < 14; c++) {
        for (int r = 0; r < 7; r++) {
            columns[c * 7 + r] = c;
            rows[c * 7 + r] = r;
        }
    }
    return cut_frames("cars2.bmp", car_frames, CAR_FRAME_COUNT, 64, 64, columns, rows);
}

// The aliens: element c * 3 + r holds cell (c, r), made row by row.
int cut_monsters()
{
    if (!load_sheet("monster.bmp")) {
        return 0;
    }
    for (int r = 0; r < 3; r++) {
        for (int c = 0; c < 2; c++) {
            const int column = c;
            const int row = r;
            if (!cut_frames("monster.bmp", &monster_frames[c * 3 + r], 1, 144, 112, &column, &row)) {
                return 0;
            }
        }
    }
    return 1;
}

}  // namespace

const char* game_init_error()
{
    return init_error;
}

int game_init()
{
    init_error[0] = '\0';

    // 1. The display.
    if (!gfx_display_setup()) {
        return fail("cannot set up the display");
    }
    // 2. The road; its palette is the first the screen shows.
    if (!load_screen_image("background.bmp", &background_surface)) {
        return fail_load("background.bmp");
    }
    // 3.
    game_srand(plat_get_tick_count());
    // 4. A missing one of these only leaves its screen blank.
    load_optional(load_menu_image, "Mainmenu.bmp");
    load_optional(load_credits_image, "Credits.bmp");
    load_optional(load_controls_image, "Controls.bmp");
    load_optional(load_title_image, "titlescreen.bmp");
    load_optional(load_story_image, "storyback.bmp");
    load_optional(load_hiscore_image, "HiScore.bmp");
    // 5.
    show_loading_message("Checking Fluid Levels", 260);
    // 6.
    if (!snd_init()) {
        return fail("cannot start the sound device");
    }
    // 7.
    if (!cut_truck()) {
        return 0;
    }
    // 8.
    play_init_state();
    // 9.
    gfx_unload_bitmap(&scratch_bitmap);
    if (!cut_cars()) {
        return 0;
    }
    // 10.
    gfx_unload_bitmap(&scratch_bitmap);
    if (!cut_monsters()) {
        return 0;
    }
    // 11.
    gfx_unload_bitmap(&scratch_bitmap);
    // 12. The road tables, drawing on the generator in this order.
    traffic_init();
    lanes_init();
    dashes_init();
    level_lengths_init();
    sparks_init();
    // 13.
    show_loading_message("Checking Oil", 290);
    // 14. - 16.
    mus_init();
    snd_load_all();
    hiscore_load();
    hiscore_sort();
    hiscore_save();
    // 17.
    alien_script_init();
    lives = 2;
    return 1;
}
