// The installed game: `cmake --install` into a private DESTDIR, then the
// installed program run headless from there. Without --data it plays from
// its installed data and keeps the high scores in the player's own XDG data
// directory; with --data everything stays in that directory, as before. The
// manual page describes what the program offers, and the Debian package of
// the same tree passes lintian.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/settings.h"
#include "support/run.h"

namespace {

namespace fs = std::filesystem;
using test_support::read_text;
using test_support::run_status;

const char* const APP_ID = "io.github.tailgate.tailgate";

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
    // The program where Debian keeps games; it finds its data at
    // /usr/games/../share/tailgate/data.
    int run_installed(const std::string& args, const std::string& environment = "")
    {
        return run((usr() / "games" / "tailgate").string(), args, environment);
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
    EXPECT_EQ(access((usr() / "games" / "tailgate").c_str(), X_OK), 0);
    EXPECT_FALSE(fs::exists(usr() / "bin"));
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

    // The desktop entry and the metainfo pass their validators with nothing
    // to say, not even a pedantic hint (the desktop one prints hints and
    // warnings, not only errors, on stdout).
    const fs::path entry = usr() / "share" / "applications" / (std::string(APP_ID) + ".desktop");
    const fs::path metainfo = usr() / "share" / "metainfo" / (std::string(APP_ID) + ".metainfo.xml");
    EXPECT_NE(read_text(metainfo).find("<release version=\"" TAILGATE_VERSION "\""), std::string::npos);
    ASSERT_TRUE(have_tool("desktop-file-validate") && have_tool("appstreamcli"))
        << "scripts/setup.sh --test installs both";
    EXPECT_EQ(run("desktop-file-validate", "'" + entry.string() + "'"), 0) << text("out.txt") << text("err.txt");
    EXPECT_EQ(text("out.txt"), "");
    EXPECT_EQ(run("appstreamcli", "validate --pedantic --no-net '" + metainfo.string() + "'"), 0)
        << text("out.txt") << text("err.txt");
    for (const std::string& line : test_support::lines_of(text("out.txt"))) {
        EXPECT_TRUE(line.empty() || line.find("Validation was successful.") != std::string::npos) << line;
    }
    EXPECT_NE(read_text(entry).find("\nExec=tailgate\n"), std::string::npos);
    EXPECT_NE(read_text(entry).find("\nStartupWMClass=tailgate\n"), std::string::npos);

    // The metainfo's three screenshots, as the game drew them, go with it.
    for (const char* shot : {"title", "road", "battle"}) {
        EXPECT_NE(read_text(metainfo).find(std::string("/") + shot + ".png</image>"), std::string::npos) << shot;
        std::vector<uint8_t> rgb;
        int w = 0, h = 0;
        const fs::path png = usr() / "share" / "tailgate" / "screenshots" / (std::string(shot) + ".png");
        ASSERT_TRUE(plat_read_png(png.c_str(), &rgb, &w, &h)) << png;
        EXPECT_TRUE(w == 640 && h == 480) << w << " x " << h;
    }
    EXPECT_NE(read_text(usr() / "share" / "tailgate" / "screenshots" / "road.png"),
              read_text(usr() / "share" / "tailgate" / "screenshots" / "battle.png"));

    // The manual page compressed; the copyright file machine-readable; the
    // changelog compressed, its latest entry this version.
    const fs::path doc = usr() / "share" / "doc" / "tailgate";
    EXPECT_TRUE(read_text(doc / "copyright")
                    .starts_with("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
    EXPECT_EQ(run("gzip", "-dc '" + (doc / "changelog.gz").string() + "'"), 0) << text("err.txt");
    EXPECT_TRUE(text("out.txt").starts_with("tailgate (" TAILGATE_VERSION ") ")) << text("out.txt");
    EXPECT_EQ(run("gzip", "-dc '" + (usr() / "share" / "man" / "man6" / "tailgate.6.gz").string() + "'"), 0);
    EXPECT_TRUE(text("out.txt").starts_with(".TH TAILGATE 6 ")) << text("out.txt");
    EXPECT_FALSE(fs::exists(usr() / "share" / "man" / "man6" / "tailgate.6"));

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

// The installed manual page names every option `--help` lists, every
// section and setting of the settings file with its default, and the
// environment and files the game uses.
TEST_F(Installed, ManualDescribesEveryOptionSettingAndFile)
{
    ASSERT_EQ(run(TAILGATE_EXE, "--help"), 0);
    const std::string help = text("out.txt");
    ASSERT_EQ(run("gzip", "-dc '" + (usr() / "share" / "man" / "man6" / "tailgate.6.gz").string() + "'"), 0);
    const std::string manual = text("out.txt");

    // In roff a hyphen the reader may type is written "\-".
    auto roff = [](const std::string& plain) {
        std::string out;
        for (char c : plain) {
            out += c == '-' ? std::string("\\-") : std::string(1, c);
        }
        return out;
    };
    std::set<std::string> options;
    for (size_t at = help.find("--"); at != std::string::npos; at = help.find("--", at + 2)) {
        size_t end = at + 2;
        while (end < help.size() && (islower(static_cast<unsigned char>(help[end])) || help[end] == '-')) {
            ++end;
        }
        options.insert(help.substr(at, end - at));
    }
    EXPECT_GE(options.size(), 17u) << help;
    for (const std::string& option : options) {
        // Described as an option of its own: the tag line of a paragraph.
        EXPECT_TRUE(manual.find("\n.TP\n.B " + roff(option) + "\n") != std::string::npos ||
                    manual.find("\n.TP\n.BI " + roff(option) + " ") != std::string::npos)
            << option;
    }

    // Each setting is the tag of a paragraph that gives its default in
    // brackets, under the heading of its section.
    std::string section;
    std::map<std::string, std::string> section_of;
    for (const std::string& line : test_support::lines_of(plat_settings_text(plat_default_settings()))) {
        if (line.starts_with("[")) {
            section = line;
            EXPECT_NE(manual.find("\n.SS " + line + "\n"), std::string::npos) << line;
            continue;
        }
        const size_t equals = line.find(" = ");
        if (line.empty() || line.starts_with("#") || equals == std::string::npos) {
            continue;
        }
        const std::string name = line.substr(0, equals);
        const std::string value = line.substr(equals + 3);
        const std::string shown = "(" + (value.empty() ? std::string("empty") : value) + ")";
        size_t tag = std::string::npos;
        std::string tag_line;
        for (size_t at = manual.find("\n.BR "); at != std::string::npos; at = manual.find("\n.BR ", at + 1)) {
            tag_line = manual.substr(at + 1, manual.find('\n', at + 1) - at - 1);
            if (tag_line.find(" " + roff(name) + " \"") != std::string::npos) {
                tag = at;
                break;
            }
        }
        ASSERT_NE(tag, std::string::npos) << name;
        EXPECT_NE(tag_line.find(shown), std::string::npos) << tag_line << " lacks " << shown;
        EXPECT_GT(tag, manual.find("\n.SS " + section + "\n")) << name << " under " << section;
    }

    for (const char* heading : {"SYNOPSIS", "OPTIONS", "KEYS", "SETTINGS", "FILES", "ENVIRONMENT", "EXIT STATUS"}) {
        EXPECT_NE(manual.find(std::string("\n.SH ") + heading + "\n"), std::string::npos) << heading;
    }
    for (const char* variable :
         {"TAILGATE_SOUNDFONT", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_PICTURES_DIR", "HOME"}) {
        EXPECT_NE(manual.find(std::string("\n.B ") + variable + "\n"), std::string::npos) << variable;
    }
    for (const char* file : {"hiscore.txt", "tailgate.ini", "/usr/share/tailgate/data/", "tailgate\\-YYYY"}) {
        EXPECT_NE(manual.find(file), std::string::npos) << file;
    }
    for (const char* status : {"0", "1", "2", "3"}) {
        EXPECT_NE(manual.find(std::string("\n.TP\n.B ") + status + "\n"), std::string::npos) << status;
    }
    // man reads it without a warning (what lintian checks too).
    ASSERT_TRUE(have_tool("man")) << "scripts/setup.sh --test installs man-db";
    EXPECT_EQ(run("env", "LC_ALL=C.UTF-8 MANROFFSEQ= MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z '" +
                             (usr() / "share" / "man" / "man6" / "tailgate.6.gz").string() + "'"),
              0);
    EXPECT_EQ(text("err.txt"), "");
}

#ifdef TAILGATE_CHECK_PACKAGE
// The Debian package of this build: the game in /usr/games, the manual and
// changelog compressed, and lintian --pedantic with no error and no warning.
// The informational tags it may still give are known and explained.
TEST_F(Installed, DebianPackagePassesLintian)
{
    ASSERT_TRUE(have_tool("lintian") && have_tool("dpkg-deb")) << "scripts/setup.sh --test installs lintian";
    ASSERT_EQ(run(CPACK_COMMAND_PATH, "-G DEB --config '" TAILGATE_BINARY_DIR "/CPackConfig.cmake' -B '" +
                                          (dir / "package").string() + "'"),
              0)
        << text("out.txt") << text("err.txt");
    std::string deb;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir / "package")) {
        if (entry.path().extension() == ".deb") {
            deb = entry.path().string();
        }
    }
    ASSERT_TRUE(fs::path(deb).filename().string().starts_with("tailgate_" TAILGATE_VERSION "_")) << text("out.txt");

    ASSERT_EQ(run("dpkg-deb", "--contents '" + deb + "'"), 0) << text("err.txt");
    const std::string contents = text("out.txt");
    for (const char* file :
         {" ./usr/games/tailgate\n", " ./usr/share/man/man6/tailgate.6.gz\n", " ./usr/share/doc/tailgate/copyright\n",
          " ./usr/share/doc/tailgate/changelog.gz\n", " ./usr/share/tailgate/data/background.bmp\n"}) {
        EXPECT_NE(contents.find(file), std::string::npos) << file << contents;
    }
    EXPECT_EQ(contents.find("./usr/bin/"), std::string::npos) << contents;
    EXPECT_EQ(contents.find("hiscore.txt"), std::string::npos) << contents;
    ASSERT_EQ(run("dpkg-deb", "--field '" + deb + "' Section Depends"), 0);
    EXPECT_NE(text("out.txt").find("Section: games\n"), std::string::npos) << text("out.txt");
    EXPECT_NE(text("out.txt").find("libsdl2-2.0-0"), std::string::npos) << text("out.txt");

    // Tags that stay, and why. The generated pictures, sounds and music are
    // most of the package: Debian would put them in a tailgate-data package
    // for all architectures, which a single cpack package is not.
    const std::set<std::string> explained = {"arch-dep-package-has-big-usr-share"};
    EXPECT_EQ(run("lintian", "--pedantic --display-info --tag-display-limit 0 '" + deb + "'"), 0) << text("out.txt");
    for (const std::string& line : test_support::lines_of(text("out.txt"))) {
        if (line.size() < 3 || line[1] != ':' || line.starts_with("N:")) {
            continue;
        }
        std::istringstream fields(line.substr(2));
        std::string package, tag;
        fields >> package >> tag;
        EXPECT_TRUE((line[0] == 'I' || line[0] == 'P') && explained.contains(tag)) << line;
    }
}
#endif

}  // namespace
