#include <gtest/gtest.h>

#include "shell/random.h"

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

TEST(Random, StaysInRange)
{
    game_srand(0xDEADBEEF);
    for (int i = 0; i < 100000; ++i) {
        int r = game_rand();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
    }
}
