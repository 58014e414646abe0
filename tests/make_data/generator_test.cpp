// The generator itself: complete, deterministic, and sane on a bad command line.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <set>
#include <string>

#include "data_files.h"

namespace {

const std::string kGenerator = std::string(TAILGATE_BINARY_DIR) + "/tools/make_data/make_data";

std::set<std::string> files_in(const std::string& dir)
{
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

int run(const std::string& args)
{
    int status = std::system((kGenerator + " " + args + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string temp_dir(const char* tag)
{
    std::string dir = std::string(TAILGATE_BINARY_DIR) + "/make_data_test_" + tag + "_" + std::to_string(getpid());
    std::system(("rm -rf '" + dir + "'").c_str());
    return dir;
}

} // namespace

TEST(Generator, WritesExactlyTheGameFilesTheSameBytesEveryRun)
{
    std::set<std::string> expected(std::begin(kFullScreenImages), std::end(kFullScreenImages));
    expected.insert(std::begin(kSheets), std::end(kSheets));
    expected.insert(std::begin(kSounds), std::end(kSounds));
    expected.insert(std::begin(kMusic), std::end(kMusic));
    ASSERT_EQ(expected.size(), 34u);  // and no high-score file
    std::string a = temp_dir("a"), b = temp_dir("b");
    ASSERT_EQ(run("'" + a + "'"), 0);
    ASSERT_EQ(run("'" + b + "'"), 0);
    ASSERT_EQ(files_in(a), expected);
    for (const std::string& n : expected) {
        std::vector<uint8_t> first = read_bytes(a + "/" + n);
        EXPECT_FALSE(first.empty()) << n;
        EXPECT_TRUE(first == read_bytes(b + "/" + n)) << n << " differs between two runs";
        EXPECT_TRUE(first == read_bytes(data_path(n))) << n << " differs from the build's data";
    }
    std::system(("rm -rf '" + a + "' '" + b + "'").c_str());
}

TEST(Generator, RefusesABadCommandLineAndAnUnwritableDirectory)
{
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("a b"), 2);
    EXPECT_EQ(run("''"), 2);
    // A plain file where the directory should be: a clear failure, no crash.
    std::string blocker = temp_dir("blocker");
    { std::ofstream f(blocker); f << "x"; }
    int rc = run("'" + blocker + "/sub'");
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, -1) << "the generator crashed";
    std::remove(blocker.c_str());
}
