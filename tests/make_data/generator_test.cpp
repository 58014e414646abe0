// The generator itself: complete, deterministic, and sane on a bad command line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "data_files.h"

namespace fs = std::filesystem;

namespace {

int run(const std::string& args)
{
    return test_support::run_status(TAILGATE_BINARY_DIR "/tools/make_data/make_data " + args + " >/dev/null 2>&1");
}

// A fresh path in the build tree, removed when the test ends.
struct Scratch {
    fs::path path;
    explicit Scratch(const char* tag)
        : path(fs::path(TAILGATE_BINARY_DIR) / ("make_data_test_" + std::string(tag) + std::to_string(getpid())))
    {
        fs::remove_all(path);
    }
    ~Scratch() { fs::remove_all(path); }
    std::string arg() const { return "'" + path.string() + "'"; }
};

}  // namespace

TEST(Generator, WritesExactlyTheGameFilesTheSameBytesEveryRun)
{
    std::set<std::string> expected(std::begin(kFullScreenImages), std::end(kFullScreenImages));
    expected.insert(std::begin(kSheets), std::end(kSheets));
    expected.insert(std::begin(kSounds), std::end(kSounds));
    expected.insert(std::begin(kMusic), std::end(kMusic));
    ASSERT_EQ(expected.size(), 34u);  // and no high-score file
    Scratch a("a"), b("b");
    ASSERT_EQ(run(a.arg()), 0);
    ASSERT_EQ(run(b.arg()), 0);
    std::set<std::string> written;
    for (const fs::directory_entry& e : fs::directory_iterator(a.path)) {
        written.insert(e.path().filename().string());
    }
    ASSERT_EQ(written, expected);
    for (const std::string& n : expected) {
        std::vector<uint8_t> first = read_bytes((a.path / n).string());
        EXPECT_FALSE(first.empty()) << n;
        EXPECT_TRUE(first == read_bytes((b.path / n).string())) << n << " differs between two runs";
        EXPECT_TRUE(first == read_bytes(data_path(n))) << n << " differs from the build's data";
    }
}

TEST(Generator, RefusesABadCommandLineAndAnUnwritableDirectory)
{
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("a b"), 2);
    EXPECT_EQ(run("''"), 2);
    // A plain file where the directory should be: a clear failure, no crash.
    Scratch blocker("blocker");
    std::ofstream(blocker.path) << "x";
    int rc = run("'" + (blocker.path / "sub").string() + "'");
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, -1) << "the generator crashed";
}
