// Recordings replayed by the real program: the game recordings of
// tests/data/games carry state checks, which a replay compares as it goes,
// so a replay that strays says after which pass and in which values.
#include <gtest/gtest.h>

#include <string>

#include "support/run.h"

namespace {

using test_support::GameRun;

std::string recording(const std::string& name)
{
    return test_support::read_text(std::string(TAILGATE_SOURCE_DIR) + "/tests/data/games/" + name + ".txt");
}

TEST(Replay, EveryGameRecordingReplaysWithoutStraying)
{
    for (const char* name : {"first_level", "game_over", "whole_game"}) {
        GameRun run;
        const std::string text = recording(name);
        EXPECT_NE(text.find("# state-keys pass tick rand_state"), std::string::npos) << name;
        EXPECT_NE(text.find("\n# state 99 "), std::string::npos) << name;
        test_support::write_text(run.dir / "game.txt", text);
        EXPECT_EQ(run.run("--headless --data data --replay game.txt"), 0) << name << ": " << run.text("err.txt");
        EXPECT_EQ(run.text("err.txt"), "") << name;
    }
}

// One key press moved by five passes: the replay goes on to its end, says
// once after which pass it first differed and in what, and ends with
// status 4. --write-checks writes the checks of the game as it now plays,
// after which it replays cleanly again.
TEST(Replay, AStrayReplayNamesThePassAndTheValues)
{
    GameRun run;
    std::string text = recording("game_over");
    const size_t at = text.find("\n400 -UP +DOWN\n");
    ASSERT_NE(at, std::string::npos) << "the recording changed: pick another key press";
    text.replace(at + 1, 3, "405");
    test_support::write_text(run.dir / "game.txt", text);
    EXPECT_EQ(run.run("--headless --data data --replay game.txt --dump end.json"), 4);
    EXPECT_EQ(run.text("err.txt"),
              "tailgate: the replay differs from its recording after pass 499 in: rand_state, score, distance, "
              "truck_x, damage, truck_speed, traffic, dash_y\n");
    EXPECT_NE(run.text("end.json"), "") << "the outputs are written as usual";

    EXPECT_EQ(run.run("--headless --data data --replay game.txt --write-checks"), 0) << run.text("err.txt");
    const std::string rewritten = run.text("game.txt");
    EXPECT_EQ(rewritten.find("# state 499 "), rewritten.rfind("# state 499 ")) << "the old checks are gone";
    EXPECT_EQ(run.run("--headless --data data --replay game.txt"), 0) << run.text("err.txt");
    EXPECT_EQ(run.run("--headless --data data --input game.txt --write-checks"), 2) << "--write-checks needs a replay";
}

}  // namespace
