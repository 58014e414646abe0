#include "core/random.h"

uint32_t rand_state = 1;

void game_srand(uint32_t seed)
{
    rand_state = seed;
}

int game_rand()
{
    rand_state = rand_state * 214013u + 2531011u;
    return static_cast<int>((rand_state >> 16) & 0x7FFF);
}
