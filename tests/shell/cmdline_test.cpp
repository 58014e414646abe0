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

TEST(Cmdline, DefaultsAndEveryOption)
{
    Parsed* p = parse({});
    ASSERT_EQ(p->ok, 1);
    EXPECT_EQ(p->options.headless, 0);
    EXPECT_EQ(p->options.start_tick, 1000u);
    EXPECT_EQ(p->options.passes, -1);
    EXPECT_STREQ(p->options.data_dir, "");

    p = parse({"--headless", "--data", "d", "--start-tick", "4294967295", "--input", "in.txt", "--passes=0",
               "--dump", "s.json", "--trace", "t.json", "--shot", "3:a.png", "--shot", "12:b:c.png", "--audio-log",
               "a.log", "--window"});
    ASSERT_EQ(p->ok, 1) << p->error;
    EXPECT_EQ(p->options.headless, 1);
    EXPECT_EQ(p->options.windowed, 1);
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

TEST(Cmdline, BadInputIsRefusedWithAOneLineReason)
{
    std::vector<std::vector<std::string>> bad = {
        {"--bogus"},
        {"headless"},
        {"--headless", "--passes"},  // missing value
        {"--headless", "--passes", "-1"},
        {"--headless", "--passes", "12x"},
        {"--headless", "--passes", "3000000000"},
        {"--headless", "--start-tick", "4294967296"},
        {"--headless", "--start-tick", ""},
        {"--headless", "--shot", "5"},  // no file
        {"--headless", "--shot", "5:"},
        {"--headless", "--shot", ":a.png"},
        {"--headless", "--shot", "x:a.png"},
        {"--headless", "--dump", ""},
        {"--headless=1"},
        {"--input", "in.txt"},  // the script and the clock need headless mode
        {"--start-tick", "5"},
    };
    std::vector<std::string> too_many_shots = {"--headless"};
    for (int i = 0; i <= CMDLINE_MAX_SHOTS; ++i) {
        too_many_shots.push_back("--shot");
        too_many_shots.push_back(std::to_string(i) + ":s.png");
    }
    bad.push_back(too_many_shots);
    for (const auto& args : bad) {
        Parsed* p = parse(args);
        std::string first;
        for (size_t i = 0; i < args.size() && i < 3; ++i) {
            first += args[i] + " ";
        }
        EXPECT_EQ(p->ok, 0) << first;
        EXPECT_NE(p->error[0], '\0') << first;
        EXPECT_EQ(std::string(p->error).find('\n'), std::string::npos) << first;
    }
}

}  // namespace
