// Whole games through the real executable in headless mode, played by the
// scripts the autopilot wrote (tests/data/games): the first level won by
// ramming, all three levels with the initials in the high-score file, and a
// game lost truck by truck. Each run gets its own copy of the game data.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host.h"
#include "play/play_run.h"

namespace {

namespace fs = std::filesystem;
using play_run::key;

constexpr int MODE_MENU_ID = 1;
constexpr int MODE_STORY_ID = 4;
constexpr int MODE_PLAY_ID = 5;

struct GameScript {
    std::string path;
    unsigned long start_tick = 0;
    int passes = 0;
    int score = 0;
    std::map<std::string, int> milestones;
};

// Reads the autopilot's header: start tick, passes, score, milestones.
GameScript read_script(const char* name)
{
    GameScript script;
    script.path = std::string(TAILGATE_SOURCE_DIR) + "/tests/data/games/" + name;
    std::ifstream file(script.path);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        std::string hash, key;
        words >> hash >> key;
        if (hash != "#") {
            continue;
        }
        if (key == "start-tick") {
            words >> script.start_tick;
        } else if (key == "passes") {
            words >> script.passes;
        } else if (key == "score") {
            words >> script.score;
        } else if (key == "milestone") {
            std::string what;
            int pass = -1;
            words >> what >> pass;
            script.milestones[what] = pass;
        }
    }
    return script;
}

// Runs the script for `passes` passes on a fresh copy of the game data,
// with a screenshot after pass `shot_pass` into shot.png when asked.
void run_game(const GameScript& script, int passes, play_run::Run* run, int shot_pass = -1)
{
    std::string shot = " --shot " + std::to_string(shot_pass) + ":'" + (run->dir / "shot.png").string() + "'";
    EXPECT_EQ(run->play(script.path, script.start_tick, passes, false, shot_pass >= 0 ? shot : ""), 0);
    ASSERT_EQ(run->states.size(), 1u);
}

int milestone(const GameScript& script, const char* name)
{
    auto it = script.milestones.find(name);
    EXPECT_NE(it, script.milestones.end()) << name;
    return it == script.milestones.end() ? 0 : it->second;
}

// Pixels of the game's red text colour inside a rectangle of a screenshot.
int red_pixels(const fs::path& png, int left, int top, int right, int bottom)
{
    std::vector<uint8_t> rgb;
    int w = 0;
    int h = 0;
    if (!plat_read_png(png.c_str(), &rgb, &w, &h) || w != 640 || h != 480) {
        return -1;
    }
    int count = 0;
    for (int y = top; y < bottom; y++) {
        for (int x = left; x < right; x++) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            count += p[0] > 180 && p[1] < 70 && p[2] < 70;
        }
    }
    return count;
}

// The dump's values of `keys`, in order.
std::vector<int> dumped(const play_run::Run& run, std::initializer_list<const char*> keys)
{
    std::vector<int> out;
    for (const char* name : keys) {
        out.push_back(run.states.empty() ? -999999 : key(run.states[0], name));
    }
    return out;
}

using V = std::vector<int>;

TEST(ScriptedGame, FirstLevelRamsTheAlienAndReachesStoryPageOne)
{
    GameScript script = read_script("first_level.txt");
    ASSERT_GT(script.passes, 0);
    play_run::Run run;

    // The alien pinned against the top edge. The road ended in the battle's
    // first pass: the brakes squeal and the radio stops; the battle music
    // starts in the next.
    run_game(script, milestone(script, "pinned-0") + 1, &run);
    EXPECT_EQ(dumped(run, {"game_mode", "play_state", "level_index", "alien_pinned", "alien_y", "alien_frame"}),
              (V{MODE_PLAY_ID, 5, 0, 1, -20, 1}));
    int battle = milestone(script, "battle-0");
    EXPECT_FALSE(run.logged(battle - 1, "snd_play", 8));
    EXPECT_TRUE(run.logged(battle, "snd_play", 8));  // brake.WAV
    EXPECT_NE(run.audio.find('\n' + std::to_string(battle) + " mus_stop "), std::string::npos);
    EXPECT_TRUE(run.logged(battle + 1, "mus_play", 9));  // Battle.MID

    // Beaten without a cannon: only rams count in level 0. The congratulation
    // text across the road.
    int victory = milestone(script, "victory-0");
    run_game(script, victory + 1, &run, victory);
    EXPECT_EQ(dumped(run, {"alien_defeated", "alien_health", "level_index"}), (V{1, 0, 0}));
    EXPECT_NE(run.states[0].find("\"shells\":[[0,0,0],[0,0,0],[0,0,0],[0,0,0],[0,0,0]]"), std::string::npos);
    EXPECT_GT(red_pixels(run.dir / "shot.png", 220, 250, 600, 270), 200);

    run_game(script, script.passes, &run);
    EXPECT_EQ(dumped(run, {"game_mode", "level_index", "score", "help_calls", "alien_step", "distance"}),
              (V{MODE_STORY_ID, 1, script.score, 2, 0, 0}));
}

TEST(ScriptedGame, WholeGameEndsWithTheInitialsInTheHighScoreFile)
{
    GameScript script = read_script("whole_game.txt");
    ASSERT_GT(script.passes, 0);
    play_run::Run run;

    // The finale page after the third alien; a volley in flight on the way.
    run_game(script, milestone(script, "story-3") + 1, &run, milestone(script, "volley-2") + 12);
    EXPECT_EQ(dumped(run, {"game_mode", "level_index", "score", "help_calls"}), (V{MODE_STORY_ID, 3, script.score, 0}));
    EXPECT_GT(fs::file_size(run.dir / "shot.png"), 1000u);

    // A won game gives the next one a spare more.
    run_game(script, script.passes, &run);
    EXPECT_EQ(dumped(run, {"game_mode", "level_index", "score", "lives", "help_calls"}), (V{MODE_MENU_ID, 0, 0, 3, 3}));
    // The file: the count, the scores best first, a to f, then the initials
    // one letter a line.
    std::vector<std::string> lines = play_run::read_lines(run.dir / "data" / "hiscore.txt");
    ASSERT_EQ(lines.size(), 47u);
    EXPECT_EQ((std::vector<std::string>{lines[0], lines[1], lines[17], lines[18], lines[19]}),
              (std::vector<std::string>{"10", std::to_string(script.score), "Z", "Y", "X"}));
}

TEST(ScriptedGame, LosingEveryTruckLeadsThroughGameOverToTheMenu)
{
    GameScript script = read_script("game_over.txt");
    ASSERT_GT(script.passes, 0);
    play_run::Run run;

    int over = milestone(script, "game-over");
    run_game(script, over + 1, &run, over);
    EXPECT_EQ(dumped(run, {"game_mode", "play_state", "lives", "truck_wrecked", "score"}),
              (V{MODE_PLAY_ID, 3, -1, 1, script.score}));
    EXPECT_GT(red_pixels(run.dir / "shot.png", 340, 220, 440, 240), 50);  // "GAME OVER"

    run_game(script, script.passes, &run);
    EXPECT_EQ(dumped(run, {"game_mode", "play_state", "level_index", "lives", "help_calls", "score", "truck_wrecked"}),
              (V{MODE_MENU_ID, 0, 0, 2, 3, 0, 0}));
}

}  // namespace
