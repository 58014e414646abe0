// The frame loop: one message per pass, WM_QUIT ends it before game_main,
// the quit path of Q, the clock it keeps in headless runs.
#include <gtest/gtest.h>

#include <vector>

#include "platform/headless.h"
#include "platform/platform.h"
#include "shell/shell.h"

namespace {

constexpr int WM_USER_TEST = 0x0400;

int frames;
std::vector<uint32_t> frame_ticks;

int count_frame()
{
    ++frames;
    frame_ticks.push_back(plat_get_tick_count());
    return 1;
}

// Like game_main's quit path: on the frame Q is seen it posts WM_CLOSE once
// and from then on returns at once.
int quit_on_third_frame()
{
    ++frames;
    if (quit_requested) {
        return 0;
    }
    if (frames == 3) {
        plat_post_message(WM_CLOSE, 0, 0);
        quit_requested = 1;
    }
    return 1;
}

std::vector<int> after_passes;
void record_pass(int pass)
{
    after_passes.push_back(pass);
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
        headless_start(true, 1000);
        drain_messages();
        frames = 0;
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
        headless_start(false, 1000);
    }
};

TEST_F(FrameLoop, RunsTheAskedPassesWithAFrameEach)
{
    int last = -2;
    EXPECT_EQ(shell_frame_loop(count_frame, 5, record_pass, &last), 0);
    EXPECT_EQ(frames, 5);
    EXPECT_EQ(last, 4);
    EXPECT_EQ(after_passes, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(FrameLoop, PassPBeginsAtStartTickPlus33P)
{
    int last = 0;
    shell_frame_loop(count_frame, 4, nullptr, &last);
    EXPECT_EQ(frame_ticks, (std::vector<uint32_t>{1000, 1033, 1066, 1099}));
    EXPECT_EQ(plat_get_tick_count(), 1000u + 33u * 4);
}

TEST_F(FrameLoop, OneMessagePerPassAndAFrameForEach)
{
    for (int i = 0; i < 5; ++i) {
        plat_post_message(WM_USER_TEST + i, 0, 0);
    }
    int last = 0;
    shell_frame_loop(count_frame, 2, nullptr, &last);
    EXPECT_EQ(frames, 2);
    PlatMessage message;
    int left = 0;
    while (plat_peek_message(&message)) {
        EXPECT_EQ(message.message, WM_USER_TEST + 2 + left);
        ++left;
    }
    EXPECT_EQ(left, 3);
}

TEST_F(FrameLoop, QuitMessageLeavesWithoutAFrame)
{
    plat_post_message(WM_QUIT, 7, 0);
    int last = 0;
    EXPECT_EQ(shell_frame_loop(count_frame, 10, record_pass, &last), 7);
    EXPECT_EQ(frames, 0);
    EXPECT_EQ(last, -1);
    EXPECT_TRUE(after_passes.empty());
}

TEST_F(FrameLoop, QuitAfterOtherMessagesComesInItsTurn)
{
    plat_post_message(WM_USER_TEST, 0, 0);
    plat_post_message(WM_USER_TEST, 0, 0);
    plat_post_message(WM_QUIT, 0, 0);
    int last = 0;
    EXPECT_EQ(shell_frame_loop(count_frame, 100, nullptr, &last), 0);
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(last, 1);
}

TEST_F(FrameLoop, CloseDestroysTheWindowAndQuitsOnTheNextPass)
{
    plat_post_message(WM_CLOSE, 0, 0);
    int last = 0;
    EXPECT_EQ(shell_frame_loop(count_frame, 10, nullptr, &last), 0);
    EXPECT_EQ(main_window, 0u);
    EXPECT_EQ(frames, 1);  // the pass that handled WM_CLOSE still runs its frame
    EXPECT_EQ(last, 0);
}

TEST_F(FrameLoop, QEndsTheProgramWithinAFewPasses)
{
    int last = 0;
    EXPECT_EQ(shell_frame_loop(quit_on_third_frame, 100, nullptr, &last), 0);
    // Frame 3 (pass 2) sees Q; pass 3 handles WM_CLOSE; pass 4 leaves on WM_QUIT.
    EXPECT_EQ(frames, 4);
    EXPECT_EQ(last, 3);
    EXPECT_EQ(quit_requested, 1);
    EXPECT_EQ(plat_get_tick_count(), 1000u + 33u * 4);
}

TEST_F(FrameLoop, SecondCloseFindsNoWindow)
{
    plat_post_message(WM_CLOSE, 0, 0);
    plat_post_message(WM_CLOSE, 0, 0);
    int last = 0;
    EXPECT_EQ(shell_frame_loop(count_frame, 10, nullptr, &last), 0);
    // WM_CLOSE, WM_CLOSE (ignored), then the one WM_QUIT.
    EXPECT_EQ(frames, 2);
    PlatMessage message;
    EXPECT_FALSE(plat_peek_message(&message));
}

TEST(WndProc, DestroyPostsQuitWithCodeZero)
{
    PlatMessage message;
    while (plat_peek_message(&message)) {
    }
    EXPECT_EQ(wnd_proc(1, WM_DESTROY, 0, 0), 0);
    ASSERT_TRUE(plat_peek_message(&message));
    EXPECT_EQ(message.message, WM_QUIT);
    EXPECT_EQ(message.wparam, 0u);
    EXPECT_FALSE(plat_peek_message(&message));
}

TEST(Pacing, SleepsMostOfThePassAndNeverPastIt)
{
    EXPECT_EQ(shell_pace_sleep_us(0), 33000 - 1500);
    EXPECT_EQ(shell_pace_sleep_us(20000), 13000 - 1500);
    EXPECT_EQ(shell_pace_sleep_us(31600), 0);  // the rest is a busy wait
    EXPECT_EQ(shell_pace_sleep_us(33000), 0);
    EXPECT_EQ(shell_pace_sleep_us(90000), 0);  // a long pass goes straight on
}

TEST(Pacing, HeadlessPacingMovesTheClockToStartPlus33)
{
    headless_start(true, 500);
    shell_pace(500);
    EXPECT_EQ(headless_tick_count(), 533u);
    shell_pace(533);
    EXPECT_EQ(headless_tick_count(), 566u);
    headless_start(false, 1000);
}

}  // namespace
