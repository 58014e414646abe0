// Wrecks and game over: the wreck sequences, the initials entry on the last
// wreck, the "GAME OVER" screen and the reset it leads to.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

#include "frontend/frontend.h"
#include "hiscore/hiscore.h"
#include "play_test_util.h"
#include "support/run.h"

namespace {

using test_support::fields_are;

// Loads a script whose events are all far in the future: only a wait inside
// a pass (the initials entry) can use them up.
void pending_events(const std::string& events)
{
    headless_start(true, 7000000);
    std::string script;
    int pass = 100000;
    std::istringstream words(events);
    std::string event;
    while (words >> event) {
        script += std::to_string(pass++) + " " + event + "\n";
    }
    char error[200] = "";
    ASSERT_EQ(headless_parse_script(script.data(), script.size(), error, sizeof error), 1) << error;
    headless_begin_pass(0);
}

// A truck just wrecked in traffic at level 1 with a spare left, and a
// high-score table whose tenth score is 991.
class WreckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!play_test::display_ready()) {
            FAIL() << "the headless display did not start (game_init failed on a copy of " << TAILGATE_DATA_DIR << ")";
        }
        play_test::fresh_drive();
        game_mode = MODE_PLAY;
        level_index = 1;
        play_state = PLAY_WRECK;
        truck_wrecked = 1;
        truck_x = 300;
        damage = 100;
        lives = 1;
        help_calls = 2;
        score = 500;
        for (int k = 0; k < HISCORE_COUNT; k++) {
            hiscore_scores[k] = 1000 - k;
            memcpy(hiscore_initials[k], "QQQ", 3);
        }
        // A save merges in what the file holds; this table stands alone.
        std::remove("hiscore.txt");
    }

    void TearDown() override { headless_start(false, 1000); }

    static void last_wreck(int score_now)
    {
        play_state = PLAY_LAST_WRECK;
        lives = -1;
        score = score_now;
    }
};

// Runs a wreck sequence to its end; the frames it lasted. The spare truck
// comes in, repaired, on the fifth.
int run_sequence(void (*step)())
{
    int state = play_state;
    int frames = 0;
    while (play_state == state && frames < 1000) {
        step();
        frames++;
        EXPECT_EQ(truck_x, frames < 5 ? 300 : 580) << frames;
        EXPECT_EQ(damage, frames < 5 ? 100 : 0) << frames;
    }
    return frames;
}

TEST_F(WreckTest, WreckInTrafficLastsOneHundredAndOneFrames)
{
    EXPECT_EQ(run_sequence(wreck_step), 101);
    EXPECT_TRUE(fields_are({FIELD(play_state, PLAY_DRIVING), FIELD(truck_wrecked, 0), FIELD(truck_y, 200), FIELD(lives, 1)}));
}

TEST_F(WreckTest, LastWreckTakesInitialsOnItsNinetyEighthFrame)
{
    last_wreck(2000);
    pending_events("+DOWN -DOWN +SPACE -SPACE +UP -UP +SPACE -SPACE +SPACE -SPACE");
    for (int frame = 1; frame <= 97; frame++) {
        last_wreck_step();
    }
    EXPECT_EQ(headless_events_left(), 10);
    last_wreck_step();
    EXPECT_TRUE(fields_are({FIELD(headless_events_left(), 0), FIELD(play_state, PLAY_LAST_WRECK), FIELD(hiscore_scores[0], 2000)}));
    EXPECT_EQ(std::string(hiscore_initials[0], 3), "ZBA");
    const std::string text = test_support::read_text("hiscore.txt");
    EXPECT_EQ(text.find("10\n2000\n1000\n"), 0u);
    EXPECT_NE(text.find("Z\nB\nA\n"), std::string::npos);
}

TEST_F(WreckTest, GameOverWaitsForTheSpaceBarAndLeavesAtOnceWhenItIsHeld)
{
    last_wreck(-40);
    wreck_timer = 100;
    for (int frame = 0; frame < 5; frame++) {
        ASSERT_EQ(play_frame(), 1);
    }
    EXPECT_TRUE(fields_are({FIELD(game_mode, MODE_PLAY), FIELD(play_state, PLAY_GAME_OVER), FIELD(score, -40)}));

    // Space held as the last wreck's 101st frame ends: straight to the menu.
    last_wreck(-40);
    wreck_timer = 100;
    radio_freq_major = 9;
    radio_station = 4;
    radio_freq_minor = 7;
    play_test::hold("SPACE");
    ASSERT_EQ(play_frame(), 1);
    EXPECT_TRUE(fields_are({FIELD(game_mode, MODE_MENU), FIELD(play_state, PLAY_DRIVING), FIELD(wreck_timer, 101)}));

    // The next game starts afresh (level, lives, help calls, score,
    // distance, damage, wreck flag, truck), the radio display as it was.
    EXPECT_TRUE(fields_are({FIELD(level_index, 0), FIELD(lives, 2), FIELD(help_calls, 3), FIELD(score, 0), FIELD(distance, 0), FIELD(damage, 0), FIELD(truck_wrecked, 0), FIELD(truck_x, 580), FIELD(truck_y, 200), FIELD(radio_freq_major, 9), FIELD(radio_station, 4), FIELD(radio_freq_minor, 7)}));
    EXPECT_DOUBLE_EQ(truck_speed, 0.0);
    EXPECT_DOUBLE_EQ(story_scroll, 0.0);
}

}  // namespace
