// The real executable run headless on a scratch copy of the default data,
// and the numbers of its state lines (dumps and traces).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/game_data.h"

namespace play_run {

namespace fs = std::filesystem;

inline std::string read_text(const fs::path& path)
{
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

inline std::vector<std::string> read_lines(const fs::path& path)
{
    std::istringstream in(read_text(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The numbers under `key` in a state line: one for a plain value, every
// number of an array in order (so car i's field f of "traffic" is
// [8 i + f]); empty when the key is missing.
inline std::vector<double> values(const std::string& line, const std::string& key)
{
    std::vector<double> out;
    size_t at = line.find("\"" + key + "\":");
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
inline int key(const std::string& line, const char* name)
{
    std::vector<double> v = values(line, name);
    EXPECT_FALSE(v.empty()) << name;
    return v.empty() ? -999999 : static_cast<int>(v[0]);
}

// One scratch directory; every run in it starts from a fresh copy of the
// data, so that each finds no high-score table and creates its own.
struct Run {
    fs::path dir;
    std::vector<std::string> states;  // the dump, or the trace's line a pass
    std::string audio;                // the audio log, "\n" before each line

    Run()
    {
        char pattern[] = "/tmp/tailgate_play_run_XXXXXX";
        dir = mkdtemp(pattern) ? pattern : "";
    }
    ~Run()
    {
        std::error_code ignored;
        if (!dir.empty()) {
            fs::remove_all(dir, ignored);
        }
    }

    // Runs the script file for `passes` passes from `start_tick`, with a
    // trace instead of a dump when asked and `more` options. The exit status.
    int play(const fs::path& script, unsigned long start_tick, int passes, bool trace = false,
             const std::string& more = "")
    {
        std::error_code ignored;
        for (const char* old : {"data", "state.json", "audio.log"}) {
            fs::remove_all(dir / old, ignored);
        }
        if (dir.empty() || !test_support::copy_game_data(dir / "data")) {
            ADD_FAILURE() << "no copy of the game data";
            return -1;
        }
        std::string out = (dir / "state.json").string();
        std::ostringstream command;
        command << "'" << TAILGATE_EXE << "' --headless --data '" << (dir / "data").string() << "' --start-tick "
                << start_tick << " --input '" << script.string() << "' --passes " << passes
                << (trace ? " --trace '" : " --dump '") << out << "' --audio-log '" << (dir / "audio.log").string()
                << "' " << more << " > '" << (dir / "stderr.txt").string() << "' 2>&1";
        int status = std::system(command.str().c_str());
        states = read_lines(out);
        audio = '\n' + read_text(dir / "audio.log");
        EXPECT_FALSE(states.empty()) << read_text(dir / "stderr.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // True when the audio log has the line "pass op id".
    bool logged(int pass, const std::string& op, int id) const
    {
        std::ostringstream line;
        line << '\n' << pass << ' ' << op << ' ' << id << '\n';
        return audio.find(line.str()) != std::string::npos;
    }
};

}  // namespace play_run
