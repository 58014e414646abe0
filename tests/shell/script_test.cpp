// The input script, the scripted keyboard it feeds, the virtual clock of
// headless runs, and a script that runs out.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "core/random.h"
#include "platform/headless.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "shell/harness_script.h"
#include "shell/shell.h"
#include "support/run.h"

namespace {

int parse(const std::string& text, std::string* error = nullptr)
{
    char buffer[256] = "";
    int ok = harness_parse_script(text.data(), text.size(), buffer, sizeof buffer);
    if (error) {
        *error = buffer;
    }
    return ok;
}

TEST(Script, CommentsBlanksTabsCrlfAndEveryKeyName)
{
    ASSERT_EQ(parse("# open the menu\n\n   \n\t5\t+UP   -UP # trailing\r\n5 +Q\r\n\n6 -Q\n"
                    "7 +SPACE +UP +DOWN +LEFT +RIGHT +Q +S +C +R +H"),
              1);
    EXPECT_EQ(headless_events_left(), 14);
    plat_use_backend(PLAT_HEADLESS, 1000);
    headless_begin_pass(7);
    for (int vk : {gk::SPACE, gk::UP, gk::DOWN, gk::LEFT, gk::RIGHT, gk::Q, gk::S, gk::C, gk::R, gk::H}) {
        EXPECT_TRUE(headless_key_down(vk)) << vk;
    }
    EXPECT_FALSE(headless_key_down('X'));
    EXPECT_FALSE(headless_key_down(100000));
    ASSERT_EQ(parse(""), 1);
    EXPECT_EQ(headless_events_left(), 0);
}

TEST(Script, MalformedLinesAreRefusedWithTheirLineNumber)
{
    struct Case {
        const char* text;
        const char* line;
    };
    const Case cases[] = {
        {"5 +SPACE\n3 -SPACE\n", "line 2"},  // pass numbers go down
        {"5 +ENTER\n", "line 1"},
        {"\n\n5 SPACE\n", "line 3"},
        {"5 +space\n", "line 1"},  // names are upper case
        {"5\n", "line 1"},         // no event
        {"-5 +UP\n", "line 1"},
        {"x +UP\n", "line 1"},
        {"5 +\n", "line 1"},
        {"99999999999 +UP\n", "line 1"},
        {"5 +UP+DOWN\n", "line 1"},
    };
    ASSERT_EQ(parse("1 +UP\n"), 1);
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(parse(c.text, &error), 0) << c.text;
        EXPECT_NE(error.find(c.line), std::string::npos) << c.text << " -> " << error;
    }
    EXPECT_EQ(headless_events_left(), 1);  // a refused script leaves the last good one
}

// Events take effect at the start of their pass, in file order; a wait
// inside a pass takes the next event whatever its pass.
TEST(Script, EventsTakeEffectAtTheStartOfTheirPassAndWaitsTakeTheNext)
{
    ASSERT_EQ(parse("2 +UP\n2 +LEFT\n3 +SPACE -SPACE\n4 -UP\n5 +SPACE\n50 -SPACE\n60 +UP\n"), 1);
    plat_use_backend(PLAT_HEADLESS, 1000);
    headless_begin_pass(1);
    EXPECT_FALSE(headless_key_down(gk::UP));
    headless_begin_pass(2);
    EXPECT_TRUE(headless_key_down(gk::UP));
    EXPECT_TRUE(headless_key_down(gk::LEFT));
    headless_begin_pass(3);
    EXPECT_TRUE(headless_key_down(gk::UP));      // held until released
    EXPECT_FALSE(headless_key_down(gk::SPACE));  // pressed and released in one pass
    headless_begin_pass(5);
    EXPECT_FALSE(headless_key_down(gk::UP));
    EXPECT_TRUE(headless_key_down(gk::LEFT));
    EXPECT_TRUE(headless_key_down(gk::SPACE));
    plat_wait_step();  // the release comes while the game waits
    EXPECT_FALSE(headless_key_down(gk::SPACE));
    headless_begin_pass(59);
    EXPECT_FALSE(headless_key_down(gk::UP));  // the next event keeps its pass
    headless_begin_pass(60);
    EXPECT_TRUE(headless_key_down(gk::UP));
    EXPECT_EQ(headless_events_left(), 0);

    // A wait with nothing left to take ends the run; in a test program that
    // runs the game's code by itself it is a failure naming the pass, never
    // an exit of the whole program.
    try {
        plat_wait_step();
        ADD_FAILURE() << "a wait past the script's end returned";
    } catch (const PlatScriptRanOut& ran_out) {
        EXPECT_EQ(ran_out.pass(), 60);
        EXPECT_NE(std::string(ran_out.what()).find("inside pass 60"), std::string::npos) << ran_out.what();
    }
}

// The frame loop ends where the script ran out: the passes before it ran
// whole, the one cut short gets no after-pass work, and the loop says so
// (the shell then writes its outputs and exits with status 3).
TEST(Script, RunningOutInsideAPassEndsTheFrameLoopThere)
{
    ASSERT_EQ(parse("0 +SPACE\n1 -SPACE\n"), 1);
    plat_use_backend(PLAT_HEADLESS, 1000);
    static std::vector<int> ended;
    static int frames;
    ended.clear();
    frames = 0;
    // From its fourth frame on the game waits for a key's release, twice.
    auto frame = [] {
        if (++frames >= 4) {
            plat_wait_step();
            plat_wait_step();
        }
        return 1;
    };
    int last_pass = -2;
    bool ran_out = false;
    EXPECT_EQ(shell_frame_loop(
                  frame, 100, [](int pass) { ended.push_back(pass); }, &last_pass, &ran_out),
              0);
    EXPECT_TRUE(ran_out);
    EXPECT_EQ(last_pass, 2);
    EXPECT_EQ(ended, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(headless_current_pass(), 3);
    EXPECT_EQ(plat_get_tick_count(), 1000u + 3 * 33);  // pass 3 never paced

    // Events enough for every wait: no such end.
    ASSERT_EQ(parse("0 +SPACE\n1 -SPACE\n9 +UP +DOWN\n"), 1);
    plat_use_backend(PLAT_HEADLESS, 1000);
    frames = 0;
    EXPECT_EQ(shell_frame_loop(frame, 4, nullptr, &last_pass, &ran_out), 0);
    EXPECT_FALSE(ran_out);
    EXPECT_EQ(last_pass, 3);
    EXPECT_EQ(headless_events_left(), 0);  // both taken by the waits of pass 3
    EXPECT_TRUE(headless_key_down(gk::DOWN));
    plat_use_backend(PLAT_WINDOW, 1000);
}

TEST(Script, FileErrorsNameTheFileAndTheLine)
{
    char error[256] = "";
    EXPECT_EQ(harness_load_script("/nonexistent/dir/script.txt", error, sizeof error), 0);
    EXPECT_NE(strstr(error, "/nonexistent/dir/script.txt"), nullptr);
    char bad[] = "/tmp/tailgate_script_XXXXXX";
    const int fd = mkstemp(bad);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "7 +H\n6 -H\n", 10), 10);
    close(fd);
    EXPECT_EQ(harness_load_script(bad, error, sizeof error), 0);
    EXPECT_NE(strstr(error, bad), nullptr);
    EXPECT_NE(strstr(error, "line 2"), nullptr);
    remove(bad);
}

// A script quoted in a message never reaches the terminal raw: escape
// sequences and other control bytes come out as \xHH, valid UTF-8 stays.
TEST(Script, MessagesEscapeControlBytes)
{
    std::string error;
    EXPECT_EQ(parse("\x1b]0;title\x07 +UP\n", &error), 0);
    EXPECT_EQ(error, "line 1: '\\x1B]0;title\\x07' is not a pass number");
    EXPECT_EQ(parse("3 +SP\x1b[2J\x9b\n", &error), 0);
    EXPECT_EQ(error, "line 1: '+SP\\x1B[2J\\x9B' is not a key event (+KEY or -KEY)");

    EXPECT_EQ(plat_printable("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xC3\xA9 \xE2\x82\xAC");
    // C1 controls, overlong forms, a cut-off sequence, DEL.
    EXPECT_EQ(plat_printable("\xC2\x9B\xC0\xAF\xE2\x82\x7F"), "\\xC2\\x9B\\xC0\\xAF\\xE2\\x82\\x7F");
}

// A FIFO, a directory or a device as the script is refused at once, never
// waited on.
TEST(Script, NonRegularFilesAreRefusedAtOnce)
{
    char dir[] = "/tmp/tailgate_script_dir_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string fifo = std::string(dir) + "/keys";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    for (const std::string& path : {fifo, std::string(dir), std::string("/dev/zero")}) {
        char error[256] = "";
        EXPECT_EQ(harness_load_script(path.c_str(), error, sizeof error), 0) << path;
        EXPECT_NE(strstr(error, "not a regular file"), nullptr) << error;
    }
    remove(fifo.c_str());
    rmdir(dir);
}

// The recorder writes every key event the game is given under the pass a
// replay applies it at: a pass's own events under it, one taken at a wait
// inside pass p under p + 1; the player's keys likewise. Its start tick and
// pass count are comments a replay reads back.
TEST(Script, TheRecordingReplaysEachEventAtTheSamePoint)
{
    char path[] = "/tmp/tailgate_record_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_EQ(parse("2 +UP +LEFT\n5 -UP\n9 -LEFT\n"), 1);
    plat_use_backend(PLAT_HEADLESS, 1000);
    ASSERT_TRUE(harness_open_record(path, 424242, HarnessTable{HARNESS_TABLE_NONE, {}}));
    headless_begin_pass(0);
    headless_set_key(gk::SPACE, true, false);  // the player, at a pass's start
    headless_begin_pass(2);
    headless_begin_pass(3);
    plat_wait_step();                          // takes "5 -UP" inside pass 3
    headless_set_key(gk::SPACE, false, true);  // the player, at a wait
    headless_set_key(gk::SPACE, false, true);  // no change: not written
    headless_begin_pass(9);
    EXPECT_TRUE(harness_close_record(10));
    EXPECT_TRUE(harness_close_record(10));  // nothing open: nothing to lose

    char text[1024] = "";
    FILE* file = fopen(path, "r");
    ASSERT_NE(file, nullptr);
    text[fread(text, 1, sizeof text - 1, file)] = '\0';
    fclose(file);
    remove(path);
    const std::string recording = text;
    const size_t keys = recording.find("# start-tick 424242\n");
    ASSERT_NE(keys, std::string::npos) << recording;
    EXPECT_EQ(recording.substr(keys), "# start-tick 424242\n# table none\n0 +SPACE\n2 +UP\n2 +LEFT\n4 -UP\n4 -SPACE\n"
                                      "9 -LEFT\n# passes 10\n");

    // Read back, it names its start tick and gives the same keys.
    ASSERT_EQ(parse(recording), 1);
    uint32_t tick = 0;
    ASSERT_TRUE(harness_script_start_tick(&tick));
    EXPECT_EQ(tick, 424242u);
    EXPECT_EQ(headless_events_left(), 6);
    int passes = 0;
    ASSERT_TRUE(harness_script_passes(&passes));
    EXPECT_EQ(passes, 10);
    EXPECT_EQ(harness_script_table().kind, HARNESS_TABLE_NONE);
    ASSERT_EQ(parse("# start-tick 12x\n1 +UP\n"), 1);
    EXPECT_FALSE(harness_script_start_tick(&tick)) << "not a number: no start tick";
    EXPECT_FALSE(harness_script_passes(&passes));
    EXPECT_EQ(harness_script_table().kind, HARNESS_TABLE_UNSAID) << "an input script is no recording";
    plat_use_backend(PLAT_WINDOW, 1000);
}

// The table a recording began with comes back byte for byte, whatever it
// holds: control bytes, '%', bytes beyond ASCII, CR LF line ends, a last
// line without its newline, blank lines; and a table that was unusable
// stays so.
TEST(Script, ARecordingKeepsItsTableByteForByte)
{
    const std::string tables[] = {
        "1000 ABC\n900 DEF\n",
        "\xEF\xBB\xBF"
        "100 A%B\r\n\n\t 7 \x01\xFF\n# not a comment\n5 XYZ",
        "",
        "\n",
        "1 %41 %zz%\n",
    };
    for (const std::string& table : tables) {
        char path[] = "/tmp/tailgate_record_XXXXXX";
        const int fd = mkstemp(path);
        ASSERT_GE(fd, 0);
        FILE* file = fdopen(fd, "wb");
        ASSERT_NE(file, nullptr);
        harness_write_table(file, HarnessTable{HARNESS_TABLE_TEXT, table});
        fputs("3 +UP\n# passes 4\n", file);
        fclose(file);
        const std::string text = test_support::read_text(path);
        remove(path);
        for (char c : text) {
            EXPECT_TRUE(c == '\n' || (c >= ' ' && c < 0x7F)) << "plain printable text: " << text;
        }
        ASSERT_EQ(parse(text), 1) << text;
        EXPECT_EQ(harness_script_table().kind, HARNESS_TABLE_TEXT);
        EXPECT_EQ(harness_script_table().text, table) << text;
        EXPECT_EQ(headless_events_left(), 1) << "the table's lines are comments";
    }
    ASSERT_EQ(parse("# table unusable\n# passes 1\n"), 1);
    EXPECT_EQ(harness_script_table().kind, HARNESS_TABLE_UNUSABLE);
}

TEST(VirtualClock, OnlyThePacingMovesItAndItWraps)
{
    plat_use_backend(PLAT_HEADLESS, 4294967290u);
    headless_begin_pass(0);
    EXPECT_EQ(plat_get_tick_count(), 4294967290u);
    headless_end_pass(plat_get_tick_count());
    EXPECT_EQ(plat_get_tick_count(), 27u);
    plat_use_backend(PLAT_WINDOW, 1000);
}

}  // namespace

// The generator must give the same sequence on every platform: these are the
// well-known first values of this generator for seeds 1 and 0.
TEST(Random, KnownSequences)
{
    game_srand(1);
    EXPECT_EQ(game_rand(), 41);
    EXPECT_EQ(game_rand(), 18467);
    EXPECT_EQ(game_rand(), 6334);
    game_srand(0);
    EXPECT_EQ(game_rand(), 38);
    EXPECT_EQ(game_rand(), 7719);
}
