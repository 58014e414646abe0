// The game's one-frame function with its mode machine, and the front-end
// screens: main menu, controls, credits and the high-score view.
#include <cstdio>

#include "audio/audio.h"
#include "core/random.h"
#include "display/display.h"
#include "frontend/frontend.h"
#include "hiscore/hiscore.h"
#include "platform/platform.h"
#include "play/play.h"

int game_mode = MODE_TITLE;
int quit_requested;
Spark sparks[SPARK_COUNT];

void sparks_init()
{
    for (Spark& spark : sparks) {
        spark.x = game_rand() % SCREEN_WIDTH;
        spark.y = game_rand() % SCREEN_HEIGHT;
        spark.speed = game_rand() % 10 + 1;
    }
}

namespace {

void show_full_screen(PlatSurface* image)
{
    gfx_blit(image, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, back_buffer, 0);
}

// The main menu. Every key that is down beeps and sets the mode, so with
// several keys down the last in the order S, C, R, H wins.
void menu_frame()
{
    show_full_screen(menu_surface);
    snprintf(text_buffer, sizeof text_buffer, "%s", "Marlow Kestrand");
    // A new shade of red each frame: the name flickers.
    ColorRef colour = static_cast<ColorRef>(game_rand() % 256);
    gfx_draw_text(text_buffer, 268, 100, colour, back_buffer);
    gfx_flip();

    if (plat_key_down(gk::S)) {
        story_audio_started = 0;
        story_scroll = 0.0;
        snd_play(sfx_beep);
        game_mode = MODE_STORY;
    }
    if (plat_key_down(gk::C)) {
        snd_play(sfx_beep);
        game_mode = MODE_CONTROLS;
    }
    if (plat_key_down(gk::R)) {
        snd_play(sfx_beep);
        game_mode = MODE_CREDITS;
    }
    if (plat_key_down(gk::H)) {
        snd_play(sfx_beep);
        game_mode = MODE_HISCORES;
    }
}

// Controls and credits: the image until the space bar. 1 when the space bar
// sent the game back to the menu.
int info_frame(PlatSurface* image)
{
    show_full_screen(image);
    gfx_flip();
    if (plat_key_down(gk::SPACE)) {
        game_mode = MODE_MENU;
        return 1;
    }
    return 0;
}

// The high-score view with its rising sparks. 0 when the back buffer's
// device context cannot be had (nothing is shown this frame), else 1.
int hiscore_frame()
{
    show_full_screen(hiscore_surface);
    for (int k = 0; k < HISCORE_COUNT; ++k) {
        int y = 150 + 25 * k;
        snprintf(text_buffer, sizeof text_buffer, "%d", hiscore_scores[k]);
        gfx_draw_text(text_buffer, 280, y, TEXT_COLOUR, back_buffer);
        snprintf(text_buffer, sizeof text_buffer, "%c%c%c", hiscore_initials[k][0], hiscore_initials[k][1],
                 hiscore_initials[k][2]);
        gfx_draw_text(text_buffer, 330, y, TEXT_COLOUR, back_buffer);
    }

    PlatDC* dc = plat_get_dc(back_buffer);
    if (!dc) {
        return 0;
    }
    for (Spark& spark : sparks) {
        ColorRef colour = static_cast<ColorRef>(game_rand() % 256);
        plat_set_pixel(dc, spark.x, spark.y, colour);
        spark.y -= spark.speed;
        if (spark.y < 0) {
            // Respawned well below the screen, so it rises into view later.
            spark.y = 630;
            spark.x = game_rand() % 450 + 130;
            spark.speed = game_rand() % 10 + 1;
        }
    }
    plat_release_dc(back_buffer, dc);
    gfx_flip();
    return 1;
}

// The end of a level or of a game, as play reported it: the story pages
// start their narrations afresh, and a lost game's next story page scrolls
// from the top.
void take_play_outcome()
{
    if (play_outcome == PLAY_LEVEL_WON) {
        game_mode = MODE_STORY;
        story_rewind_narrations();
    } else if (play_outcome == PLAY_GAME_ENDED) {
        game_mode = MODE_MENU;
        story_rewind_narrations();
        story_scroll = 0.0;
    }
    play_outcome = PLAY_GOES_ON;
}

}  // namespace

int game_main()
{
    if (quit_requested) {
        return 0;
    }
    if (plat_key_down(gk::Q)) {
        plat_post_message(PLAT_WM_CLOSE, 0, 0);
        quit_requested = 1;
    }

    // A mode chosen by one step is drawn by the later steps of this same
    // call, so each new screen appears in the frame its key was seen.
    if (game_mode == MODE_TITLE && plat_key_down(gk::SPACE)) {
        game_mode = MODE_MENU;
    }
    if (game_mode == MODE_MENU) {
        menu_frame();
    }
    if (game_mode == MODE_CONTROLS) {
        if (info_frame(controls_surface)) {
            return 1;
        }
    }
    if (game_mode == MODE_CREDITS) {
        if (info_frame(credits_surface)) {
            return 1;
        }
    }
    if (game_mode == MODE_STORY) {
        if (!story_frame()) {
            return 0;
        }
        if (game_mode == MODE_MENU) {
            return 1;  // the finale is over
        }
    }
    if (game_mode == MODE_HISCORES) {
        if (!hiscore_frame()) {
            return 0;
        }
        if (plat_key_down(gk::SPACE)) {
            game_mode = MODE_MENU;
            return 1;
        }
    }
    if (game_mode == MODE_PLAY) {
        const int drawn = play_frame();
        take_play_outcome();
        return drawn;
    }
    return 1;
}
