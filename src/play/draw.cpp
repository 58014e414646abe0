// The play frame's picture: the road with its lane markings, gauges and
// readouts, the truck, and the icons of the spare trucks and help calls.
#include <cmath>
#include <cstdio>

#include "display/display.h"
#include "platform/platform.h"
#include "play/play.h"

namespace {

bool in_battle()
{
    return play_state == PLAY_BATTLE || play_state == PLAY_BATTLE_RESPAWN;
}

// The speed gauge's length: the speed times the double just below 11/15,
// truncated as the exact product, so a speed that is a multiple of 15 falls
// one pixel short (10 px at 15, 109 at 150). A plain double multiply would
// round some of those products up to the whole number.
int speed_gauge_length(double speed)
{
    const double factor = 0.7333333333333333;
    double length = std::trunc(speed * factor);
    double rest = std::fma(speed, factor, -length);  // exact product less length, rounded once
    if (length > 0 && rest < 0) {
        length -= 1;
    } else if (length < 0 && rest > 0) {
        length += 1;
    }
    return static_cast<int>(length);
}

void draw_line(PlatDC* dc, int x0, int y0, int x1, int y1)
{
    plat_move_to(dc, x0, y0);
    plat_line_to(dc, x1, y1);
}

void draw_lines(PlatDC* dc)
{
    PlatPen* yellow = plat_create_pen(1, plat_rgb(255, 255, 0));
    PlatPen* blue = plat_create_pen(5, plat_rgb(20, 20, 255));
    PlatPen* green = plat_create_pen(5, plat_rgb(0, 255, 0));
    PlatPen* red = plat_create_pen(5, plat_rgb(255, 0, 0));
    PlatPen* previous = plat_select_pen(dc, yellow);

    // Only the first five dashes of a line fall on the screen.
    int dash_length = static_cast<int>(0.2 * truck_speed) + 5;
    for (int row = 0; row < DASH_ROWS; ++row) {
        for (int k = 0; k < 5; ++k) {
            if (dash_active[row][k]) {
                draw_line(dc, dash_x[row][k], dash_y[row][k], dash_x[row][k], dash_y[row][k] + dash_length);
            }
        }
    }

    plat_select_pen(dc, green);
    draw_line(dc, 10, 272, 10 + speed_gauge_length(truck_speed), 272);

    plat_select_pen(dc, blue);
    draw_line(dc, 10, 220, 120 - damage * 11 / 10, 220);

    if (in_battle()) {
        plat_select_pen(dc, red);
        int divisor = level_index + 1 > 0 ? level_index + 1 : 1;
        draw_line(dc, 10, 80, (alien_health * 11 / 10) / divisor + 10, 80);
        if (level_index >= 1) {
            for (int k = 0; k < SHELL_COUNT; ++k) {
                if (shell_active[k]) {
                    draw_line(dc, shell_x[k], shell_y[k], shell_x[k], shell_y[k] + 5);
                }
            }
        }
    }

    plat_select_pen(dc, previous);
    plat_delete_pen(yellow);
    plat_delete_pen(blue);
    plat_delete_pen(green);
    plat_delete_pen(red);
}

void draw_readouts()
{
    snprintf(text_buffer, sizeof text_buffer, "%d%d.%d FM", radio_freq_major, radio_station, radio_freq_minor);
    gfx_draw_text(text_buffer, 43, 110, TEXT_COLOUR, back_buffer);

    snprintf(text_buffer, sizeof text_buffer, "%d", score);
    gfx_draw_text(text_buffer, 43, 163, TEXT_COLOUR, back_buffer);

    snprintf(text_buffer, sizeof text_buffer, "%d", level_miles_left());
    gfx_draw_text(text_buffer, 56, 334, TEXT_COLOUR, back_buffer);

    // A game minute is 3.5 s, a game hour 3.5 min; two readings, as ever.
    uint32_t t1 = plat_get_tick_count() - clock_start;
    uint32_t t2 = plat_get_tick_count() - clock_start;
    snprintf(text_buffer, sizeof text_buffer, "%d hours, %d min", static_cast<int>(t2 / 210000),
             static_cast<int>((t1 / 3500) % 60));
    gfx_draw_text(text_buffer, 15, 385, TEXT_COLOUR, back_buffer);
}

void draw_truck_icons(int count, int y)
{
    for (int i = 0; i < count; ++i) {
        gfx_blit_scaled(truck_frames[0], 10 * i, y, 64, 96, 16, 24, back_buffer, 1);
    }
}

}  // namespace

int play_board_draw()
{
    gfx_blit(background_surface, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, back_buffer, 0);

    PlatDC* dc = plat_get_dc(back_buffer);
    if (dc == nullptr) {
        return 0;
    }
    draw_lines(dc);
    plat_release_dc(back_buffer, dc);

    draw_readouts();
    return 1;
}

void truck_draw()
{
    gfx_blit_scaled(truck_frames[0], truck_x, truck_y, 64, 96, 64, 96, back_buffer, 1);
}

void play_icons_draw()
{
    draw_truck_icons(lives, 0);
    draw_truck_icons(help_calls, 25);

    gfx_flip();
}
