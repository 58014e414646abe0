// Wrecks and game over: the explosion of a wrecked truck and the spare that
// comes back on the shoulder, the last wreck with the initials entry, and
// the "GAME OVER" screen that returns to the menu with the game reset.
#include <cstdio>

#include "display/display.h"
#include "hiscore/hiscore.h"
#include "platform/platform.h"
#include "play/play.h"

namespace {

constexpr int EXPLOSION_STAGES = 6;
constexpr int WRECK_FRAMES = 100;
constexpr int RESPAWN_FRAME = 5;  // the spare truck is put in place here
constexpr int HISCORE_FRAME = 98;

// The truck's explosion, growing by 4 px a frame for six frames. A last
// wreck explodes in the truck's shape, one in traffic in a square.
void draw_explosion(int w, int extra_height)
{
    if (w < 0 || w >= EXPLOSION_STAGES) {
        return;
    }
    gfx_blit_scaled(car_frames[EXPLOSION_FRAME + 7 * w], truck_x, truck_y, 64, 64, 64 + 4 * w,
                    64 + extra_height + 4 * w, back_buffer, 1);
}

void spare_truck_in_place()
{
    truck_x = TRUCK_START_X;
    truck_y = TRUCK_START_Y;
    damage = 0;
}

}  // namespace

void wreck_draw()
{
    draw_explosion(wreck_timer, play_state == PLAY_LAST_WRECK ? 32 : 0);
}

void last_wreck_step()
{
    wreck_timer += 1;
    if (wreck_timer == RESPAWN_FRAME) {
        spare_truck_in_place();
    } else if (wreck_timer == HISCORE_FRAME) {
        hiscore_enter(score);
    }
    if (wreck_timer > WRECK_FRAMES) {
        play_state = PLAY_GAME_OVER;
    }
}

void wreck_step()
{
    wreck_timer += 1;
    if (wreck_timer == RESPAWN_FRAME) {
        spare_truck_in_place();
    } else if (wreck_timer > WRECK_FRAMES) {
        play_state = PLAY_DRIVING;
        truck_wrecked = 0;
    }
}

void game_over_draw()
{
    snprintf(text_buffer, sizeof text_buffer, "GAME OVER");
    gfx_draw_text(text_buffer, 340, 220, TEXT_COLOUR, back_buffer);
}

void game_over_step()
{
    if (!plat_key_down(gk::SPACE)) {
        return;
    }

    play_outcome = PLAY_GAME_ENDED;
    truck_x = TRUCK_START_X;
    truck_y = TRUCK_START_Y;
    play_new_game(LIVES_AT_START);
    truck_wrecked = 0;
    // A game lost during the victory leaves the alien beaten; the next game
    // must fight its first alien rather than inherit that win.
    alien_defeated = 0;
}
