// The settings file: written with its defaults when missing, read line by
// line whatever the lines' length, a warning per unusable line saying what
// stands instead, keys that never lock the player out, and values rewritten
// in place without touching the rest of the player's file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/settings.h"
#include "support/run.h"

namespace fs = std::filesystem;

namespace {

using test_support::read_text;
using test_support::write_text;

fs::path fresh_dir(const char* name)
{
    fs::path dir =
        fs::temp_directory_path() / ("tailgate_settings_" + std::string(name) + "_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

struct Loaded {
    PlatSettings settings = plat_default_settings();
    std::vector<std::string> warnings;
    bool created = false;
    bool ok = false;
};

Loaded load(const fs::path& path)
{
    Loaded l;
    l.ok = plat_load_settings(path.string(), &l.settings, &l.warnings, &l.created);
    return l;
}

Loaded load_text(const fs::path& path, const std::string& text)
{
    write_text(path, text);
    return load(path);
}

// Each warning holds the file's name and its own pieces of text, in order.
void expect_warnings(const Loaded& l, const fs::path& path, const std::vector<std::vector<std::string>>& expected)
{
    ASSERT_EQ(l.warnings.size(), expected.size()) << (l.warnings.empty() ? "" : l.warnings.back());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NE(l.warnings[i].find(path.string()), std::string::npos) << l.warnings[i];
        for (const std::string& piece : expected[i]) {
            EXPECT_NE(l.warnings[i].find(piece), std::string::npos) << l.warnings[i] << "\nwants: " << piece;
        }
    }
}

TEST(Settings, AMissingFileIsWrittenWithTheDefaultsAndReadsBackTheSame)
{
    const fs::path dir = fresh_dir("defaults");
    const fs::path path = dir / "deep" / "tailgate" / "tailgate.ini";
    Loaded first = load(path);
    ASSERT_TRUE(first.ok);
    EXPECT_TRUE(first.created);
    EXPECT_TRUE(first.warnings.empty());
    const std::string text = read_text(path);
    for (const char* expected : {"fullscreen = yes", "window_scale = 2", "window_size = \n", "scaling = fit",
                                 "vsync = yes", "music_volume = 100", "effects_volume = 100", "key_pause = P",
                                 "key_screenshot = F12", "[gamepad]", "enabled = yes"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
    Loaded again = load(path);
    ASSERT_TRUE(again.ok);
    EXPECT_FALSE(again.created);
    EXPECT_TRUE(again.warnings.empty()) << again.warnings.front();
    EXPECT_EQ(plat_settings_text(again.settings), text);
    EXPECT_EQ(again.settings.window_width, 0);
    EXPECT_EQ(again.settings.window_height, 0);
    fs::remove_all(dir);
}

TEST(Settings, EveryBadLineGetsOneWarningInLineOrderSayingWhatStandsInstead)
{
    const fs::path dir = fresh_dir("bad");
    const fs::path path = dir / "tailgate.ini";
    Loaded l = load_text(path,
                         "stray = 1\n"  // 1: before any section
                         "[display]\n"
                         "fullscreen = no\n"        // 3: good
                         "window_scale = 3\n"       // 4: good
                         "window_scale = banana\n"  // 5: 3 stays
                         "scaling = integer\n"      // 6: good
                         "vsync = maybe\n"          // 7: not yes or no, the default stands
                         "  more words\n"           // 8: no continuation
                         "window_size = 1280x\n"    // 9
                         "[sound]\n"
                         "music_volume = 40\n"    // 11: good
                         "effects_volume = -3\n"  // 12: out of range
                         "loudness = 3\n"         // 13: no such setting
                         "[keys]\n"
                         "key_up = W\n"             // 15: good
                         "key_fire = NoSuchKey\n"   // 16: no such key
                         "key_down = W\n"           // 17: W is already up's
                         "this line is nonsense\n"  // 18: not a setting
                         "[display\n"               // 19: not a section
                         "[gamepad]\n"
                         "enabled = maybe\n"  // 21: line 22 sets it
                         "enabled = no\n");
    ASSERT_TRUE(l.ok);
    PlatSettings want = plat_default_settings();  // the good lines, and the defaults
    want.fullscreen = false;
    want.window_scale = 3;
    want.integer_scaling = true;
    want.music_volume = 40;
    want.keys[ACTION_UP] = "W";
    want.gamepad = false;
    EXPECT_EQ(plat_settings_text(l.settings), plat_settings_text(want));
    expect_warnings(l, path,
                    {{"line 1:", "stray", "outside any [section]", "ignored"},
                     {"line 5:", "window_scale", "'banana'", "the value of line 4 stays"},
                     {"line 7:", "vsync", "'maybe'", "the default is used"},
                     {"line 8:", "indented", "ignored"},
                     {"line 9:", "window_size", "WIDTHxHEIGHT", "the default is used"},
                     {"line 12:", "effects_volume", "the default is used"},
                     {"line 13:", "loudness", "not a setting of [sound]"},
                     {"line 16:", "key_fire", "names no key", "the default is used"},
                     {"line 17:", "key_down = 'W' is already key_up's key", "key_down keeps 'Down'"},
                     {"line 18:", "not 'name = value'"},
                     {"line 19:", "not 'name = value' or '[section]'"},
                     {"line 21:", "enabled", "'maybe'; line 22 sets it"}});

    // Something that is no regular file, and a file over 1 MB: the
    // defaults, one line, nothing written.
    const fs::path folder = dir / "folder.ini";
    fs::create_directory(folder);
    Loaded f = load(folder);
    EXPECT_FALSE(f.ok);
    ASSERT_EQ(f.warnings.size(), 1u);
    EXPECT_NE(f.warnings[0].find("not a regular file"), std::string::npos) << f.warnings[0];
    EXPECT_EQ(plat_settings_text(f.settings), plat_settings_text(plat_default_settings()));
    const fs::path big = dir / "big.ini";
    const std::string huge = "[display]\nfullscreen = no\n# " + std::string(1 << 20, 'x') + "\n";
    Loaded b = load_text(big, huge);
    EXPECT_FALSE(b.ok);
    ASSERT_EQ(b.warnings.size(), 1u);
    EXPECT_NE(b.warnings[0].find("larger than 1 MB"), std::string::npos) << b.warnings[0];
    EXPECT_TRUE(b.settings.fullscreen);
    EXPECT_EQ(read_text(big), huge);
    fs::remove_all(dir);
}

TEST(Settings, LinesOfAnyLengthAreReadWholeAndCommentsEndWhereTheFileSays)
{
    const fs::path dir = fresh_dir("long");
    const fs::path path = dir / "tailgate.ini";
    for (size_t length : {150u, 197u, 198u, 199u, 200u, 255u, 256u, 511u, 4096u, 70000u}) {
        SCOPED_TRACE(length);
        const std::string font = "/fonts/" + std::string(length, 'f') + ".sf2";
        // A long comment whose tail looks like a setting, a long value, and
        // a mistake after them that must carry its own line number.
        Loaded l = load_text(path, "# " + std::string(length, 'x') +
                                       " window_scale = 1\n"
                                       "[display]\n"
                                       "; " +
                                       std::string(length, 'y') +
                                       " fullscreen = no\n"
                                       "window_scale = 3 # " +
                                       std::string(length, 'z') +
                                       "\n"
                                       "[sound]\n"
                                       "soundfont = " +
                                       font +
                                       "\n"
                                       "music_volume = loud\n");
        ASSERT_TRUE(l.ok);
        EXPECT_EQ(l.settings.window_scale, 3);
        EXPECT_TRUE(l.settings.fullscreen);
        EXPECT_EQ(l.settings.soundfont, font);
        ASSERT_EQ(l.warnings.size(), 1u);
        EXPECT_NE(l.warnings[0].find("line 7: music_volume"), std::string::npos) << l.warnings[0];
        EXPECT_LT(l.warnings[0].size(), 400u) << "a long value is cut short in a message";
    }
    // Windows line ends, a byte-order mark, comments after values with '#'
    // or ';', and a key that is itself '#' or ';'.
    Loaded w =
        load_text(path, "\xEF\xBB\xBF[display]\r\nfullscreen = no ; a window\r\nvsync=no#not a comment\r\n"
                        "window_size = 1024 x 768\r\n[keys]\r\nkey_pause = #\r\nkey_screenshot = ;  # semicolon\r\n");
    ASSERT_TRUE(w.ok);
    EXPECT_FALSE(w.settings.fullscreen);
    EXPECT_EQ(w.settings.window_width, 1024);
    EXPECT_EQ(w.settings.window_height, 768);
    EXPECT_EQ(w.settings.keys[ACTION_PAUSE], "#");
    EXPECT_EQ(w.settings.keys[ACTION_SCREENSHOT], ";");
    expect_warnings(w, path, {{"line 3:", "vsync", "'no#not a comment'"}});
    fs::remove_all(dir);
}

TEST(Settings, WindowSizeIsWidthByHeightWithinItsBounds)
{
    const fs::path dir = fresh_dir("size");
    const fs::path path = dir / "tailgate.ini";
    const struct {
        const char* value;
        int width;  // -1: refused
        int height;
    } cases[] = {{"1280x960", 1280, 960}, {"320X240", 320, 240}, {"16384x16384", 16384, 16384}, {"", 0, 0},
                 {"319x240", -1, 0},      {"320x239", -1, 0},    {"16385x800", -1, 0},          {"800", -1, 0},
                 {"x600", -1, 0},         {"800x600x2", -1, 0},  {"-800x600", -1, 0},           {"800x600px", -1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        Loaded l = load_text(path, std::string("[display]\nwindow_size = 800x600\nwindow_size = ") + c.value + "\n");
        ASSERT_TRUE(l.ok);
        if (c.width < 0) {
            EXPECT_EQ(l.settings.window_width, 800);
            EXPECT_EQ(l.settings.window_height, 600);
            expect_warnings(l, path, {{"line 3:", "window_size", "the value of line 2 stays"}});
        } else {
            EXPECT_EQ(l.settings.window_width, c.width);
            EXPECT_EQ(l.settings.window_height, c.height);
            EXPECT_TRUE(l.warnings.empty()) << l.warnings.front();
        }
    }
    fs::remove_all(dir);
}

// What the player asks of the keys, and what each action ends up with.
TEST(Settings, NoTwoActionsShareAKeyAndTheOnesThatQuitAndStartStayReachable)
{
    const fs::path dir = fresh_dir("keys");
    const fs::path path = dir / "tailgate.ini";
    const struct {
        const char* lines;
        std::vector<std::pair<PlatAction, const char*>> keys;  // the actions the file changes, and their keys
        std::vector<std::vector<std::string>> warnings;
    } cases[] = {
        // Quit keeps Q; accelerate keeps its arrow.
        {"key_up = Q\n", {}, {{"line 2:", "key_up = 'Q' is already key_quit's key", "key_up keeps 'Up'"}}},
        // The menu's S still starts a game.
        {"key_down = S\n", {}, {{"line 2:", "key_radio's key", "key_down keeps 'Down'"}}},
        // Names are keys, not spellings.
        {"key_fire = space\nkey_help = h\n", {{ACTION_FIRE, "space"}, {ACTION_HELP, "h"}}, {}},
        // Keys that change hands are fine, in either order of the lines.
        {"key_up = Down\nkey_down = Up\n", {{ACTION_UP, "Down"}, {ACTION_DOWN, "Up"}}, {}},
        {"key_quit = Escape\nkey_fire = Q\n", {{ACTION_QUIT, "Escape"}, {ACTION_FIRE, "Q"}}, {}},
        {"key_fire = Q\nkey_quit = Escape\n", {{ACTION_QUIT, "Escape"}, {ACTION_FIRE, "Q"}}, {}},
        // The later of two lines for one key loses it.
        {"key_up = W\nkey_down = W\n", {{ACTION_UP, "W"}}, {{"line 3:", "key_down keeps 'Down'"}}},
        // A refused action whose own key went elsewhere has none, and says so.
        {"key_left = Up\nkey_up = Q\n",
         {{ACTION_LEFT, "Up"}, {ACTION_UP, ""}},
         {{"line 3:", "key_up = 'Q' is already key_quit's key", "key_up has no key", "'Up' is key_left's"}}},
        // A key given twice to one action: the later line counts unless taken.
        {"key_up = W\nkey_down = E\nkey_up = E\n",
         {{ACTION_UP, "W"}, {ACTION_DOWN, "E"}},
         {{"line 4:", "key_up = 'E' is already key_down's key", "key_up keeps 'W'"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        Loaded l = load_text(path, std::string("[keys]\n") + c.lines);
        ASSERT_TRUE(l.ok);
        PlatSettings want = plat_default_settings();
        for (const auto& [action, key] : c.keys) {
            want.keys[action] = key;
        }
        for (int a = 0; a < ACTION_COUNT; ++a) {
            EXPECT_EQ(l.settings.keys[a], want.keys[a]) << plat_action_name(static_cast<PlatAction>(a));
        }
        expect_warnings(l, path, c.warnings);
        // Whatever the file says, no key does two things.
        for (int a = 0; a < ACTION_COUNT; ++a) {
            for (int b = 0; b < a; ++b) {
                const int key = plat_key_from_name(l.settings.keys[a].c_str());
                EXPECT_TRUE(key == 0 || key != plat_key_from_name(l.settings.keys[b].c_str()))
                    << plat_action_name(static_cast<PlatAction>(a));
            }
        }
    }
    fs::remove_all(dir);
}

TEST(SettingsUpdate, OnlyTheGivenValuesChangeAndEveryOtherByteStays)
{
    const fs::path dir = fresh_dir("update");
    const fs::path path = dir / "tailgate.ini";
    const std::string before = "# my own notes\n"
                               "[display]\n"
                               "fullscreen=yes   ; I like it big\n"
                               "; window_scale = 4\n"
                               "window_scale = 2\n"
                               "\n"
                               "mystery = 42\n"
                               "# the end of display\n"
                               "\n"
                               "[keys]\n"
                               "key_up = W\n";
    write_text(path, before);
    chmod(path.c_str(), 0640);
    std::string error;
    ASSERT_TRUE(plat_settings_update(path.string(),
                                     {{"display", "fullscreen", "no"},
                                      {"display", "window_size", "1280x960"},
                                      {"gamepad", "enabled", "no"},
                                      {"keys", "key_up", "E"}},
                                     &error))
        << error;
    const std::string after = read_text(path);
    const size_t comment = after.find("# the window's size in pixels");
    ASSERT_NE(comment, std::string::npos) << after;
    const size_t size_line = after.find("window_size = 1280x960\n", comment);
    ASSERT_NE(size_line, std::string::npos) << after;
    const std::string added = after.substr(comment, size_line + 23 - comment);
    EXPECT_EQ(after, "# my own notes\n"
                     "[display]\n"
                     "fullscreen=no   ; I like it big\n"
                     "; window_scale = 4\n"
                     "window_scale = 2\n"
                     "\n"
                     "mystery = 42\n" +
                         added +
                         "# the end of display\n"
                         "\n"
                         "[keys]\n"
                         "key_up = E\n"
                         "\n"
                         "[gamepad]\n"
                         "# yes: a game controller drives too (d-pad or left stick: arrows; A: Space, B: H,\n"
                         "# X and Y: S, Start: P); plugged in or out at any time\n"
                         "enabled = no\n");
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "the player's permissions stay";
    Loaded l = load(path);
    EXPECT_FALSE(l.settings.fullscreen);
    EXPECT_EQ(l.settings.window_width, 1280);
    EXPECT_EQ(l.settings.window_height, 960);
    EXPECT_FALSE(l.settings.gamepad);
    EXPECT_EQ(l.settings.keys[ACTION_UP], "E");
    expect_warnings(l, path, {{"line 7:", "mystery"}});

    // Back to automatic, and a setting written twice: the last value counts.
    ASSERT_TRUE(plat_settings_update(
        path.string(),
        {{"display", "window_size", ""}, {"display", "fullscreen", "yes"}, {"display", "fullscreen", "no"}}, &error))
        << error;
    EXPECT_NE(read_text(path).find("window_size = \n"), std::string::npos);
    EXPECT_NE(read_text(path).find("fullscreen=no   ; I like it big\n"), std::string::npos);

    // Windows line ends and a byte-order mark stay; a key without a value
    // gets one.
    write_text(path, "\xEF\xBB\xBF[display]\r\nwindow_size =\r\nvsync = no");
    ASSERT_TRUE(plat_settings_update(path.string(),
                                     {{"display", "window_size", "800x600"}, {"sound", "music_volume", "7"}}, &error))
        << error;
    EXPECT_EQ(read_text(path), "\xEF\xBB\xBF[display]\r\nwindow_size = 800x600\r\nvsync = no\r\n\r\n[sound]\r\n"
                               "# loudness of the radio and the battle music, from 0 (off) to 100\r\n"
                               "music_volume = 7\r\n");
    fs::remove_all(dir);
}

TEST(SettingsUpdate, AMissingFileIsWrittenWholeAndWhatCannotBeWrittenIsSaid)
{
    const fs::path dir = fresh_dir("update_new");
    const fs::path path = dir / "new" / "tailgate.ini";
    std::string error;
    ASSERT_TRUE(plat_settings_update(path.string(), {{"display", "fullscreen", "no"}}, &error)) << error;
    PlatSettings want = plat_default_settings();
    want.fullscreen = false;
    EXPECT_EQ(read_text(path), plat_settings_text(want));
    EXPECT_EQ(fs::directory_iterator(path.parent_path()) == fs::directory_iterator(), false);
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(path.parent_path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u) << "no temporary file is left";

    // Values that would not read back, and a folder where the file should
    // be: one line naming the file, and nothing changed.
    const std::string text = read_text(path);
    for (const PlatSettingChange& bad : std::vector<PlatSettingChange>{{"sound", "soundfont", "a\nb"},
                                                                       {"sound", "soundfont", " padded"},
                                                                       {"sound", "soundfont", "x # y"},
                                                                       {"", "fullscreen", "no"},
                                                                       {"display", "a = b", "no"}}) {
        SCOPED_TRACE(bad.value);
        error.clear();
        EXPECT_FALSE(plat_settings_update(path.string(), {bad}, &error));
        EXPECT_NE(error.find(path.string()), std::string::npos) << error;
        EXPECT_EQ(read_text(path), text);
    }
    const fs::path folder = dir / "folder.ini";
    fs::create_directory(folder);
    EXPECT_FALSE(plat_settings_update(folder.string(), {{"display", "fullscreen", "no"}}, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    fs::remove_all(dir);
}

}  // namespace
