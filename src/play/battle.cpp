// The alien battle at the end of each level's road: the truck's free
// movement and cannon, the large alien's scripted path, volleys and roars,
// ramming and pinning, the alien's shots, the respawn of a spare truck, and
// the victory that completes the level.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "audio/audio.h"
#include "display/display.h"
#include "platform/platform.h"
#include "play/play.h"

namespace {

// Steps with these actions always last 5 frames once entered.
constexpr int SHORT_STEP_DURATION = 5;
constexpr int LAST_STEP_INDEX = 17;  // the step index wraps after pair 9

constexpr int VICTORY_FRAMES = 300;
constexpr int RESPAWN_FRAMES = 100;

// 12 degrees between the shots of a fan.
constexpr double FAN_SPACING = 0.2094395102;

// The alien shot's sprite cell, (9, 0).
constexpr int ALIEN_SHOT_FRAME = 63;

constexpr const char* VICTORY_TEXT = "WOO HOO!!!  BOY HOWDY!!  CONGRATULATIONS!!!";

int level_in_range()
{
    return level_index >= 0 && level_index < LEVEL_COUNT;
}

int any_alien_shot_active()
{
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        if (alien_shot_active[i]) {
            return 1;
        }
    }
    return 0;
}

// A fan of ten shots around the line from the alien's corner to the truck's,
// 12 degrees apart: five to one side of the aim, four to the other.
void alien_fire_fan(int y_offset)
{
    double angle = std::atan2(static_cast<double>(truck_y - alien_y), static_cast<double>(truck_x - alien_x));
    double v = level_index + 6;
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        int k = 5 - i;
        double b = angle + k * FAN_SPACING;
        alien_shot_dx[i] = static_cast<int>(v * std::cos(b));
        alien_shot_dy[i] = static_cast<int>(v * std::sin(b));
        alien_shot_x[i] = alien_x + 50;
        alien_shot_y[i] = alien_y + y_offset;
        alien_shot_active[i] = 1;
    }
}

void alien_move(int action, int s)
{
    switch (action) {
    case ALIEN_DOWN:
    case ALIEN_DOWN_TOO:
        alien_y += s;
        break;
    case ALIEN_UP_RIGHT:
    case ALIEN_UP_RIGHT_TOO:
        alien_x += s;
        alien_y -= s;
        break;
    case ALIEN_RIGHT:
        alien_x += s;
        break;
    case ALIEN_DOWN_LEFT:
        alien_x -= s;
        alien_y += s;
        break;
    case ALIEN_LEFT:
        alien_x -= s;
        break;
    case ALIEN_UP_LEFT:
        alien_x -= s;
        alien_y -= s;
        break;
    default:
        break;
    }
}

}  // namespace

void battle_controls()
{
    if (battle_music_on == 0) {
        mus_play(music_battle);
        battle_music_on = 1;
    }

    truck_accel = 0.0;
    if (plat_key_down(gk::UP)) {
        truck_accel -= 0.2;
    }
    if (plat_key_down(gk::DOWN)) {
        truck_accel += 0.2;
    }
    if (plat_key_down(gk::LEFT)) {
        truck_x -= 4;
    }
    if (plat_key_down(gk::RIGHT)) {
        truck_x += 4;
    }

    // The cannon is only fitted from the second level on.
    if (plat_key_down(gk::SPACE) && level_index >= 1) {
        int k = SHELL_COUNT - 1;
        while (k >= 0 && shell_active[k] != 0) {
            k--;
        }
        if (k >= 0) {
            if (snd_is_playing(sfx_cannon)) {
                snd_rewind(sfx_cannon);
            } else {
                snd_play(sfx_cannon);
            }
            shell_x[k] = truck_x + 32;
            shell_y[k] = truck_y;
            shell_active[k] = 1;
        }
    }

    truck_vy += truck_accel;
    truck_y = static_cast<int>(truck_y + truck_vy);

    if (truck_x > TRUCK_X_MAX) {
        truck_x = TRUCK_X_MAX;
    } else if (truck_x < 130) {
        truck_x = 130;
    }
    if (truck_y > 350) {
        truck_y = 350;
        truck_vy *= -0.5;
    } else if (truck_y < 10) {
        truck_y = 10;
        truck_vy *= -0.5;
    }

    if (alien_defeated == 0) {
        alien_update();
    }
}

void alien_update()
{
    if (!level_in_range() || alien_step < 0 || alien_step > LAST_STEP_INDEX) {
        return;  // no script to follow
    }
    int* script = alien_script[level_index];

    int action = script[alien_step];
    alien_move(action, level_index + 1);

    if (action == ALIEN_VOLLEY_LOUD || action == ALIEN_VOLLEY_SILENT) {
        if (!any_alien_shot_active()) {
            if (action == ALIEN_VOLLEY_LOUD) {
                snd_play(sfx_explosion);
            }
            alien_fire_fan(action == ALIEN_VOLLEY_LOUD ? 50 : 40);
        }
    } else if (action == ALIEN_ROAR) {
        if (!snd_is_playing(sfx_monster)) {
            snd_play(sfx_monster);
        }
    }

    alien_step_timer += 1;
    if (alien_step_timer > script[alien_step + 1]) {
        alien_step_timer = 0;
        alien_step += 2;
        // Volleys and roars are short whatever the table says; the table
        // keeps the change.
        int next = script[alien_step];
        if (next == ALIEN_VOLLEY_LOUD || next == ALIEN_VOLLEY_SILENT || next == ALIEN_ROAR) {
            script[alien_step + 1] = SHORT_STEP_DURATION;
        }
        if (alien_step > LAST_STEP_INDEX) {
            alien_step = 0;
        }
    }

    if (alien_x >= 500) {
        alien_x = 500;
    } else if (alien_x <= 130) {
        alien_x = 130;
    }
    if (alien_y >= 350) {
        alien_y = 350;
    } else if (alien_y <= -20) {
        alien_y = -20;
    }

    // Ramming: the truck, just below the alien and moving up, pushes it.
    int dx = truck_x - alien_x;
    int dy = truck_y - alien_y;
    if (-32 < dx && dx < 112 && 60 < dy && dy < 80 && truck_vy < 0) {
        alien_frame = 1;
        alien_y = static_cast<int>(truck_y - 65 + truck_vy);
        if (alien_y < -20) {
            alien_y = -20;
            alien_pinned = 1;
        }
        if (!snd_is_playing(sfx_monster)) {
            snd_play(sfx_monster);
        }
    } else {
        // Let go of a pinned alien: the blow is the truck's speed now.
        if (alien_pinned == 1) {
            alien_health -= std::abs(static_cast<int>(truck_vy));
            if (alien_health < 0) {
                alien_health = 0;
                alien_defeated = 1;
                alien_step_timer = 0;
                if (!snd_is_playing(sfx_yeehaw)) {
                    snd_play(sfx_yeehaw);
                }
            }
        }
        alien_pinned = 0;
        alien_frame = 0;
    }
}

void shells_update()
{
    for (int k = 0; k < SHELL_COUNT; k++) {
        if (shell_active[k] != 1) {
            continue;
        }
        int dx = shell_x[k] - alien_x;
        int dy = shell_y[k] - alien_y;
        if (30 < dx && dx < 110 && 0 < dy && dy < 100) {
            // Shells wear the alien down but never finish it off.
            if (alien_health > 0) {
                alien_health -= 1;
            }
            shell_active[k] = 0;
        }
        shell_y[k] -= 10;
        if (shell_y[k] < 0) {
            shell_active[k] = 0;
        }
    }
}

void alien_draw()
{
    int frame = 3 * alien_frame + level_index;
    if (frame < 0 || frame >= MONSTER_FRAME_COUNT) {
        return;
    }
    gfx_blit(monster_frames[frame], alien_x, alien_y, 144, 112, back_buffer, 1);
}

void victory_draw()
{
    if (alien_step_timer >= VICTORY_FRAMES) {
        return;
    }
    int frame = EXPLOSION_FRAME + 7 * (alien_step_timer % 6);
    if (frame < EXPLOSION_FRAME) {
        frame = EXPLOSION_FRAME;  // a negative timer from a damaged state
    }
    gfx_blit_scaled(car_frames[frame], alien_x, alien_y, 64, 64, 90, 90, back_buffer, 1);
    snprintf(text_buffer, sizeof text_buffer, "%s", VICTORY_TEXT);
    gfx_draw_text(text_buffer, 220, 250, TEXT_COLOUR, back_buffer);
}

void victory_step()
{
    if (alien_step_timer >= VICTORY_FRAMES) {
        return;
    }
    if (!snd_is_playing(sfx_explosion)) {
        snd_play(sfx_explosion);
    }
    alien_step_timer += 1;
    if (alien_step_timer >= VICTORY_FRAMES) {
        complete_level();
    }
}

void alien_shots_update()
{
    int battle = play_state == PLAY_BATTLE;
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        if (alien_shot_active[i]) {
            alien_shot_x[i] += alien_shot_dx[i];
            alien_shot_y[i] += alien_shot_dy[i];
        }
        // While a spare truck comes in the shots neither hit nor leave.
        if (!battle) {
            continue;
        }
        int dy = alien_shot_y[i] - truck_y;
        if (std::abs(alien_shot_x[i] - truck_x) < 32 && -21 < dy && dy < 60 && alien_shot_active[i]) {
            alien_shot_active[i] = 0;
            damage += 20 * level_index + 2;
            snd_play(sfx_explosion);
        }
        if (alien_shot_x[i] > 640 || alien_shot_x[i] < 130 || alien_shot_y[i] > 480 || alien_shot_y[i] < 0) {
            alien_shot_active[i] = 0;
        }
    }

    if (damage > 100) {
        damage = 100;
        for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
            alien_shot_active[i] = 0;
        }
        lives -= 1;
        if (lives < 0) {
            truck_wrecked = 1;
            play_state = PLAY_LAST_WRECK;
            wreck_timer = 0;
        } else {
            respawn_timer = 0;
            play_state = PLAY_BATTLE_RESPAWN;
        }
    }
}

void alien_shots_draw()
{
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        if (alien_shot_active[i]) {
            gfx_blit_scaled(car_frames[ALIEN_SHOT_FRAME], alien_shot_x[i], alien_shot_y[i], 64, 64, 40, 40, back_buffer,
                            1);
        }
    }
}

void respawn_draw()
{
    if (respawn_timer < 6) {
        gfx_blit(car_frames[EXPLOSION_FRAME], truck_x, truck_y, 64, 64, back_buffer, 1);
    }
}

void respawn_step()
{
    respawn_timer += 1;
    if (respawn_timer == 5) {
        truck_x = 340;
        truck_y = 200;
        damage = 0;
    } else if (respawn_timer > RESPAWN_FRAMES) {
        play_state = PLAY_BATTLE;
    }
}

void complete_level()
{
    // Two readings of the level clock, as the HUD makes them: one game
    // minute is 3.5 s.
    uint32_t hours = (plat_get_tick_count() - clock_start) / 3500 / 60;
    uint32_t minutes = (plat_get_tick_count() - clock_start) / 3500 % 60;

    play_outcome = PLAY_LEVEL_WON;
    play_state = PLAY_DRIVING;
    damage = 0;
    distance = 0;
    long long time_bonus = 100LL * (10LL * (9 - static_cast<long long>(hours)) - static_cast<long long>(minutes));
    score += static_cast<int>(time_bonus);
    level_index += 1;
    help_calls = HELP_CALLS_AT_START - level_index;

    wreck_timer = 0;
    truck_x = TRUCK_X_MAX;  // the next level starts at the right edge
    truck_y = TRUCK_START_Y;
    alien_defeated = 0;
    alien_frame = 0;
    alien_step = 0;
    alien_step_timer = 0;
}
