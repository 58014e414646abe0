// The frame loop: one message per pass, no frame after WM_QUIT, the quit path
// of Q, the clock it keeps in headless runs, the pacing.
#include <gtest/gtest.h>

#include <vector>

#include "platform/headless.h"
#include "platform/platform.h"
#include "frontend/frontend.h"
#include "shell/shell.h"

namespace {

std::vector<uint32_t> frame_ticks;  // the tick each frame read
std::vector<int> after_passes;

int count_frame()
{
    frame_ticks.push_back(plat_get_tick_count());
    return 1;
}

// Like game_main's quit path: the frame that sees Q posts WM_CLOSE once and
// from then on the frames return at once.
int quit_on_third_frame()
{
    frame_ticks.push_back(plat_get_tick_count());
    if (frame_ticks.size() == 3 && !quit_requested) {
        plat_post_message(WM_CLOSE, 0, 0);
        quit_requested = 1;
    }
    return !quit_requested;
}

void drain_messages()
{
    PlatMessage message;
    while (plat_peek_message(&message)) {
    }
}

class FrameLoop : public testing::Test {
protected:
    void SetUp() override
    {
        plat_use_backend(PLAT_HEADLESS, 1000);
        drain_messages();
        frame_ticks.clear();
        after_passes.clear();
        quit_requested = 0;
        main_window = 1;
    }
    void TearDown() override
    {
        drain_messages();
        quit_requested = 0;
        main_window = 0;
        plat_use_backend(PLAT_WINDOW, 1000);
    }
    int run(int (*frame)(), int passes)
    {
        bool ran_out = true;
        const int status =
            shell_frame_loop(frame, passes, [](int pass) { after_passes.push_back(pass); }, &last, &ran_out);
        EXPECT_FALSE(ran_out);
        return status;
    }
    int last = -2;
};

TEST_F(FrameLoop, OneMessagePerPassPassesEvery33TicksAndNoFrameAfterQuit)
{
    for (int i = 0; i < 3; ++i) {
        plat_post_message(0x0400 + i, 0, 0);  // user messages, ignored
    }
    plat_post_message(WM_QUIT, 7, 0);
    EXPECT_EQ(run(count_frame, 2), 0);
    EXPECT_EQ(last, 1);
    // The third message and then WM_QUIT, each in a pass of its own.
    EXPECT_EQ(run(count_frame, 100), 7);  // WM_QUIT's wparam
    EXPECT_EQ(frame_ticks, (std::vector<uint32_t>{1000, 1033, 1066}));
    EXPECT_EQ(plat_get_tick_count(), 1000u + 33u * 3);
    EXPECT_EQ(last, 0);  // the pass that took WM_QUIT ran no frame
    EXPECT_EQ(after_passes, (std::vector<int>{0, 1, 0}));
}

TEST_F(FrameLoop, QEndsTheProgramWithinAFewPassesAndASecondCloseFindsNoWindow)
{
    EXPECT_EQ(run(quit_on_third_frame, 100), 0);
    // Frame 3 (pass 2) sees Q; pass 3 handles WM_CLOSE; pass 4 leaves on WM_QUIT.
    EXPECT_EQ(frame_ticks.size(), 4u);
    EXPECT_EQ(last, 3);
    EXPECT_EQ(main_window, 0u);

    // WM_CLOSE, WM_CLOSE (no window left: ignored), then the one WM_QUIT.
    main_window = 1;
    frame_ticks.clear();
    plat_post_message(WM_CLOSE, 0, 0);
    plat_post_message(WM_CLOSE, 0, 0);
    EXPECT_EQ(run(count_frame, 10), 0);
    EXPECT_EQ(frame_ticks.size(), 2u);
    PlatMessage message;
    EXPECT_FALSE(plat_peek_message(&message));
}

}  // namespace
