// The front-end screens and the story pages, driven through the real game
// in headless mode with scripted keys; and the finale page, with the game
// run in this process (winning three levels by script would take minutes).
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "hiscore/hiscore.h"
#include "platform/host.h"
#include "play/play.h"
#include "support/run.h"

using test_support::GameRun;
using test_support::key;
using test_support::values;

namespace {

// Audio ids in the default data, which loads everything in order: sounds
// car 1, story1 4, beep 9, story2 to story4 10 to 12; music A.MID 0, C.MID 2.
using Calls = std::vector<std::string>;

// Title to menu: space down in pass 0, up in pass 1.
const std::string kToMenu = "0 +SPACE\n1 -SPACE\n";

long long mode_at(const GameRun& run, int pass)
{
    return key(run.states.at(pass), "game_mode");
}

bool same_picture(const GameRun& run, int a, int b)
{
    std::string x = test_support::read_text(run.shot(a));
    return !x.empty() && x == test_support::read_text(run.shot(b));
}

// Space held on the title shows the menu at once, and the menu ignores it;
// C and R show their screens in their key's frame, space returns on the
// next; a frame with Q is still drawn and nothing runs after it.
TEST(FrontEnd, InformationScreensAndTheQuitKey)
{
    GameRun run;
    std::string script =
        "0 +SPACE\n2 -SPACE\n3 +C\n4 -C\n6 +SPACE\n7 -SPACE\n9 +R\n10 -R\n12 +SPACE\n13 -SPACE\n15 +C +Q\n";
    ASSERT_EQ(run.play(script, -1, {2, 3, 4, 9, 10, 15}), 0);
    ASSERT_GE(run.states.size(), 16u);
    ASSERT_LT(run.states.size(), 20u);
    const int expected[16] = {1, 1, 1, 2, 2, 2, 1, 1, 1, 3, 3, 3, 1, 1, 1, 2};
    for (int pass = 0; pass < 16; ++pass) {
        EXPECT_EQ(mode_at(run, pass), expected[pass]) << pass;
    }
    EXPECT_TRUE(same_picture(run, 3, 4));
    EXPECT_FALSE(same_picture(run, 2, 3));
    EXPECT_TRUE(same_picture(run, 9, 10));
    EXPECT_FALSE(same_picture(run, 3, 9));
    EXPECT_TRUE(same_picture(run, 15, 3));  // Q's frame drew the controls
    for (int pass = 16; pass < int(run.states.size()); ++pass) {
        EXPECT_EQ(key(run.states[pass], "rand_state"), key(run.states[15], "rand_state"));
        EXPECT_EQ(mode_at(run, pass), MODE_CONTROLS);
    }
    EXPECT_EQ(run.calls(0), (Calls{"3 snd_play 9", "9 snd_play 9", "15 snd_play 9"}));
}

// S and H together end in the view, with a beep for each and no story; in
// every pass of the view the sparks rise, and between visits they stand.
TEST(FrontEnd, SAndHShowTheViewWhoseSparksRiseOnlyWhileItIsShown)
{
    GameRun run;
    ASSERT_EQ(run.play(kToMenu + "3 +S +H\n4 -S -H\n30 +SPACE\n31 -SPACE\n40 +H\n41 -H\n", 80), 0);
    ASSERT_EQ(run.states.size(), 80u);
    EXPECT_EQ(run.calls(3, 3), (Calls{"3 snd_play 9", "3 snd_play 9"}));
    EXPECT_TRUE(mode_at(run, 3) == MODE_HISCORES && mode_at(run, 35) == MODE_MENU && mode_at(run, 40) == MODE_HISCORES);
    for (int pass = 4; pass < 80; ++pass) {
        const bool view = mode_at(run, pass - 1) == MODE_HISCORES || mode_at(run, pass) == MODE_HISCORES;
        EXPECT_EQ(values(run.states[pass], "sparks") != values(run.states[pass - 1], "sparks"), view) << pass;
    }
}

TEST(Story, StoryKeyAndSpaceTogetherShowPageZeroAndStartPlayInTheSameFrame)
{
    GameRun run;
    ASSERT_EQ(run.play(kToMenu + "3 +S +SPACE\n4 -S -SPACE\n", 5), 0);
    EXPECT_TRUE(test_support::state_has(run.states.at(3), {{"game_mode", MODE_PLAY},
                                                           {"story_scroll", 0},
                                                           {"story_audio_started", 0},
                                                           {"level_index", 0},
                                                           {"clock_start", 1000 + 33 * 3}}));
    // Beep, the page's music and narration, then the play start in its
    // order; play follows in the same frame.
    Calls calls = run.calls(3, 3);
    calls.resize(9);
    EXPECT_EQ(calls, (Calls{"3 snd_play 9", "3 mus_play 2", "3 snd_play 4", "3 mus_play 0", "3 snd_stop 4",
                            "3 snd_stop 10", "3 snd_stop 11", "3 snd_stop 12", "3 snd_play 1"}));
}

TEST(Story, PageRollsByRepeatedAdditionsStopsAt350AndStartsItsAudioOnce)
{
    GameRun run;
    constexpr int kFirst = 3, kPasses = kFirst + 1200;  // the page's first frame
    ASSERT_EQ(run.play(kToMenu + "3 +S\n4 -S\n", kPasses, {kFirst, kFirst + 3, kFirst + 8, kFirst + 10, kFirst + 11}),
              0);
    ASSERT_EQ(run.states.size(), static_cast<size_t>(kPasses));
    // 0.3 a frame, added up (so 2.9999999999999996 after ten), until 350.
    int rolling = 0;
    for (int pass = kFirst; pass < kPasses; ++pass) {
        ASSERT_EQ(mode_at(run, pass), MODE_STORY);
        rolling += values(run.states[pass], "story_scroll") != values(run.states[pass - 1], "story_scroll");
    }
    EXPECT_EQ(rolling, 1167);
    EXPECT_EQ(values(run.states[kFirst + 9], "story_scroll")[0], 2.9999999999999996);
    EXPECT_GE(values(run.states.back(), "story_scroll")[0], 350.0);
    EXPECT_LT(values(run.states.back(), "story_scroll")[0], 350.3);
    // The text stands where the truncated sum puts it: up 0 after 3 steps,
    // 2 after 8 and after 10 (just below 3), 3 after 11.
    EXPECT_TRUE(same_picture(run, kFirst, kFirst + 3));
    EXPECT_TRUE(same_picture(run, kFirst + 8, kFirst + 10));
    EXPECT_FALSE(same_picture(run, kFirst + 10, kFirst + 11));
    EXPECT_EQ(run.calls(kFirst), (Calls{"3 snd_play 9", "3 mus_play 2", "3 snd_play 4"}));  // once
}

using test_support::game_here;

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
           (file.find("10\n" + std::to_string(best_score) + "\n") != 0 ||
            file.find("f\n" + best_letters) == std::string::npos)
               << 5;
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
