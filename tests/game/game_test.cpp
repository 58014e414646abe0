// Whole games through the real executable in headless mode, played by the
// scripts the autopilot wrote (tests/data/games): the first level won by
// ramming, all three levels with the initials in the high-score file, and a
// game lost truck by truck. Each run gets its own copy of the game data.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "platform/host.h"

namespace {

namespace fs = std::filesystem;

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

std::string read_file(const fs::path& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

struct GameRun {
    int status = -1;
    fs::path dir;
    std::string dump;

    ~GameRun()
    {
        std::error_code error;
        if (!dir.empty()) {
            fs::remove_all(dir, error);
        }
    }

    // An integer field of the dump; a missing key fails the test.
    long long get(const char* key) const
    {
        std::string pattern = std::string("\"") + key + "\":";
        size_t at = dump.find(pattern);
        EXPECT_NE(at, std::string::npos) << key;
        if (at == std::string::npos) {
            return -999999;
        }
        return strtoll(dump.c_str() + at + pattern.size(), nullptr, 10);
    }

    // The elements of a flat array field, as text.
    std::vector<std::string> array(const char* key) const
    {
        std::vector<std::string> items;
        std::string pattern = std::string("\"") + key + "\":[";
        size_t at = dump.find(pattern);
        if (at == std::string::npos) {
            return items;
        }
        size_t end = dump.find(']', at);
        std::string body = dump.substr(at + pattern.size(), end - at - pattern.size());
        std::string item;
        for (char c : body) {
            if (c == ',') {
                items.push_back(item);
                item.clear();
            } else if (c != '"' && c != ' ') {
                item += c;
            }
        }
        items.push_back(item);
        return items;
    }
};

// Runs the script for `passes` passes with a fresh copy of the game data,
// with a screenshot after pass `shot_pass` into shot.png when asked.
void run_game(const GameScript& script, int passes, GameRun* run, int shot_pass = -1)
{
    char pattern[] = "/tmp/tailgate_game_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    run->dir = pattern;
    std::error_code error;
    fs::copy(TAILGATE_DATA_DIR, run->dir / "data", fs::copy_options::recursive, error);
    ASSERT_FALSE(error) << error.message();
    ASSERT_FALSE(fs::exists(run->dir / "data" / "hiscore.txt"))
        << "the scripts expect start-up to create the high-score file";

    std::string command = std::string(TAILGATE_EXE) + " --headless --data " + (run->dir / "data").string() +
                          " --start-tick " + std::to_string(script.start_tick) + " --input " + script.path +
                          " --passes " + std::to_string(passes) + " --dump " + (run->dir / "dump.json").string() +
                          " 2>" + (run->dir / "stderr.txt").string();
    if (shot_pass >= 0) {
        command += " --shot " + std::to_string(shot_pass) + ":" + (run->dir / "shot.png").string();
    }
    int status = std::system(command.c_str());
    run->status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run->dump = read_file(run->dir / "dump.json");
    ASSERT_FALSE(run->dump.empty()) << read_file(run->dir / "stderr.txt");
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

TEST(ScriptedGame, FirstLevelRamsTheAlienAndReachesStoryPageOne)
{
    GameScript script = read_script("first_level.txt");
    ASSERT_GT(script.passes, 0);

    {
        GameRun run;  // the alien pinned against the top edge
        run_game(script, milestone(script, "pinned-0") + 1, &run);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.get("game_mode"), MODE_PLAY_ID);
        EXPECT_EQ(run.get("play_state"), 5);
        EXPECT_EQ(run.get("level_index"), 0);
        EXPECT_EQ(run.get("alien_pinned"), 1);
        EXPECT_EQ(run.get("alien_y"), -20);
        EXPECT_EQ(run.get("alien_frame"), 1);
    }
    {
        GameRun run;  // beaten without a cannon: only rams count in level 0
        int victory = milestone(script, "victory-0");
        run_game(script, victory + 1, &run, victory);
        EXPECT_EQ(run.get("alien_defeated"), 1);
        EXPECT_EQ(run.get("alien_health"), 0);
        EXPECT_EQ(run.get("level_index"), 0);
        EXPECT_NE(run.dump.find("\"shells\":[[0,0,0],[0,0,0],[0,0,0],[0,0,0],[0,0,0]]"), std::string::npos);
        // The congratulation text across the road.
        EXPECT_GT(red_pixels(run.dir / "shot.png", 220, 250, 600, 270), 200);
    }
    {
        GameRun run;
        run_game(script, script.passes, &run);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.get("game_mode"), MODE_STORY_ID);
        EXPECT_EQ(run.get("level_index"), 1);
        EXPECT_EQ(run.get("score"), script.score);
        EXPECT_EQ(run.get("help_calls"), 2);
        EXPECT_EQ(run.get("alien_step"), 0);
        EXPECT_EQ(run.get("distance"), 0);
    }
}

TEST(ScriptedGame, WholeGameEndsWithTheInitialsInTheHighScoreFile)
{
    GameScript script = read_script("whole_game.txt");
    ASSERT_GT(script.passes, 0);

    {
        GameRun run;  // the finale page, after the third alien
        int finale = milestone(script, "story-3");
        run_game(script, finale + 1, &run, milestone(script, "volley-2") + 12);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.get("game_mode"), MODE_STORY_ID);
        EXPECT_EQ(run.get("level_index"), 3);
        EXPECT_EQ(run.get("score"), script.score);
        EXPECT_EQ(run.get("help_calls"), 0);
        EXPECT_GT(fs::file_size(run.dir / "shot.png"), 1000u);  // a volley in flight
    }
    {
        GameRun run;
        run_game(script, script.passes, &run);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.get("game_mode"), MODE_MENU_ID);
        EXPECT_EQ(run.get("level_index"), 0);
        EXPECT_EQ(run.get("score"), 0);
        EXPECT_EQ(run.get("lives"), 3);  // a won game gives the next one a spare more
        EXPECT_EQ(run.get("help_calls"), 3);

        std::vector<std::string> scores = run.array("hiscore_scores");
        std::vector<std::string> initials = run.array("hiscore_initials");
        ASSERT_EQ(scores.size(), 10u);
        ASSERT_EQ(initials.size(), 10u);
        EXPECT_EQ(scores[0], std::to_string(script.score));
        EXPECT_EQ(initials[0], "ZYX");

        // The file: the count, the scores best first, a to f, then the
        // initials one letter a line.
        std::istringstream file(read_file(run.dir / "data" / "hiscore.txt"));
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(file, line)) {
            lines.push_back(line);
        }
        ASSERT_EQ(lines.size(), 47u);
        EXPECT_EQ(lines[0], "10");
        EXPECT_EQ(lines[1], std::to_string(script.score));
        EXPECT_EQ(lines[17], "Z");
        EXPECT_EQ(lines[18], "Y");
        EXPECT_EQ(lines[19], "X");
    }
}

TEST(ScriptedGame, LosingEveryTruckLeadsThroughGameOverToTheMenu)
{
    GameScript script = read_script("game_over.txt");
    ASSERT_GT(script.passes, 0);

    {
        GameRun run;
        int over = milestone(script, "game-over");
        run_game(script, over + 1, &run, over);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.get("game_mode"), MODE_PLAY_ID);
        EXPECT_EQ(run.get("play_state"), 3);
        EXPECT_EQ(run.get("lives"), -1);
        EXPECT_EQ(run.get("truck_wrecked"), 1);
        EXPECT_EQ(run.get("score"), script.score);
        EXPECT_GT(red_pixels(run.dir / "shot.png", 340, 220, 440, 240), 50);  // "GAME OVER"
    }
    {
        GameRun run;
        run_game(script, script.passes, &run);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.get("game_mode"), MODE_MENU_ID);
        EXPECT_EQ(run.get("play_state"), 0);
        EXPECT_EQ(run.get("level_index"), 0);
        EXPECT_EQ(run.get("lives"), 2);
        EXPECT_EQ(run.get("help_calls"), 3);
        EXPECT_EQ(run.get("score"), 0);
        EXPECT_EQ(run.get("truck_wrecked"), 0);
    }
}

}  // namespace
