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

// One replay of the whole script on a fresh copy of the game data: the
// state after each pass of `dump_passes` (and the dump after the last), a
// screenshot after each of `shot_passes` into shot_<pass>.png.
struct Replay {
    play_run::Run run;
    std::map<int, std::string> at;  // pass -> state line
    std::string last;

    Replay(const GameScript& script, std::initializer_list<int> dump_passes, std::initializer_list<int> shot_passes)
    {
        std::string more;
        for (int pass : dump_passes) {
            more += " --dump-at " + std::to_string(pass) + ":'" + dump_path(pass).string() + "'";
        }
        for (int pass : shot_passes) {
            more += " --shot " + std::to_string(pass) + ":'" + shot(pass).string() + "'";
        }
        EXPECT_EQ(run.play(script.path, script.start_tick, script.passes, false, more), 0);
        EXPECT_EQ(run.states.size(), 1u);
        last = run.states.empty() ? "" : run.states[0];
        for (int pass : dump_passes) {
            std::vector<std::string> lines = play_run::read_lines(dump_path(pass));
            EXPECT_EQ(lines.size(), 1u) << "state after pass " << pass;
            at[pass] = lines.empty() ? "" : lines[0];
        }
    }

    fs::path dump_path(int pass) const { return run.dir / ("state_" + std::to_string(pass) + ".json"); }
    fs::path shot(int pass) const { return run.dir / ("shot_" + std::to_string(pass) + ".png"); }
};

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

// The state line holds these values; a failure names each key that differs.
testing::AssertionResult state_has(const std::string& state, std::initializer_list<std::pair<const char*, int>> want)
{
    std::string wrong;
    for (const auto& [name, value] : want) {
        std::vector<double> got = play_run::values(state, name);
        if (got.empty() || got[0] != value) {
            wrong += std::string("\n  ") + name + " is " + (got.empty() ? "missing" : std::to_string(int(got[0]))) +
                     ", expected " + std::to_string(value);
        }
    }
    if (wrong.empty()) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "state differs:" << wrong;
}

TEST(ScriptedGame, FirstLevelRamsTheAlienAndReachesStoryPageOne)
{
    GameScript script = read_script("first_level.txt");
    ASSERT_GT(script.passes, 0);
    const int pinned = milestone(script, "pinned-0");
    const int victory = milestone(script, "victory-0");
    Replay replay(script, {pinned, victory}, {victory});

    // The alien pinned against the top edge. The road ended in the battle's
    // first pass: the brakes squeal and the radio stops; the battle music
    // starts in the next.
    EXPECT_TRUE(state_has(replay.at[pinned], {{"game_mode", MODE_PLAY_ID}, {"play_state", 5}, {"level_index", 0}, {"alien_pinned", 1}, {"alien_y", -20}, {"alien_frame", 1}}));
    const play_run::Run& run = replay.run;
    int battle = milestone(script, "battle-0");
    EXPECT_FALSE(run.logged(battle - 1, "snd_play", 8));
    EXPECT_TRUE(run.logged(battle, "snd_play", 8));  // brake.WAV
    EXPECT_NE(run.audio.find('\n' + std::to_string(battle) + " mus_stop "), std::string::npos);
    EXPECT_TRUE(run.logged(battle + 1, "mus_play", 9));  // Battle.MID

    // Beaten without a cannon: only rams count in level 0. The congratulation
    // text across the road.
    EXPECT_TRUE(state_has(replay.at[victory], {{"alien_defeated", 1}, {"alien_health", 0}, {"level_index", 0}}));
    EXPECT_NE(replay.at[victory].find("\"shells\":[[0,0,0],[0,0,0],[0,0,0],[0,0,0],[0,0,0]]"), std::string::npos);
    EXPECT_GT(red_pixels(replay.shot(victory), 220, 250, 600, 270), 200);

    EXPECT_TRUE(state_has(replay.last, {{"game_mode", MODE_STORY_ID}, {"level_index", 1}, {"score", script.score}, {"help_calls", 2}, {"alien_step", 0}, {"distance", 0}}));
}

TEST(ScriptedGame, WholeGameEndsWithTheInitialsInTheHighScoreFile)
{
    GameScript script = read_script("whole_game.txt");
    ASSERT_GT(script.passes, 0);
    const int finale = milestone(script, "story-3");
    const int volley = milestone(script, "volley-2") + 12;
    Replay replay(script, {finale}, {volley});

    // The finale page after the third alien; a volley in flight on the way.
    EXPECT_TRUE(state_has(replay.at[finale], {{"game_mode", MODE_STORY_ID}, {"level_index", 3}, {"score", script.score}, {"help_calls", 0}}));
    EXPECT_GT(fs::file_size(replay.shot(volley)), 1000u);

    // A won game gives the next one a spare more.
    EXPECT_TRUE(state_has(replay.last, {{"game_mode", MODE_MENU_ID}, {"level_index", 0}, {"score", 0}, {"lives", 3}, {"help_calls", 3}}));
    // The file: the count, the scores best first, a to f, then the initials
    // one letter a line.
    std::vector<std::string> lines = play_run::read_lines(replay.run.dir / "data" / "hiscore.txt");
    ASSERT_EQ(lines.size(), 47u);
    EXPECT_EQ(lines[0], "10");
    EXPECT_EQ(lines[1], std::to_string(script.score)) << "the best score";
    EXPECT_EQ(lines[17] + lines[18] + lines[19], "ZYX") << "its initials";
}

TEST(ScriptedGame, LosingEveryTruckLeadsThroughGameOverToTheMenu)
{
    GameScript script = read_script("game_over.txt");
    ASSERT_GT(script.passes, 0);
    const int over = milestone(script, "game-over");
    Replay replay(script, {over}, {over});

    EXPECT_TRUE(state_has(replay.at[over], {{"game_mode", MODE_PLAY_ID}, {"play_state", 3}, {"lives", -1}, {"truck_wrecked", 1}, {"score", script.score}}));
    EXPECT_GT(red_pixels(replay.shot(over), 340, 220, 440, 240), 50);  // "GAME OVER"

    EXPECT_TRUE(state_has(replay.last, {{"game_mode", MODE_MENU_ID}, {"play_state", 0}, {"level_index", 0}, {"lives", 2}, {"help_calls", 3}, {"score", 0}, {"truck_wrecked", 0}}));
}

}  // namespace
