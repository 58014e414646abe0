// The initials entry: its keys run in this process with the headless
// keyboard (the entry takes the next scripted event at each of its waits).
// The way to it through the real game is run by the game and harness tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hiscore/hiscore.h"
#include "play/play.h"
#include "support/run.h"

using test_support::hiscore_text;
using test_support::kInitials;

namespace {

// The keys typed at the entry, all at a pass only the waits reach.
std::string typed(const std::string& keys, int repeat = 1)
{
    std::string events;
    for (int k = 0; k < repeat; ++k) {
        for (char key : keys) {
            const char* name = key == 'u' ? "UP" : key == 'd' ? "DOWN" : "SPACE";
            events += std::string(" +") + name + " -" + name;
        }
    }
    return events;
}

// Loads `table`, types `events` at the entry for a game that scored
// `final_score`; returns the saved file.
std::string enter(const std::string& table, int final_score, const std::string& events)
{
    EXPECT_TRUE(test_support::game_here(events.empty() ? "" : "1000" + events + "\n"));
    test_support::write_text("hiscore.txt", table);
    hiscore_load();
    std::filesystem::remove("hiscore.txt");  // the entry always writes the file
    score = final_score;
    EXPECT_EQ(hiscore_enter(), 1);
    EXPECT_EQ(headless_events_left(), 0) << events;
    return test_support::read_text("hiscore.txt");
}

std::string initials_of(int k) { return std::string(hiscore_initials[k], 3); }

TEST(InitialsEntry, ArrowKeysWrapAndEachPressCountsOnce)
{
    const std::vector<int> low(10, -100);
    const struct {
        std::string events;
        const char* initials;
    } cases[] = {
        {typed("sss"), "AAA"},
        {typed("dsss"), "ZAA"},
        {typed("u", 26) + typed("ss") + typed("ds"), "AAZ"},
        {typed("s") + typed("u", 2) + typed("d", 3) + typed("ss"), "AZA"},
        // Up held while other keys come and go: one step.
        {" +UP +DOWN -DOWN +SPACE -SPACE -UP" + typed("sss"), "BAA"},
    };
    for (const auto& c : cases) {
        // The new best moves the old first entry down to the last place.
        std::string file = enter(hiscore_text(low, kInitials), 5, c.events);
        EXPECT_EQ(hiscore_scores[0], 5) << c.events;
        EXPECT_EQ(initials_of(0), c.initials) << c.events;
        EXPECT_EQ(file, hiscore_text({5, -100, -100, -100, -100, -100, -100, -100, -100, -100},
                                   c.initials + kInitials.substr(3, 24) + "AAA"))
            << c.events;
    }
}

TEST(InitialsEntry, OnlyAScoreAboveTheTenthEntersAndTiesGoBelow)
{
    // Equal to the tenth, or below: no entry (no key is read), and the file
    // is written again as it was.
    const std::string table = hiscore_text({90, 80, 70, 60, 50, 40, 30, 20, 10, 0}, kInitials);
    for (int final_score : {0, -5}) {
        EXPECT_EQ(enter(table, final_score, ""), table);
    }

    // One above the tenth replaces it.
    enter(table, 1, typed("dsss"));
    EXPECT_EQ(hiscore_scores[9], 1);
    EXPECT_EQ(initials_of(8), "III");
    EXPECT_EQ(initials_of(9), "ZAA");

    // Equal to the best: second, below the old best.
    enter(table, 90, typed("dsss"));
    EXPECT_EQ(hiscore_scores[1], 90);
    EXPECT_EQ(initials_of(0), "AAA");
    EXPECT_EQ(initials_of(1), "ZAA");
    EXPECT_EQ(initials_of(2), "BBB");
}

}  // namespace
