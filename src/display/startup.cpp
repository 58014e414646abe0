// The display's part of the start-up: the full-screen pictures, the sprite
// sheets cut into frames, and the progress messages over the title. Every
// step that fails leaves its reason in gfx_startup_error.
#include <cstdio>

#include "core/data_files.h"
#include "display/display.h"

char gfx_startup_error[256];

namespace {

int fail_file(const char* what, const char* file_name)
{
    snprintf(gfx_startup_error, sizeof gfx_startup_error, what, file_name);
    return 0;
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
    snprintf(gfx_startup_error, sizeof gfx_startup_error, "cannot load %s: %s", file_name,
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

}  // namespace

void gfx_show_loading_message(const char* message, int x)
{
    gfx_blit(title_surface, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, back_buffer, 0);
    snprintf(text_buffer, sizeof text_buffer, "%s", message);
    gfx_draw_text(text_buffer, x, 278, TEXT_COLOUR, back_buffer);
    gfx_flip();
}

int gfx_load_background()
{
    if (!load_screen_image(DATA_BACKGROUND, &background_surface)) {
        return fail_load(DATA_BACKGROUND);
    }
    return 1;
}

void gfx_load_screens()
{
    load_optional(load_menu_image, DATA_MAIN_MENU);
    load_optional(load_credits_image, DATA_CREDITS);
    load_optional(load_controls_image, DATA_CONTROLS);
    load_optional(load_title_image, DATA_TITLE_SCREEN);
    load_optional(load_story_image, DATA_STORY_BACK);
    load_optional(load_hiscore_image, DATA_HISCORE_SCREEN);
}

// The truck: cells (0, 0), (1, 0), (2, 0).
int gfx_cut_truck()
{
    const int columns[TRUCK_FRAME_COUNT] = {0, 1, 2};
    const int rows[TRUCK_FRAME_COUNT] = {0, 0, 0};
    if (!load_sheet(DATA_TRUCK) || !cut_frames(DATA_TRUCK, truck_frames, TRUCK_FRAME_COUNT, 64, 96, columns, rows)) {
        return 0;
    }
    gfx_unload_bitmap(&scratch_bitmap);
    return 1;
}

// The cars: element c * 7 + r holds cell (c, r).
int gfx_cut_cars()
{
    if (!load_sheet(DATA_CARS)) {
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
    if (!cut_frames(DATA_CARS, car_frames, CAR_FRAME_COUNT, 64, 64, columns, rows)) {
        return 0;
    }
    gfx_unload_bitmap(&scratch_bitmap);
    return 1;
}

// The aliens: element c * 3 + r holds cell (c, r), made row by row.
int gfx_cut_monsters()
{
    if (!load_sheet(DATA_MONSTER)) {
        return 0;
    }
    for (int r = 0; r < 3; r++) {
        for (int c = 0; c < 2; c++) {
            const int column = c;
            const int row = r;
            if (!cut_frames(DATA_MONSTER, &monster_frames[c * 3 + r], 1, 144, 112, &column, &row)) {
                return 0;
            }
        }
    }
    gfx_unload_bitmap(&scratch_bitmap);
    return 1;
}
