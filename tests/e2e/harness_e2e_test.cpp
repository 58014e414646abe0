// The real program run headless: the title screen's dump, trace and picture,
// and the exit statuses of the harness (the quit key is run end to end with
// the front end's screens).
#include <gtest/gtest.h>

#include <sys/stat.h>
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
#include "support/game_data.h"

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

long long get(const JsonValue& state, const char* key)
{
    const JsonValue* value = state.get(key);
    EXPECT_NE(value, nullptr) << key;
    return value ? value->as_int() : -999999;
}

// A run of the game from a temporary directory, on its own copy of the data.
class HarnessRun : public testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(fs::path(TAILGATE_DATA_DIR) / "background.bmp")) {
            FAIL() << "no generated game data in " << TAILGATE_DATA_DIR;
        }
        char pattern[] = "/tmp/tailgate_e2e_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        data = dir / "data";
        ASSERT_TRUE(test_support::copy_game_data(data));
    }
    void TearDown() override { fs::remove_all(dir); }

    // Stdout and stderr go to out.txt and err.txt. Returns the exit status.
    int run(const std::string& args, const std::string& environment = "")
    {
        std::string command =
            "cd '" + dir.string() + "' && " + environment + "'" + TAILGATE_EXE + "' " + args + " >out.txt 2>err.txt";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int run_headless(const std::string& args) { return run("--headless --data data " + args); }
    void write(const std::string& name, const std::string& text) { std::ofstream(dir / name) << text; }
    std::string text(const std::string& name) { return read_text(dir / name); }
    JsonValue state(const std::string& name)
    {
        JsonValue value;
        EXPECT_TRUE(json_lite::parse(text(name), &value)) << name;
        return value;
    }

    fs::path dir;
    fs::path data;
};

TEST_F(HarnessRun, TitleScreenDumpTraceReplayAndPicture)
{
    // Each run starts without a table (a missing one is made from the random
    // numbers, so it must be missing every time). Only the first colon of
    // --shot ends the pass number.
    for (const char* args : {"5000 --dump a.json --trace t.json --shot 0:first.png --shot 29:title:29.png --dump-at 10:at10.json",
                             "5000 --dump b.json", "5001 --dump c.json"}) {
        fs::remove(data / "hiscore.txt");
        ASSERT_EQ(run_headless("--passes 30 --start-tick " + std::string(args)), 0) << text("err.txt");
    }
    JsonValue s = state("a.json");
    EXPECT_EQ(get(s, "pass"), 29);
    EXPECT_EQ(get(s, "tick"), 5000 + 33 * 30);
    EXPECT_EQ(get(s, "clock_start"), 5000);
    EXPECT_EQ(get(s, "game_mode"), 0);
    EXPECT_EQ(get(s, "lives"), 2);
    EXPECT_EQ(get(s, "music_current"), 7);  // H.MID, the eighth music loaded
    EXPECT_FALSE(fs::exists(data / "a.json"));  // outputs stay where the program started
    // The same start tick gives the same run; another gives other numbers.
    EXPECT_EQ(text("a.json"), text("b.json"));
    EXPECT_NE(get(s, "rand_state"), get(state("c.json"), "rand_state"));
    // One trace line per pass, the last equal to the dump.
    std::vector<std::string> trace = lines_of(text("t.json"));
    ASSERT_EQ(trace.size(), 30u);
    JsonValue first;
    ASSERT_TRUE(json_lite::parse(trace[0], &first));
    EXPECT_EQ(get(first, "pass"), 0);
    EXPECT_EQ(get(first, "tick"), 5033);
    EXPECT_EQ(trace[29] + "\n", text("a.json"));
    EXPECT_EQ(trace[10] + "\n", text("at10.json"));

    std::vector<uint8_t> rgb;
    std::vector<uint8_t> first_shot;
    int w = 0;
    int h = 0;
    ASSERT_TRUE(plat_read_png((dir / "first.png").c_str(), &first_shot, &w, &h));
    ASSERT_TRUE(plat_read_png((dir / "title:29.png").c_str(), &rgb, &w, &h));
    ASSERT_EQ(w * h, 640 * 480);
    EXPECT_EQ(rgb, first_shot);  // nothing moves on the title screen
    // The title image through HiScore.bmp's palette (the display's after the
    // start-up), and "PRESS SPACEBAR TO BEGIN" in one red at (230, 278).
    BitmapImage title{};
    BitmapImage hiscore{};
    ASSERT_EQ(gfx_load_bitmap(&title, (data / "titlescreen.bmp").c_str()), 1);
    ASSERT_EQ(gfx_load_bitmap(&hiscore, (data / "HiScore.bmp").c_str()), 1);
    int wrong_outside_text = 0;
    int text_pixels = 0;
    std::set<int> text_colours;  // as 0xRRGGBB
    for (int i = 0; i < 640 * 480; ++i) {
        const PlatPaletteEntry& e = hiscore.palette[title.pixels[i]];
        const int got = rgb[i * 3] << 16 | rgb[i * 3 + 1] << 8 | rgb[i * 3 + 2];
        if (got != (e.red << 16 | e.green << 8 | e.blue)) {
            const bool in_text = i / 640 >= 278 && i / 640 < 300 && i % 640 >= 230 && i % 640 < 460;
            text_pixels += in_text;
            wrong_outside_text += !in_text;
            if (in_text) {
                text_colours.insert(got);
            }
        }
    }
    gfx_unload_bitmap(&title);
    gfx_unload_bitmap(&hiscore);
    EXPECT_EQ(wrong_outside_text, 0);
    EXPECT_GT(text_pixels, 150);
    ASSERT_EQ(text_colours.size(), 1u);
    const int red = *text_colours.begin();
    EXPECT_GT(red >> 16, 150);
    EXPECT_LT((red >> 8 & 255) + (red & 255), 200);
}

TEST_F(HarnessRun, ExitStatusesAndTheirMessages)
{
    ASSERT_EQ(run("--help"), 0);
    EXPECT_NE(text("out.txt").find("--headless"), std::string::npos);
    ASSERT_EQ(run("--version"), 0);
    EXPECT_EQ(text("out.txt").rfind("tailgate ", 0), 0u);

    // A bad command line or script: status 2 and one line.
    write("bad.txt", "5 +SPACE\n4 -SPACE\n");
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
        "--headless --data data --scale 0",
        "--headless --data data --scale 9",
        "--window --fullscreen",
        "--headless --data data --shot 3",
        "--headless --data data --shot 3:",
        "--headless --data data --shot :a.png",
        "--headless --data data --dump-at 3",
        "--headless --data data --passes 1 --dump-at 0:no-such-dir/d.json",
        "--headless --data data --dump ''",
        "--headless --data data --input missing.txt",
        "--headless --data data --input bad.txt",
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
        EXPECT_EQ(lines_of(text("err.txt")).size(), 1u) << args << ": " << text("err.txt");
    }

    // A failed start-up: status 1, one line naming the file, no dump.
    fs::remove(data / "cars2.bmp");
    EXPECT_EQ(run_headless("--passes 5 --dump dump.json"), 1);
    std::vector<std::string> lines = lines_of(text("err.txt"));
    ASSERT_EQ(lines.size(), 1u) << text("err.txt");
    EXPECT_NE(lines[0].find("cars2.bmp"), std::string::npos) << lines[0];
    EXPECT_FALSE(fs::exists(dir / "dump.json"));

    // No text face: the screens cannot be drawn, so the game does not start.
    write("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
    fs::copy_file(fs::path(TAILGATE_DATA_DIR) / "cars2.bmp", data / "cars2.bmp");
    const std::string no_fonts = "FONTCONFIG_FILE='" + (dir / "fonts.conf").string() + "' ";
    EXPECT_EQ(run("--headless --data data --passes 5 --dump dump.json", no_fonts), 1);
    lines = lines_of(text("err.txt"));
    ASSERT_EQ(lines.size(), 1u) << text("err.txt");
    EXPECT_NE(lines[0].find("DejaVu Sans Condensed"), std::string::npos) << lines[0];
    EXPECT_FALSE(fs::exists(dir / "dump.json"));
}

// A game lost with a table it beats reaches the initials entry, which waits
// inside one pass for keys the script no longer has: status 3, with the dump
// written and every pass that ended in the trace (the one cut short is not).
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
    EXPECT_EQ(run_headless("--input crash.txt --passes 6000 --dump dump.json --trace trace.json"), 3)
        << text("err.txt");
    JsonValue s = state("dump.json");
    long long pass = get(s, "pass");
    EXPECT_GT(pass, 7);
    EXPECT_LT(pass, 6000);
    EXPECT_LT(get(s, "lives"), 1);  // the last truck is gone
    EXPECT_EQ(static_cast<long long>(lines_of(text("trace.json")).size()), pass);

    // Q at the entry quits from there as from any screen, keeping the
    // letters typed so far: B (one Up), A, A on the first place.
    write("data/hiscore.txt", table);
    write("quit.txt", "0 +SPACE\n1 -SPACE\n3 +S\n4 -S\n6 +SPACE\n7 -SPACE +UP\n100000 -UP +UP -UP +Q\n");
    EXPECT_EQ(run_headless("--input quit.txt --passes 6000 --dump dump.json"), 0) << text("err.txt");
    EXPECT_LT(get(state("dump.json"), "pass"), 6000);
    std::vector<std::string> saved = lines_of(text("data/hiscore.txt"));
    ASSERT_EQ(saved.size(), 47u);
    EXPECT_EQ(saved[17] + saved[18] + saved[19], "BAA");
}

// Every output path is checked before the run: a directory, a name too
// long for the file system or a missing directory is status 2 with one line
// and no run. A write that fails during the run (a full device) is said in
// one line and gives status 1; nothing is lost silently.
TEST_F(HarnessRun, OutputPathsAreCheckedFirstAndWriteErrorsAreSaid)
{
    fs::create_directory(dir / "out");
    const std::string long_name(4000, 'x');
    const std::vector<std::string> bad = {
        "--dump out", "--shot 1:out", "--dump-at 1:out", "--trace out/", "--audio-log out",
        "--dump " + long_name, "--trace out/" + std::string(300, 'y'), "--shot 1:missing/s.png",
    };
    for (const std::string& args : bad) {
        EXPECT_EQ(run_headless("--passes 3 " + args), 2) << args.substr(0, 40);
        const std::vector<std::string> lines = lines_of(text("err.txt"));
        ASSERT_EQ(lines.size(), 1u) << args.substr(0, 40) << ": " << text("err.txt");
        EXPECT_LT(lines[0].size(), 400u);
    }
    EXPECT_FALSE(fs::exists(dir / long_name.substr(0, 200)));

    if (!fs::exists("/dev/full")) {
        FAIL() << "no /dev/full to test a full disk with";
    }
    const std::pair<std::string, std::string> full[] = {
        {"--trace /dev/full", "cannot write trace file /dev/full"},
        {"--audio-log /dev/full", "cannot write audio log /dev/full"},
        {"--dump /dev/full", "cannot write state dump /dev/full"},
        {"--shot 1:/dev/full", "cannot write screen shot /dev/full"},
    };
    for (const auto& [args, said] : full) {
        EXPECT_EQ(run_headless("--passes 3 " + args), 1) << args;
        const std::vector<std::string> lines = lines_of(text("err.txt"));
        ASSERT_EQ(lines.size(), 1u) << args << ": " << text("err.txt");
        EXPECT_EQ(lines[0].rfind("tailgate: " + said, 0), 0u) << lines[0];
    }
}

// Data files that are there but cannot be used are named with the reason,
// also the ones the game can do without; a FIFO in a file's place is never
// waited on (the start-up would hang), and passes quietly where the file is
// optional.
TEST_F(HarnessRun, OddDataFilesAreNamedOrPassedOverNeverWaitedOn)
{
    // A compressed credits picture: the header says RLE8.
    std::string credits = read_text(data / "Credits.bmp");
    credits[30] = 1;
    write("data/Credits.bmp", credits);
    write("data/car.WAV", "RIFF....not a wave at all");
    // A piece with more events than any of ours: one long run of notes.
    std::string track("\x00\x90\x40\x40", 4);
    for (int i = 0; i < 300000; ++i) {
        track += std::string("\x00\x40\x40", 3);
    }
    auto be32 = [](size_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    write("data/A.MID", std::string("MThd") + be32(6) + std::string("\x00\x00\x00\x01\x00\x60", 6) + "MTrk" +
                            be32(track.size()) + track);
    for (const char* name : {"horn.WAV", "B.MID", "Controls.bmp", "hiscore.txt"}) {
        fs::remove(data / name);
        ASSERT_EQ(mkfifo((data / name).c_str(), 0644), 0) << name;
    }

    EXPECT_EQ(run("--headless --data data --passes 5 --dump dump.json", "timeout 60 "), 0) << text("err.txt");
    EXPECT_EQ(lines_of(text("err.txt")),
              (std::vector<std::string>{
                  "tailgate: Credits.bmp: compressed BMPs are not supported; save it uncompressed",
                  "tailgate: car.WAV: not a PCM WAV file, or damaged; not loaded",
                  "tailgate: A.MID: more MIDI events than a piece of ours may have; not loaded",
              }));
    EXPECT_TRUE(fs::is_fifo(data / "hiscore.txt"));

    // Where the file is needed, the start-up stops at once, naming it.
    fs::remove(data / "truck.bmp");
    ASSERT_EQ(mkfifo((data / "truck.bmp").c_str(), 0644), 0);
    EXPECT_EQ(run("--headless --data data --passes 5", "timeout 60 "), 1);
    EXPECT_EQ(lines_of(text("err.txt")),
              (std::vector<std::string>{
                  "tailgate: Credits.bmp: compressed BMPs are not supported; save it uncompressed",
                  "tailgate: start-up failed: cannot load truck.bmp: not a regular file",
              }));
}

}  // namespace
