// The finale page: its space bar leads through the initials entry back to
// the menu with a fresh game, and a close request ends its waits with the
// letters as they stand. Winning three levels by script would take minutes,
// so these run the game in-process (in a child process each, for a clean
// slate) with the headless keyboard and the page set up directly.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "display/display.h"
#include "frontend/frontend.h"
#include "frontend/game_run.h"
#include "hiscore/hiscore.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "play/play.h"

using game_run::GameRun;

namespace {

int failures;

void check(bool ok, const char* what)
{
    if (!ok) {
        fprintf(stderr, "failed: %s\n", what);
        ++failures;
    }
}

// Starts the game in the data copy with this key script, then sets up the
// finale page with a game that scored `final_score`.
void start_on_finale(const GameRun& run, const std::string& script, int final_score)
{
    std::filesystem::current_path(run.data);
    char error[256];
    if (!headless_parse_script(script.c_str(), script.size(), error, sizeof error)) {
        fprintf(stderr, "script: %s\n", error);
        _exit(20);
    }
    headless_start(true, 1000);
    if (!plat_window_create(true, false) || !game_init()) {
        _exit(21);
    }
    headless_begin_pass(0);

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
}

void check_back_on_menu_with_a_fresh_game()
{
    check(game_mode == MODE_MENU, "game_mode is the menu");
    check(score == 0 && help_calls == 3 && lives == 3, "score 0, 3 help calls, 3 spare trucks");
    check(wreck_timer == 0 && distance == 0 && truck_speed == 0.0 && damage == 0, "truck reset");
    check(play_state == PLAY_DRIVING && level_index == 0, "play state and level reset");
}

bool file_has_entry(const char* score_text, const char* letters)
{
    std::string text = game_run::read_text("hiscore.txt");
    std::string lines;
    for (const char* c = letters; *c; ++c) {
        lines += std::string(1, *c) + "\n";
    }
    // The best entry: first score line, first three letter lines.
    return text.find(std::string("10\n") + score_text + "\n") == 0 && text.find("f\n" + lines) != std::string::npos;
}

TEST(Finale, SpaceLeadsThroughTheEntryBackToTheMenu)
{
    GameRun run;
    EXPECT_EXIT(
        {
            // Space down on the page; everything after it is typed while the
            // finale waits.
            start_on_finale(run,
                            "0 +SPACE\n1000 -SPACE\n1000 +DOWN\n1000 -DOWN\n1000 +SPACE\n1000 -SPACE\n"
                            "1000 +SPACE\n1000 -SPACE\n1000 +SPACE\n1000 -SPACE\n",
                            123456);
            int result = game_main();
            check(result == 1, "game_main returns 1");
            check_back_on_menu_with_a_fresh_game();
            check(hiscore_scores[0] == 123456, "the score is best");
            check(std::memcmp(hiscore_initials[0], "ZAA", 3) == 0, "initials ZAA");
            check(file_has_entry("123456", "ZAA"), "the file holds the entry");
            check(headless_events_left() == 0, "every typed key was used");
            check(story_audio_started == 1, "the finale leaves the page's audio flag");
            _exit(failures);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(Finale, CloseRequestEndsTheWaitsAndKeepsTheEntry)
{
    GameRun run;
    EXPECT_EXIT(
        {
            // The space bar is never let go and no letter is typed: without
            // the close request the finale would wait for keys that never
            // come (and the run would end with status 3).
            start_on_finale(run, "0 +SPACE\n", 77777);
            raise(SIGTERM);  // the platform turns it into a close request
            check(plat_close_requested(), "close requested");
            int result = game_main();
            check(result == 1, "game_main returns 1");
            check_back_on_menu_with_a_fresh_game();
            check(hiscore_scores[0] == 77777, "the score is kept");
            check(std::memcmp(hiscore_initials[0], "AAA", 3) == 0, "letters as they stood");
            check(file_has_entry("77777", "AAA"), "the entry was saved");
            _exit(failures);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(Finale, ScoreWithoutAPlaceSkipsTheEntryButStillSaves)
{
    GameRun run;
    EXPECT_EXIT(
        {
            start_on_finale(run, "0 +SPACE\n1000 -SPACE\n", -5);
            std::filesystem::remove("hiscore.txt");
            int result = game_main();
            check(result == 1, "game_main returns 1");
            check_back_on_menu_with_a_fresh_game();
            check(std::filesystem::exists("hiscore.txt"), "the table was saved");
            check(headless_events_left() == 0, "only the release was waited for");
            _exit(failures);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
