// Placeholders until the battle and wrecks are written; removed piece by piece.
#include "play/play.h"

void battle_controls() {}
void alien_update() {}
void shells_update() {}
void alien_draw() {}
void victory_step() {}
void alien_shots_update() {}
void alien_shots_draw() {}
void respawn_step() {}
void complete_level() {}
void last_wreck_step() {}
void wreck_step() {}
void game_over_step() {}
