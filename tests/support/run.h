// Running the game in a test: files, a scratch directory with a private copy
// of the generated data (the game writes hiscore.txt into its data
// directory), the real executable run headless there, the numbers of its
// state lines, and the game started once inside the test process for the
// screens that wait inside one frame.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "display/display.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "shell/harness_script.h"
#include "shell/shell.h"

namespace test_support {

namespace fs = std::filesystem;

inline std::string read_text(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

inline std::vector<std::string> read_lines(const fs::path& path)
{
    return lines_of(read_text(path));
}

inline void write_text(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The exit status of a shell command; -1 when it did not exit.
inline int run_status(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Copies every file of the default data except hiscore.txt (a table left in
// the build's data by someone playing) into `dest`, which is created. False
// when the default data is missing or the copy fails.
inline bool copy_game_data(const fs::path& dest)
{
    std::error_code error;
    fs::create_directories(dest, error);
    if (error || !fs::exists(fs::path(TAILGATE_DATA_DIR) / "background.bmp", error)) {
        return false;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(TAILGATE_DATA_DIR, error)) {
        if (entry.is_regular_file() && entry.path().filename() != "hiscore.txt" &&
            !fs::copy_file(entry.path(), dest / entry.path().filename(), fs::copy_options::overwrite_existing, error)) {
            return false;
        }
    }
    return !error;
}

// The numbers under `key` in a state line: one for a plain value, every
// number of an array in order (car i's field f of "traffic" is [8 i + f]);
// empty when the key is missing.
inline std::vector<double> values(const std::string& line, const std::string& key)
{
    std::vector<double> out;
    const size_t at = line.find("\"" + key + "\":");
    if (at == std::string::npos) {
        return out;
    }
    const char* p = line.c_str() + at + key.size() + 3;
    for (int depth = 0;; p++) {
        for (; *p == '['; ++p) {
            ++depth;
        }
        char* end = nullptr;
        out.push_back(std::strtod(p, &end));
        for (p = end; *p == ']'; ++p) {
            --depth;
        }
        if (depth == 0 || *p != ',') {
            break;
        }
    }
    return out;
}

// A plain number of a state line; a missing key fails the test.
inline long long key(const std::string& line, const char* name)
{
    const std::vector<double> v = values(line, name);
    EXPECT_FALSE(v.empty()) << name << " missing from " << line.substr(0, 80);
    return v.empty() ? -999999 : static_cast<long long>(v[0]);
}

// The state line holds these values; a failure names each key that differs.
inline testing::AssertionResult state_has(const std::string& state,
                                          std::initializer_list<std::pair<const char*, long long>> want)
{
    std::ostringstream wrong;
    for (const auto& [name, value] : want) {
        const std::vector<double> got = values(state, name);
        if (got.empty() || got[0] != static_cast<double>(value)) {
            wrong << "\n  " << name << " is " << (got.empty() ? "missing" : std::to_string(got[0])) << ", expected "
                  << value;
        }
    }
    if (wrong.str().empty()) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "state differs:" << wrong.str();
}

// Ten entries' initials, and "hiscore.txt" as the game writes it.
inline const std::string kInitials = "AAABBBCCCDDDEEEFFFGGGHHHIIIJJJ";
inline std::string hiscore_text(const std::vector<int>& scores, const std::string& initials = kInitials,
                                const std::string& filler = "abcdef")
{
    std::string text = "10\n";
    for (int s : scores) {
        text += std::to_string(s) + "\n";
    }
    for (char c : filler + initials) {
        text += std::string(1, c) + "\n";
    }
    return text;
}

// A scratch directory with a copy of the default data in data/, removed
// afterwards, and the real executable run there.
struct GameRun {
    fs::path dir, data;
    std::vector<std::string> states;  // the trace's line a pass, or the dump
    std::vector<std::string> audio;   // "<pass> <op> <id>"

    GameRun()
    {
        char pattern[] = "/tmp/tailgate_run_XXXXXX";
        dir = mkdtemp(pattern) ? pattern : "/nonexistent";
        data = dir / "data";
        EXPECT_TRUE(copy_game_data(data)) << "no generated game data in " << TAILGATE_DATA_DIR;
    }
    ~GameRun()
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    std::string text(const std::string& name) const { return read_text(dir / name); }
    fs::path shot(int pass) const { return dir / ("shot" + std::to_string(pass) + ".png"); }

    // Runs the executable with `args` from the scratch directory, `env`
    // before it, its output in out.txt and err.txt. The exit status.
    int run(const std::string& args, const std::string& env = "") const
    {
        return run_status("cd '" + dir.string() + "' && " + env + " '" + TAILGATE_EXE + "' " + args +
                          " >out.txt 2>err.txt");
    }

    // Plays `script` headless on the data for `passes` passes (-1: until it
    // ends by itself) with an audio log, a trace (or with `trace` false the
    // dump alone), a screenshot after each of `shots` and `more` options.
    int play(const std::string& script, int passes, const std::vector<int>& shots = {}, const std::string& more = "",
             bool trace = true)
    {
        write_text(dir / "script.txt", script);
        std::string args = "--headless --data data --input script.txt --audio-log audio.log " +
                           std::string(trace ? "--trace" : "--dump") + " state.jsonl " + more;
        if (passes >= 0) {
            args += " --passes " + std::to_string(passes);
        }
        for (int p : shots) {
            args += " --shot " + std::to_string(p) + ":'" + shot(p).string() + "'";
        }
        fs::remove(dir / "state.jsonl");
        const int status = run(args);
        states = read_lines(dir / "state.jsonl");
        audio = read_lines(dir / "audio.log");
        EXPECT_FALSE(states.empty()) << text("err.txt");
        return status;
    }

    // The audio calls of passes first to last, leaving out the music stops
    // (mus_play's own business).
    std::vector<std::string> calls(int first, int last = 1 << 30) const
    {
        std::vector<std::string> found;
        for (const std::string& call : audio) {
            const int pass = std::atoi(call.c_str());
            if (pass >= first && pass <= last && call.find("mus_stop") == std::string::npos) {
                found.push_back(call);
            }
        }
        return found;
    }
    bool logged(const std::string& call) const { return std::find(audio.begin(), audio.end(), call) != audio.end(); }
};

// The game started headless in this process, once, in a scratch copy of
// the default data that becomes (again) the working directory. Then the
// keyboard is set from `script`: every key up, the events of pass 0 down at
// once, all later ones left for the waits inside a frame to take. False
// when the start-up or the script failed.
inline bool game_here(const std::string& script)
{
    static GameRun* run = nullptr;
    static bool started = false;
    if (!run) {
        run = new GameRun;  // kept to the end: the game reads from it
        fs::current_path(run->data);
        plat_use_backend(PLAT_HEADLESS, 1000);
        started = plat_window_create(false) && game_init();
    }
    fs::current_path(run->data);
    char error[256];
    if (!started || !harness_parse_script(script.c_str(), script.size(), error, sizeof error)) {
        return false;
    }
    plat_use_backend(PLAT_HEADLESS, 1000);
    headless_begin_pass(0);
    return true;
}

}  // namespace test_support
