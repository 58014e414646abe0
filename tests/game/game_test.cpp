// Whole games through the real executable in headless mode, played by the
// scripts the autopilot wrote (tests/data/games): the first level won by
// ramming, all three levels with the initials in the high-score file, and a
// game lost truck by truck. Each script is replayed once, on its own copy of
// the game data, and everything is checked from that run.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host.h"
#include "support/run.h"

namespace {

namespace fs = std::filesystem;
using test_support::state_has;

constexpr int MODE_MENU_ID = 1;
constexpr int MODE_STORY_ID = 4;
constexpr int MODE_PLAY_ID = 5;

// One replay of a whole script: its header (start tick, passes, score,
// milestones) read, then the dump after the last pass, the state after each
// pass of `at_milestones` (plus `later` passes) and a screenshot there.
struct Replay {
    std::map<std::string, int> header;
    std::map<int, std::string> at;  // pass -> state line
    std::string last;
    test_support::GameRun run;

    Replay(const char* name, std::initializer_list<std::pair<const char*, int>> at_milestones)
    {
        const std::string script = test_support::read_text(std::string(TAILGATE_SOURCE_DIR) + "/tests/data/games/" + name);
        std::istringstream lines(script);
        for (std::string line; std::getline(lines, line) && line.starts_with("#");) {
            std::istringstream words(line.substr(1));
            std::string word;
            words >> word;
            if (word == "milestone") {
                words >> word;
            }
            words >> header[word];
        }
        std::string more = "--start-tick " + std::to_string(header["start-tick"]);
        std::vector<int> shots;
        for (const auto& [milestone, later] : at_milestones) {
            EXPECT_TRUE(header.count(milestone)) << milestone;
            shots.push_back(header[milestone] + later);
            more += " --dump-at " + std::to_string(shots.back()) + ":at" + std::to_string(shots.back()) + ".json";
        }
        EXPECT_GT(header["passes"], 0) << name;
        EXPECT_EQ(run.play(script, header["passes"], shots, more, false), 0) << run.text("err.txt");
        last = run.states.empty() ? "" : run.states[0];
        for (int pass : shots) {
            at[pass] = run.text("at" + std::to_string(pass) + ".json");
        }
    }
    const std::string& state(const char* milestone, int later = 0) { return at[header[milestone] + later]; }
    int score() { return header["score"]; }
};

// Pixels of the game's red text colour inside a rectangle of a screenshot.
int red_pixels(const fs::path& png, int left, int top, int right, int bottom)
{
    std::vector<uint8_t> rgb;
    int w = 0, h = 0;
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

TEST(ScriptedGame, FirstLevelRamsTheAlienAndReachesStoryPageOne)
{
    Replay replay("first_level.txt", {{"pinned-0", 0}, {"victory-0", 0}});

    // The alien pinned against the top edge.
    EXPECT_TRUE(state_has(replay.state("pinned-0"), {{"game_mode", MODE_PLAY_ID}, {"play_state", 5}, {"level_index", 0},
                                                     {"alien_pinned", 1}, {"alien_y", -20}, {"alien_frame", 1}}));
    // The road ended in the battle's first pass: the brakes squeal and the
    // radio stops; the battle music starts in the next.
    const int battle = replay.header["battle-0"];
    EXPECT_FALSE(replay.run.logged(std::to_string(battle - 1) + " snd_play 8"));
    EXPECT_TRUE(replay.run.logged(std::to_string(battle) + " snd_play 8"));  // brake.WAV
    EXPECT_TRUE(replay.run.logged(std::to_string(battle + 1) + " mus_play 9"));  // Battle.MID
    bool radio_stopped = false;
    for (const std::string& call : replay.run.audio) {
        radio_stopped |= call.starts_with(std::to_string(battle) + " mus_stop ");
    }
    EXPECT_TRUE(radio_stopped);

    // Beaten without a cannon: only rams count in level 0. The congratulation
    // text across the road.
    const std::string& victory = replay.state("victory-0");
    EXPECT_TRUE(state_has(victory, {{"alien_defeated", 1}, {"alien_health", 0}, {"level_index", 0}}));
    EXPECT_NE(victory.find("\"shells\":[[0,0,0],[0,0,0],[0,0,0],[0,0,0],[0,0,0]]"), std::string::npos);
    EXPECT_GT(red_pixels(replay.run.shot(replay.header["victory-0"]), 220, 250, 600, 270), 200);

    EXPECT_TRUE(state_has(replay.last, {{"game_mode", MODE_STORY_ID}, {"level_index", 1}, {"score", replay.score()},
                                        {"help_calls", 2}, {"alien_step", 0}, {"distance", 0}}));
}

TEST(ScriptedGame, WholeGameEndsWithTheInitialsInTheHighScoreFile)
{
    Replay replay("whole_game.txt", {{"story-3", 0}, {"volley-2", 12}});

    // The finale page after the third alien; a volley in flight on the way.
    EXPECT_TRUE(state_has(replay.state("story-3"), {{"game_mode", MODE_STORY_ID}, {"level_index", 3},
                                                    {"score", replay.score()}, {"help_calls", 0}}));
    EXPECT_GT(fs::file_size(replay.run.shot(replay.header["volley-2"] + 12)), 1000u);

    // A won game gives the next one a spare more.
    EXPECT_TRUE(state_has(replay.last, {{"game_mode", MODE_MENU_ID}, {"level_index", 0}, {"score", 0}, {"lives", 3},
                                        {"help_calls", 3}}));
    // The file: the count, the scores best first, a to f, then the initials
    // one letter a line.
    const std::vector<std::string> lines = test_support::read_lines(replay.run.data / "hiscore.txt");
    ASSERT_EQ(lines.size(), 47u);
    EXPECT_EQ(lines[0], "10");
    EXPECT_EQ(lines[1], std::to_string(replay.score())) << "the best score";
    EXPECT_EQ(lines[17] + lines[18] + lines[19], "ZYX") << "its initials";
}

TEST(ScriptedGame, LosingEveryTruckLeadsThroughGameOverToTheMenu)
{
    Replay replay("game_over.txt", {{"game-over", 0}});

    EXPECT_TRUE(state_has(replay.state("game-over"), {{"game_mode", MODE_PLAY_ID}, {"play_state", 3}, {"lives", -1},
                                                      {"truck_wrecked", 1}, {"score", replay.score()}}));
    EXPECT_GT(red_pixels(replay.run.shot(replay.header["game-over"]), 340, 220, 440, 240), 50);  // "GAME OVER"

    EXPECT_TRUE(state_has(replay.last, {{"game_mode", MODE_MENU_ID}, {"play_state", 0}, {"level_index", 0},
                                        {"lives", 2}, {"help_calls", 3}, {"score", 0}, {"truck_wrecked", 0}}));
}

}  // namespace
