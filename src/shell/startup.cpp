// game_init: the display, every picture, and the start-up of every other
// subsystem, in one fixed order (the random draws of the road tables depend
// on it), with progress messages over the title.
#include <cstdio>

#include "audio/audio.h"
#include "core/random.h"
#include "display/display.h"
#include "frontend/frontend.h"
#include "hiscore/hiscore.h"
#include "platform/platform.h"
#include "play/play.h"
#include "shell/shell.h"

namespace {

int fail(const char* reason)
{
    snprintf(gfx_startup_error, sizeof gfx_startup_error, "%s", reason);
    return 0;
}

}  // namespace

const char* game_init_error()
{
    return gfx_startup_error;
}

int game_init()
{
    gfx_startup_error[0] = '\0';
    if (!gfx_display_setup()) {
        return fail("cannot set up the display");
    }
    if (!gfx_load_background()) {
        return 0;
    }
    // Seeded after the first picture, before anything draws on the generator.
    game_srand(plat_get_tick_count());
    gfx_load_screens();
    gfx_show_loading_message("Checking Fluid Levels", 260);
    if (!snd_init()) {
        return fail("cannot start the sound device");
    }
    if (!gfx_cut_truck()) {
        return 0;
    }
    play_init_state();
    if (!gfx_cut_cars() || !gfx_cut_monsters()) {
        return 0;
    }
    // The road tables, drawing on the generator in this order.
    traffic_init();
    lanes_init();
    dashes_init();
    level_lengths_init();
    sparks_init();
    gfx_show_loading_message("Checking Oil", 290);
    // The music player, the sounds, and the high-score table (tidied and
    // written back, so a damaged file is mended at once).
    mus_init();
    snd_load_all();
    hiscore_load();
    hiscore_sort();
    hiscore_save();
    alien_script_init();
    lives = LIVES_AT_START;
    return 1;
}

void game_show_title()
{
    gfx_show_loading_message("Filling Gas Tanks", 270);
    mus_load_all();
    gfx_show_loading_message("PRESS SPACEBAR TO BEGIN", 230);
    mus_play(music_tracks[7]);
    clock_start = plat_get_tick_count();
    truck_wrecked = 0;
}

void game_start_as_at_start_up()
{
    game_srand(plat_get_tick_count());
    play_init_state();
    traffic_init();
    lanes_init();
    dashes_init();
    level_lengths_init();
    sparks_init();
    hiscore_load();
    hiscore_sort();
    hiscore_save();
    alien_script_init();
    lives = LIVES_AT_START;
    gfx_show_loading_message("PRESS SPACEBAR TO BEGIN", 230);
    mus_play(music_tracks[7]);
    clock_start = plat_get_tick_count();
    truck_wrecked = 0;
}
