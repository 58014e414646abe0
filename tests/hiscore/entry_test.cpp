// The initials entry, reached the way a player reaches it: a game driven
// into the traffic until the last truck is wrecked. The keys the player
// types at the entry come from the end of the script, since the entry waits
// inside one frame and takes the next scripted event at each step.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/game_run.h"

using game_run::GameRun;
using game_run::integer;
using game_run::integers;
using game_run::strings;

namespace {

// Menu, story page 0, then flat out up the road until the game is over.
const char* const kCrashGame = "0 +SPACE\n1 -SPACE\n3 +S\n4 -S\n6 +SPACE\n7 -SPACE +UP\n";
constexpr int kPasses = 6000;  // the last wreck comes well before this

// Events typed at the entry (all on one far-away pass: only the entry's
// waits ever reach them).
std::string typed(const std::vector<std::string>& events)
{
    std::string script = kCrashGame;
    for (const std::string& event : events) {
        script += "100000 " + event + "\n";
    }
    return script;
}

std::vector<std::string> presses(const std::string& key, int times)
{
    std::vector<std::string> events;
    for (int i = 0; i < times; ++i) {
        events.push_back("+" + key);
        events.push_back("-" + key);
    }
    return events;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string table_file(const std::vector<long long>& scores, const std::string& initials)
{
    std::string text = "10\n";
    for (long long s : scores) {
        text += std::to_string(s) + "\n";
    }
    for (char c : std::string("abcdef") + initials) {
        text += std::string(1, c) + "\n";
    }
    return text;
}

const std::string kOldInitials(30, 'Q');
const std::vector<long long> kLowScores(10, -1000000);

struct Entry {
    int status;
    long long score;
    std::vector<long long> scores;
    std::vector<std::string> initials;
    std::string file;
};

Entry play_to_entry(const std::string& table, const std::string& script)
{
    GameRun run;
    game_run::write_text(run.data / "hiscore.txt", table);
    Entry entry;
    entry.status = run.play(script, kPasses);
    entry.score = integer(run.dump, "score");
    entry.scores = integers(run.dump, "hiscore_scores");
    entry.initials = strings(run.dump, "hiscore_initials");
    entry.file = game_run::read_text(run.data / "hiscore.txt");
    return entry;
}

TEST(InitialsEntry, ArrowKeysWrapAndEachPressCountsOnce)
{
    struct Case {
        const char* what;
        std::vector<std::string> events;
        const char* initials;
    };
    // The accelerator is still held when the entry opens: the first event
    // lets it go, except in the case that holds it on purpose.
    const Case cases[] = {
        {"three spaces", std::vector<std::string>{"-UP"} + presses("SPACE", 3), "AAA"},
        {"down once", std::vector<std::string>{"-UP"} + presses("DOWN", 1) + presses("SPACE", 3), "ZAA"},
        {"up 26 times, then up on the third letter",
         std::vector<std::string>{"-UP"} + presses("UP", 26) + presses("SPACE", 2) + presses("UP", 1) +
             presses("SPACE", 1),
         "AAB"},
        {"up held through other keys", std::vector<std::string>{"-LEFT", "+RIGHT", "-RIGHT", "-UP"} + presses("SPACE", 3),
         "BAA"},
    };
    for (const Case& c : cases) {
        Entry entry = play_to_entry(table_file(kLowScores, kOldInitials), typed(c.events));
        ASSERT_EQ(entry.status, 0) << c.what;
        ASSERT_EQ(entry.scores.size(), 10u) << c.what;
        ASSERT_EQ(entry.initials.size(), 10u) << c.what;
        EXPECT_EQ(entry.scores[0], entry.score) << c.what;
        EXPECT_EQ(entry.initials[0], c.initials) << c.what;
        EXPECT_EQ(entry.scores[9], -1000000) << c.what;
        std::vector<long long> saved = kLowScores;
        saved.back() = entry.score;
        std::string letters = std::string(c.initials) + kOldInitials.substr(3);
        EXPECT_EQ(entry.file, table_file({entry.score, -1000000, -1000000, -1000000, -1000000, -1000000,
                                          -1000000, -1000000, -1000000, -1000000},
                                         letters))
            << c.what;
    }
}

TEST(InitialsEntry, OnlyAScoreAboveTheTenthEntersAndTiesGoBelow)
{
    // The final score of this game, learned from a first run.
    Entry first = play_to_entry(table_file(kLowScores, kOldInitials),
                                typed(std::vector<std::string>{"-UP"} + presses("SPACE", 3)));
    ASSERT_EQ(first.status, 0);
    const long long s = first.score;

    // Equal to the tenth: no entry (a script with no keys left for it would
    // end the run with status 3), and the file is rewritten as it was.
    std::string table = table_file({s + 9, s + 8, s + 7, s + 6, s + 5, s + 4, s + 3, s + 2, s + 1, s},
                                   "AAABBBCCCDDDEEEFFFGGGHHHIIIJJJ");
    Entry tie = play_to_entry(table, kCrashGame);
    EXPECT_EQ(tie.status, 0);
    EXPECT_EQ(tie.file, table);

    // One above the tenth: it replaces the tenth.
    table = table_file({s + 8, s + 7, s + 6, s + 5, s + 4, s + 3, s + 2, s + 1, s, s - 1},
                       "AAABBBCCCDDDEEEFFFGGGHHHIIIJJJ");
    Entry above = play_to_entry(table, typed(std::vector<std::string>{"-UP"} + presses("DOWN", 1) +
                                             presses("SPACE", 3)));
    EXPECT_EQ(above.status, 0);
    EXPECT_EQ(above.scores, (std::vector<long long>{s + 8, s + 7, s + 6, s + 5, s + 4, s + 3, s + 2, s + 1, s, s}));
    EXPECT_EQ(above.initials.at(8), "III");
    EXPECT_EQ(above.initials.at(9), "ZAA");

    // Equal to the best: second place, below the old best.
    table = table_file({s, s - 1, s - 2, s - 3, s - 4, s - 5, s - 6, s - 7, s - 8, s - 9},
                       "AAABBBCCCDDDEEEFFFGGGHHHIIIJJJ");
    Entry best = play_to_entry(table, typed(std::vector<std::string>{"-UP"} + presses("DOWN", 1) +
                                            presses("SPACE", 3)));
    EXPECT_EQ(best.status, 0);
    EXPECT_EQ(best.scores.at(0), s);
    EXPECT_EQ(best.scores.at(1), s);
    EXPECT_EQ(best.initials.at(0), "AAA");  // the old best keeps first place
    EXPECT_EQ(best.initials.at(1), "ZAA");
    EXPECT_EQ(best.initials.at(2), "BBB");
}

// A game that ends its script while the entry still waits ends with status
// 3, its outputs written as they stand.
TEST(InitialsEntry, ScriptRunningOutDuringTheEntryEndsTheRun)
{
    Entry entry = play_to_entry(table_file(kLowScores, kOldInitials), typed({"-UP", "+SPACE", "-SPACE"}));
    EXPECT_EQ(entry.status, 3);
    EXPECT_EQ(entry.scores, kLowScores);  // nothing entered yet
}

}  // namespace
