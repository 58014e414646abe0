// The finale page: its space bar leads through the initials entry back to
// the menu with a fresh game, and a close request ends its waits with the
// letters as they stand (a score without a place is the entry's business,
// tested there). Winning three levels by script would take minutes, so the
// game runs in this process with the page set up directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <string>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "hiscore/hiscore.h"
#include "play/play.h"
#include "support/run.h"

using test_support::game_here;

namespace {

// The finale page of a game that ended with `final_score` in its battle,
// over a table of ten scores of -1000 with the initials "OLD".
void on_finale(int final_score)
{
    for (int k = 0; k < HISCORE_COUNT; ++k) {
        hiscore_scores[k] = -1000;
        std::copy_n("OLD", 3, hiscore_initials[k]);
    }
    // The file says the same: a save merges in what it finds there, so a
    // table left by an earlier test must not come back.
    std::string old;
    for (int k = 0; k < HISCORE_COUNT; ++k) {
        old += "OLD";
    }
    test_support::write_text("hiscore.txt", test_support::hiscore_text(std::vector<int>(HISCORE_COUNT, -1000), old));
    game_mode = MODE_STORY;
    level_index = 3;
    story_scroll = 0.0;
    story_audio_started = 0;
    score = final_score;
    lives = 0;
    help_calls = 0;
    wreck_timer = 9;
    distance = 1234;
    truck_speed = 2.5;
    damage = 40;
    play_state = PLAY_BATTLE;
    truck_x = 300;
}

// Bit flags of what is wrong after the finale (0: all well), for a check
// in a child process.
int wrong_after_finale(const char* best_initials, int best_score)
{
    std::string file = test_support::read_text("hiscore.txt");
    std::string best_letters;
    for (int k = 0; k < 3; ++k) {
        best_letters += std::string(1, best_initials[k]) + "\n";
    }
    return (game_mode != MODE_MENU) | (score != 0 || help_calls != 3 || lives != 3) << 1 |
           (wreck_timer != 0 || distance != 0 || truck_speed != 0.0 || damage != 0) << 2 |
           (play_state != PLAY_DRIVING || level_index != 0 || truck_x != 300) << 3 |
           (hiscore_scores[0] != best_score || std::string(hiscore_initials[0], 3) != best_initials) << 4 |
           (file.find("10\n" + std::to_string(best_score) + "\n") != 0 || file.find("f\n" + best_letters) == std::string::npos) << 5;
}

TEST(Finale, SpaceLeadsThroughTheEntryBackToTheMenuAndANewGameStartsAtPageZero)
{
    // Space down on the page; all the rest is typed while the finale waits.
    ASSERT_TRUE(game_here("0 +SPACE\n1000 -SPACE +DOWN -DOWN +SPACE -SPACE +SPACE -SPACE +SPACE -SPACE\n"));
    on_finale(123456);
    EXPECT_EQ(game_main(), 1);
    EXPECT_EQ(wrong_after_finale("ZAA", 123456), 0);
    EXPECT_EQ(headless_events_left(), 0);
    EXPECT_FALSE(snd_is_playing(sfx_story4));
    // The page's variables stay as they were: the menu resets them.
    EXPECT_EQ(story_audio_started, 1);
    EXPECT_NE(story_scroll, 0.0);

    // S with H on the menu resets them although the view wins.
    ASSERT_TRUE(game_here("0 +S +H\n"));
    EXPECT_EQ(game_main(), 1);
    EXPECT_EQ(game_mode, MODE_HISCORES);
    EXPECT_EQ(story_scroll, 0.0);
    EXPECT_EQ(story_audio_started, 0);

    // A new game: page 0 with its narration, level 0, no score, 3 trucks.
    ASSERT_TRUE(game_here("0 +SPACE\n1 -SPACE +S\n"));
    EXPECT_EQ(game_main(), 1);
    headless_begin_pass(1);
    EXPECT_EQ(game_main(), 1);
    EXPECT_EQ(game_mode, MODE_STORY);
    EXPECT_EQ(level_index, 0);
    EXPECT_EQ(score, 0);
    EXPECT_EQ(lives, 3);
    EXPECT_TRUE(snd_is_playing(sfx_story1));
}

TEST(Finale, CloseRequestEndsTheWaitsAndKeepsTheEntry)
{
    // A close request cannot be taken back, so this runs in a child.
    EXPECT_EXIT(
        {
            // The space bar is never let go and no letter is typed: without
            // the close the finale would wait for keys that never come (and
            // the run would end with status 3).
            if (!game_here("0 +SPACE\n")) {
                std::_Exit(100);
            }
            on_finale(77777);
            raise(SIGTERM);  // the platform turns it into a close request
            int result = game_main();
            std::_Exit(wrong_after_finale("AAA", 77777) | (result != 1) << 6 | !plat_close_requested() << 7);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
