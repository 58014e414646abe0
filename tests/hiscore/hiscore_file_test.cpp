// The high-score file: reading, creating, sorting and saving, each in a
// fresh temporary directory that the test makes its working directory; and
// the initials entry, its keys run in this process with the headless
// keyboard (the entry takes the next scripted event at each of its waits).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <vector>

#include "core/random.h"
#include "hiscore/hiscore.h"
#include "play/play.h"
#include "support/fields.h"
#include "support/run.h"

namespace fs = std::filesystem;
using test_support::fields_are;
using test_support::hiscore_text;
using test_support::kInitials;
using test_support::read_text;
using test_support::write_text;

namespace {

std::vector<int> all_scores()
{
    return std::vector<int>(hiscore_scores, hiscore_scores + HISCORE_COUNT);
}
std::string all_initials()
{
    return std::string(&hiscore_initials[0][0], 3 * HISCORE_COUNT);
}
unsigned mode_of(const char* name)
{
    return unsigned(fs::status(name).permissions()) & 0777;
}

std::vector<int> loaded;  // the scores as start_up_with read them

// Reads `text` as hiscore.txt, then does what start-up does next (sort, then
// save); the file's text afterwards.
std::string start_up_with(const std::string& text, int* saved = nullptr)
{
    std::memset(hiscore_scores, 0, sizeof hiscore_scores);
    write_text("hiscore.txt", text);
    EXPECT_EQ(hiscore_load(), 1) << text;
    loaded = all_scores();
    hiscore_sort();
    const int wrote = hiscore_save();
    if (saved) {
        *saved = wrote;
    }
    return read_text("hiscore.txt");
}

// Puts `initials` on the last place with `score` and saves; true when saved.
bool save_new(int score, const char* initials)
{
    hiscore_scores[9] = score;
    std::memcpy(hiscore_initials[9], initials, 3);
    hiscore_sort();
    return hiscore_save() == 1;
}

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
        for (const auto& entry : fs::directory_iterator(".")) {  // no temporary file left behind
            EXPECT_EQ(entry.path().filename().string().rfind("hiscore.txt.", 0), std::string::npos);
        }
        fs::current_path(old_dir_);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path old_dir_;
    fs::path dir_;
};

// A missing table is made from the random numbers: ten scores below 2000,
// then 36 letters (a filler of six, then the initials). Read back, it draws
// nothing; start-up sorts it and writes the filler as a to f.
TEST_F(HiscoreFile, MissingFileIsMadeFromTheRandomNumbersThenReadBack)
{
    game_srand(12345);
    ASSERT_EQ(hiscore_load(), 1);
    const uint32_t state_after = rand_state;
    EXPECT_NE(state_after, 12345u);
    std::vector<int> scores = all_scores();
    const std::string letters = std::string(hiscore_filler, 6) + all_initials();
    EXPECT_TRUE(std::all_of(scores.begin(), scores.end(), [](int s) { return s >= 0 && s < 2000; }));
    EXPECT_TRUE(std::all_of(letters.begin(), letters.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) << letters;
    EXPECT_EQ(read_text("hiscore.txt"), hiscore_text(scores, letters.substr(6), letters.substr(0, 6)));
    ASSERT_EQ(hiscore_load(), 1);
    EXPECT_EQ(rand_state, state_after);
    EXPECT_EQ(all_scores(), scores);

    hiscore_sort();
    ASSERT_EQ(hiscore_save(), 1);
    std::sort(scores.rbegin(), scores.rend());
    EXPECT_EQ(all_scores(), scores);
    EXPECT_EQ(read_text("hiscore.txt"), hiscore_text(scores, all_initials()));
}

// A table that does not read completely plays with what could be read and
// stays on disk as it is: start-up's sort and save must not write the loss.
// A score that does beat the table is saved, with what could be read.
TEST_F(HiscoreFile, DamagedTableIsReadAsFarAsItGoesAndKeptOnDisk)
{
    const std::vector<int> good = {9000, 8000, 7000, 6000, 5000, 4000, 3000, 2000, 1000, 500};
    const std::string full = hiscore_text(good);
    auto with_score = [&](int k, const std::string& bad) {
        std::string text = full;
        const std::string was = "\n" + std::to_string(good[k]) + "\n";
        return text.replace(text.find(was) + 1, was.size() - 2, bad);
    };
    auto changed = [&](int k, int value) {
        std::vector<int> scores = good;
        scores[k] = value;
        return scores;
    };
    const struct {
        std::string text;
        std::vector<int> scores;
    } cases[] = {
        {"10\n" + full.substr(3, 20), {9000, 8000, 7000, 6000, 0, 0, 0, 0, 0, 0}},  // cut short
        {"1O\n" + full.substr(3), good},
        {"ten\n" + full.substr(3), good},
        {with_score(2, "7000abc"), changed(2, 0)},
        {with_score(2, "7000.5"), changed(2, 0)},
        {with_score(2, "0x1B58"), changed(2, 0)},
        {with_score(1, "2147483648"), changed(1, 2147483647)},
        {with_score(4, "-99999999999999999999"), changed(4, -2147483647 - 1)},
        {full + "junk\n", good},
    };
    for (const auto& c : cases) {
        int saved = -1;
        EXPECT_EQ(start_up_with(c.text, &saved), c.text);
        EXPECT_EQ(saved, 0) << c.text;
        EXPECT_EQ(loaded, c.scores) << c.text;
    }
    start_up_with(with_score(2, "7000abc"));
    EXPECT_TRUE(save_new(10000, "NEW"));
    EXPECT_EQ(read_text("hiscore.txt"), hiscore_text({10000, 9000, 8000, 6000, 5000, 4000, 3000, 2000, 1000, 500},
                                                     "NEWAAABBBDDDEEEFFFGGGHHHIIIJJJ"));
}

// What an editor leaves behind is read as meant and written back clean: a
// byte-order mark, Windows line ends, blanks around values, stray blank
// lines, small letters, three initials on one line; any count, the 32-bit
// extremes, sorted as signed numbers. Start-up does the same.
TEST_F(HiscoreFile, EditorLeftoversAreReadAsMeantAndWrittenBackSorted)
{
    std::string edited = "\xEF\xBB\xBF"
                         "10\r\n 9000 \r\n8000\r\n\r\n7000\t\r\n6000\n5000\n4000\n3000\n2000\n1000\n500\n"
                         "a\nb\nc\nd\ne\nf\n  \nabc\n";
    std::string unsorted = "7\r\n-5\r\n7 -2147483648\n\n0\t12\n2147483647\n-1\n3\n8\n12\nq\nq\nq\nq\nq\nq\n";
    for (char c : kInitials.substr(3)) {
        edited += std::string(1, c) + "\r\n";
    }
    for (char c : kInitials) {
        unsorted += std::string(1, c) + "\r\n";
    }
    const std::string sorted =
        hiscore_text({2147483647, 12, 12, 8, 7, 3, 0, -1, -5, -2147483648}, "FFFEEEJJJIIIBBBHHHDDDGGGAAACCC");
    EXPECT_EQ(start_up_with(edited),
              hiscore_text({9000, 8000, 7000, 6000, 5000, 4000, 3000, 2000, 1000, 500}, "ABC" + kInitials.substr(3)));
    EXPECT_EQ(start_up_with(unsorted), sorted);

    test_support::GameRun run;
    write_text(run.data / "hiscore.txt", unsorted);
    ASSERT_EQ(run.play("", 1), 0);
    EXPECT_EQ(read_text(run.data / "hiscore.txt"), sorted);
}

// A blank or a multi-byte character as an initial keeps its place; only
// letters A-Z reach the table and the file, never a zero byte.
TEST_F(HiscoreFile, OddInitialsKeepTheirPlaceAndOnlyLettersAreWritten)
{
    for (const std::string& odd : {std::string(" "), std::string("\xC3\x89"), std::string("7")}) {
        std::string text = hiscore_text({90, 80, 70, 60, 50, 40, 30, 20, 10, 5});
        text.replace(text.find("\nB\n") + 1, 1, odd);  // the first letter of entry 1
        std::memset(hiscore_initials, 0, sizeof hiscore_initials);
        int saved = -1;
        EXPECT_EQ(start_up_with(text, &saved), text);  // kept as it is
        EXPECT_EQ(saved, 0) << odd;
        std::string initials = kInitials;
        initials[3] = 'A';
        EXPECT_EQ(all_initials(), initials) << odd;

        ASSERT_TRUE(save_new(100, "NEW"));
        const std::string written = read_text("hiscore.txt");
        EXPECT_EQ(written, hiscore_text({100, 90, 80, 70, 60, 50, 40, 30, 20, 10}, "NEW" + initials.substr(0, 27)));
        EXPECT_EQ(written.find('\0'), std::string::npos);
    }
}

// A save merges what another game saved meanwhile, so neither loses a score.
TEST_F(HiscoreFile, SaveKeepsTheScoresAnotherGameSavedMeanwhile)
{
    start_up_with(hiscore_text({90, 80, 70, 60, 50, 40, 30, 20, 10, 5}));
    // The other game enters 75 and saves, while this one enters 55.
    write_text("hiscore.txt", hiscore_text({90, 80, 75, 70, 60, 50, 40, 30, 20, 10}, "AAABBBOTHCCCDDDEEEFFFGGGHHHIII"));
    ASSERT_TRUE(save_new(55, "OUR"));
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
                if (!save_new(2 * i + c + 1, c ? "ODD" : "EVN")) {
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

// A linked table is written through the link, which stays; a link to a
// table not made yet makes it at the target.
TEST_F(HiscoreFile, SymlinkedTableIsWrittenThroughToItsTarget)
{
    fs::create_directory("shared");
    write_text("shared/scores.txt", hiscore_text({10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    fs::create_symlink("shared/scores.txt", "hiscore.txt");
    hiscore_load();
    ASSERT_TRUE(save_new(50, "AAA"));
    EXPECT_TRUE(fs::is_symlink("hiscore.txt"));
    EXPECT_EQ(read_text("shared/scores.txt"), hiscore_text({50, 10, 9, 8, 7, 6, 5, 4, 3, 2}, all_initials()));

    fs::remove("hiscore.txt");
    fs::create_symlink("shared/new.txt", "hiscore.txt");
    ASSERT_EQ(hiscore_load(), 1);
    EXPECT_TRUE(fs::is_symlink("hiscore.txt"));
    EXPECT_TRUE(fs::is_regular_file("shared/new.txt"));
}

// What `body` writes to stderr, its result in *result.
template <typename Body> std::string stderr_of(Body body, int* result = nullptr)
{
    fflush(stderr);
    const int saved = dup(2);
    FILE* capture = tmpfile();
    dup2(fileno(capture), 2);
    const int got = body();
    fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::string text;
    rewind(capture);
    for (int c; (c = fgetc(capture)) != EOF;) {
        text.push_back(static_cast<char>(c));
    }
    fclose(capture);
    if (result) {
        *result = got;
    }
    return text;
}

// Runs `body` in a child process as a player without privileges (when the
// tests run as root, as nobody: root may write anywhere), its stderr in
// `err`; the child's exit status (99: it could not drop its rights).
template <typename Body> int as_player(Body body, const char* err)
{
    fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(err, O_WRONLY | O_CREAT | O_TRUNC, 0666);
        dup2(fd, 2);
        if (getuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(99);
        }
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Something in the table's place that exists but is no table we can use is
// named in one line at the load, with the reason; it is never waited on,
// read, replaced or drawn random numbers for, and the game goes on with the
// table it had. Saving nothing new says nothing more; a new score that
// cannot be saved is said, and remembered for the exit status.
TEST_F(HiscoreFile, UnusableTablesAreNamedAtTheLoadAndANewScoreLostIsSaid)
{
    const std::string big = hiscore_text({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) + std::string(1 << 20, ' ');
    const struct {
        const char* what;
        const char* reason;
    } cases[] = {{"fifo", "not a regular file"},
                 {"directory", "not a regular file"},
                 {"device", "not a regular file"},
                 {"loop", "Too many levels of symbolic links"},
                 {"big", "larger than 1 MB"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string what = c.what;
        if (what == "fifo") {
            ASSERT_EQ(mkfifo("hiscore.txt", 0644), 0);
        } else if (what == "directory") {
            ASSERT_EQ(mkdir("hiscore.txt", 0755), 0);
        } else if (what == "device") {
            fs::create_symlink("/dev/null", "hiscore.txt");
        } else if (what == "loop") {
            fs::create_symlink("other.txt", "hiscore.txt");
            fs::create_symlink("hiscore.txt", "other.txt");
        } else {
            write_text("hiscore.txt", big);
        }
        hiscore_forget_lost_save();
        game_srand(7);
        int loaded_ok = -1;
        const std::string said = stderr_of([] { return hiscore_load(); }, &loaded_ok);
        EXPECT_EQ(said, std::string("tailgate: cannot read the high-score table hiscore.txt: ") + c.reason +
                            "; it is left as it is and no score is kept in it\n");
        EXPECT_TRUE(
            fields_are({FIELD(loaded_ok, 0), FIELD(rand_state, 7), FIELD(all_scores() == std::vector<int>(10, 0), 1)}));
        hiscore_sort();
        int saved = -1;
        EXPECT_EQ(stderr_of([] { return hiscore_save(); }, &saved), "");
        EXPECT_EQ(saved, 0);
        EXPECT_FALSE(hiscore_save_lost());

        hiscore_scores[9] = 50;
        const std::string lost = stderr_of([] { return hiscore_save(); }, &saved);
        EXPECT_EQ(saved, 0);
        EXPECT_EQ(lost.rfind("tailgate: cannot save the high-score table hiscore.txt: ", 0), 0u) << lost;
        EXPECT_EQ(std::count(lost.begin(), lost.end(), '\n'), 1) << lost;
        EXPECT_TRUE(hiscore_save_lost());
        if (what == "big") {
            EXPECT_EQ(read_text("hiscore.txt"), big);
        }
        EXPECT_EQ(fs::symlink_status("hiscore.txt").type(), what == "fifo"        ? fs::file_type::fifo
                                                            : what == "directory" ? fs::file_type::directory
                                                            : what == "big"       ? fs::file_type::regular
                                                                                  : fs::file_type::symlink);
        fs::remove("hiscore.txt");
        fs::remove("other.txt");
        std::memset(hiscore_scores, 0, sizeof hiscore_scores);
    }
    hiscore_forget_lost_save();
}

// A table the player may not read or write, and a folder that takes no new
// file (run as a player without privileges): one line with the reason at
// once, nothing written, the table on disk as it was, and the loss kept for
// the exit status. A later save where it can be written keeps the file's
// permissions.
TEST_F(HiscoreFile, SavesThatCannotBeWrittenAreSaidAndTheTableOnDiskStays)
{
    const std::string text = hiscore_text({9, 8, 7, 6, 5, 4, 3, 2, 1, 10});
    const std::string err = (dir_ / "err.txt").string();
    auto said = [&]() { return read_text(err); };
    ASSERT_EQ(chmod(".", 0755), 0);
    write_text("hiscore.txt", text);

    // Read-only: read, never overwritten, no random numbers drawn.
    ASSERT_EQ(chmod("hiscore.txt", 0444), 0);
    EXPECT_EQ(as_player(
                  [] {
                      game_srand(99);
                      if (hiscore_load() != 1 || rand_state != 99 || hiscore_save_lost()) {
                          return 1;
                      }
                      hiscore_sort();
                      return hiscore_save() == 0 && hiscore_save_lost() && hiscore_scores[0] == 10 ? 0 : 2;
                  },
                  err.c_str()),
              0);
    EXPECT_EQ(said(), "tailgate: cannot save the high-score table hiscore.txt: read-only\n");
    EXPECT_EQ(read_text("hiscore.txt"), text);
    EXPECT_EQ(mode_of("hiscore.txt"), 0444u);

    // Unreadable to the player.
    ASSERT_EQ(chmod("hiscore.txt", 0200), 0);
    EXPECT_EQ(as_player(
                  [] {
                      std::memset(hiscore_scores, 0, sizeof hiscore_scores);
                      const int loaded_ok = hiscore_load();
                      return loaded_ok == 0 && all_scores() == std::vector<int>(10, 0) ? 0 : 1 + loaded_ok;
                  },
                  err.c_str()),
              0);
    EXPECT_EQ(said(), "tailgate: cannot read the high-score table hiscore.txt: Permission denied; it is left as it "
                      "is and no score is kept in it\n");

    // A folder that takes no new file: the table reads, a new score is lost
    // and said, and the folder holds nothing new.
    ASSERT_EQ(chmod("hiscore.txt", 0604), 0);
    ASSERT_EQ(chmod(".", 0555), 0);
    EXPECT_EQ(as_player(
                  [] {
                      if (hiscore_load() != 1) {
                          return 1;
                      }
                      return save_new(500, "NEW") || !hiscore_save_lost() || hiscore_scores[0] != 500 ? 2 : 0;
                  },
                  err.c_str()),
              0);
    EXPECT_EQ(said(), "tailgate: cannot save the high-score table hiscore.txt: Permission denied\n");
    EXPECT_EQ(read_text("hiscore.txt"), text);
    // Nor can a missing table be made there: no random numbers are drawn.
    ASSERT_EQ(chmod(".", 0755), 0);
    fs::rename("hiscore.txt", "kept.txt");
    ASSERT_EQ(chmod(".", 0555), 0);
    EXPECT_EQ(as_player(
                  [] {
                      game_srand(5);
                      return hiscore_load() == 0 && rand_state == 5 && hiscore_save_lost() ? 0 : 1;
                  },
                  err.c_str()),
              0);
    EXPECT_EQ(said(), "tailgate: cannot make the high-score table hiscore.txt: Permission denied\n");
    ASSERT_EQ(chmod(".", 0755), 0);
    fs::rename("kept.txt", "hiscore.txt");
    fs::remove(err);

    hiscore_load();
    hiscore_sort();
    hiscore_forget_lost_save();
    ASSERT_TRUE(save_new(500, "NEW"));
    EXPECT_FALSE(hiscore_save_lost());
    EXPECT_EQ(read_text("hiscore.txt"), hiscore_text({500, 10, 9, 8, 7, 6, 5, 4, 3, 2}, all_initials()));
    EXPECT_EQ(mode_of("hiscore.txt"), 0604u);
}

// Many games ending at once with the same score and initials, and others
// with their own: every entry is kept, as many times as it was entered.
TEST_F(HiscoreFile, GamesSavingAtOnceKeepEveryEntryEvenEqualOnes)
{
    write_text("hiscore.txt", hiscore_text(std::vector<int>(10, 0)));
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    constexpr int GAMES = 8;
    std::vector<pid_t> children;
    for (int c = 0; c < GAMES; ++c) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(gate[1]);
            hiscore_load();
            char byte;
            while (read(gate[0], &byte, 1) > 0) {  // all go when the gate closes
            }
            // Six games with the same entry, two with their own.
            _exit(c < 6 ? !save_new(500, "SAM") : !save_new(400 + c, c == 6 ? "SIX" : "SEV"));
        }
        children.push_back(child);
    }
    close(gate[0]);
    close(gate[1]);
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    hiscore_load();
    EXPECT_EQ(all_scores(), (std::vector<int>{500, 500, 500, 500, 500, 500, 407, 406, 0, 0}));
    EXPECT_EQ(all_initials().substr(0, 24), "SAMSAMSAMSAMSAMSAMSEVSIX");

    // One game saving twice counts its own entry once.
    ASSERT_TRUE(save_new(450, "ONE"));
    ASSERT_TRUE(save_new(1, "TWO"));
    hiscore_load();
    const std::vector<int> scores = all_scores();
    EXPECT_EQ(std::count(scores.begin(), scores.end(), 450), 1);
}

// Temporary files that a killed save left are removed by the next save,
// under the lock; names that only look alike stay. Games killed at random
// moments of their saves never leave a broken table or litter for long.
TEST_F(HiscoreFile, KilledSavesLeaveNoLitterAfterTheNextSave)
{
    write_text("hiscore.txt", hiscore_text({90, 80, 70, 60, 50, 40, 30, 20, 10, 5}));
    for (const char* name :
         {"hiscore.txt.a1B2c3", "hiscore.txt.ZZZZZZ", "hiscore.txt.keep", "hiscore.txt.a1B2c3d", "other.txt.a1B2c3"}) {
        write_text(name, "left");
    }
    hiscore_load();
    ASSERT_TRUE(save_new(100, "NEW"));
    EXPECT_FALSE(fs::exists("hiscore.txt.a1B2c3"));
    EXPECT_FALSE(fs::exists("hiscore.txt.ZZZZZZ"));
    for (const char* name : {"hiscore.txt.keep", "hiscore.txt.a1B2c3d", "other.txt.a1B2c3"}) {
        EXPECT_EQ(read_text(name), "left") << name;
        fs::remove(name);
    }

    for (int kill_at = 0; kill_at < 30; ++kill_at) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            hiscore_load();
            for (int i = 0;; ++i) {
                save_new(100 + i, "KIL");
            }
        }
        usleep(static_cast<useconds_t>(200 + kill_at * 150));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        std::memset(hiscore_scores, 0, sizeof hiscore_scores);
        ASSERT_EQ(hiscore_load(), 1);
        const std::string text = read_text("hiscore.txt");
        EXPECT_EQ(text, hiscore_text(all_scores(), all_initials())) << "a whole table";
    }
    ASSERT_TRUE(save_new(1000000, "END"));
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
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
    EXPECT_EQ(hiscore_enter(final_score), 1);
    EXPECT_EQ(headless_events_left(), 0) << events;
    return test_support::read_text("hiscore.txt");
}

std::string initials_of(int k)
{
    return std::string(hiscore_initials[k], 3);
}

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

    // One above the tenth replaces it; equal to the best is second, below
    // the old best.
    enter(table, 1, typed("dsss"));
    EXPECT_EQ(hiscore_scores[9], 1);
    EXPECT_EQ(all_initials().substr(24), "IIIZAA");
    enter(table, 90, typed("dsss"));
    EXPECT_EQ(hiscore_scores[1], 90);
    EXPECT_EQ(all_initials().substr(0, 9), "AAAZAABBB");
}

// Q quits from the entry as from any screen: the entry ends at once with
// the letters as they stand (in a child: the close request stays).
TEST(InitialsEntry, QEndsTheEntryWithTheLettersAsTheyStand)
{
    fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        enter(hiscore_text(std::vector<int>(10, -100), kInitials), 5, typed("d") + " +Q -Q" + typed("u"));
        _exit(initials_of(0) == "ZAA" && plat_close_requested() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "Q did not end the entry at once";
}

}  // namespace
