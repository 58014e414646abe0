#include <gtest/gtest.h>

#include "core/random.h"

// The generator must give the same sequence on every platform: these are the
// well-known first values of this generator for seeds 1 and 0.
TEST(Random, KnownSequences)
{
    game_srand(1);
    EXPECT_EQ(game_rand(), 41);
    EXPECT_EQ(game_rand(), 18467);
    EXPECT_EQ(game_rand(), 6334);
    game_srand(0);
    EXPECT_EQ(game_rand(), 38);
    EXPECT_EQ(game_rand(), 7719);
}
