// The high-score file: reading, creating, sorting and saving, each in a
// fresh temporary directory that the test makes its working directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "frontend/game_run.h"
#include "hiscore/hiscore.h"
#include "core/random.h"

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
        for (const auto& entry : fs::directory_iterator(".")) {
            EXPECT_EQ(entry.path().filename().string().rfind("hiscore.txt.", 0), std::string::npos);
        }
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

// A table that does not read completely plays with what could be read and
// stays on disk as it is: start-up's sort and save must not write the loss.
TEST_F(HiscoreFile, DamagedTableIsReadAsFarAsItGoesAndKeptOnDisk)
{
    const std::vector<int> good = {9000, 8000, 7000, 6000, 5000, 4000, 3000, 2000, 1000, 500};
    struct Case {
        std::string text;
        std::vector<int> scores;
    };
    auto with_score = [&](int k, const std::string& bad) {
        std::string text = "10\n";
        for (int i = 0; i < 10; ++i) {
            text += (i == k ? bad : std::to_string(good[i])) + "\n";
        }
        return text + "a\nb\nc\nd\ne\nf\n" + [] {
            std::string letters;
            for (char c : kInitials) {
                letters += std::string(1, c) + "\n";
            }
            return letters;
        }();
    };
    auto zero_at = [&](int k) {
        std::vector<int> scores = good;
        scores[k] = 0;
        return scores;
    };
    std::vector<int> clamped = good;
    clamped[1] = 2147483647;
    std::vector<int> clamped_low = good;
    clamped_low[4] = -2147483647 - 1;
    const std::string full = hiscore_text(good);
    const Case cases[] = {
        {"10\n" + full.substr(3, 20) , {9000, 8000, 7000, 6000, 0, 0, 0, 0, 0, 0}},  // cut short
        {"1O\n" + full.substr(3), good},
        {"ten\n" + full.substr(3), good},
        {with_score(2, "7000abc"), zero_at(2)},
        {with_score(2, "7000.5"), zero_at(2)},
        {with_score(2, "0x1B58"), zero_at(2)},
        {with_score(1, "2147483648"), clamped},
        {with_score(4, "-99999999999999999999"), clamped_low},
        {full + "junk\n", good},
    };
    for (const Case& c : cases) {
        std::memset(hiscore_scores, 0, sizeof hiscore_scores);
        write_text("hiscore.txt", c.text);
        ASSERT_EQ(hiscore_load(), 1) << c.text;
        EXPECT_EQ(all_scores(), c.scores) << c.text;
        hiscore_sort();
        EXPECT_EQ(hiscore_save(), 0) << c.text;
        EXPECT_EQ(read_text("hiscore.txt"), c.text);
    }

    // A score that does beat the table is saved, with what could be read.
    write_text("hiscore.txt", with_score(2, "7000abc"));
    std::memset(hiscore_scores, 0, sizeof hiscore_scores);
    hiscore_load();
    hiscore_scores[9] = 10000;
    std::memcpy(hiscore_initials[9], "NEW", 3);
    hiscore_sort();
    EXPECT_EQ(hiscore_save(), 1);
    EXPECT_EQ(read_text("hiscore.txt"), hiscore_text({10000, 9000, 8000, 6000, 5000, 4000, 3000, 2000, 1000, 500},
                                                     "NEWAAABBBDDDEEEFFFGGGHHHIIIJJJ"));
}

// What an editor leaves behind is read as meant and written back clean: a
// byte-order mark, Windows line ends, blanks around values, stray blank
// lines, small letters, three initials on one line.
TEST_F(HiscoreFile, EditorLeftoversAreReadAsMeant)
{
    std::string text = "\xEF\xBB\xBF" "10\r\n 9000 \r\n8000\r\n\r\n7000\t\r\n6000\n5000\n4000\n3000\n2000\n1000\n500\n";
    text += "a\nb\nc\nd\ne\nf\n  \nabc\n";
    for (char c : kInitials.substr(3)) {
        text += std::string(1, c) + "\r\n";
    }
    write_text("hiscore.txt", text);
    ASSERT_EQ(hiscore_load(), 1);
    hiscore_sort();
    EXPECT_EQ(hiscore_save(), 1);
    EXPECT_EQ(read_text("hiscore.txt"), hiscore_text({9000, 8000, 7000, 6000, 5000, 4000, 3000, 2000, 1000, 500},
                                                     "ABC" + kInitials.substr(3)));
}

// A blank or a multi-byte character as an initial keeps its place; only
// letters A-Z reach the table and the file, never a zero byte.
TEST_F(HiscoreFile, OddInitialsKeepTheirPlaceAndOnlyLettersAreWritten)
{
    for (const std::string& odd : {std::string(" "), std::string("\xC3\x89"), std::string("7")}) {
        std::string initials = kInitials;
        std::string text = hiscore_text({90, 80, 70, 60, 50, 40, 30, 20, 10, 5});
        const size_t at = text.find("\nB\n");  // the first letter of entry 1
        text.replace(at + 1, 1, odd);
        write_text("hiscore.txt", text);
        std::memset(hiscore_initials, 0, sizeof hiscore_initials);
        ASSERT_EQ(hiscore_load(), 1);
        initials[3] = 'A';
        EXPECT_EQ(all_initials(), initials) << odd;
        hiscore_sort();
        EXPECT_EQ(hiscore_save(), 0);  // kept as it is

        hiscore_scores[9] = 100;
        std::memcpy(hiscore_initials[9], "NEW", 3);
        hiscore_sort();
        ASSERT_EQ(hiscore_save(), 1);
        const std::string saved = read_text("hiscore.txt");
        EXPECT_EQ(saved, hiscore_text({100, 90, 80, 70, 60, 50, 40, 30, 20, 10}, "NEW" + initials.substr(0, 27)));
        EXPECT_EQ(saved.find('\0'), std::string::npos);
    }
}

// A save merges what another game saved meanwhile, so neither loses a score.
TEST_F(HiscoreFile, SaveKeepsTheScoresAnotherGameSavedMeanwhile)
{
    write_text("hiscore.txt", hiscore_text({90, 80, 70, 60, 50, 40, 30, 20, 10, 5}));
    hiscore_load();
    hiscore_sort();
    // The other game enters 75 and saves...
    write_text("hiscore.txt", hiscore_text({90, 80, 75, 70, 60, 50, 40, 30, 20, 10}, "AAABBBOTHCCCDDDEEEFFFGGGHHHIII"));
    // ...while this one enters 55.
    hiscore_scores[9] = 55;
    std::memcpy(hiscore_initials[9], "OUR", 3);
    hiscore_sort();
    ASSERT_EQ(hiscore_save(), 1);
    const std::vector<int> merged = {90, 80, 75, 70, 60, 55, 50, 40, 30, 20};
    const std::string letters = "AAABBBOTHCCCDDDOUREEEFFFGGGHHH";
    EXPECT_EQ(all_scores(), merged);
    EXPECT_EQ(all_initials(), letters);
    EXPECT_EQ(read_text("hiscore.txt"), hiscore_text(merged, letters));
}

// Two processes saving at once, many times over: every save goes through
// its own temporary file under the lock, so the file always holds one whole
// table and ends with the best scores of both.
TEST_F(HiscoreFile, TwoProcessesSavingAtOnceNeverMixTables)
{
    write_text("hiscore.txt", hiscore_text(std::vector<int>(10, 0)));
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            hiscore_load();
            for (int i = 0; i < 60; ++i) {
                hiscore_scores[9] = 2 * i + c + 1;
                std::memcpy(hiscore_initials[9], c ? "ODD" : "EVN", 3);
                hiscore_sort();
                if (!hiscore_save()) {
                    _exit(1);
                }
            }
            _exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    hiscore_load();
    EXPECT_EQ(all_scores(), (std::vector<int>{120, 119, 118, 117, 116, 115, 114, 113, 112, 111}));
    EXPECT_EQ(all_initials(), "ODDEVNODDEVNODDEVNODDEVNODDEVN");
    EXPECT_EQ(read_text("hiscore.txt"), hiscore_text(all_scores(), all_initials()));
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
}

// A linked table is written through the link; the link stays.
TEST_F(HiscoreFile, SymlinkedTableIsWrittenThroughToItsTarget)
{
    fs::create_directory("shared");
    write_text("shared/scores.txt", hiscore_text({10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    fs::create_symlink("shared/scores.txt", "hiscore.txt");
    hiscore_load();
    hiscore_scores[9] = 50;
    hiscore_sort();
    ASSERT_EQ(hiscore_save(), 1);
    EXPECT_TRUE(fs::is_symlink("hiscore.txt"));
    EXPECT_EQ(read_text("shared/scores.txt"), hiscore_text({50, 10, 9, 8, 7, 6, 5, 4, 3, 2}, all_initials()));

    // A link to a table not made yet: the table is made at the target.
    fs::remove("hiscore.txt");
    fs::create_symlink("shared/new.txt", "hiscore.txt");
    ASSERT_EQ(hiscore_load(), 1);
    EXPECT_TRUE(fs::is_symlink("hiscore.txt"));
    EXPECT_TRUE(fs::is_regular_file("shared/new.txt"));
}

// A FIFO or a directory in the table's place is refused at once (never
// waited on), neither read nor replaced, and draws no random numbers.
TEST_F(HiscoreFile, NoRegularFileInTheTablesPlaceIsRefusedAndLeftAlone)
{
    for (bool fifo : {true, false}) {
        ASSERT_EQ(fifo ? mkfifo("hiscore.txt", 0644) : mkdir("hiscore.txt", 0755), 0);
        game_srand(7);
        EXPECT_EQ(hiscore_load(), 0) << fifo;
        EXPECT_EQ(all_scores(), std::vector<int>(10, 0)) << fifo;
        EXPECT_EQ(hiscore_save(), 0) << fifo;
        EXPECT_EQ(rand_state, 7u) << fifo;
        EXPECT_TRUE(fifo ? fs::is_fifo("hiscore.txt") : fs::is_directory("hiscore.txt")) << fifo;
        fs::remove("hiscore.txt");
    }
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

    // No new file can be made beside it (a root user passes any mode, so a
    // full directory is stood in for by one that cannot hold a new name).
    ASSERT_EQ(chmod(".", 0555), 0);
    if (access(".", W_OK) != 0) {
        EXPECT_EQ(hiscore_save(), 0);
        EXPECT_EQ(read_text("hiscore.txt"), text);
        EXPECT_EQ(hiscore_scores[0], 500);
    }
    ASSERT_EQ(chmod(".", 0755), 0);

    EXPECT_EQ(hiscore_save(), 1);
    EXPECT_EQ(read_text("hiscore.txt"), hiscore_text({500, 10, 9, 8, 7, 6, 5, 4, 3, 2}, all_initials()));
    EXPECT_EQ(mode_of("hiscore.txt"), 0640u);
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
