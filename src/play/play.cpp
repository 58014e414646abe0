// One frame of play: the steps in their fixed order.
#include "play/play.h"

int play_frame()
{
    play_outcome = PLAY_GOES_ON;
    if (truck_wrecked == 0 && play_state != PLAY_BATTLE) {
        driving_keys();
    }

    // A wreck holds the truck still. (Wrecked in PLAY_BATTLE cannot arise;
    // the steps below then skip both the controls and the road.)
    if (truck_wrecked != 0 && play_state != PLAY_BATTLE) {
        truck_speed = 0.0;
    }

    if (truck_wrecked == 0 && (play_state == PLAY_BATTLE || play_state == PLAY_BATTLE_RESPAWN)) {
        battle_controls();
    }

    if (play_state == PLAY_DRIVING || play_state == PLAY_WRECK || play_state == PLAY_HELP_CALL) {
        road_step();
    }

    dashes_scroll();
    speed_creep();
    if (play_state != PLAY_BATTLE && play_state != PLAY_BATTLE_RESPAWN) {
        traffic_step();
    }

    if (level_index >= 1 && (play_state == PLAY_BATTLE || play_state == PLAY_BATTLE_RESPAWN)) {
        shells_update();
    }

    return play_draw_frame();
}
