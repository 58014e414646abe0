// The real program run headless: the title screen's state and picture, the
// quit path, and the exit statuses of the harness.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "display/display.h"
#include "e2e/json_lite.h"
#include "platform/host.h"
#include "shell/cmdline.h"

namespace {

namespace fs = std::filesystem;

std::string read_text(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A run of the game on its own copy of the data (start-up rewrites
// hiscore.txt, so runs must not share it).
class HarnessRun : public testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(fs::path(TAILGATE_DATA_DIR) / "background.bmp")) {
            GTEST_SKIP() << "no generated game data in " << TAILGATE_DATA_DIR;
        }
        char pattern[] = "/tmp/tailgate_e2e_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        data = dir / "data";
        fs::copy(TAILGATE_DATA_DIR, data, fs::copy_options::recursive);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs the game with `args` from inside the temporary directory; stdout
    // and stderr go to files there. Returns the exit status.
    int run(const std::string& args)
    {
        std::string command = "cd '" + dir.string() + "' && '" + TAILGATE_EXE + "' " + args + " >out.txt 2>err.txt";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int run_headless(const std::string& args) { return run("--headless --data data " + args); }

    void write(const std::string& name, const std::string& text) { std::ofstream(dir / name) << text; }
    std::string err() { return read_text(dir / "err.txt"); }

    JsonValue state(const std::string& name)
    {
        JsonValue value;
        EXPECT_TRUE(json_lite::parse(read_text(dir / name), &value)) << name;
        return value;
    }

    fs::path dir;
    fs::path data;
};

long long get(const JsonValue& state, const char* key)
{
    const JsonValue* value = state.get(key);
    EXPECT_NE(value, nullptr) << key;
    return value ? value->as_int() : -999999;
}

TEST_F(HarnessRun, TitleScreenStateTraceAndReplay)
{
    // Each run starts from the data as generated (a missing table is made
    // from the random numbers, so it must be missing every time).
    for (const char* args : {"5000 --dump a.json --trace t.json", "5000 --dump b.json", "5001 --dump c.json"}) {
        fs::remove(data / "hiscore.txt");
        ASSERT_EQ(run_headless("--passes 30 --audio-log audio.log --start-tick " + std::string(args)), 0) << err();
    }
    JsonValue s = state("a.json");
    EXPECT_EQ(get(s, "pass"), 29);
    EXPECT_EQ(get(s, "tick"), 5000 + 33 * 30);
    EXPECT_EQ(get(s, "clock_start"), 5000);
    EXPECT_EQ(get(s, "game_mode"), 0);
    EXPECT_EQ(get(s, "lives"), 2);
    EXPECT_EQ(get(s, "music_current"), 7);  // H.MID, the eighth music loaded
    // The table was made, sorted best first and kept.
    const JsonValue* scores = s.get("hiscore_scores");
    for (size_t i = 1; i < 10; ++i) {
        EXPECT_GE(scores->items[i - 1].number, scores->items[i].number);
    }
    EXPECT_TRUE(fs::exists(data / "hiscore.txt"));
    EXPECT_FALSE(fs::exists(data / "a.json"));  // outputs stay where the program started
    // The title music started before the first pass; the title makes no sound.
    EXPECT_EQ(read_text(dir / "audio.log"), "-1 mus_play 7\n");

    // The same start tick gives the same run; another gives other numbers.
    EXPECT_EQ(read_text(dir / "a.json"), read_text(dir / "b.json"));
    EXPECT_NE(get(s, "rand_state"), get(state("c.json"), "rand_state"));
    // One trace line per pass, the last equal to the dump.
    std::vector<std::string> trace = lines_of(read_text(dir / "t.json"));
    ASSERT_EQ(trace.size(), 30u);
    for (int p = 0; p < 30; p += 29) {
        JsonValue line;
        ASSERT_TRUE(json_lite::parse(trace[p], &line));
        EXPECT_EQ(get(line, "pass"), p);
        EXPECT_EQ(get(line, "tick"), 5000 + 33 * (p + 1));
    }
    EXPECT_EQ(trace[29] + "\n", read_text(dir / "a.json"));
}

TEST_F(HarnessRun, TitleScreenPicture)
{
    // Only the first colon ends the pass number.
    ASSERT_EQ(run_headless("--passes=12 --shot 0:first.png --shot 11:title:11.png"), 0) << err();
    std::vector<uint8_t> rgb;
    std::vector<uint8_t> first;
    int w = 0;
    int h = 0;
    ASSERT_TRUE(plat_read_png((dir / "first.png").c_str(), &first, &w, &h));
    ASSERT_TRUE(plat_read_png((dir / "title:11.png").c_str(), &rgb, &w, &h));
    ASSERT_EQ(w * h, 640 * 480);
    EXPECT_EQ(rgb, first);  // nothing moves on the title screen

    // The title image through the display palette (HiScore.bmp's after the
    // start-up), and "PRESS SPACEBAR TO BEGIN" in one red at (230, 278).
    BitmapImage title{};
    BitmapImage hiscore{};
    ASSERT_EQ(gfx_load_bitmap(&title, (data / "titlescreen.bmp").c_str()), 1);
    ASSERT_EQ(gfx_load_bitmap(&hiscore, (data / "HiScore.bmp").c_str()), 1);
    int wrong_outside_text = 0;
    std::set<std::vector<uint8_t>> text_colours;
    int text_pixels = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const PlatPaletteEntry& e = hiscore.palette[title.pixels[y * 640 + x]];
            const uint8_t* got = &rgb[(static_cast<size_t>(y) * 640 + x) * 3];
            if (got[0] == e.red && got[1] == e.green && got[2] == e.blue) {
                continue;
            }
            if (y >= 278 && y < 300 && x >= 230 && x < 460) {
                text_colours.insert({got[0], got[1], got[2]});
                ++text_pixels;
            } else {
                ++wrong_outside_text;
            }
        }
    }
    gfx_unload_bitmap(&title);
    gfx_unload_bitmap(&hiscore);
    EXPECT_EQ(wrong_outside_text, 0);
    EXPECT_GT(text_pixels, 150);
    ASSERT_EQ(text_colours.size(), 1u);
    const std::vector<uint8_t>& red = *text_colours.begin();
    EXPECT_GT(red[0], 150);
    EXPECT_LT(red[1] + red[2], 200);
}

TEST_F(HarnessRun, QuitKeyEndsTheRunNormally)
{
    write("quit.txt", "4 +SPACE\n5 -SPACE\n10 +Q\n");
    ASSERT_EQ(run_headless("--input quit.txt --passes 1000 --dump dump.json --trace trace.json"), 0) << err();
    JsonValue s = state("dump.json");
    // Q seen in pass 10, the window closed in 11, the loop left in 12.
    EXPECT_EQ(get(s, "pass"), 11);
    EXPECT_EQ(get(s, "tick"), 1000 + 33 * 12);
    EXPECT_EQ(get(s, "quit_requested"), 1);
    EXPECT_EQ(get(s, "game_mode"), 1);  // the menu, opened by the space bar
    EXPECT_EQ(lines_of(read_text(dir / "trace.json")).size(), 12u);
    EXPECT_EQ(err(), "");
}

TEST_F(HarnessRun, BadCommandLinesExitWithStatus2AndOneLine)
{
    write("bad.txt", "5 +SPACE\n4 -SPACE\n");
    write("badkey.txt", "5 +ENTER\n");
    std::vector<std::string> bad = {
        "--headless --bogus",
        "headless",
        "--headless=1",
        "--headless --data data --passes",
        "--headless --data data --passes ten",
        "--headless --data data --passes -1",
        "--headless --data data --passes 3000000000",
        "--headless --data data --start-tick 4294967296",
        "--headless --data data --start-tick ''",
        "--headless --data data --shot 3",
        "--headless --data data --shot 3:",
        "--headless --data data --shot :a.png",
        "--headless --data data --dump ''",
        "--headless --data data --input missing.txt",
        "--headless --data data --input bad.txt",
        "--headless --data data --input badkey.txt",
        "--headless --data no-such-dir --passes 1",
        "--input bad.txt",  // the script and the clock need headless mode
        "--start-tick 5",
        "--headless --data data --passes 1 --trace no-such-dir/t.json",
        "--headless --data data --passes 1 --dump no-such-dir/d.json",
        "--headless --data data --passes 1 --shot 0:no-such-dir/s.png",
        "--headless --data data --passes 1 --audio-log no-such-dir/a.log",
        "--headless --data data",
    };
    for (int i = 0; i <= CMDLINE_MAX_SHOTS; ++i) {
        bad.back() += " --shot " + std::to_string(i) + ":s.png";  // one too many
    }
    for (const std::string& args : bad) {
        EXPECT_EQ(run(args), 2) << args;
        EXPECT_EQ(lines_of(err()).size(), 1u) << args << ": " << err();
    }
}

TEST_F(HarnessRun, HelpAndVersion)
{
    ASSERT_EQ(run("--help"), 0);
    EXPECT_NE(read_text(dir / "out.txt").find("--headless"), std::string::npos);
    ASSERT_EQ(run("--version"), 0);
    EXPECT_EQ(read_text(dir / "out.txt").rfind("tailgate ", 0), 0u);
}

TEST_F(HarnessRun, FailedStartUpExitsWithStatus1NamingTheFile)
{
    fs::remove(data / "cars2.bmp");
    EXPECT_EQ(run_headless("--passes 5 --dump dump.json"), 1);
    std::vector<std::string> lines = lines_of(err());
    ASSERT_EQ(lines.size(), 1u) << err();
    EXPECT_NE(lines[0].find("cars2.bmp"), std::string::npos) << lines[0];
    EXPECT_FALSE(fs::exists(dir / "dump.json"));
}

// A game lost with a table it beats reaches the initials entry, which waits
// inside one pass for keys the script no longer has.
TEST_F(HarnessRun, ScriptRunningOutInsideAPassExitsWithStatus3)
{
    std::string table = "10\n";
    for (int i = 0; i < 10; ++i) {
        table += "-1000000\n";
    }
    for (char c : std::string("abcdef") + std::string(30, 'Q')) {
        table += std::string(1, c) + "\n";
    }
    write("data/hiscore.txt", table);
    write("crash.txt", "0 +SPACE\n1 -SPACE\n3 +S\n4 -S\n6 +SPACE\n7 -SPACE +UP\n");
    EXPECT_EQ(run_headless("--input crash.txt --passes 6000 --dump dump.json --trace trace.json"), 3) << err();
    JsonValue s = state("dump.json");
    long long pass = get(s, "pass");
    EXPECT_GT(pass, 7);
    EXPECT_LT(pass, 6000);
    EXPECT_LT(get(s, "lives"), 1);  // the last truck is gone
    // Every pass that ended has its trace line; the one cut short has none.
    EXPECT_EQ(static_cast<long long>(lines_of(read_text(dir / "trace.json")).size()), pass);
}

}  // namespace
