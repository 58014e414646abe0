// The high-score file: reading, creating, sorting and saving, each in a
// fresh temporary directory that the test makes its working directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>
#include <sys/stat.h>

#include "frontend/game_run.h"
#include "hiscore/hiscore.h"
#include "shell/random.h"

namespace fs = std::filesystem;
using game_run::read_text;
using game_run::hiscore_text;
using game_run::kInitials;
using game_run::write_text;

namespace {

std::vector<int> all_scores() { return std::vector<int>(hiscore_scores, hiscore_scores + HISCORE_COUNT); }
std::string all_initials() { return std::string(&hiscore_initials[0][0], 3 * HISCORE_COUNT); }
unsigned mode_of(const char* name) { return unsigned(fs::status(name).permissions()) & 0777; }

class HiscoreFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_dir_ = fs::current_path();
        char pattern[] = "/tmp/tailgate_hiscore_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        fs::current_path(dir_);
        std::memset(hiscore_scores, 0, sizeof hiscore_scores);
        std::memset(hiscore_initials, 0, sizeof hiscore_initials);
    }
    void TearDown() override
    {
        EXPECT_FALSE(fs::exists("hiscore.txt.tmp"));
        fs::current_path(old_dir_);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path old_dir_;
    fs::path dir_;
};

TEST_F(HiscoreFile, MissingFileIsCreatedWithTenScoresThen36LettersDrawnInOrder)
{
    game_srand(12345);
    std::vector<int> scores;
    for (int k = 0; k < 10; ++k) {
        scores.push_back(game_rand() % 2000);
    }
    std::string letters;
    for (int k = 0; k < 36; ++k) {
        letters += static_cast<char>('A' + game_rand() % 26);
    }
    const uint32_t state_after = rand_state;

    game_srand(12345);
    ASSERT_EQ(hiscore_load(), 1);
    EXPECT_EQ(rand_state, state_after);
    EXPECT_EQ(all_scores(), scores);
    EXPECT_EQ(std::string(hiscore_filler, 6) + all_initials(), letters);
    EXPECT_EQ(read_text("hiscore.txt"), hiscore_text(scores, letters.substr(6), letters.substr(0, 6)));
    ASSERT_EQ(hiscore_load(), 1);  // now read back: no draws
    EXPECT_EQ(rand_state, state_after);

    // What start-up leaves: the table sorted, the filler a to f.
    hiscore_sort();
    ASSERT_EQ(hiscore_save(), 1);
    std::sort(scores.rbegin(), scores.rend());
    EXPECT_EQ(all_scores(), scores);
    EXPECT_EQ(read_text("hiscore.txt"), hiscore_text(scores, all_initials()));
}

TEST_F(HiscoreFile, UnreadableValuesKeepWhatTheTableHeld)
{
    for (int k = 0; k < 10; ++k) {
        hiscore_scores[k] = 1000 + k;
        std::memcpy(hiscore_initials[k], "XYZ", 3);
    }
    // Too big for 32 bits (either sign), far too big, then a short file.
    write_text("hiscore.txt", "10\n2147483648\n-2147483649\n99999999999999999999999999\n77\n");
    ASSERT_EQ(hiscore_load(), 1);
    EXPECT_EQ(all_scores(), (std::vector<int>{1000, 1001, 1002, 77, 1004, 1005, 1006, 1007, 1008, 1009}));
    EXPECT_EQ(all_initials(), "XYZXYZXYZXYZXYZXYZXYZXYZXYZXYZ");

    // Not a number: the numbers stop there, as a formatted read stops, and
    // the letters are read from that point.
    write_text("hiscore.txt", "10\n5\nzz\n");
    ASSERT_EQ(hiscore_load(), 1);
    EXPECT_EQ(all_scores()[0], 5);
    EXPECT_EQ(all_scores()[1], 1001);
    EXPECT_EQ(std::string(hiscore_filler, 2), "zz");

    write_text("hiscore.txt", "");
    ASSERT_EQ(hiscore_load(), 1);
    EXPECT_EQ(all_scores()[0], 5);
}

TEST_F(HiscoreFile, ReadOnlyFileIsReadAndNeverOverwritten)
{
    const std::string text = hiscore_text({9, 8, 7, 6, 5, 4, 3, 2, 1, 10});
    write_text("hiscore.txt", text);
    ASSERT_EQ(chmod("hiscore.txt", 0444), 0);
    game_srand(99);
    ASSERT_EQ(hiscore_load(), 1);
    EXPECT_EQ(rand_state, 99u);  // read, not made anew
    EXPECT_EQ(all_scores(), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 10}));
    hiscore_sort();
    EXPECT_EQ(hiscore_save(), 0);
    EXPECT_EQ(read_text("hiscore.txt"), text);
    EXPECT_EQ(mode_of("hiscore.txt"), 0444u);
    EXPECT_EQ(hiscore_scores[0], 10);  // the table in memory stays sorted
}

TEST_F(HiscoreFile, FailedSaveLeavesFileAndTableAndALaterSaveKeepsThePermissions)
{
    const std::string text = hiscore_text({10, 9, 8, 7, 6, 5, 4, 3, 2, 1});
    write_text("hiscore.txt", text);
    ASSERT_EQ(chmod("hiscore.txt", 0640), 0);
    hiscore_load();
    hiscore_scores[9] = 500;
    hiscore_sort();

    fs::create_directory("hiscore.txt.tmp");  // the new file cannot be made
    EXPECT_EQ(hiscore_save(), 0);
    EXPECT_EQ(read_text("hiscore.txt"), text);
    EXPECT_EQ(hiscore_scores[0], 500);
    fs::remove("hiscore.txt.tmp");

    EXPECT_EQ(hiscore_save(), 1);
    EXPECT_EQ(read_text("hiscore.txt"), hiscore_text({500, 10, 9, 8, 7, 6, 5, 4, 3, 2}, all_initials()));
    EXPECT_EQ(mode_of("hiscore.txt"), 0640u);
}

// A directory in the file's place is neither read nor replaced.
TEST_F(HiscoreFile, NoFileAndNoWayToMakeOneLeavesTheTableZeroAndDrawsNothing)
{
    fs::create_directory("hiscore.txt");
    game_srand(7);
    hiscore_load();
    EXPECT_EQ(all_scores(), std::vector<int>(10, 0));
    EXPECT_EQ(hiscore_save(), 0);
    EXPECT_TRUE(fs::is_directory("hiscore.txt"));

    EXPECT_EQ(rand_state, 7u);
}

// The exchange sort is not stable: below a new last entry, each run of
// equal scores that moves down comes out rotated by one.
TEST(HiscoreSort, NewLastEntryRotatesTiedRunsBelowIt)
{
    const int scores[10] = {100, 90, 90, 90, 80, 70, 70, 60, 50, 95};
    const char* initials = "AAABBBCCCDDDEEEFFFGGGHHHIIINEW";
    for (int k = 0; k < 10; ++k) {
        hiscore_scores[k] = scores[k];
        std::memcpy(hiscore_initials[k], initials + 3 * k, 3);
    }
    EXPECT_EQ(hiscore_sort(), 1);
    EXPECT_EQ(all_scores(), (std::vector<int>{100, 95, 90, 90, 90, 80, 70, 70, 60, 50}));
    EXPECT_EQ(all_initials(), "AAANEWCCCDDDBBBEEEGGGFFFHHHIII");
    EXPECT_EQ(std::string(hiscore_filler, 6), "abcdef");
}

// At start-up the file is read (any count, any whitespace, Windows line
// ends, the 32-bit extremes), sorted as signed numbers and written back.
TEST(HiscoreStartUp, UnsortedFileIsSortedAndWrittenBack)
{
    game_run::GameRun run;
    std::string text = "7\r\n-5\r\n7 -2147483648\n\n0\t12\n2147483647\n-1\n3\n8\n12\nq\nq\nq\nq\nq\nq\n";
    for (char c : kInitials) {
        text += std::string(1, c) + "\r\n";
    }
    write_text(run.data / "hiscore.txt", text);
    ASSERT_EQ(run.play("", 1), 0);
    EXPECT_EQ(read_text(run.data / "hiscore.txt"), hiscore_text({2147483647, 12, 12, 8, 7, 3, 0, -1, -5, -2147483648},
                                                             "FFFEEEJJJIIIBBBHHHDDDGGGAAACCC"));
}

}  // namespace
