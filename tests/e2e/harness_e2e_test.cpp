// The real program run headless: the title screen's dump, trace and picture,
// and the exit statuses of the harness with their one line of explanation.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <set>
#include <string>
#include <vector>

#include "display/display.h"
#include "platform/host.h"
#include "shell/cmdline.h"
#include "support/run.h"

namespace {

namespace fs = std::filesystem;
using test_support::GameRun;
using test_support::key;
using test_support::lines_of;
using test_support::read_text;
using test_support::write_text;

// Runs `args` expecting `status` and exactly one line on stderr, which
// starts with `said` when given. The line, or "" when the count is wrong.
std::string one_line(const GameRun& run, const std::string& args, int status, const std::string& said = "",
                     const std::string& env = "")
{
    EXPECT_EQ(run.run(args, env), status) << args.substr(0, 60);
    const std::vector<std::string> lines = lines_of(run.text("err.txt"));
    EXPECT_EQ(lines.size(), 1u) << args.substr(0, 60) << ": " << run.text("err.txt");
    const std::string line = lines.size() == 1 ? lines[0] : "";
    EXPECT_EQ(line.rfind(said, 0), 0u) << args.substr(0, 60) << ": " << line;
    return line;
}

TEST(Harness, TitleScreenDumpTraceReplayAndPicture)
{
    // Each run starts without a table (a missing one is made from the random
    // numbers, so it must be missing every time). Only the first colon of
    // --shot ends the pass number.
    GameRun run;
    for (const char* args : {"5000 --dump a.json --trace t.json --shot 0:first.png --shot 29:title:29.png --dump-at 10:at10.json",
                             "5000 --dump b.json", "5001 --dump c.json"}) {
        fs::remove(run.data / "hiscore.txt");
        ASSERT_EQ(run.run("--headless --data data --passes 30 --start-tick " + std::string(args)), 0)
            << run.text("err.txt");
    }
    const std::string s = run.text("a.json");
    EXPECT_TRUE(test_support::state_has(s, {{"pass", 29}, {"tick", 5000 + 33 * 30}, {"clock_start", 5000},
                                            {"game_mode", 0}, {"lives", 2}, {"music_current", 7}}));  // H.MID
    EXPECT_FALSE(fs::exists(run.data / "a.json"));  // outputs stay where the program started
    // The same start tick gives the same run; another gives other numbers.
    EXPECT_EQ(s, run.text("b.json"));
    EXPECT_NE(key(s, "rand_state"), key(run.text("c.json"), "rand_state"));
    // One trace line per pass, the last equal to the dump.
    const std::vector<std::string> trace = lines_of(run.text("t.json"));
    ASSERT_EQ(trace.size(), 30u);
    EXPECT_TRUE(test_support::state_has(trace[0], {{"pass", 0}, {"tick", 5033}}));
    EXPECT_EQ(trace[29] + "\n", s);
    EXPECT_EQ(trace[10] + "\n", run.text("at10.json"));

    std::vector<uint8_t> rgb, first_shot;
    int w = 0, h = 0;
    ASSERT_TRUE(plat_read_png((run.dir / "first.png").c_str(), &first_shot, &w, &h));
    ASSERT_TRUE(plat_read_png((run.dir / "title:29.png").c_str(), &rgb, &w, &h));
    ASSERT_EQ(w * h, 640 * 480);
    EXPECT_EQ(rgb, first_shot);  // nothing moves on the title screen
    // The title image through HiScore.bmp's palette (the display's after the
    // start-up), and "PRESS SPACEBAR TO BEGIN" in one red at (230, 278).
    BitmapImage title{}, hiscore{};
    ASSERT_EQ(gfx_load_bitmap(&title, (run.data / "titlescreen.bmp").c_str()), 1);
    ASSERT_EQ(gfx_load_bitmap(&hiscore, (run.data / "HiScore.bmp").c_str()), 1);
    int wrong_outside_text = 0;
    std::multiset<int> text_colours;  // as 0xRRGGBB
    for (int i = 0; i < 640 * 480; ++i) {
        const PlatPaletteEntry& e = hiscore.palette[title.pixels[i]];
        const int got = rgb[i * 3] << 16 | rgb[i * 3 + 1] << 8 | rgb[i * 3 + 2];
        if (got != (e.red << 16 | e.green << 8 | e.blue)) {
            const bool in_text = i / 640 >= 278 && i / 640 < 300 && i % 640 >= 230 && i % 640 < 460;
            wrong_outside_text += !in_text;
            if (in_text) {
                text_colours.insert(got);
            }
        }
    }
    gfx_unload_bitmap(&title);
    gfx_unload_bitmap(&hiscore);
    EXPECT_EQ(wrong_outside_text, 0);
    EXPECT_GT(text_colours.size(), 150u);
    const int red = *text_colours.begin();
    EXPECT_EQ(text_colours.count(red), text_colours.size()) << "one colour";
    EXPECT_GT(red >> 16, 150);
    EXPECT_LT((red >> 8 & 255) + (red & 255), 200);
}

// A bad command line or script, or an output path that cannot be written (a
// directory, a name too long, a missing directory) is status 2 with one line
// and no run. A write that fails during the run (a full device) is said in
// one line with status 1; nothing is lost silently.
TEST(Harness, BadCommandLinesAndOutputsAreStatusTwoWriteErrorsStatusOne)
{
    GameRun run;
    ASSERT_EQ(run.run("--help"), 0);
    EXPECT_NE(run.text("out.txt").find("--headless"), std::string::npos);
    ASSERT_EQ(run.run("--version"), 0);
    EXPECT_EQ(run.text("out.txt").rfind("tailgate ", 0), 0u);

    write_text(run.dir / "bad.txt", "5 +SPACE\n4 -SPACE\n");
    fs::create_directory(run.dir / "out");
    const std::string h = "--headless --data data ";
    std::vector<std::string> bad = {
        "--headless --bogus", "headless", "--headless=1", h + "--passes", h + "--passes ten", h + "--passes -1",
        h + "--passes 3000000000", h + "--start-tick 4294967296", h + "--start-tick ''", h + "--shot 3",
        h + "--shot 3:", h + "--shot :a.png", h + "--dump-at 3", h + "--dump ''", h + "--input missing.txt",
        h + "--input bad.txt", "--headless --data no-such-dir",
        "--input bad.txt", "--start-tick 5",  // the script and the clock need headless mode
        h + "--dump-at 0:no-such-dir/d.json", h + "--trace no-such-dir/t.json", h + "--dump no-such-dir/d.json",
        h + "--shot 0:no-such-dir/s.png", h + "--audio-log no-such-dir/a.log", h + "--dump out", h + "--shot 1:out",
        h + "--dump-at 1:out", h + "--trace out/", h + "--audio-log out", h + "--dump " + std::string(4000, 'x'),
        h + "--trace out/" + std::string(300, 'y'), h,
    };
    for (int i = 0; i <= CMDLINE_MAX_SHOTS; ++i) {
        bad.back() += " --shot " + std::to_string(i) + ":s.png";  // one too many
    }
    for (const std::string& args : bad) {
        EXPECT_LT(one_line(run, args + " --passes 3", 2).size(), 400u);
    }
    EXPECT_FALSE(fs::exists(run.dir / std::string(200, 'x')));

    ASSERT_TRUE(fs::exists("/dev/full")) << "no /dev/full to test a full disk with";
    const std::pair<std::string, std::string> full[] = {
        {"--trace", "trace file"}, {"--audio-log", "audio log"}, {"--dump", "state dump"}, {"--shot 1:", "screen shot"}};
    for (const auto& [option, what] : full) {
        const std::string space = option.back() == ':' ? "" : " ";
        one_line(run, h + "--passes 3 " + option + space + "/dev/full", 1, "tailgate: cannot write " + what + " /dev/full");
    }
}

// A failed start-up is status 1 with one line naming the file and no dump:
// a missing picture, or no text face to draw the screens with.
TEST(Harness, FailedStartUpsNameTheirCause)
{
    GameRun run;
    fs::remove(run.data / "cars2.bmp");
    const std::string args = "--headless --data data --passes 5 --dump dump.json";
    EXPECT_NE(one_line(run, args, 1).find("cars2.bmp"), std::string::npos);
    fs::copy_file(fs::path(TAILGATE_DATA_DIR) / "cars2.bmp", run.data / "cars2.bmp");
    write_text(run.dir / "fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
    const std::string no_fonts = "FONTCONFIG_FILE='" + (run.dir / "fonts.conf").string() + "' ";
    EXPECT_NE(one_line(run, args, 1, "", no_fonts).find("DejaVu Sans Condensed"), std::string::npos);
    EXPECT_FALSE(fs::exists(run.dir / "dump.json"));
}

// A game lost with a table it beats reaches the initials entry, which waits
// inside one pass for keys the script no longer has: status 3, with the dump
// written and every pass that ended in the trace (the one cut short is not).
// Q at the entry quits from there as from any screen, keeping the letters
// typed so far: B (one Up), A, A on the first place.
TEST(Harness, ScriptRunningOutInsideAPassExitsWithStatus3)
{
    GameRun run;
    const std::string table = test_support::hiscore_text(std::vector<int>(10, -1000000), std::string(30, 'Q'));
    const std::string start = "0 +SPACE\n1 -SPACE\n3 +S\n4 -S\n6 +SPACE\n7 -SPACE +UP\n";
    write_text(run.data / "hiscore.txt", table);
    EXPECT_EQ(run.play(start, 6000, {}, "--trace trace.json", false), 3) << run.text("err.txt");
    ASSERT_EQ(run.states.size(), 1u);
    const long long pass = key(run.states[0], "pass");
    EXPECT_GT(pass, 7);
    EXPECT_LT(pass, 6000);
    EXPECT_LT(key(run.states[0], "lives"), 1);  // the last truck is gone
    EXPECT_EQ(static_cast<long long>(lines_of(run.text("trace.json")).size()), pass);

    write_text(run.data / "hiscore.txt", table);
    EXPECT_EQ(run.play(start + "100000 -UP +UP -UP +Q\n", 6000, {}, "", false), 0) << run.text("err.txt");
    EXPECT_LT(key(run.states.at(0), "pass"), 6000);
    const std::vector<std::string> saved = test_support::read_lines(run.data / "hiscore.txt");
    ASSERT_EQ(saved.size(), 47u);
    EXPECT_EQ(saved[17] + saved[18] + saved[19], "BAA");
}

// Data files that are there but cannot be used are named with the reason,
// also the ones the game can do without; a FIFO in a file's place is never
// waited on (the start-up would hang), and passes quietly where the file is
// optional. Where the file is needed, the start-up stops at once, naming it.
TEST(Harness, OddDataFilesAreNamedOrPassedOverNeverWaitedOn)
{
    GameRun run;
    std::string credits = read_text(run.data / "Credits.bmp");
    credits[30] = 1;  // the header says RLE8
    write_text(run.data / "Credits.bmp", credits);
    write_text(run.data / "car.WAV", "RIFF....not a wave at all");
    // A piece with more events than any of ours: one long run of notes.
    std::string track("\x00\x90\x40\x40", 4);
    for (int i = 0; i < 300000; ++i) {
        track += std::string("\x00\x40\x40", 3);
    }
    auto be32 = [](size_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    write_text(run.data / "A.MID", "MThd" + be32(6) + std::string("\x00\x00\x00\x01\x00\x60", 6) + "MTrk" +
                                       be32(track.size()) + track);
    for (const char* name : {"horn.WAV", "B.MID", "Controls.bmp", "hiscore.txt"}) {
        fs::remove(run.data / name);
        ASSERT_EQ(mkfifo((run.data / name).c_str(), 0644), 0) << name;
    }
    const std::string credits_said = "tailgate: Credits.bmp: compressed BMPs are not supported; save it uncompressed";
    EXPECT_EQ(run.run("--headless --data data --passes 5 --dump dump.json", "timeout 60 "), 0) << run.text("err.txt");
    EXPECT_EQ(lines_of(run.text("err.txt")),
              (std::vector<std::string>{credits_said, "tailgate: car.WAV: not a PCM WAV file, or damaged; not loaded",
                                        "tailgate: A.MID: more MIDI events than a piece of ours may have; not loaded"}));
    EXPECT_TRUE(fs::is_fifo(run.data / "hiscore.txt"));

    fs::remove(run.data / "truck.bmp");
    ASSERT_EQ(mkfifo((run.data / "truck.bmp").c_str(), 0644), 0);
    EXPECT_EQ(run.run("--headless --data data --passes 5", "timeout 60 "), 1);
    EXPECT_EQ(lines_of(run.text("err.txt")),
              (std::vector<std::string>{credits_said,
                                        "tailgate: start-up failed: cannot load truck.bmp: not a regular file"}));
}

}  // namespace
