// The real program run headless: whole games played by the scripts the
// autopilot wrote (tests/data/games) - the first level won by ramming, all
// three levels with the initials in the high-score file, a game lost truck by
// truck, each replayed once on its own copy of the game data and checked from
// that run - and the harness itself: the title screen's dump, trace and
// picture, and the exit statuses with their one line of explanation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "display/display.h"
#include "platform/host.h"
#include "shell/cmdline.h"
#include "support/fields.h"
#include "support/run.h"

namespace {

namespace fs = std::filesystem;
using test_support::fields_are;
using test_support::state_has;

constexpr int MODE_MENU_ID = 1;
constexpr int MODE_STORY_ID = 4;
constexpr int MODE_PLAY_ID = 5;

// One replay of a whole script: its header (start tick, passes, score,
// milestones) read, then the dump after the last pass, the state after each
// pass of `at_milestones` (plus `later` passes) and a screenshot there.
struct Replay {
    std::map<std::string, int> header;
    std::map<int, std::string> at;  // pass -> state line
    std::string last;
    test_support::GameRun run;

    Replay(const char* name, std::initializer_list<std::pair<const char*, int>> at_milestones)
    {
        const std::string script =
            test_support::read_text(std::string(TAILGATE_SOURCE_DIR) + "/tests/data/games/" + name);
        std::istringstream lines(script);
        for (std::string line; std::getline(lines, line) && line.starts_with("#");) {
            std::istringstream words(line.substr(1));
            std::string word;
            words >> word;
            if (word == "milestone") {
                words >> word;
            }
            words >> header[word];
        }
        std::string more = "--start-tick " + std::to_string(header["start-tick"]);
        std::vector<int> shots;
        for (const auto& [milestone, later] : at_milestones) {
            EXPECT_TRUE(header.count(milestone)) << milestone;
            shots.push_back(header[milestone] + later);
            more += " --dump-at " + std::to_string(shots.back()) + ":at" + std::to_string(shots.back()) + ".json";
        }
        EXPECT_GT(header["passes"], 0) << name;
        EXPECT_EQ(run.play(script, header["passes"], shots, more, false), 0) << run.text("err.txt");
        last = run.states.empty() ? "" : run.states[0];
        for (int pass : shots) {
            at[pass] = run.text("at" + std::to_string(pass) + ".json");
        }
    }
    const std::string& state(const char* milestone, int later = 0) { return at[header[milestone] + later]; }
    int score() { return header["score"]; }
};

// Pixels of the game's red text colour inside a rectangle of a screenshot.
int red_pixels(const fs::path& png, int left, int top, int right, int bottom)
{
    std::vector<uint8_t> rgb;
    int w = 0, h = 0;
    if (!plat_read_png(png.c_str(), &rgb, &w, &h) || w != 640 || h != 480) {
        return -1;
    }
    int count = 0;
    for (int y = top; y < bottom; y++) {
        for (int x = left; x < right; x++) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            count += p[0] > 180 && p[1] < 70 && p[2] < 70;
        }
    }
    return count;
}

TEST(ScriptedGame, FirstLevelRamsTheAlienAndReachesStoryPageOne)
{
    Replay replay("first_level.txt", {{"pinned-0", 0}, {"victory-0", 0}});

    // The alien pinned against the top edge.
    EXPECT_TRUE(state_has(replay.state("pinned-0"), {{"game_mode", MODE_PLAY_ID},
                                                     {"play_state", 5},
                                                     {"level_index", 0},
                                                     {"alien_pinned", 1},
                                                     {"alien_y", -20},
                                                     {"alien_frame", 1}}));
    // The road ended in the battle's first pass: the brakes squeal and the
    // radio stops; the battle music starts in the next.
    const int battle = replay.header["battle-0"];
    EXPECT_FALSE(replay.run.logged(std::to_string(battle - 1) + " snd_play 8"));
    EXPECT_TRUE(replay.run.logged(std::to_string(battle) + " snd_play 8"));      // brake.WAV
    EXPECT_TRUE(replay.run.logged(std::to_string(battle + 1) + " mus_play 9"));  // Battle.MID
    bool radio_stopped = false;
    for (const std::string& call : replay.run.audio) {
        radio_stopped |= call.starts_with(std::to_string(battle) + " mus_stop ");
    }
    EXPECT_TRUE(radio_stopped);

    // Beaten without a cannon: only rams count in level 0. The congratulation
    // text across the road.
    const std::string& victory = replay.state("victory-0");
    EXPECT_TRUE(state_has(victory, {{"alien_defeated", 1}, {"alien_health", 0}, {"level_index", 0}}));
    EXPECT_NE(victory.find("\"shells\":[[0,0,0],[0,0,0],[0,0,0],[0,0,0],[0,0,0]]"), std::string::npos);
    EXPECT_GT(red_pixels(replay.run.shot(replay.header["victory-0"]), 220, 250, 600, 270), 200);

    EXPECT_TRUE(state_has(replay.last, {{"game_mode", MODE_STORY_ID},
                                        {"level_index", 1},
                                        {"score", replay.score()},
                                        {"help_calls", 2},
                                        {"alien_step", 0},
                                        {"distance", 0}}));
}

TEST(ScriptedGame, WholeGameEndsWithTheInitialsInTheHighScoreFile)
{
    Replay replay("whole_game.txt", {{"story-3", 0}, {"volley-2", 12}});

    // The finale page after the third alien; a volley in flight on the way.
    EXPECT_TRUE(
        state_has(replay.state("story-3"),
                  {{"game_mode", MODE_STORY_ID}, {"level_index", 3}, {"score", replay.score()}, {"help_calls", 0}}));
    EXPECT_GT(fs::file_size(replay.run.shot(replay.header["volley-2"] + 12)), 1000u);

    // A won game gives the next one a spare more.
    EXPECT_TRUE(state_has(
        replay.last, {{"game_mode", MODE_MENU_ID}, {"level_index", 0}, {"score", 0}, {"lives", 3}, {"help_calls", 3}}));
    // The file: the count, the scores best first, a to f, then the initials
    // one letter a line.
    const std::vector<std::string> lines = test_support::read_lines(replay.run.data / "hiscore.txt");
    ASSERT_EQ(lines.size(), 47u);
    EXPECT_EQ(lines[0], "10");
    EXPECT_EQ(lines[1], std::to_string(replay.score())) << "the best score";
    EXPECT_EQ(lines[17] + lines[18] + lines[19], "ZYX") << "its initials";
}

TEST(ScriptedGame, LosingEveryTruckLeadsThroughGameOverToTheMenu)
{
    Replay replay("game_over.txt", {{"game-over", 0}});

    EXPECT_TRUE(state_has(replay.state("game-over"), {{"game_mode", MODE_PLAY_ID},
                                                      {"play_state", 3},
                                                      {"lives", -1},
                                                      {"truck_wrecked", 1},
                                                      {"score", replay.score()}}));
    EXPECT_GT(red_pixels(replay.run.shot(replay.header["game-over"]), 340, 220, 440, 240), 50);  // "GAME OVER"

    EXPECT_TRUE(state_has(replay.last, {{"game_mode", MODE_MENU_ID},
                                        {"play_state", 0},
                                        {"level_index", 0},
                                        {"lives", 2},
                                        {"help_calls", 3},
                                        {"score", 0},
                                        {"truck_wrecked", 0}}));
}

using test_support::GameRun;
using test_support::key;
using test_support::lines_of;
using test_support::read_text;
using test_support::run_status;
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
    for (const char* args :
         {"5000 --dump a.json --trace t.json --shot 0:first.png --shot 29:title:29.png --dump-at 10:at10.json",
          "5000 --dump b.json", "5001 --dump c.json"}) {
        fs::remove(run.data / "hiscore.txt");
        ASSERT_EQ(run.run("--headless --data data --passes 30 --start-tick " + std::string(args)), 0)
            << run.text("err.txt");
    }
    const std::string s = run.text("a.json");
    EXPECT_TRUE(test_support::state_has(s, {{"pass", 29},
                                            {"tick", 5000 + 33 * 30},
                                            {"clock_start", 5000},
                                            {"game_mode", 0},
                                            {"lives", 2},
                                            {"music_current", 7}}));  // H.MID
    EXPECT_FALSE(fs::exists(run.data / "a.json"));                    // outputs stay where the program started
    // Every key with its shape: one integer, one number, or rows of numbers.
    EXPECT_EQ(std::count(s.begin(), s.end(), ':'), 48) << "the keys, no more";
    for (const char* k : {"pass",
                          "tick",
                          "rand_state",
                          "game_mode",
                          "play_state",
                          "level_index",
                          "score",
                          "lives",
                          "help_calls",
                          "wreck_timer",
                          "respawn_timer",
                          "help_timer",
                          "distance",
                          "truck_x",
                          "truck_y",
                          "truck_wrecked",
                          "damage",
                          "clock_start",
                          "radio_station",
                          "radio_freq_major",
                          "radio_freq_minor",
                          "battle_music_on",
                          "quit_requested",
                          "story_audio_started",
                          "alien_x",
                          "alien_y",
                          "alien_health",
                          "alien_frame",
                          "alien_defeated",
                          "alien_pinned",
                          "alien_step",
                          "alien_step_timer",
                          "music_current"}) {
        const std::vector<double> v = test_support::values(s, k);
        EXPECT_TRUE(v.size() == 1 && v[0] == std::floor(v[0])) << k;
    }
    for (const char* k : {"truck_speed", "truck_accel", "truck_vy", "story_scroll"}) {
        EXPECT_EQ(test_support::values(s, k).size(), 1u) << k;
    }
    const std::pair<const char*, size_t> tables[] = {
        {"alien_script", 60}, {"shells", 15},  {"alien_shots", 50}, {"traffic", 800},      {"dash_active", 100},
        {"dash_x", 100},      {"dash_y", 100}, {"sparks", 900},     {"hiscore_scores", 10}};
    for (const auto& [k, count] : tables) {
        EXPECT_EQ(test_support::values(s, k).size(), count) << k;
    }
    EXPECT_NE(s.find("\"hiscore_initials\":[\""), std::string::npos);
    EXPECT_NE(s.find("\"sounds_playing\":["), std::string::npos);
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
    int wrong_outside_text = 0, text_pixels = 0;
    std::set<int> text_colours;  // as 0xRRGGBB
    for (int i = 0; i < 640 * 480; ++i) {
        const PlatPaletteEntry& e = hiscore.palette[title.pixels[i]];
        const int got = rgb[i * 3] << 16 | rgb[i * 3 + 1] << 8 | rgb[i * 3 + 2];
        const bool changed = got != (e.red << 16 | e.green << 8 | e.blue);
        const bool in_text = i / 640 >= 278 && i / 640 < 300 && i % 640 >= 230 && i % 640 < 460;
        wrong_outside_text += changed && !in_text;
        text_pixels += changed && in_text;
        if (changed && in_text) {
            text_colours.insert(got);
        }
    }
    gfx_unload_bitmap(&title);
    gfx_unload_bitmap(&hiscore);
    EXPECT_TRUE(fields_are({FIELD(wrong_outside_text, 0), FIELD(text_pixels > 150, 1)}));
    ASSERT_EQ(text_colours.size(), 1u);
    const int red = *text_colours.begin();
    EXPECT_TRUE(red >> 16 > 150 && (red >> 8 & 255) + (red & 255) < 200) << std::hex << red;
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
        "--headless --bogus",
        "headless",
        "--headless=1",
        h + "--passes",
        h + "--passes ten",
        h + "--passes -1",
        h + "--passes 3000000000",
        h + "--start-tick 4294967296",
        h + "--start-tick ''",
        h + "--scale 0",
        h + "--scale 9",
        "--window --fullscreen",
        h + "--shot 3",
        h + "--shot 3:",
        h + "--shot :a.png",
        h + "--dump-at 3",
        h + "--dump ''",
        h + "--input missing.txt",
        h + "--input bad.txt",
        "--headless --data no-such-dir",
        "--input bad.txt",
        "--start-tick 5",  // the script and the clock need headless mode
        h + "--dump-at 0:no-such-dir/d.json",
        h + "--trace no-such-dir/t.json",
        h + "--dump no-such-dir/d.json",
        h + "--shot 0:no-such-dir/s.png",
        h + "--audio-log no-such-dir/a.log",
        h + "--dump out",
        h + "--shot 1:out",
        h + "--dump-at 1:out",
        h + "--trace out/",
        h + "--audio-log out",
        h + "--dump " + std::string(4000, 'x'),
        h + "--trace out/" + std::string(300, 'y'),
        h,
    };
    for (int i = 0; i <= CMDLINE_MAX_SHOTS; ++i) {
        bad.back() += " --shot " + std::to_string(i) + ":s.png";  // one too many
    }
    for (const std::string& args : bad) {
        EXPECT_LT(one_line(run, args + " --passes 3", 2).size(), 400u);
    }
    EXPECT_FALSE(fs::exists(run.dir / std::string(200, 'x')));

    // Outputs that are no regular file would block for ever or go nowhere:
    // refused before the run. Every option's name too long says so.
    ASSERT_EQ(mkfifo((run.dir / "fifo").c_str(), 0644), 0);
    const std::string long_name = std::string(5000, 'n');
    for (const char* option : {"--trace ", "--audio-log ", "--dump ", "--shot 1:", "--dump-at 1:", "--record "}) {
        SCOPED_TRACE(option);
        const std::string mode = std::string(option) == "--record " ? "--window --data data " : h;
        for (const char* path : {"fifo", "/dev/null", "/dev/full"}) {
            const std::string line = one_line(run, mode + "--passes 3 " + option + path, 2);
            EXPECT_NE(line.find("not a regular file"), std::string::npos) << line;
        }
        EXPECT_NE(one_line(run, mode + "--passes 3 " + option + long_name, 2).find("file name too long"),
                  std::string::npos);
    }
    for (const char* option : {"--input ", "--config ", "--data "}) {
        EXPECT_NE(one_line(run, std::string("--headless ") + option + long_name, 2).find("file name too long"),
                  std::string::npos)
            << option;
    }

    // A write that fails during the run (every write to a file fails, as
    // on a full disk): one line with the reason, status 1, and no empty or
    // partial file left. The table is a damaged one, which is left as it
    // is, so the outputs are the only writes; stderr goes through a pipe.
    test_support::write_text(run.data / "hiscore.txt",
                             test_support::hiscore_text(std::vector<int>(10, 5)) + "stray words\n");
    const std::pair<std::string, std::string> full[] = {{"--trace ", "trace file"},
                                                        {"--audio-log ", "audio log"},
                                                        {"--dump ", "state dump"},
                                                        {"--shot 1:", "screen shot"},
                                                        {"--dump-at 1:", "state dump"}};
    for (const auto& [option, what] : full) {
        SCOPED_TRACE(option);
        fs::remove(run.dir / "out.x");
        run_status("cd '" + run.dir.string() + "' && (trap '' XFSZ; ulimit -f 0; '" + TAILGATE_EXE + "' " + h +
                   "--passes 3 " + option + "out.x 2>&1 >/dev/null; echo \"status $?\") | cat >err.txt");
        const std::vector<std::string> lines = lines_of(run.text("err.txt"));
        ASSERT_EQ(lines.size(), 2u) << run.text("err.txt");
        EXPECT_EQ(lines[0], "tailgate: cannot write " + what + " " + (run.dir / "out.x").string() + ": File too large");
        EXPECT_EQ(lines[1], "status 1");
        EXPECT_FALSE(fs::exists(run.dir / "out.x"));
    }
}

// A state dump without its initials (a table that cannot be read leaves
// them as zero bytes).
std::string without_initials(std::string dump)
{
    const size_t from = dump.find("\"hiscore_initials\"");
    const size_t to = dump.find("\"music_current\"");
    return from < to && to != std::string::npos ? dump.erase(from, to - from) : dump;
}

// The high-score table. A player's own table (no --data) that cannot be
// kept stops the start-up; with --data, a table that cannot be used is
// named and the game goes on exactly as without one. A save that cannot be
// written is said at once in one line and the run ends with status 1, the
// outputs all written. When the tests run as root the runs that need a
// folder the player cannot write run as nobody.
TEST(Harness, HighScoreTablesThatCannotBeKeptAreSaidAndFailTheRun)
{
    GameRun run;
    ASSERT_EQ(chmod(run.dir.c_str(), 0755), 0);
    // The player's runs use a copy of the program in the scratch folder,
    // which nobody may reach wherever the build is.
    fs::copy_file(TAILGATE_EXE, run.dir / "tailgate");
    const std::string as_player = getuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
    auto player_line = [&](const std::string& args, const std::string& env) {
        EXPECT_EQ(run_status("cd '" + run.dir.string() + "' && " + env + " " + as_player + " ./tailgate " + args +
                             " >out.txt 2>err.txt"),
                  1)
            << args;
        const std::vector<std::string> lines = lines_of(run.text("err.txt"));
        EXPECT_EQ(lines.size(), 1u) << run.text("err.txt");
        return lines.empty() ? std::string() : lines[0];
    };
    fs::create_directories(run.dir / "xdg" / "tailgate" / "hiscore.txt");
    EXPECT_EQ(one_line(run, "--headless --passes 3 --dump d.json", 1, "",
                       "XDG_DATA_HOME='" + (run.dir / "xdg").string() + "'"),
              "tailgate: cannot keep the high-score table " + (run.dir / "xdg/tailgate/hiscore.txt").string() +
                  ": is a directory (use --data DIR)");
    EXPECT_FALSE(fs::exists(run.dir / "d.json"));
    fs::remove(run.dir / "xdg" / "tailgate" / "hiscore.txt");
    ASSERT_EQ(chmod((run.dir / "xdg" / "tailgate").c_str(), 0555), 0);
    EXPECT_EQ(player_line("--headless --passes 3", "XDG_DATA_HOME='" + (run.dir / "xdg").string() + "'"),
              "tailgate: cannot keep the high-score table " + (run.dir / "xdg/tailgate/hiscore.txt").string() +
                  ": Permission denied (use --data DIR)");

    // With --data: a directory in the table's place is named, and the run
    // is the one a table of zeros gives.
    const std::string h = "--headless --data data --passes 40 --dump ";
    const std::string zeros = test_support::hiscore_text(std::vector<int>(10, 0), std::string(30, 'A'), "abcdef");
    write_text(run.data / "hiscore.txt", zeros);
    ASSERT_EQ(run.run(h + "zeros.json --start-tick 777"), 0) << run.text("err.txt");
    fs::remove(run.data / "hiscore.txt");
    fs::create_directory(run.data / "hiscore.txt");
    EXPECT_EQ(one_line(run, h + "dir.json --start-tick 777", 0),
              "tailgate: cannot read the high-score table hiscore.txt: not a regular file; it is left as it is and no "
              "score is kept in it");
    EXPECT_EQ(without_initials(run.text("dir.json")), without_initials(run.text("zeros.json")));
    EXPECT_NE(run.text("dir.json").find(R"("hiscore_initials":["\u0000\u0000\u0000",)"), std::string::npos);
    fs::remove(run.data / "hiscore.txt");

    // A data folder the player cannot write: the start-up's save is lost,
    // said at once, the run goes on to its end and its outputs, status 1.
    write_text(run.data / "hiscore.txt", zeros);
    fs::permissions(run.data, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    for (const auto& entry : fs::directory_iterator(run.data)) {
        chmod(entry.path().c_str(), 0644);
    }
    ASSERT_EQ(chmod(run.data.c_str(), 0555), 0);
    ASSERT_EQ(chmod(run.dir.c_str(), 0777), 0);
    EXPECT_EQ(player_line(h + "ro.json --start-tick 777", ""),
              "tailgate: cannot save the high-score table hiscore.txt: Permission denied");
    EXPECT_EQ(run.text("ro.json"), run.text("zeros.json"));
    EXPECT_EQ(run.text("data/hiscore.txt"), zeros);
    ASSERT_EQ(chmod(run.data.c_str(), 0755), 0);
    ASSERT_EQ(chmod(run.dir.c_str(), 0755), 0);
}

// A failed start-up is status 1 with one line naming the file and no dump:
// a missing picture. The text face is not one of the files: the game carries
// its glyphs, so with no font on the system it starts and draws the same
// picture.
TEST(Harness, FailedStartUpsNameTheirCauseAndNoFontIsNeeded)
{
    GameRun run;
    fs::remove(run.data / "cars2.bmp");
    const std::string args = "--headless --data data --passes 5 --dump dump.json";
    EXPECT_NE(one_line(run, args, 1).find("cars2.bmp"), std::string::npos);
    EXPECT_FALSE(fs::exists(run.dir / "dump.json"));
    fs::copy_file(fs::path(TAILGATE_DATA_DIR) / "cars2.bmp", run.data / "cars2.bmp");
    write_text(run.dir / "fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
    const std::string no_fonts = "FONTCONFIG_FILE='" + (run.dir / "fonts.conf").string() + "' ";
    EXPECT_EQ(run.run(args + " --shot 4:bare.png", no_fonts), 0) << run.text("err.txt");
    EXPECT_TRUE(fs::exists(run.dir / "dump.json"));
    EXPECT_EQ(run.run(args + " --shot 4:fonts.png"), 0) << run.text("err.txt");
    EXPECT_EQ(read_text(run.dir / "bare.png"), read_text(run.dir / "fonts.png"));
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
// also the ones the game can do without (and the high-score table); a FIFO in a file's place is never
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
    write_text(run.data / "A.MID",
               "MThd" + be32(6) + std::string("\x00\x00\x00\x01\x00\x60", 6) + "MTrk" + be32(track.size()) + track);
    for (const char* name : {"horn.WAV", "B.MID", "Controls.bmp", "hiscore.txt"}) {
        fs::remove(run.data / name);
        ASSERT_EQ(mkfifo((run.data / name).c_str(), 0644), 0) << name;
    }
    const std::string credits_said = "tailgate: Credits.bmp: compressed BMPs are not supported; save it uncompressed";
    EXPECT_EQ(run.run("--headless --data data --passes 5 --dump dump.json", "timeout 60 "), 0) << run.text("err.txt");
    EXPECT_EQ(
        lines_of(run.text("err.txt")),
        (std::vector<std::string>{credits_said, "tailgate: car.WAV: not a PCM WAV file, or damaged; not loaded",
                                  "tailgate: cannot read the high-score table hiscore.txt: not a regular file; it is "
                                  "left as it is and no score is kept in it",
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
