// The installed game: `cmake --install` into a private DESTDIR, then the
// installed program run headless from there. Without --data it plays from
// its installed data and keeps the high scores in the player's own XDG data
// directory; with --data everything stays in that directory, as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/host.h"
#include "support/run.h"

namespace {

namespace fs = std::filesystem;
using test_support::read_text;
using test_support::run_status;

const char* const APP_ID = "io.github.tailgate.Tailgate";

bool have_tool(const char* name)
{
    return run_status("command -v " + std::string(name) + " >/dev/null 2>&1") == 0;
}

// One installation per test program, into a DESTDIR under /usr as a package
// would put it; every test runs in a fresh directory of its own beside it.
class Installed : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char pattern[] = "/tmp/tailgate_install_XXXXXX";
        if (!mkdtemp(pattern)) {
            return;
        }
        root = pattern;
        std::string command = "DESTDIR='" + (root / "dest").string() + "' '" CMAKE_COMMAND_PATH "' --install '" +
                              TAILGATE_BINARY_DIR "' --prefix /usr >'" + (root / "install.log").string() + "' 2>&1";
        install_status = run_status(command);
    }
    static void TearDownTestSuite() { fs::remove_all(root); }

    void SetUp() override
    {
        if (!fs::exists(fs::path(TAILGATE_DATA_DIR) / "background.bmp")) {
            FAIL() << "no generated game data in " << TAILGATE_DATA_DIR;
        }
        ASSERT_EQ(install_status, 0) << read_text(root / "install.log");
        dir = root / testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
    }

    static fs::path usr() { return root / "dest" / "usr"; }

    // Runs `program args` in the test's directory with HOME there and
    // XDG_DATA_HOME unset unless `environment` sets it. Returns the status.
    int run(const std::string& program, const std::string& args, const std::string& environment = "")
    {
        std::string command = "cd '" + dir.string() + "' && env -u XDG_DATA_HOME HOME='" + dir.string() + "' " +
                              environment + " '" + program + "' " + args + " >out.txt 2>err.txt";
        return run_status(command);
    }
    int run_installed(const std::string& args, const std::string& environment = "")
    {
        return run((usr() / "bin" / "tailgate").string(), args, environment);
    }
    std::string text(const std::string& name) { return read_text(dir / name); }

    static fs::path root;
    static int install_status;
    fs::path dir;
};

fs::path Installed::root;
int Installed::install_status = -1;

TEST_F(Installed, TreeHoldsTheGameItsDataAndItsDesktopFiles)
{
    EXPECT_EQ(access((usr() / "bin" / "tailgate").c_str(), X_OK), 0);
    // Every generated file, and never a high-score table someone played into build/data.
    const fs::path data = usr() / "share" / "tailgate" / "data";
    int generated = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(TAILGATE_DATA_DIR)) {
        std::string name = entry.path().filename().string();
        if (name.starts_with("hiscore.txt")) {
            continue;
        }
        ++generated;
        EXPECT_EQ(read_text(data / name), read_text(entry.path())) << name;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(data), fs::directory_iterator()), generated);
    EXPECT_FALSE(fs::exists(data / "hiscore.txt"));

    // The desktop entry and the metainfo pass their validators (the desktop
    // one prints hints and warnings, not only errors, on stdout).
    const fs::path entry = usr() / "share" / "applications" / (std::string(APP_ID) + ".desktop");
    const fs::path metainfo = usr() / "share" / "metainfo" / (std::string(APP_ID) + ".metainfo.xml");
    EXPECT_NE(read_text(metainfo).find("<release version=\"" TAILGATE_VERSION "\""), std::string::npos);
    ASSERT_TRUE(have_tool("desktop-file-validate") && have_tool("appstreamcli")) << "scripts/setup.sh installs both";
    EXPECT_EQ(run("desktop-file-validate", "'" + entry.string() + "'"), 0) << text("out.txt") << text("err.txt");
    EXPECT_EQ(text("out.txt"), "");
    EXPECT_EQ(run("appstreamcli", "validate --no-net '" + metainfo.string() + "'"), 0)
        << text("out.txt") << text("err.txt");
    EXPECT_TRUE(read_text(usr() / "share" / "man" / "man6" / "tailgate.6").starts_with(".TH TAILGATE 6 "));
    // Square icons of the size their folder says, with the truck opaque on a
    // transparent ground (its middle is painted, its corners are not).
    for (int size : {96, 192}) {
        const std::string side = std::to_string(size);
        const fs::path icon = usr() / "share" / "icons" / "hicolor" / (side + "x" + side) / "apps" / "tailgate.png";
        std::vector<uint8_t> rgb;
        int w = 0, h = 0;
        ASSERT_TRUE(plat_read_png(icon.c_str(), &rgb, &w, &h)) << icon;
        EXPECT_TRUE(w == size && h == size) << w << " x " << h;
        EXPECT_EQ(static_cast<unsigned char>(read_text(icon)[25]), 6u) << "colour type RGBA";
        size_t middle = (static_cast<size_t>(size / 2) * size + size / 2) * 3;
        EXPECT_NE(rgb[middle] + rgb[middle + 1] + rgb[middle + 2], 0);
    }
}

// The installed program started from elsewhere finds its data, plays exactly
// as the build's program on the same data, and makes its table in the XDG
// data directory (XDG_DATA_HOME, or ~/.local/share when it is unset or
// relative); a table already there is the one read. --data keeps the table
// in that directory and makes no XDG directory. A place for the table that
// cannot be made stops the start-up with status 1 and one line naming it,
// before anything is written.
TEST_F(Installed, PlaysFromItsDataWithThePlayersOwnHighScores)
{
    ASSERT_EQ(run_installed("--headless --passes 30 --dump installed.json"), 0) << text("err.txt");
    EXPECT_EQ(text("err.txt"), "");
    ASSERT_TRUE(test_support::copy_game_data(dir / "copy"));
    ASSERT_EQ(run(TAILGATE_EXE, "--headless --data copy --passes 30 --dump build.json"), 0) << text("err.txt");
    EXPECT_EQ(text("installed.json"), text("build.json"));
    const fs::path home_table = dir / ".local" / "share" / "tailgate" / "hiscore.txt";
    EXPECT_EQ(read_text(home_table), read_text(dir / "copy" / "hiscore.txt"));
    EXPECT_EQ(fs::status(home_table.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_FALSE(fs::exists(usr() / "share" / "tailgate" / "data" / "hiscore.txt"));

    std::vector<int> scores;
    for (int i = 0; i < 10; ++i) {
        scores.push_back(9000 - i);
    }
    fs::create_directories(dir / "xdg" / "tailgate");
    test_support::write_text(dir / "xdg" / "tailgate" / "hiscore.txt", test_support::hiscore_text(scores));
    const std::string xdg = "XDG_DATA_HOME='" + (dir / "xdg").string() + "'";
    ASSERT_EQ(run_installed("--headless --passes 1 --dump xdg.json", xdg), 0) << text("err.txt");
    EXPECT_NE(text("xdg.json").find("\"hiscore_scores\":[9000,8999,"), std::string::npos) << text("xdg.json");

    fs::remove_all(dir / ".local");
    ASSERT_EQ(run_installed("--headless --passes 1", "XDG_DATA_HOME=relative/dir"), 0) << text("err.txt");
    EXPECT_TRUE(fs::exists(home_table));
    EXPECT_FALSE(fs::exists(dir / "relative"));

    fs::remove_all(dir / ".local");
    fs::remove(dir / "copy" / "hiscore.txt");
    ASSERT_EQ(run_installed("--headless --data copy --passes 5", "XDG_DATA_HOME='" + (dir / "new").string() + "'"), 0)
        << text("err.txt");
    EXPECT_TRUE(fs::exists(dir / "copy" / "hiscore.txt"));
    EXPECT_FALSE(fs::exists(dir / "new"));
    EXPECT_FALSE(fs::exists(dir / ".local"));

    test_support::write_text(dir / "plain-file", "not a directory\n");
    const std::string blocked = "XDG_DATA_HOME='" + (dir / "plain-file").string() + "'";
    EXPECT_EQ(run_installed("--headless --passes 5 --dump dump.json", blocked), 1);
    const std::string error = text("err.txt");
    EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
    EXPECT_NE(error.find((dir / "plain-file" / "tailgate").string()), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir / "dump.json"));
}

}  // namespace
