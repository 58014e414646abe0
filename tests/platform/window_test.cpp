// Signals in a run without a window: a close request, asked once.
#include <gtest/gtest.h>

#include <csignal>

#include "platform/headless.h"
#include "platform/platform.h"

namespace {

TEST(Signals, TerminationBecomesOneCloseMessage)
{
    plat_use_backend(PLAT_HEADLESS, 1000);
    ASSERT_EQ(plat_window_create(false), 1);
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
