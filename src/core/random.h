// The game's pseudo-random generator: a linear congruential generator
// (state * 214013 + 2531011, result bits 16 to 30, so 0 to 32767). Our own
// code, so that a given seed gives the same game on every platform.
#pragma once

#include <cstdint>

extern uint32_t rand_state;  // 1 until seeded

void game_srand(uint32_t seed);
int game_rand();
