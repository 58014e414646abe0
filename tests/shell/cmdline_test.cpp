// The command line: defaults, every option, and the answers to bad input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/cmdline.h"

namespace {

struct Parsed {
    int ok;
    ShellOptions options;
    char error[256];
};

// ShellOptions is large; keep it off the stack.
Parsed* parse(std::vector<std::string> args)
{
    static Parsed parsed;
    std::vector<char*> argv;
    static std::string program = "tailgate";
    argv.push_back(program.data());
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    parsed.error[0] = '\0';
    parsed.ok = cmdline_parse(static_cast<int>(argv.size()), argv.data(), &parsed.options, parsed.error,
                              sizeof parsed.error);
    return &parsed;
}

TEST(Cmdline, DefaultsWithoutArguments)
{
    Parsed* p = parse({});
    ASSERT_EQ(p->ok, 1);
    EXPECT_EQ(p->options.headless, 0);
    EXPECT_EQ(p->options.windowed, 0);
    EXPECT_EQ(p->options.start_tick, 1000u);
    EXPECT_EQ(p->options.passes, -1);
    EXPECT_STREQ(p->options.data_dir, "");
    EXPECT_STREQ(p->options.dump_path, "");
    EXPECT_EQ(p->options.shot_count, 0);
}

TEST(Cmdline, EveryHarnessOption)
{
    Parsed* p = parse({"--headless", "--data", "d", "--start-tick", "4294967295", "--input", "in.txt", "--passes",
                       "0", "--dump", "s.json", "--trace", "t.json", "--shot", "3:a.png", "--shot", "12:b:c.png",
                       "--audio-log", "a.log"});
    ASSERT_EQ(p->ok, 1) << p->error;
    EXPECT_EQ(p->options.headless, 1);
    EXPECT_STREQ(p->options.data_dir, "d");
    EXPECT_EQ(p->options.start_tick, 4294967295u);
    EXPECT_STREQ(p->options.input_path, "in.txt");
    EXPECT_EQ(p->options.passes, 0);
    EXPECT_STREQ(p->options.dump_path, "s.json");
    EXPECT_STREQ(p->options.trace_path, "t.json");
    EXPECT_STREQ(p->options.audio_log_path, "a.log");
    ASSERT_EQ(p->options.shot_count, 2);
    EXPECT_EQ(p->options.shots[0].pass, 3);
    EXPECT_STREQ(p->options.shots[0].path, "a.png");
    // Only the first colon separates the pass from the file name.
    EXPECT_EQ(p->options.shots[1].pass, 12);
    EXPECT_STREQ(p->options.shots[1].path, "b:c.png");
}

TEST(Cmdline, InlineValuesAndPlainFlags)
{
    Parsed* p = parse({"--headless", "--passes=25", "--data=/tmp/x", "--window", "--version", "--help"});
    ASSERT_EQ(p->ok, 1) << p->error;
    EXPECT_EQ(p->options.passes, 25);
    EXPECT_STREQ(p->options.data_dir, "/tmp/x");
    EXPECT_EQ(p->options.windowed, 1);
    EXPECT_EQ(p->options.show_version, 1);
    EXPECT_EQ(p->options.show_help, 1);
}

TEST(Cmdline, BadInputIsRefusedWithAReason)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},
        {"headless"},
        {"--headless", "--passes"},             // missing value
        {"--headless", "--passes", "-1"},
        {"--headless", "--passes", "12x"},
        {"--headless", "--passes", "3000000000"},
        {"--headless", "--start-tick", "4294967296"},
        {"--headless", "--start-tick", ""},
        {"--headless", "--shot", "5"},          // no file
        {"--headless", "--shot", "5:"},
        {"--headless", "--shot", ":a.png"},
        {"--headless", "--shot", "x:a.png"},
        {"--headless", "--dump", ""},
        {"--headless=1"},
        {"--input", "in.txt"},                  // the script needs headless mode
        {"--start-tick", "5"},
    };
    for (const auto& args : bad) {
        Parsed* p = parse(args);
        std::string joined;
        for (const auto& a : args) {
            joined += a + " ";
        }
        EXPECT_EQ(p->ok, 0) << joined;
        EXPECT_NE(p->error[0], '\0') << joined;
        EXPECT_EQ(std::string(p->error).find('\n'), std::string::npos) << joined;
    }
}

TEST(Cmdline, TooManyShotsIsAnError)
{
    std::vector<std::string> args = {"--headless"};
    for (int i = 0; i <= CMDLINE_MAX_SHOTS; ++i) {
        args.push_back("--shot");
        args.push_back(std::to_string(i) + ":s.png");
    }
    EXPECT_EQ(parse(args)->ok, 0);
}

TEST(Cmdline, UsageNamesEveryOption)
{
    std::string usage = cmdline_usage();
    for (const char* option : {"--headless", "--data", "--start-tick", "--input", "--passes", "--dump", "--trace",
                               "--shot", "--audio-log", "--window", "--help", "--version"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

}  // namespace
