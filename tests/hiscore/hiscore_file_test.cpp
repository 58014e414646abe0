// The high-score file: reading, creating, sorting and saving, each in a
// fresh temporary directory that the test makes its working directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "hiscore/hiscore.h"
#include "play/play.h"
#include "shell/random.h"

namespace fs = std::filesystem;

namespace {

class HiscoreFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_dir_ = fs::current_path();
        char pattern[] = "/tmp/tailgate_hiscore_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        fs::current_path(dir_);
        clear_table();
    }
    void TearDown() override
    {
        fs::current_path(old_dir_);
        std::error_code ignored;
        fs::permissions(dir_, fs::perms::owner_all, ignored);
        fs::remove_all(dir_, ignored);
    }

    static void clear_table()
    {
        std::memset(hiscore_scores, 0, sizeof hiscore_scores);
        std::memset(hiscore_initials, 0, sizeof hiscore_initials);
        std::memset(hiscore_filler, 0, sizeof hiscore_filler);
    }

    static void write_file(const std::string& text)
    {
        std::ofstream out("hiscore.txt", std::ios::binary | std::ios::trunc);
        out << text;
    }

    static std::string read_file(const char* name = "hiscore.txt")
    {
        std::ifstream in(name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The file as the game writes it, from scores and 30 initials.
    static std::string file_text(const std::vector<int>& scores, const std::string& initials,
                                 int count = 10, const std::string& filler = "abcdef")
    {
        std::string text = std::to_string(count) + "\n";
        for (int s : scores) {
            text += std::to_string(s) + "\n";
        }
        for (char c : filler) {
            text += std::string(1, c) + "\n";
        }
        for (char c : initials) {
            text += std::string(1, c) + "\n";
        }
        return text;
    }

    static std::string initials_of(int k)
    {
        return std::string(hiscore_initials[k], 3);
    }

    static std::string all_initials()
    {
        std::string all;
        for (int k = 0; k < HISCORE_COUNT; ++k) {
            all += initials_of(k);
        }
        return all;
    }

    static std::vector<int> all_scores()
    {
        return std::vector<int>(hiscore_scores, hiscore_scores + HISCORE_COUNT);
    }

    fs::path old_dir_;
    fs::path dir_;
};

const std::string kInitials = "AAABBBCCCDDDEEEFFFGGGHHHIIIJJJ";

// Splits the file into its whitespace-separated values.
std::vector<std::string> values_of(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> values;
    std::string value;
    while (in >> value) {
        values.push_back(value);
    }
    return values;
}

TEST_F(HiscoreFile, MissingFileIsCreatedWithRandomEntriesThenSortedOnSave)
{
    game_srand(12345);
    ASSERT_EQ(hiscore_load(), 1);

    // The draws, in order: ten scores modulo 2000, then 36 letters.
    game_srand(12345);
    std::vector<int> expected_scores;
    for (int k = 0; k < 10; ++k) {
        expected_scores.push_back(game_rand() % 2000);
    }
    std::string letters;
    for (int k = 0; k < 36; ++k) {
        letters += static_cast<char>('A' + game_rand() % 26);
    }
    uint32_t state_after = rand_state;
    game_srand(12345);
    hiscore_load();  // reads back the file it created: no draws this time
    EXPECT_EQ(all_scores(), expected_scores);
    EXPECT_EQ(std::string(hiscore_filler, 6), letters.substr(0, 6));
    EXPECT_EQ(all_initials(), letters.substr(6));
    EXPECT_EQ(read_file(), file_text(expected_scores, letters.substr(6), 10, letters.substr(0, 6)));
    EXPECT_EQ(rand_state, 12345u);

    // What start-up leaves: 10, ten descending scores 0..1999, a..f, capitals.
    game_srand(12345);
    clear_table();
    fs::remove("hiscore.txt");
    hiscore_load();
    EXPECT_EQ(rand_state, state_after);
    hiscore_sort();
    ASSERT_EQ(hiscore_save(), 1);
    std::vector<std::string> values = values_of(read_file());
    ASSERT_EQ(values.size(), 47u);
    EXPECT_EQ(values[0], "10");
    for (int k = 1; k <= 10; ++k) {
        int s = std::stoi(values[k]);
        EXPECT_GE(s, 0);
        EXPECT_LE(s, 1999);
        if (k > 1) {
            EXPECT_LE(s, std::stoi(values[k - 1]));
        }
    }
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(values[11 + k], std::string(1, static_cast<char>('a' + k)));
    }
    for (int k = 17; k < 47; ++k) {
        ASSERT_EQ(values[k].size(), 1u);
        EXPECT_TRUE(values[k][0] >= 'A' && values[k][0] <= 'Z');
    }
    EXPECT_FALSE(fs::exists("hiscore.txt.tmp"));
}

TEST_F(HiscoreFile, ReadsAnyCountAnyWhitespaceAndSortsSigned)
{
    // Another count than 10, scores out of order and negative, Windows line
    // ends and blanks between values.
    std::string text = "7\r\n5\r\n-20   300\n\n-1\t0\n2000\n-2147483648\n2147483647\n44\n44\n";
    text += "a\nb\nc\nd\ne\nf\n";
    for (char c : kInitials) {
        text += std::string(1, c) + "\r\n";
    }
    write_file(text);
    ASSERT_EQ(hiscore_load(), 1);
    EXPECT_EQ(all_scores(), (std::vector<int>{5, -20, 300, -1, 0, 2000, -2147483648, 2147483647, 44, 44}));
    EXPECT_EQ(all_initials(), kInitials);

    hiscore_sort();
    ASSERT_EQ(hiscore_save(), 1);
    EXPECT_EQ(all_scores(), (std::vector<int>{2147483647, 2000, 300, 44, 44, 5, 0, -1, -20, -2147483648}));
    std::vector<std::string> values = values_of(read_file());
    EXPECT_EQ(values[0], "10");
    EXPECT_EQ(values[1], "2147483647");
    EXPECT_EQ(values[10], "-2147483648");
    EXPECT_EQ(std::string(hiscore_filler, 6), "abcdef");

    // What was written reads back the same.
    clear_table();
    hiscore_load();
    EXPECT_EQ(all_scores(), (std::vector<int>{2147483647, 2000, 300, 44, 44, 5, 0, -1, -20, -2147483648}));
}

TEST_F(HiscoreFile, UnreadableValuesKeepWhatTheTableHeld)
{
    for (int k = 0; k < 10; ++k) {
        hiscore_scores[k] = 1000 + k;
        std::memcpy(hiscore_initials[k], "XYZ", 3);
    }
    // Too big for 32 bits (either sign), far too big, then a short file.
    write_file("10\n2147483648\n-2147483649\n99999999999999999999999999\n77\n");
    ASSERT_EQ(hiscore_load(), 1);
    EXPECT_EQ(all_scores(), (std::vector<int>{1000, 1001, 1002, 77, 1004, 1005, 1006, 1007, 1008, 1009}));
    EXPECT_EQ(initials_of(0), "XYZ");
    EXPECT_EQ(initials_of(9), "XYZ");

    // A value that is not a number stops the numbers there, as a formatted
    // read would; the letters are then read from that point.
    write_file("10\n5\nzz\n");
    ASSERT_EQ(hiscore_load(), 1);
    EXPECT_EQ(all_scores(), (std::vector<int>{5, 1001, 1002, 77, 1004, 1005, 1006, 1007, 1008, 1009}));
    EXPECT_EQ(std::string(hiscore_filler, 2), "zz");

    // An empty file changes nothing at all.
    write_file("");
    ASSERT_EQ(hiscore_load(), 1);
    EXPECT_EQ(all_scores()[0], 5);
}

TEST_F(HiscoreFile, ReadOnlyFileIsReadAndNeverOverwritten)
{
    std::string text = file_text({9, 8, 7, 6, 5, 4, 3, 2, 1, 10}, kInitials);
    write_file(text);
    ASSERT_EQ(chmod("hiscore.txt", 0444), 0);
    game_srand(99);
    ASSERT_EQ(hiscore_load(), 1);
    EXPECT_EQ(rand_state, 99u);  // read, not created anew
    EXPECT_EQ(all_scores(), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 10}));

    hiscore_sort();
    EXPECT_EQ(hiscore_save(), 0);
    EXPECT_EQ(read_file(), text);
    EXPECT_EQ(hiscore_scores[0], 10);  // the table in memory stays sorted
    EXPECT_FALSE(fs::exists("hiscore.txt.tmp"));
    struct stat info;
    ASSERT_EQ(stat("hiscore.txt", &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0444u);
}

TEST_F(HiscoreFile, FailedSaveLeavesFileAndTable)
{
    std::string text = file_text({10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, kInitials);
    write_file(text);
    ASSERT_EQ(chmod("hiscore.txt", 0640), 0);
    hiscore_load();
    hiscore_scores[9] = 500;
    hiscore_sort();

    // The temporary file cannot be made: nothing changes on the disk.
    fs::create_directory("hiscore.txt.tmp");
    EXPECT_EQ(hiscore_save(), 0);
    EXPECT_EQ(read_file(), text);
    EXPECT_EQ(hiscore_scores[0], 500);
    fs::remove("hiscore.txt.tmp");

    // Now it works, and the file keeps its permissions.
    EXPECT_EQ(hiscore_save(), 1);
    EXPECT_EQ(values_of(read_file())[1], "500");
    struct stat info;
    ASSERT_EQ(stat("hiscore.txt", &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_FALSE(fs::exists("hiscore.txt.tmp"));
}

TEST_F(HiscoreFile, NoFileAndNoWayToMakeOneLeavesTheTableZero)
{
    // A directory in the file's place: it is neither read nor replaced.
    fs::create_directory("hiscore.txt");
    game_srand(7);
    hiscore_load();
    EXPECT_EQ(all_scores(), std::vector<int>(10, 0));
    hiscore_sort();
    EXPECT_EQ(hiscore_save(), 0);
    EXPECT_TRUE(fs::is_directory("hiscore.txt"));
    EXPECT_FALSE(fs::exists("hiscore.txt.tmp"));
}

TEST_F(HiscoreFile, MissingFileInAReadOnlyDirectoryIsNotCreatedAndDrawsNothing)
{
    if (geteuid() == 0) {
        GTEST_SKIP() << "a privileged user writes anywhere";
    }
    ASSERT_EQ(chmod(".", 0555), 0);
    game_srand(7);
    EXPECT_EQ(hiscore_load(), 0);
    EXPECT_EQ(rand_state, 7u);
    EXPECT_EQ(all_scores(), std::vector<int>(10, 0));
    EXPECT_EQ(hiscore_save(), 0);
}

// The exchange sort is not stable: below a new last entry, each run of equal
// scores that moves down comes out rotated by one.
TEST(HiscoreSort, NewLastEntryRotatesTiedRunsBelowIt)
{
    const int scores[10] = {100, 90, 90, 90, 80, 70, 70, 60, 50, 95};
    const char* initials = "AAABBBCCCDDDEEEFFFGGGHHHIIINEW";
    for (int k = 0; k < 10; ++k) {
        hiscore_scores[k] = scores[k];
        std::memcpy(hiscore_initials[k], initials + 3 * k, 3);
    }
    EXPECT_EQ(hiscore_sort(), 1);
    const int expected_scores[10] = {100, 95, 90, 90, 90, 80, 70, 70, 60, 50};
    const char* expected_initials = "AAANEWCCCDDDBBBEEEGGGFFFHHHIII";
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(hiscore_scores[k], expected_scores[k]) << k;
        EXPECT_EQ(std::string(hiscore_initials[k], 3), std::string(expected_initials + 3 * k, 3)) << k;
    }
}

TEST(HiscoreSort, NewScoreEqualToTheBestLandsSecond)
{
    for (int k = 0; k < 10; ++k) {
        hiscore_scores[k] = 100 - k;
        std::memcpy(hiscore_initials[k], "OLD", 3);
    }
    hiscore_scores[9] = 100;
    std::memcpy(hiscore_initials[9], "NEW", 3);
    hiscore_sort();
    EXPECT_EQ(std::string(hiscore_initials[0], 3), "OLD");
    EXPECT_EQ(std::string(hiscore_initials[1], 3), "NEW");
    EXPECT_EQ(hiscore_scores[1], 100);
    EXPECT_EQ(hiscore_scores[2], 99);
}

TEST_F(HiscoreFile, ScoreNotAboveTheTenthGivesNoEntryAndRewritesTheFileUnchanged)
{
    std::string text = file_text({100, 90, 80, 70, 60, 50, 40, 30, 20, 10}, kInitials);
    write_file(text);
    hiscore_load();
    for (int final_score : {10, 9, -5}) {
        score = final_score;
        fs::remove("hiscore.txt");
        EXPECT_EQ(hiscore_enter(), 1);  // returns at once: no keys are read
        EXPECT_EQ(read_file(), text);
        EXPECT_EQ(hiscore_scores[9], 10);
    }
    score = 0;
}

}  // namespace
