// Headless window: clock, keys, our message queue, signals.
#include <gtest/gtest.h>

#include <csignal>

#include "platform/headless.h"
#include "platform/platform.h"

namespace {

TEST(Messages, FirstInFirstOutAndBounded)
{
    PlatMessage m;
    while (plat_peek_message(&m)) {
    }
    // A flood neither overruns the queue nor loses the oldest messages.
    for (int i = 0; i < 1000; i++) {
        plat_post_message(WM_QUIT + i % 2, static_cast<uintptr_t>(i), 2);
    }
    int n = 0;
    while (plat_peek_message(&m)) {
        EXPECT_EQ(m.wparam, static_cast<uintptr_t>(n));
        EXPECT_EQ(m.message, WM_QUIT + n % 2);
        EXPECT_EQ(m.lparam, 2);
        n++;
    }
    EXPECT_GT(n, 8);
    EXPECT_LT(n, 1000);
}

TEST(Signals, TerminationBecomesOneCloseMessage)
{
    ASSERT_EQ(plat_window_create(true, false), 1);
    EXPECT_EQ(plat_get_tick_count(), headless_tick_count());
    PlatMessage m;
    while (plat_peek_message(&m)) {
    }
    EXPECT_FALSE(plat_close_requested());
    raise(SIGTERM);
    EXPECT_TRUE(plat_close_requested());
    ASSERT_TRUE(plat_peek_message(&m));
    EXPECT_EQ(m.message, WM_CLOSE);
    raise(SIGINT);
    EXPECT_FALSE(plat_peek_message(&m));  // asked once is enough
}

}  // namespace
